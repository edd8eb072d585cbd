#!/usr/bin/env bash
# Starts the program in a virtual display with Wine's own window frames and saves
# a screenshot: scripts/screenshot.sh OUT.png [ARGS...]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
OUT="$(realpath -m "$1")"; shift
WAIT="${SHOT_WAIT:-6}"
xvfb-run -a -s "-screen 0 1280x900x24" bash -c '
    "$0/winerun" explorer /desktop=shot,1280x900 "$0/velmora.exe.so" "${@:3}" &
    sleep "$2"
    import -window root "$1"
    "$0/winerun" --shutdown
' "$BUILD" "$OUT" "$WAIT" "$@"
echo "saved $OUT"
