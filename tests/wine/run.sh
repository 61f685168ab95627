#!/usr/bin/env bash
# The Windows build under Wine, on an X server of its own with a real window
# manager (openbox): what the zip holds, the test programs of the game's code
# built for Windows, the game from the unpacked zip as a player starts it and
# as a screen reader hears it through UI Automation, then the setup program's
# install, upgrade and uninstall (check_setup.sh).
#   tests/wine/run.sh WINDOWS_BUILD TST_WINEWINDOW
# Screenshots and the Wine prefix stay in WINDOWS_BUILD/wine.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "$1" && pwd)"
window_test="$(realpath "$2")"
zip="$(ls "$build"/zorbuny-*-windows-x86_64.zip)"
work="$build/wine"
mkdir -p "$work"

"$here/check_zip.sh" "$zip"

# Wine's own prefix, so the machine's is left alone; no Mono or Gecko
# installer dialogs, no menu entries on this desktop for the shortcuts the
# setup program makes, and a quiet log.
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# Wine names its X windows in the locale's character set: in the C locale
# the game's Cyrillic title reaches X as question marks, and no test finds it.
[ "$(locale charmap 2>/dev/null)" = UTF-8 ] || export LC_ALL=C.UTF-8
pids=()
cleanup() {
  wineserver -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

rm -f "$work/display"
# -noreset: left to itself it resets whenever its last client leaves (xprop
# below, before openbox has connected), dropping whoever connects just then.
# A full HD screen: at twice the density (the _scale2 tests) Windows keeps a
# window inside it, and the game's 824 pixels would not fit in 768.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
openbox --sm-disable >/dev/null 2>&1 &
pids+=($!)
# A Russian player's keyboard, for the menus' Cyrillic access keys: Wine takes
# its layout from the X server's as it starts.
setxkbmap ru
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Preparing the Wine prefix $WINEPREFIX"
  wine wineboot -i >/dev/null 2>&1
fi
# Wine has no Segoe UI. DejaVu Sans stands in under its name: it runs wider,
# so whatever fits in it fits in Segoe UI too.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Segoe UI' /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1
wineserver -w

# The test programs find Qt's DLLs and the compiler's runtime through WINEPATH;
# the game from the zip must do without.
dos() { printf 'Z:%s' "${1//\//\\}"; }
qt="$("$here/../../scripts/build-qt-windows.sh" --check)"
runtime="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")"
threads="$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")"
WINEPATH="$(dos "$qt/bin");$(dos "$runtime");$(dos "$(realpath "$threads")")" \
  ctest --test-dir "$build" --output-on-failure

rm -rf "$work/unpacked"
mkdir -p "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip")
exe="$(ls "$work"/unpacked/*/zorbuny.exe)"
# The screen reader's stand-in, for the zip's game and the installed one.
export ZORBUNY_UIA_READER="$build/uia_reader.exe"
ZORBUNY_EXE="$exe" ZORBUNY_SCREENSHOTS="$work" "$window_test"

"$here/check_setup.sh" "$build" "$window_test"
