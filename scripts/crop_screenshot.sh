#!/usr/bin/env bash
# The crop tool's window, opened maximised under a window manager, with its
# preview on a real photo (6 % trimmed left and right, 10 % top and bottom,
# saved as JPG) at 1280 x 800 and 1920 x 1080: docs/crop_tool_1280x800.png and
# docs/crop_tool_1920x1080.png. Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
for size in 1280x800 1920x1080; do
    SHOT_SCREEN=$size "$ROOT/scripts/test_window_shots.sh" "$SHOTS" "ToolWindowTest.DISABLED_CropWindowForScreenshot" crop
    cp "$SHOTS/crop.png" "$ROOT/docs/crop_tool_$size.png"
    echo "docs/crop_tool_$size.png"
done
