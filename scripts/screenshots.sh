#!/bin/bash
# Takes the README's screenshots from the real program under Xvfb, using the demo
# (scripts/run --demo): the connection window, and the tables window with both lists filled.
# Writes docs/screenshots/connection-window.png and docs/screenshots/tables-window.png.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
# shellcheck source=scripts/lib.sh
source scripts/lib.sh
ensure_packages "${BUILD_PACKAGES[@]}" postgresql-15 postgresql-client-15 odbc-postgresql xvfb x11-utils imagemagick
# Build first, so that the waits below only wait for the program.
cmake -G Ninja -S . -B build -DCMAKE_BUILD_TYPE=Release -DTESSELBY_TESTS=OFF >/dev/null
ninja -C build tesselby tesselby-query

out="$ROOT/docs/screenshots"
mkdir -p "$out"
display=:${SCREENSHOT_DISPLAY:-99}
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
demo=""
stop_demo() {
  if [ -n "$demo" ]; then
    # Ending Tesselby lets the demo stop its server and remove its folders.
    pkill -TERM -P "$demo" -x tesselby 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
    demo=""
  fi
}
trap 'stop_demo; kill "$xvfb" 2>/dev/null || true' EXIT
export DISPLAY=$display
sleep 1

# Waits until a Tesselby window is mapped and the demo has filled it, then captures it.
shoot() {  # file
  local id="" _
  for _ in $(seq 1 120); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"Tesselby": \("tesselby"/ {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.5
  done
  [ -n "$id" ] || { echo "no Tesselby window appeared" >&2; return 1; }
  sleep 2
  import -window "$id" "$1"
  echo "wrote $1"
}

TESSELBY_DEMO_STOP_AT_LOGIN=1 scripts/run --demo >/tmp/tesselby-screenshots-1.log 2>&1 &
demo=$!
shoot "$out/connection-window.png"
stop_demo

scripts/run --demo >/tmp/tesselby-screenshots-2.log 2>&1 &
demo=$!
shoot "$out/tables-window.png"
stop_demo
