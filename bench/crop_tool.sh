#!/usr/bin/env bash
# The crop tool against ImageMagick doing the same work, figures only:
# 1. the batch run (velmora --tool crop, 80 % x 80 % from the centre, to JPEG at
#    quality 90, and to PNG) against one mogrify-im6.q16 over the same folder;
# 2. the live preview of each photo (read, crop, the JPEG output's look, the
#    darkened picture with the bordered cut-out over it, made displayable)
#    against one convert-im6.q16 per photo doing read, crop, darken, border,
#    composite and a JPEG write (without the preview's JPEG round trip of the
#    cut-out and its decode for the screen); the preview both whole (as at
#    "实际大小") and fitted into an 800 x 600 pane (read reduced, as the window
#    asks for it while it fits the picture).
# Usage: bench/crop_tool.sh [build folder] [copies of each photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COPIES="${2:-1}"
PHOTOS="$ROOT/../shared/samples/photos"
WORK="$(mktemp -d /tmp/velmora_crop_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in"
n=0
for copy in $(seq 1 "$COPIES"); do
    for f in "$PHOTOS"/*.jpg; do
        cp "$f" "$WORK/in/${copy}_$(basename "$f")"
        n=$((n + 1))
    done
done
chmod u+w "$WORK"/in/*
echo "pictures: $n ($(ls "$PHOTOS"/*.jpg | wc -l) photos x $COPIES), load average: $(cut -d' ' -f1-3 /proc/loadavg)"
"$BUILD/winerun" --init >/dev/null 2>&1 || true

seconds() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc -l; }
run_against() {  # run_against LABEL SETTINGS MOGRIFY_ARGS...
    local label="$1" settings="$2"; shift 2
    printf 'crop_mode=1\ncrop_percent_width=80\ncrop_percent_height=80\n%s\n' "$settings" >"$WORK/settings.txt"
    rm -rf "$WORK/ours" "$WORK/theirs"; mkdir -p "$WORK/theirs"
    local ours theirs
    ours=$(seconds "$BUILD/velmora" --tool crop --settings "$WORK/settings.txt" --save-to "$WORK/ours" "$WORK/in")
    theirs=$(seconds mogrify-im6.q16 -path "$WORK/theirs" -gravity center -crop 80%x80%+0+0 +repage "$@" "$WORK"/in/*.jpg)
    printf '%-22s velmora %6.2f s, mogrify %6.2f s, ratio %.2f (%d files written)\n' "$label" "$ours" "$theirs" \
        "$(echo "$ours / $theirs" | bc -l)" "$(find "$WORK/ours" -type f | wc -l)"
}
run_against "batch to JPEG q90:" "crop_format=JPG
crop_quality=90" -quality 90 -format jpg
run_against "batch to PNG:" "crop_format=PNG" -format png

# The preview, photo by photo.
out=$(VELMORA_BENCH_SOURCE="$WORK/in" VELMORA_BENCH_FIT=800x600 "$BUILD/winerun" "$BUILD/unit_tests.exe.so" --gtest_also_run_disabled_tests \
      --gtest_filter='DISABLED_CropPreviewBench.*' 2>&1)
echo "$out" | grep -q '^preview ' || { echo "$out"; exit 1; }
total_ours=0; total_fitted=0; total_theirs=0
printf '%-34s %6s %9s %9s %9s %6s %6s\n' "preview of" "held" "whole" "fitted" "convert" "whole" "fitted"
while read -r _ name held ours fitted; do
    f="$WORK/in/$name"
    read -r w h < <(identify-im6.q16 -format '%w %h\n' "$f")
    cw=$((w * 80 / 100)); ch=$((h * 80 / 100)); x=$(((w - cw) / 2)); y=$(((h - ch) / 2))
    theirs=$(seconds convert-im6.q16 "$f" -write mpr:src +delete mpr:src -brightness-contrast -60x0 \
        \( mpr:src -crop "${cw}x${ch}+${x}+${y}" +repage -bordercolor '#cccccc' -border 1 \) \
        -geometry "+$((x - 1))+$((y - 1))" -composite -quality 91 "$WORK/preview.jpg")
    printf '%-34s %6s %8.3fs %8.3fs %8.3fs %6.2f %6.2f\n' "$name" "$held" "$ours" "$fitted" "$theirs" \
        "$(echo "$ours / $theirs" | bc -l)" "$(echo "$fitted / $theirs" | bc -l)"
    total_ours=$(echo "$total_ours + $ours" | bc -l); total_fitted=$(echo "$total_fitted + $fitted" | bc -l)
    total_theirs=$(echo "$total_theirs + $theirs" | bc -l)
done < <(echo "$out" | grep '^preview ')
printf 'preview total: velmora whole %.2f s, fitted %.2f s, convert %.2f s; ratios %.2f and %.2f\n' "$total_ours" \
    "$total_fitted" "$total_theirs" "$(echo "$total_ours / $total_theirs" | bc -l)" \
    "$(echo "$total_fitted / $total_theirs" | bc -l)"
