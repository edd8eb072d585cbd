#!/usr/bin/env bash
# Throughput of the picture pipeline against ImageMagick's command-line tool doing
# the same work: resize to 750 pixels wide, JPEG quality 91.
# Usage: bench/pipeline_bench.sh [build folder] [copies of each photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COPIES="${2:-3}"
PHOTOS="$ROOT/../shared/samples/photos"
WORK="$(mktemp -d /tmp/velmora_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/ours" "$WORK/theirs"

n=0
for copy in $(seq 1 "$COPIES"); do
    for f in "$PHOTOS"/*.jpg; do
        ln -s "$f" "$WORK/in/${copy}_$(basename "$f")"
        n=$((n + 1))
    done
done
echo "pictures: $n ($(ls "$PHOTOS"/*.jpg | wc -l) photos x $COPIES), threads: ${MAGICK_THREAD_LIMIT:-default}"

"$BUILD/winerun" --init >/dev/null 2>&1 || true
out=$(VELMORA_BENCH_SOURCE="$WORK/in" VELMORA_BENCH_OUTPUT="$WORK/ours" \
      "$BUILD/winerun" "$BUILD/unit_tests.exe.so" --gtest_also_run_disabled_tests \
      --gtest_filter='DISABLED_PipelineBench.*' 2>&1)
line=$(echo "$out" | grep '^pipeline:' || true)
if [ -z "$line" ]; then
    echo "$out"
    exit 1
fi
echo "$line"
ours_rate=$(echo "$line" | sed -E 's/.* ([0-9.]+) pictures\/s/\1/')

start=$(date +%s.%N)
for f in "$WORK"/in/*.jpg; do
    convert-im6.q16 "$f" -resize 750x -quality 91 "$WORK/theirs/$(basename "$f")"
done
end=$(date +%s.%N)
theirs_rate=$(echo "$n / ($end - $start)" | bc -l)
printf 'convert-im6.q16: %d pictures in %.2f s, %.2f pictures/s (one process per picture)\n' \
    "$n" "$(echo "$end - $start" | bc -l)" "$theirs_rate"
printf 'ratio pipeline / convert-im6.q16: %.2f\n' "$(echo "$ours_rate / $theirs_rate" | bc -l)"

# The two outputs should agree in size.
differ=0
for f in "$WORK"/ours/*.jpg; do
    a=$(identify-im6.q16 -format '%wx%h' "$f")
    b=$(identify-im6.q16 -format '%wx%h' "$WORK/theirs/$(basename "$f")")
    [ "$a" = "$b" ] || { echo "size differs: $(basename "$f") $a vs $b"; differ=1; }
done
[ "$differ" -eq 0 ] && echo "output sizes: identical"
