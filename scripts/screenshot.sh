#!/usr/bin/env bash
# Takes screenshots of the desktop program as a person sees it: an X server without a screen
# (Xvfb), the program started on an index of the bundled samples, a request typed and
# searched (Ctrl+Enter), the next document chosen (Alt+Down) and two hits stepped to (F3).
# Saves PNGs into the folder given (default build/screenshots).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_packages "${LXR_BUILD_PACKAGES[@]}" "${LXR_DESKTOP_PACKAGES[@]}" "${LXR_SCREENSHOT_PACKAGES[@]}"

BUILD=${LXR_SHOT_BUILD:-build/release}
OUT=${1:-build/screenshots}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD" -j 2 --target lxr lexaurum-desktop
mkdir -p "$OUT"

PRIVATE=$(mktemp -d "${TMPDIR:-/tmp}/lexaurum-shot.XXXXXX")
XPID="" APID=""
cleanup() {
  [ -n "$APID" ] && kill "$APID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$PRIVATE"
}
trap cleanup EXIT

"$BUILD/tools/lxr" --dir "$PRIVATE" create "$PRIVATE/samples-index" --name Samples >/dev/null
"$BUILD/tools/lxr" --dir "$PRIVATE" add Samples "$PWD/data/samples" >/dev/null

# A free display number.
N=${LXR_SHOT_DISPLAY:-91}
while [ -e "/tmp/.X11-unix/X$N" ] || [ -e "/tmp/.X$N-lock" ]; do N=$((N + 1)); done
Xvfb ":$N" -screen 0 1280x860x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
export DISPLAY=":$N"
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

"$BUILD/win/lexaurum" --dir "$PRIVATE" >/dev/null 2>&1 &
APID=$!
WID=$(xdotool search --sync --onlyvisible --name '^Lexaurum$' | head -1)
xdotool windowmove "$WID" 0 0 windowsize "$WID" 1280 860 windowfocus --sync "$WID"
sleep 1
shot() { import -window root "$OUT/$1.png"; echo "saved $OUT/$1.png"; }

shot 1-start
xdotool type --delay 40 'harbour or pilot*'
xdotool key ctrl+Return
sleep 2
shot 2-searched
xdotool key alt+Down
sleep 1
xdotool key F3 F3
sleep 1
shot 3-hit
xdotool key ctrl+q
wait "$APID" || true
APID=""
