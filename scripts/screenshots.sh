#!/bin/bash
# Takes the README's screenshots from the real program under Xvfb with a window manager
# (openbox), using the demo (scripts/run --demo): the connection window; the tables window on
# its first showing and again after "< Back" and "Next >"; and a failure report of a command of
# the tables window, with its Stop button. Prints the outer height of the tables window at
# both showings. Writes docs/screenshots/*.png.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
ensure_packages "${BUILD_PACKAGES[@]}" postgresql-15 postgresql-client-15 odbc-postgresql xvfb x11-utils \
  imagemagick openbox xdotool
# Build first, so that the waits below only wait for the program.
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSELBY_TESTS=OFF >/dev/null
ninja -C build tesselby tesselby-query

out="$ROOT/docs/screenshots"
mkdir -p "$out"
display=:${SCREENSHOT_DISPLAY:-99}
Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=""
demo=""
stop_demo() {
  if [ -n "$demo" ]; then
    # Ending Tesselby lets the demo stop its server and remove its folders.
    pkill -TERM -P "$demo" -x tesselby 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
    demo=""
  fi
}
trap 'stop_demo; [ -n "$wm" ] && kill "$wm" 2>/dev/null; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
sleep 1

# The id of the visible window whose title is $1 and whose client area is $2 pixels wide.
find_window() {  # title, width
  local id _
  for _ in $(seq 1 120); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      [ "$(xwininfo -id "$id" | awk '/Width:/ {print $2}')" = "$2" ] && { echo "$id"; return 0; }
    done
    sleep 0.5
  done
  echo "no window \"$1\" $2 pixels wide appeared" >&2
  return 1
}

# The window's height with the frame the window manager gave it.
outer_height() {  # id
  local inner extents
  inner=$(xwininfo -id "$1" | awk '/Height:/ {print $2}')
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //')
  IFS=', ' read -r -a e <<<"$extents"
  echo $((inner + e[2] + e[3]))
}

# Captures the window with its frame (the frame window is the client's parent).
shoot() {  # id, file
  local frame
  frame=$(xwininfo -children -id "$1" | awk '/Parent window id:/ {print $4}')
  sleep 1
  import -window "$frame" "$2"
  echo "wrote $2"
}

click() {  # id, x, y (in the window's client area)
  xdotool mousemove --window "$1" "$2" "$3" click 1
  sleep 1
}

# Both windows are 8040 twips wide: 536 pixels at 96 dots per inch.
width=536

TESSELBY_DEMO_STOP_AT_LOGIN=1 scripts/run --demo >/tmp/tesselby-screenshots-1.log 2>&1 &
demo=$!
form1=$(find_window Tesselby $width)
sleep 2
shoot "$form1" "$out/connection-window.png"
stop_demo

scripts/run --demo >/tmp/tesselby-screenshots-2.log 2>&1 &
demo=$!
form2=$(find_window Tesselby $width)
sleep 2
echo "tables window, first showing: outer height $(outer_height "$form2") px"
shoot "$form2" "$out/tables-window.png"

# "< Back" (120, 5280 twips), then "Next >" on the connection window (120, 5130 twips).
click "$form2" 136 365
form1=$(find_window Tesselby $width)
click "$form1" 268 354
form2=$(find_window Tesselby $width)
sleep 1
echo "tables window, after < Back and Next >: outer height $(outer_height "$form2") px"
shoot "$form2" "$out/tables-window-after-back-next.png"

# A failure report of a running command: rename the first Oracle table to a name Oracle refuses.
click "$form2" 320 40       # the first item of the Oracle list
click "$form2" 399 261      # "Rename Table"
xdotool key ctrl+a type 'bad"name'
xdotool key Return
report=$(xdotool search --sync --onlyvisible --name '^Application Error$' | head -1)
shoot "$report" "$out/failure-report-with-stop.png"
xdotool key Return
stop_demo
