#!/usr/bin/env bash
# The format conversion tool (velmora --tool convert) against ImageMagick's
# mogrify doing the same conversion of the same folder: to PNG, and to JPEG at
# quality 90. Wall-clock times and their ratio, one process each side (the
# tool's time includes Wine's start-up). Figures only; nothing is asserted.
# Usage: bench/convert_tool.sh [build folder] [copies of each photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COPIES="${2:-2}"
PHOTOS="$ROOT/../shared/samples/photos"
"$ROOT/scripts/setup.sh" --bench
WORK="$(mktemp -d /tmp/velmora_convert_bench.XXXXXX)"
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
compare_to() {  # compare_to LABEL SETTINGS MOGRIFY_ARGS... : one line of figures
    local label="$1" settings="$2"; shift 2
    printf '%s\n' "$settings" >"$WORK/settings.txt"
    rm -rf "$WORK/ours" "$WORK/theirs"; mkdir -p "$WORK/theirs"
    local ours theirs
    ours=$(seconds "$BUILD/velmora" --tool convert --settings "$WORK/settings.txt" --save-to "$WORK/ours" "$WORK/in")
    theirs=$(seconds mogrify-im6.q16 -path "$WORK/theirs" "$@" "$WORK"/in/*.jpg)
    local written; written=$(find "$WORK/ours" -type f | wc -l)
    printf '%-22s velmora %6.2f s, mogrify %6.2f s, ratio %.2f (%d files written)\n' "$label" "$ours" "$theirs" \
        "$(echo "$ours / $theirs" | bc -l)" "$written"
}
compare_to "to PNG:" "$(printf 'convert_load_format_option=1\nconvert_format=PNG')" -format png
compare_to "to JPEG, quality 90:" "$(printf 'convert_load_format_option=1\nconvert_format=JPG\nconvert_quality=90')" \
    -format jpg -quality 90
compare_to "to PNG-8 (256):" "$(printf 'convert_load_format_option=1\nconvert_format=PNG\nconvert_png8=1')" \
    -format png -colors 256 -define png:format=png8
