#!/usr/bin/env bash
# Pictures of the join tool (the preview of a group of real photos) and of the
# slice tool with a source chosen, then with its one balloon when neither
# division is ticked: docs/join_tool.png, docs/slice_tool.png,
# docs/slice_tool_balloon.png, on a 1280 x 800 screen under openbox. Needs a
# built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
export SHOT_SCREEN="${SHOT_SCREEN:-1280x800}"
"$ROOT/scripts/test_window_shots.sh" "$SHOTS" "JoinWindowTest.DISABLED_*ForScreenshots" join slice slice_balloon
cp "$SHOTS/join.png" "$ROOT/docs/join_tool.png"
cp "$SHOTS/slice.png" "$ROOT/docs/slice_tool.png"
cp "$SHOTS/slice_balloon.png" "$ROOT/docs/slice_tool_balloon.png"
echo "docs/join_tool.png docs/slice_tool.png docs/slice_tool_balloon.png"
