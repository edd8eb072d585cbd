#!/usr/bin/env bash
# The headless batch command against ImageMagick's own convert doing the same work
# (resize to 750 pixels wide with Lanczos, JPEG quality 91), Wine start-up included.
# Prints both times, their ratio and the PSNR between the two outputs.
# Usage: bench/batch_run.sh [build folder] [copies of each photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COPIES="${2:-2}"
PHOTOS="$ROOT/../shared/samples/photos"
VELMORA="$BUILD/velmora"
WORK="$(mktemp -d /tmp/velmora_batch_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/ours" "$WORK/theirs" "$WORK/ow"

n=0
for copy in $(seq 1 "$COPIES"); do
    for f in "$PHOTOS"/*.jpg; do
        ln -s "$f" "$WORK/in/${copy}_$(basename "$f")"
        n=$((n + 1))
    done
done
mpix=$(identify-im6.q16 -format '%[fx:w*h/1000000]\n' "$PHOTOS"/*.jpg | awk -v c="$COPIES" '{s+=$1} END {printf "%.0f", s*c}')
echo "pictures: $n ($(ls "$PHOTOS"/*.jpg | wc -l) photos x $COPIES, $mpix megapixels)"

printf 'bSize=1\nzoomType=2\nsizeType=0\nzoomUnit=0\nsizeValue=750\nbZoomSameScale=1\nbQuanlity=1\nquanlity=91\nqualityMode=0\n' \
    >"$WORK/w750.sz"

"$VELMORA" --self-test >/dev/null 2>&1 || true  # the wine server is up, as for any later start

now() { date +%s.%N; }
start=$(now)
"$VELMORA" --batch --settings "$WORK/w750.sz" --save-to "$WORK/ours" "$WORK/in" >"$WORK/log" 2>&1 || {
    cat "$WORK/log"; exit 1; }
ours=$(echo "$(now) - $start" | bc -l)

start=$(now)
for f in "$WORK"/in/*.jpg; do
    convert-im6.q16 "$f" -filter Lanczos -resize 750x -quality 91 "$WORK/theirs/$(basename "$f")"
done
theirs=$(echo "$(now) - $start" | bc -l)

printf 'velmora --batch:  %6.2f s  %5.2f pictures/s (one process for all)\n' "$ours" "$(echo "$n / $ours" | bc -l)"
printf 'convert-im6.q16:  %6.2f s  %5.2f pictures/s (one process per picture)\n' "$theirs" "$(echo "$n / $theirs" | bc -l)"
printf 'time ratio velmora / convert: %.2f\n' "$(echo "$ours / $theirs" | bc -l)"

psnr_min=999
psnr_sum=0
count=0
identical=0
for f in "$WORK"/ours/*.jpg; do
    other="$WORK/theirs/$(basename "$f")"
    a=$(identify-im6.q16 -format '%wx%h' "$f")
    b=$(identify-im6.q16 -format '%wx%h' "$other")
    if [ "$a" != "$b" ]; then
        echo "size differs: $(basename "$f") $a vs $b"
        continue
    fi
    p=$(compare-im6.q16 -metric PSNR "$f" "$other" null: 2>&1 || true)
    # Identical pixels have no finite PSNR; count them apart.
    if [ "$p" = "inf" ]; then identical=$((identical + 1)); continue; fi
    psnr_sum=$(echo "$psnr_sum + $p" | bc -l)
    psnr_min=$(echo "if ($p < $psnr_min) $p else $psnr_min" | bc -l)
    count=$((count + 1))
done
echo "pixel-identical to convert's output: $identical of $n"
if [ "$count" -gt 0 ]; then
    printf 'PSNR of the other %d pictures: mean %.1f dB, lowest %.1f dB\n' \
        "$count" "$(echo "$psnr_sum / $count" | bc -l)" "$psnr_min"
fi

# The same list written back over copies of the originals.
cp "$PHOTOS"/*.jpg "$WORK/ow/" && chmod u+w "$WORK"/ow/*.jpg
start=$(now)
"$VELMORA" --batch --settings "$WORK/w750.sz" --overwrite "$WORK/ow" >"$WORK/log" 2>&1 || { tail -3 "$WORK/log"; exit 1; }
printf 'velmora --batch --overwrite, %d pictures: %.2f s\n' "$(ls "$WORK/ow" | wc -l)" "$(echo "$(now) - $start" | bc -l)"
