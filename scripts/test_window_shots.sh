#!/usr/bin/env bash
# Screenshots of windows a disabled window test sets up: the test writes
# NAME.ready into $VELMORA_SHOT_DIR when the screen shows NAME and waits for
# NAME.taken. By default Wine draws the window frames in a virtual desktop of
# 1024 x 768; with SHOT_SCREEN=WxH the windows run on an X screen of that size
# under the openbox window manager, as on a desktop.
#   scripts/test_window_shots.sh OUTDIR GTEST_FILTER NAME...   (writes OUTDIR/NAME.png)
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
OUT="$(realpath -m "$1")"; FILTER="$2"; shift 2
mkdir -p "$OUT"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
export VELMORA_SHOT_DIR="$SHOTS"
export SHOT_SCREEN="${SHOT_SCREEN:-}"
cd "$BUILD"
# A window run waits for a server started without a display: none is left running.
./winerun --prefix >/dev/null 2>&1 || true
./winerun --shutdown >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 ${SHOT_SCREEN:-1024x768}x24" bash -c '
  wait_for() { i=0; while [ ! -e "$1" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done; }
  wm=""
  if [ -n "$SHOT_SCREEN" ]; then
    openbox >/dev/null 2>&1 &
    wm=$!
    sleep 1
    ./winerun window_tests.exe.so --gtest_also_run_disabled_tests --gtest_filter="$0" >/dev/null 2>&1 &
  else
    ./winerun explorer /desktop=shot,1024x768 window_tests.exe.so \
        --gtest_also_run_disabled_tests --gtest_filter="$0" >/dev/null 2>&1 &
  fi
  tests=$!
  for shot in "$@"; do
    wait_for "$VELMORA_SHOT_DIR/$shot.ready"; sleep 0.5
    /usr/bin/import -window root "$VELMORA_SHOT_DIR/$shot.png"; touch "$VELMORA_SHOT_DIR/$shot.taken"
  done
  wait "$tests" || true
  [ -z "$wm" ] || kill "$wm" 2>/dev/null || true
  ./winerun --shutdown' "$FILTER" "$@"
for shot in "$@"; do
    cp "$SHOTS/$shot.png" "$OUT/$shot.png"
done
