#!/usr/bin/env bash
# The crop tool's window at 1280 x 800 with its preview of a real photo
# (4352 x 2448, fitted to the pane; 6 % trimmed left and right, 10 % top and
# bottom, saved as JPG): docs/crop_tool.png; then with WEBP output and the
# preview's context menu open: docs/crop_tool_menu.png. Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
VELMORA_SHOT_SCREEN=1280x800 "$ROOT/scripts/test_window_shots.sh" "$SHOTS" "ToolWindowTest.DISABLED_CropWindowForScreenshot" crop crop_menu
cp "$SHOTS/crop.png" "$ROOT/docs/crop_tool.png"
cp "$SHOTS/crop_menu.png" "$ROOT/docs/crop_tool_menu.png"
echo "docs/crop_tool.png docs/crop_tool_menu.png"
