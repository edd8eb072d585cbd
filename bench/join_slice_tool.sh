#!/usr/bin/env bash
# The join and slice tools (velmora --tool join / slice) against ImageMagick's
# convert doing the same work on the same photos: three groups of three 2560 x
# 1600 photos stacked (convert -append, JPEG quality 90), and every photo cut
# into 4 x 4 tiles (convert -crop 4x4@, JPEG quality 90). Wall-clock times and
# their ratio, one process for the tool, one convert per group or photo (the
# tool's time includes Wine's start-up). Figures only; nothing is asserted.
# Usage: bench/join_slice_tool.sh [build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
PHOTOS="$ROOT/../shared/samples/photos"
WORK="$(mktemp -d /tmp/velmora_join_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
for g in 1 2 3; do
    mkdir -p "$WORK/join/g$g"
    for f in mate_Garden mate_LadyBird mate_TwoWings; do cp "$PHOTOS/$f.jpg" "$WORK/join/g$g/$f.jpg"; done
done
mkdir -p "$WORK/slice"
cp "$PHOTOS"/mate_*.jpg "$WORK/slice/"
chmod -R u+w "$WORK"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/winerun" --init >/dev/null 2>&1 || true
seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }

printf 'join_quality=90\n' >"$WORK/join.txt"
ours=$(seconds "$BUILD/velmora" --tool join --settings "$WORK/join.txt" --save-to "$WORK/ours" "$WORK/join")
theirs=$(seconds bash -c 'mkdir -p "$0/theirs"; for g in "$0"/join/g*; do
    convert-im6.q16 "$g"/*.jpg -append -quality 90 "$0/theirs/$(basename "$g").jpg"; done' "$WORK")
printf 'join, 3 groups of 3:    velmora %6.2f s, convert %6.2f s, ratio %.2f (%d files written)\n' "$ours" "$theirs" \
    "$(echo "$ours / $theirs" | bc -l)" "$(find "$WORK/ours" -type f | wc -l)"

printf 'slice_horizontal=1\nslice_horizontal_avg_value=4\nslice_vertical=1\nslice_vertical_avg_value=4\nslice_save_html=1\n' \
    >"$WORK/slice.txt"
ours=$(seconds "$BUILD/velmora" --tool slice --settings "$WORK/slice.txt" --save-to "$WORK/ours_slice" "$WORK/slice")
theirs=$(seconds bash -c 'mkdir -p "$0/theirs_slice"; for f in "$0"/slice/*.jpg; do
    convert-im6.q16 "$f" -crop 4x4@ +repage -quality 90 "$0/theirs_slice/$(basename "$f" .jpg)-%02d.jpg"; done' "$WORK")
printf 'slice, %d photos 4 x 4: velmora %6.2f s, convert %6.2f s, ratio %.2f (%d files written)\n' \
    "$(ls "$WORK/slice" | wc -l)" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)" \
    "$(find "$WORK/ours_slice" -type f | wc -l)"
