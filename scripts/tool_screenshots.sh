#!/usr/bin/env bash
# Pictures of the format conversion tool (JPG and PNG output) and of the PNG tool
# with a source folder chosen: docs/convert_tool.png, docs/convert_tool_png.png,
# docs/png_tool.png. Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
SHOTS="$(mktemp -d)"
export VELMORA_SHOT_DIR="$SHOTS"
cd "$BUILD"
./winerun --init >/dev/null 2>&1 || true
xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
  wait_for() { i=0; while [ ! -e "$1" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done; }
  ./winerun explorer /desktop=shot,1024x768 window_tests.exe.so \
      --gtest_also_run_disabled_tests --gtest_filter="ToolWindowTest.DISABLED_*ForScreenshots" &
  for shot in convert_jpg convert_png png; do
    wait_for "$VELMORA_SHOT_DIR/$shot.ready"; sleep 0.5
    /usr/bin/import -window root "$VELMORA_SHOT_DIR/$shot.png"; touch "$VELMORA_SHOT_DIR/$shot.taken"
  done
  wait'
mkdir -p "$ROOT/docs"
cp "$SHOTS/convert_jpg.png" "$ROOT/docs/convert_tool.png"
cp "$SHOTS/convert_png.png" "$ROOT/docs/convert_tool_png.png"
cp "$SHOTS/png.png" "$ROOT/docs/png_tool.png"
rm -rf "$SHOTS"
echo "docs/convert_tool.png docs/convert_tool_png.png docs/png_tool.png"
