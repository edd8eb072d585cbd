#!/usr/bin/env bash
# Pictures of the progress window during a real run and of the end question:
# docs/progress_window.png and docs/progress_question.png, and of the save-mode
# dialog: docs/save_mode_dialog.png. Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
SHOTS="$(mktemp -d)"
trap 'rm -rf "$SHOTS"' EXIT
"$ROOT/scripts/test_window_shots.sh" "$SHOTS" "BatchRunWindow.DISABLED_*ForScreenshots" progress question dialog
cp "$SHOTS/progress.png" "$ROOT/docs/progress_window.png"
cp "$SHOTS/question.png" "$ROOT/docs/progress_question.png"
cp "$SHOTS/dialog.png" "$ROOT/docs/save_mode_dialog.png"
echo "docs/progress_window.png docs/progress_question.png docs/save_mode_dialog.png"
