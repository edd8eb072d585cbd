#!/usr/bin/env bash
# A window start right after a run without a display reaches the display, and a
# run without a display works while the window is open. Runs in a prefix of its
# own (the test fixture's server would hide the problem). Needs an X display.
#   window_after_headless.sh BUILD_DIR SAMPLES_DIR
set -u
BUILD="$1"
SAMPLES="$2"
PICTURE="$SAMPLES/photos/lomiri_Bridge.jpg"
SCRATCH=$(mktemp -d)
export VELMORA_WINEPREFIX="$SCRATCH/prefix"
passed=0
failed=0
check() {  # check NAME CONDITION-EXIT-CODE
    if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "[ok] $1"; else failed=$((failed + 1)); echo "[FAILED] $1"; fi
}
cleanup() {
    "$BUILD/winerun" --shutdown
    rm -rf "$SCRATCH" "$SCRATCH.lock"
}
trap cleanup EXIT
[ -n "${DISPLAY:-}" ] || { echo "needs an X display"; exit 1; }

"$BUILD/winerun" --prefix
env -u DISPLAY "$BUILD/velmora" --describe "$PICTURE" >"$SCRATCH/out" 2>&1
check "a run without a display works" $?
"$BUILD/velmora" "$PICTURE" >"$SCRATCH/window.log" 2>&1 &
found=""
for _ in $(seq 1 240); do
    found=$(xdotool search --onlyvisible --name "Velmora" 2>/dev/null | head -1)
    [ -n "$found" ] && break
    sleep 0.5
done
[ -n "$found" ] || { cat "$SCRATCH/window.log"; xdotool search --name . getwindowname %@ 2>/dev/null | head -5; }
[ -n "$found" ]
check "the window that follows it is on the display" $?

env -u DISPLAY "$BUILD/velmora" --describe "$PICTURE" >"$SCRATCH/out" 2>&1
check "a run without a display works while the window is open" $?
grep -q "尺寸: 4352 x 2448" "$SCRATCH/out"
check "and prints its description" $?
xdotool search --onlyvisible --name "Velmora" >/dev/null 2>&1
check "the window is still there" $?

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
