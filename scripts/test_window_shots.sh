#!/usr/bin/env bash
# Screenshots of windows a disabled window test sets up: the test writes
# NAME.ready into $VELMORA_SHOT_DIR when the screen shows NAME and waits for
# NAME.taken. Wine draws the window frames in a virtual desktop of
# $VELMORA_SHOT_SCREEN pixels (1024x768 unless set).
#   scripts/test_window_shots.sh OUTDIR GTEST_FILTER NAME...   (writes OUTDIR/NAME.png)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
OUT="$(realpath -m "$1")"; FILTER="$2"; shift 2
mkdir -p "$OUT"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
export VELMORA_SHOT_DIR="$SHOTS"
export VELMORA_SHOT_SCREEN="${VELMORA_SHOT_SCREEN:-1024x768}"
cd "$BUILD"
# A window run waits for a server started without a display: none is left running.
./winerun --prefix >/dev/null 2>&1 || true
./winerun --shutdown >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 ${VELMORA_SHOT_SCREEN}x24" bash -c '
  wait_for() { i=0; while [ ! -e "$1" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done; }
  ./winerun explorer /desktop=shot,$VELMORA_SHOT_SCREEN window_tests.exe.so \
      --gtest_also_run_disabled_tests --gtest_filter="$0" >/dev/null 2>&1 &
  for shot in "$@"; do
    wait_for "$VELMORA_SHOT_DIR/$shot.ready"; sleep 0.5
    /usr/bin/import -window root "$VELMORA_SHOT_DIR/$shot.png"; touch "$VELMORA_SHOT_DIR/$shot.taken"
  done
  wait
  ./winerun --shutdown' "$FILTER" "$@"
for shot in "$@"; do
    cp "$SHOTS/$shot.png" "$OUT/$shot.png"
done
