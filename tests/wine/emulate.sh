#!/bin/sh
# Runs a Windows test program under Wine for CTest. Qt Test on Windows writes
# its log to the debugger alone when its output is not a console, as under
# CTest, so a Qt Test program logs to a file that is shown afterwards.
#   tests/wine/emulate.sh PROGRAM.exe [ARGS...]
exe="$1"
shift
if ! x86_64-w64-mingw32-objdump -p "$exe" | grep -q 'DLL Name: Qt6Test.dll'; then
  exec wine "$exe" "$@"
fi
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
wine "$exe" "$@" -o "$(winepath -w "$log"),txt" || status=$?
cat "$log"
exit "$status"
