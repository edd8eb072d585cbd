#!/usr/bin/env bash
# The crop tool's window, opened maximised under a window manager, with its
# preview of a real photo (4352 x 2448, fitted to the pane; 6 % trimmed left and
# right, 10 % top and bottom, saved as JPG) at 1280 x 800 and 1920 x 1080:
# docs/crop_tool_1280x800.png and docs/crop_tool_1920x1080.png; then with WEBP
# output and the preview's context menu open: docs/crop_tool_menu.png (1280 x 800).
# Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
for size in 1280x800 1920x1080; do
    SHOT_SCREEN=$size "$ROOT/scripts/test_window_shots.sh" "$SHOTS" "ToolWindowTest.DISABLED_CropWindowForScreenshot" crop crop_menu
    cp "$SHOTS/crop.png" "$ROOT/docs/crop_tool_$size.png"
    echo "docs/crop_tool_$size.png"
    if [ "$size" = 1280x800 ]; then
        cp "$SHOTS/crop_menu.png" "$ROOT/docs/crop_tool_menu.png"
        echo "docs/crop_tool_menu.png"
    fi
done
