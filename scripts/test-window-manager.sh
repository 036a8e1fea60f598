#!/bin/bash
# Runs the window tests that need a real window manager (the frame it adds changes what the
# outer height of a window means) under Xvfb with openbox, on a free display.
# Usage: scripts/test-window-manager.sh [build folder, default build]
# Needs the Debian packages xvfb and openbox; the build folder must hold test_shell.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
[[ $build = /* ]] || build="$ROOT/$build"
test_shell="$build/tests/test_shell"
[ -x "$test_shell" ] || { echo "no $test_shell: build the target test_shell first" >&2; exit 2; }

display=""
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "no free X display" >&2; exit 2; }

Xvfb "$display" -screen 0 1024x768x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
wm=""
trap '[ -n "$wm" ] && kill "$wm" 2>/dev/null; kill "$xvfb" 2>/dev/null; wait 2>/dev/null || true' EXIT
export DISPLAY=$display
for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
# openbox announces itself on the root window once it manages the screen.
for _ in $(seq 1 200); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || { echo "openbox did not start" >&2; exit 2; }

QT_QPA_PLATFORM=xcb "$test_shell" --gtest_filter='*UnderAWindowManager*'
