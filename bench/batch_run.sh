#!/usr/bin/env bash
# Times headless batch runs over the sample photos: bench/batch_run.sh [BUILD_DIR]
# Prints seconds and pictures per second for the save-to and overwrite modes.
set -u
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
PHOTOS="$ROOT/../shared/samples/photos"
VELMORA="$BUILD/velmora"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/out" "$WORK/ow"
cp "$PHOTOS"/*.jpg "$WORK/ow/"
count=$(ls "$PHOTOS"/*.jpg | wc -l)
mpix=$(identify-im6.q16 -format '%[fx:w*h/1000000]\n' "$PHOTOS"/*.jpg | awk '{s+=$1} END {printf "%.1f", s}')

"$VELMORA" --self-test >/dev/null 2>&1  # warm the wine server

run() {  # run LABEL ARGS...
    local label="$1"; shift
    local start end
    start=$(date +%s.%N)
    "$VELMORA" --batch "$@" >"$WORK/log" 2>&1
    local code=$?
    end=$(date +%s.%N)
    awk -v l="$label" -v s="$start" -v e="$end" -v n="$count" -v c="$code" \
        'BEGIN {t = e - s; printf "%-28s %6.2f s  %5.2f pictures/s  exit %d\n", l, t, n / t, c}'
}
echo "$count photos, $mpix megapixels in total (default settings)"
run "save-to folder" --save-to "$WORK/out" "$PHOTOS"
run "save-to, names (2) taken" --save-to "$WORK/out" "$PHOTOS"
run "overwrite" --overwrite "$WORK/ow"
