#!/usr/bin/env bash
# What turning photos by their orientation tag costs: the sample photos stored
# on their side (orientation 6, as a phone writes a portrait photo), resized to
# 750 pixels wide by the headless batch with "按照片方向自动旋转" on and off,
# against mogrify-im6.q16 doing the same with and without -auto-orient. Runs
# alternate; prints every wall time, the medians, the ratios, and the lowest
# PSNR of the turned results against mogrify -auto-orient.
# Usage: bench/orientation_run.sh [build folder] [rounds (5)]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-5}"
PHOTOS="$ROOT/../shared/samples/photos"
VELMORA="$BUILD/velmora"
WORK="$(mktemp -d /tmp/velmora_orientation_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in"
for f in "$PHOTOS"/*.jpg; do
    convert-im6.q16 "$f" -orient RightTop "$WORK/in/$(basename "$f")"
done
n=$(ls "$WORK/in" | wc -l)
echo "pictures: $n sample photos stored with orientation 6; $(nproc) processors; load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'bSize=1\nsizeValue=750\nbQuanlity=1\nquanlity=91\nbAutoOrient=1\n' >"$WORK/on.sz"
printf 'bSize=1\nsizeValue=750\nbQuanlity=1\nquanlity=91\nbAutoOrient=0\n' >"$WORK/off.sz"
"$VELMORA" --self-test >/dev/null 2>&1 || true

run() {  # run NAME OUTDIR COMMAND...: appends the wall time to $WORK/NAME.times
    local name="$1" out="$2" start end
    shift 2
    rm -rf "$out" && mkdir -p "$out"
    start=$(date +%s.%N)
    "$@" >"$WORK/$name.log" 2>&1 || { echo "$name failed:"; tail -5 "$WORK/$name.log"; exit 1; }
    end=$(date +%s.%N)
    echo "$end - $start" | bc >>"$WORK/$name.times"
}
mogrify_to() {  # mogrify_to OUTDIR [-auto-orient]
    local out="$1"
    shift
    cp "$WORK"/in/*.jpg "$out"/ && mogrify-im6.q16 "$@" -filter Lanczos -resize '750x>' -quality 91 "$out"/*.jpg
}
for round in $(seq "$ROUNDS"); do
    run velmora_on "$WORK/on" "$VELMORA" --batch --settings "$WORK/on.sz" --save-to "$WORK/on" "$WORK/in"
    run mogrify_auto "$WORK/mog_on" mogrify_to "$WORK/mog_on" -auto-orient
    run velmora_off "$WORK/off" "$VELMORA" --batch --settings "$WORK/off.sz" --save-to "$WORK/off" "$WORK/in"
    run mogrify_plain "$WORK/mog_off" mogrify_to "$WORK/mog_off"
done
median() { sort -n "$WORK/$1.times" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for name in velmora_on velmora_off mogrify_auto mogrify_plain; do
    printf '%-14s %s   median %.2f s\n' "$name" "$(tr '\n' ' ' <"$WORK/$name.times")" "$(median "$name")"
done
printf 'turning costs velmora %.1f %% and mogrify %.1f %%; velmora on / mogrify -auto-orient = %.2f\n' \
    "$(echo "($(median velmora_on) / $(median velmora_off) - 1) * 100" | bc -l)" \
    "$(echo "($(median mogrify_auto) / $(median mogrify_plain) - 1) * 100" | bc -l)" \
    "$(echo "$(median velmora_on) / $(median mogrify_auto)" | bc -l)"
for f in "$WORK"/on/*.jpg; do
    compare-im6.q16 -metric PSNR "$f" "$WORK/mog_on/$(basename "$f")" null: 2>&1 | cut -d' ' -f1
    echo
done | awk 'NF {if (!seen || $1 < low) low = $1; seen = 1} END {printf "lowest PSNR of the turned results against mogrify -auto-orient: %s dB\n", low}'

