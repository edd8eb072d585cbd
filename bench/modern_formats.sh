#!/usr/bin/env bash
# HEIC, AVIF and WebP in and WebP out, against ImageMagick's own command-line
# tools doing the same work: a 12 MP photo (lomiri_sunset, 4272 x 2848) made into
# each format once, then
#   --batch, resize to 750 pixels wide at quality 91  vs  convert-im6.q16 -resize 750x -quality 91
#   --describe (header only)                          vs  identify-im6.q16 (ping)
# and the folder of the three JPEG-made photos to WEBP at quality 80 and
# lossless (--tool convert vs mogrify-im6.q16 -format webp). Wall-clock medians
# of ROUNDS runs, one process each (the program's times include Wine's start).
# Figures only; nothing is asserted.
# Usage: bench/modern_formats.sh [build folder] [rounds]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
ROUNDS="${2:-3}"
PHOTOS="$ROOT/../shared/samples/photos"
"$ROOT/scripts/setup.sh" --bench
WORK="$(mktemp -d /tmp/velmora_modern_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
VELMORA="$BUILD/velmora"
"$VELMORA" --self-test >/dev/null 2>&1 || true

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
# times LABEL OURS_COMMAND -- THEIRS_COMMAND: medians and ratio, runs alternating
times_() {
    local label="$1"; shift
    local ours=() theirs=() side=ours
    for a in "$@"; do
        if [ "$a" = "--" ]; then side=theirs; continue; fi
        if [ $side = ours ]; then ours+=("$a"); else theirs+=("$a"); fi
    done
    : >"$WORK/o.t"; : >"$WORK/t.t"
    for r in $(seq 1 "$ROUNDS"); do
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        seconds "${ours[@]}" >>"$WORK/o.t"
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        seconds "${theirs[@]}" >>"$WORK/t.t"
    done
    local o t
    o=$(median <"$WORK/o.t"); t=$(median <"$WORK/t.t")
    printf '  %-34s velmora %6.2f s   ImageMagick %6.2f s   ratio %.2f\n' "$label" "$o" "$t" "$(echo "$o / $t" | bc -l)"
}

mkdir -p "$WORK/jpeg"
cp "$PHOTOS/lomiri_sunset.jpg" "$PHOTOS/mate_Storm.jpg" "$PHOTOS/mate_LadyBird.jpg" "$WORK/jpeg/"
chmod u+w "$WORK"/jpeg/*
echo "load at start: $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors; $ROUNDS rounds"
echo "encoding the 12 MP photo (convert-im6.q16, once):"
for f in heic avif webp; do
    mkdir -p "$WORK/$f"
    s=$(seconds convert-im6.q16 "$PHOTOS/lomiri_sunset.jpg" "$WORK/$f/sunset.$f")
    printf '  %-5s %6.2f s, %s\n' "$f" "$s" "$(identify-im6.q16 -format '%wx%h %b' "$WORK/$f/sunset.$f")"
done
printf 'bSize=1\nzoomType=2\nsizeType=0\nzoomUnit=0\nsizeValue=750\nbZoomSameScale=1\nbQuanlity=1\nquanlity=91\nqualityMode=0\n' \
    >"$WORK/w750.sz"
echo "reading them (resize to 750 wide, JPEG quality 91; description):"
for f in heic avif webp; do
    times_ "$f --batch" "$VELMORA" --batch --settings "$WORK/w750.sz" --save-to "$WORK/out" "$WORK/$f/sunset.$f" \
        -- convert-im6.q16 "$WORK/$f/sunset.$f" -filter Lanczos -resize 750x -quality 91 "$WORK/out/sunset.jpg"
    times_ "$f --describe" "$VELMORA" --describe "$WORK/$f/sunset.$f" -- identify-im6.q16 "$WORK/$f/sunset.$f"
done
echo "writing WebP (three photos, 12 + 2.5 + 4 MP):"
printf 'convert_load_format_option=1\nconvert_format=WEBP\nconvert_quality=80\n' >"$WORK/webp80.txt"
printf 'convert_load_format_option=1\nconvert_format=WEBP\nconvert_quality=100\n' >"$WORK/webp100.txt"
times_ "quality 80" "$VELMORA" --tool convert --settings "$WORK/webp80.txt" --save-to "$WORK/out/x" "$WORK/jpeg" \
    -- mogrify-im6.q16 -path "$WORK/out" -format webp -quality 80 "$WORK"/jpeg/*.jpg
times_ "lossless (quality 100)" "$VELMORA" --tool convert --settings "$WORK/webp100.txt" --save-to "$WORK/out/x" \
    "$WORK/jpeg" -- mogrify-im6.q16 -path "$WORK/out" -format webp -quality 100 -define webp:lossless=true \
    "$WORK"/jpeg/*.jpg
