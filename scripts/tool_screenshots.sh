#!/usr/bin/env bash
# Pictures of the format conversion tool (JPG, PNG and WEBP output) and of the
# PNG tool with a source folder chosen: docs/convert_tool.png,
# docs/convert_tool_png.png, docs/convert_tool_webp.png, docs/png_tool.png.
# Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
"$ROOT/scripts/test_window_shots.sh" "$SHOTS" "ToolWindowTest.DISABLED_*ForScreenshots" convert_jpg convert_png convert_webp png
cp "$SHOTS/convert_jpg.png" "$ROOT/docs/convert_tool.png"
cp "$SHOTS/convert_png.png" "$ROOT/docs/convert_tool_png.png"
cp "$SHOTS/convert_webp.png" "$ROOT/docs/convert_tool_webp.png"
cp "$SHOTS/png.png" "$ROOT/docs/png_tool.png"
echo "docs/convert_tool.png docs/convert_tool_png.png docs/convert_tool_webp.png docs/png_tool.png"
