#!/usr/bin/env bash
# Builds the program and starts it with the given arguments.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
"$ROOT/scripts/build.sh"
if [ -z "${DISPLAY:-}" ] && [ "${1:-}" != "--batch" ] && [ "${1:-}" != "--self-test" ] && [ "${1:-}" != "--help" ]; then
    echo "没有图形显示 (DISPLAY 未设置)，无法打开窗口。"
    echo "No display (DISPLAY is not set), so the window cannot open. Use the headless command line:"
    echo "  $BUILD/velmora --batch [--settings FILE] (--save-to DIR [--keep-structure] | --overwrite) PATH..."
    echo "  $BUILD/velmora --self-test"
    echo "or start the window in a virtual display: xvfb-run -a $BUILD/velmora"
    exit 1
fi
exec "$BUILD/velmora" "$@"
