#!/bin/sh
# Runs a Windows test program under Wine for CTest. Qt Test on Windows writes
# its log to the debugger alone when its output is not a console, as under
# CTest, so a Qt Test program logs to a file that is shown afterwards.
#   tests/wine/emulate.sh PROGRAM.exe [ARGS...]
exe="$1"
shift
# Wine hands a Windows program no variable named QT_* from the Unix side, lest the host's
# own Qt settings reach it: it takes each as WINEQT_* instead. The tests' own (the style,
# the scale) are passed that way.
for name in $(env | sed -n 's/^\(QT_[A-Za-z0-9_]*\)=.*/\1/p'); do
  eval "export WINE$name=\"\$$name\""
done
if ! x86_64-w64-mingw32-objdump -p "$exe" | grep -q 'DLL Name: Qt6Test.dll'; then
  exec wine "$exe" "$@"
fi
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
wine "$exe" "$@" -o "$(winepath -w "$log"),txt" || status=$?
cat "$log"
exit "$status"
