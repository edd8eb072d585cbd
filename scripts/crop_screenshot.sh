#!/usr/bin/env bash
# The crop tool's window with its preview on a real photo (6 % trimmed left
# and right, 10 % top and bottom, saved as JPG): docs/crop_tool.png. Needs a
# built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
"$ROOT/scripts/test_window_shots.sh" "$SHOTS" "ToolWindowTest.DISABLED_CropWindowForScreenshot" crop
cp "$SHOTS/crop.png" "$ROOT/docs/crop_tool.png"
echo "docs/crop_tool.png"
