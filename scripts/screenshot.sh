#!/usr/bin/env bash
# The README's picture of a game in progress: the built game on an X server
# of its own with openbox framing it, a few moves played from the keyboard as
# a player would, and the window with its frame saved as a small PNG.
#   scripts/screenshot.sh GAME OUTPUT.png
set -euo pipefail

[ $# -eq 2 ] || { echo "usage: $0 GAME OUTPUT.png" >&2; exit 2; }
game=$(realpath "$1")
output=$2

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Nothing of the caller's desktop, locale or settings reaches the picture.
unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_STYLE_OVERRIDE
export LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb HOME="$work" XDG_CONFIG_HOME="$work/config" \
  XDG_RUNTIME_DIR="$work/runtime" NO_AT_BRIDGE=1
mkdir -m 700 "$work/runtime"

Xvfb -displayfd 3 -screen 0 800x680x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
[ -s "$work/display" ] || { echo "screenshot: Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$work/display")"

openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# openbox has taken the screen once it names itself on the root window.
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

"$game" >"$work/game.log" 2>&1 &
pids+=($!)
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Зорбуны' | head -n1) ||
  { echo "screenshot: the game's window did not show" >&2; cat "$work/game.log" >&2; exit 1; }
xdotool windowactivate --sync "$window"
sleep 1

# Cells are 24 pixels apart below the menu bar, whatever height the menu
# bar takes: the window's client area under it is 373 pixels high. Each
# click places an X, and the computer answers at once; four moves around the
# middle leave the game open.
eval "$(xdotool getwindowgeometry --shell "$window")"
menu_bar=$((HEIGHT - 373))
click() { # row and column, from 1
  local x=$(((2 * (173 + 360 * ($2 - 1)) + 15) / 30 + 12))
  local y=$((menu_bar + (2 * (120 + 360 * ($1 - 1)) + 15) / 30 + 12))
  xdotool mousemove --window "$window" "$x" "$y" click 1
  sleep 0.4
}
click 6 6
click 6 8
click 8 7
click 3 7
xdotool mousemove 0 0 # no cell left lit under the pointer
sleep 1.5 # the clock in the status line shows a few seconds of play

scrot --focused --border "$work/shot.png"
optipng -quiet -o5 -strip all "$work/shot.png"
mkdir -p "$(dirname "$output")"
cp "$work/shot.png" "$output"
echo "screenshot: $output ($(stat -c %s "$output") bytes)"
