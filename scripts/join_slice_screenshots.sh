#!/usr/bin/env bash
# Pictures at 1280 x 800 of the join tool (the preview of a group of three real
# photos at their own sizes, fitted to the pane) and of the slice tool with a
# source chosen: docs/join_tool.png, docs/slice_tool.png. Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
VELMORA_SHOT_SCREEN=1280x800 "$ROOT/scripts/test_window_shots.sh" "$SHOTS" "JoinWindowTest.DISABLED_*ForScreenshots" join slice
cp "$SHOTS/join.png" "$ROOT/docs/join_tool.png"
cp "$SHOTS/slice.png" "$ROOT/docs/slice_tool.png"
echo "docs/join_tool.png docs/slice_tool.png"
