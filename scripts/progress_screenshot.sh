#!/usr/bin/env bash
# Pictures of the progress window during a real run and of the end question:
# docs/progress_window.png and docs/progress_question.png, and of the save-mode
# dialog: docs/save_mode_dialog.png. Needs a built tree.
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
      --gtest_also_run_disabled_tests --gtest_filter='BatchRunWindow.DISABLED_*ForScreenshots' &
  wait_for "$VELMORA_SHOT_DIR/progress.ready"; sleep 0.5
  /usr/bin/import -window root "$VELMORA_SHOT_DIR/progress.png"; touch "$VELMORA_SHOT_DIR/progress.taken"
  wait_for "$VELMORA_SHOT_DIR/question.ready"; sleep 0.3
  /usr/bin/import -window root "$VELMORA_SHOT_DIR/question.png"; touch "$VELMORA_SHOT_DIR/question.taken"
  wait_for "$VELMORA_SHOT_DIR/dialog.ready"; sleep 0.3
  /usr/bin/import -window root "$VELMORA_SHOT_DIR/dialog.png"; touch "$VELMORA_SHOT_DIR/dialog.taken"
  wait'
mkdir -p "$ROOT/docs"
cp "$SHOTS/progress.png" "$ROOT/docs/progress_window.png"
cp "$SHOTS/question.png" "$ROOT/docs/progress_question.png"
cp "$SHOTS/dialog.png" "$ROOT/docs/save_mode_dialog.png"
rm -rf "$SHOTS"
echo "docs/progress_window.png docs/progress_question.png docs/save_mode_dialog.png"
