#!/usr/bin/env bash
# The join tool's live preview of one group of five camera photos (2–12 MP,
# stacked at the first one's width, JPEG output): whole, as at "实际大小", and
# fitted into an 800 x 600 pane, composed from the photos reduced while they are
# decoded as the window asks for it while it fits the picture; against one
# convert-im6.q16 doing the same join and a JPEG write (without the preview's
# decode for the screen). Three rounds each; medians. Figures only.
# Usage: bench/join_preview.sh [build folder]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
PHOTOS="$ROOT/../shared/samples/photos"
WORK="$(mktemp -d /tmp/velmora_join_preview.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/group"
i=1
for f in lomiri_sunset mate_Garden lomiri_Bridge mate_Storm lomiri_Wine; do
    cp "$PHOTOS/$f.jpg" "$WORK/group/$i.jpg"; i=$((i + 1))
done
chmod -R u+w "$WORK"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/winerun" --init >/dev/null 2>&1 || true
out=$(VELMORA_BENCH_SOURCE="$WORK/group" VELMORA_BENCH_FIT=800x600 "$BUILD/winerun" "$BUILD/unit_tests.exe.so" \
      --gtest_also_run_disabled_tests --gtest_filter='DISABLED_JoinPreviewBench.*' 2>&1)
echo "$out" | grep -q '^join ' || { echo "$out"; exit 1; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
width=$(identify-im6.q16 -format '%w' "$WORK/group/1.jpg")
theirs=$(for r in 1 2 3; do
    s=$(date +%s.%N)
    convert-im6.q16 "$WORK"/group/*.jpg -resize "${width}x>" -background white -gravity center -append \
        -quality 91 "$WORK/joined.jpg"
    e=$(date +%s.%N); echo "$e - $s" | bc -l
done | median)
whole=$(echo "$out" | awk '$1 == "join" && $2 == "whole" {print $5}' | median)
fitted=$(echo "$out" | awk '$1 == "join" && $2 == "fitted" {print $5}' | median)
echo "$out" | awk '$1 == "join" && $2 == "fitted" {print "joined picture " $3 ", held fitted " $4; exit}'
printf 'preview whole:  %6.3f s, convert %6.3f s, ratio %.2f\n' "$whole" "$theirs" "$(echo "$whole / $theirs" | bc -l)"
printf 'preview fitted: %6.3f s, convert %6.3f s, ratio %.2f\n' "$fitted" "$theirs" "$(echo "$fitted / $theirs" | bc -l)"
