#!/usr/bin/env bash
# Throughput of the picture pipeline against ImageMagick's command-line tool doing
# the same work (Lanczos resize to 750 pixels wide, JPEG quality 91): both times,
# their ratio and the PSNR between the two outputs.
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
start=$(date +%s.%N)
out=$(VELMORA_BENCH_SOURCE="$WORK/in" VELMORA_BENCH_OUTPUT="$WORK/ours" \
      "$BUILD/winerun" "$BUILD/unit_tests.exe.so" --gtest_also_run_disabled_tests \
      --gtest_filter='DISABLED_PipelineBench.*' 2>&1)
end=$(date +%s.%N)
line=$(echo "$out" | grep '^pipeline:' || true)
if [ -z "$line" ]; then
    echo "$out"
    exit 1
fi
ours_wall=$(echo "$end - $start" | bc -l)
echo "$line"
printf 'pipeline with Wine start-up: %.2f s\n' "$ours_wall"

start=$(date +%s.%N)
for f in "$WORK"/in/*.jpg; do
    convert-im6.q16 "$f" -filter Lanczos -resize 750x -quality 91 "$WORK/theirs/$(basename "$f")"
done
end=$(date +%s.%N)
theirs_wall=$(echo "$end - $start" | bc -l)
printf 'convert-im6.q16: %d pictures in %.2f s, %.2f pictures/s (one process per picture)\n' \
    "$n" "$theirs_wall" "$(echo "$n / $theirs_wall" | bc -l)"
printf 'time ratio pipeline / convert-im6.q16 (Wine start-up included): %.2f\n' \
    "$(echo "$ours_wall / $theirs_wall" | bc -l)"

# The two outputs should agree: same size, PSNR of each pair.
differ=0
psnr_min=1000
psnr_sum=0
count=0
for f in "$WORK"/ours/*.jpg; do
    g="$WORK/theirs/$(basename "$f")"
    a=$(identify-im6.q16 -format '%wx%h' "$f")
    b=$(identify-im6.q16 -format '%wx%h' "$g")
    if [ "$a" != "$b" ]; then
        echo "size differs: $(basename "$f") $a vs $b"
        differ=1
        continue
    fi
    p=$(compare-im6.q16 -metric PSNR "$f" "$g" null: 2>&1 || true)
    [ "$p" = "inf" ] && p=100
    psnr_sum=$(echo "$psnr_sum + $p" | bc -l)
    count=$((count + 1))
    if [ "$(echo "$p < $psnr_min" | bc -l)" -eq 1 ]; then psnr_min=$p; fi
done
[ "$differ" -eq 0 ] && echo "output sizes: identical"
[ "$count" -gt 0 ] && printf 'PSNR pipeline vs convert-im6.q16: mean %.1f dB, lowest %.1f dB (100 = identical)\n' \
    "$(echo "$psnr_sum / $count" | bc -l)" "$psnr_min"
