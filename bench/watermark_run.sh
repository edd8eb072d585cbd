#!/usr/bin/env bash
# A batch run with both watermarks against ImageMagick's own convert doing the same
# work per picture (resize to 1280 wide, a half-transparent PNG logo at the top
# left, a text box at the bottom right, JPEG quality 91); both marks are made once
# for convert too. Also the same run without marks, to show what they cost.
# Usage: bench/watermark_run.sh [build folder] [copies of each photo]
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${1:-$ROOT/build}"
COPIES="${2:-1}"
PHOTOS="$ROOT/../shared/samples/photos"
VELMORA="$BUILD/velmora"
FONT=/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc
WORK="$(mktemp -d /tmp/velmora_mark_bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/in" "$WORK/ours" "$WORK/plain" "$WORK/theirs" "$WORK/theirs_plain"

n=0
for copy in $(seq 1 "$COPIES"); do
    for f in "$PHOTOS"/*.jpg; do
        ln -s "$f" "$WORK/in/${copy}_$(basename "$f")"
        n=$((n + 1))
    done
done
echo "pictures: $n"

convert-im6.q16 -size 160x80 xc:none -fill '#ff3030' -draw 'roundrectangle 0,0 159,79 20,20' "$WORK/logo.png"
printf '%s\r\n' bSize=1 zoomType=2 sizeType=0 zoomUnit=0 sizeValue=1280 bZoomSameScale=1 bQuanlity=1 quanlity=91 \
    qualityMode=0 >"$WORK/plain.sz"
{ cat "$WORK/plain.sz"
  printf '%s\r\n' bSYImage=1 "sy_image=$WORK/logo.png" sy_image_w_direction=1 sy_image_w_value=16 \
      sy_image_h_direction=1 sy_image_h_value=16 sy_image_opacity=60 bSYText=1 'sy_text=Velmora 水印' \
      'sy_text_fontName=宋体' sy_text_fontSize=26 'sy_text_htmlColor=#ffffff' sy_text_background_color=0 \
      sy_text_padding_left_right=8 sy_text_padding_top_bottom=4 | iconv -f UTF-8 -t GBK
} >"$WORK/marks.sz"

# The marks as convert uses them: the logo at 60 %, the text at 34 px (26 pt at 96 DPI).
convert-im6.q16 "$WORK/logo.png" -channel A -evaluate multiply 0.6 +channel "$WORK/logo60.png"
convert-im6.q16 -background black -fill white -font "$FONT" -pointsize 34 label:'Velmora 水印' \
    -bordercolor black -border 8x4 "$WORK/text.png"

"$VELMORA" --self-test >/dev/null 2>&1 || true  # the wine server is up, as for any later start

now() { date +%s.%N; }
start=$(now)
"$VELMORA" --batch --settings "$WORK/plain.sz" --save-to "$WORK/plain" "$WORK/in" >"$WORK/log" 2>&1 || {
    cat "$WORK/log"; exit 1; }
plain=$(echo "$(now) - $start" | bc -l)

start=$(now)
"$VELMORA" --batch --settings "$WORK/marks.sz" --save-to "$WORK/ours" "$WORK/in" >"$WORK/log" 2>&1 || {
    cat "$WORK/log"; exit 1; }
ours=$(echo "$(now) - $start" | bc -l)

start=$(now)
for f in "$WORK"/in/*.jpg; do
    convert-im6.q16 "$f" -filter Lanczos -resize 1280x "$WORK/logo60.png" -gravity northwest -geometry +16+16 \
        -composite "$WORK/text.png" -gravity southeast -geometry +16+16 -composite -quality 91 \
        "$WORK/theirs/$(basename "$f")"
done
theirs=$(echo "$(now) - $start" | bc -l)

start=$(now)
for f in "$WORK"/in/*.jpg; do
    convert-im6.q16 "$f" -filter Lanczos -resize 1280x -quality 91 "$WORK/theirs_plain/$(basename "$f")"
done
theirs_plain=$(echo "$(now) - $start" | bc -l)

printf 'velmora --batch, no marks:   %6.2f s  %5.2f pictures/s\n' "$plain" "$(echo "$n / $plain" | bc -l)"
printf 'velmora --batch, both marks: %6.2f s  %5.2f pictures/s\n' "$ours" "$(echo "$n / $ours" | bc -l)"
printf 'convert-im6.q16, both marks: %6.2f s  %5.2f pictures/s (one process per picture)\n' "$theirs" \
    "$(echo "$n / $theirs" | bc -l)"
printf 'convert-im6.q16, no marks:   %6.2f s  %5.2f pictures/s (one process per picture)\n' "$theirs_plain" \
    "$(echo "$n / $theirs_plain" | bc -l)"
printf 'time ratio velmora / convert: %.2f with marks, %.2f without\n' "$(echo "$ours / $theirs" | bc -l)" \
    "$(echo "$plain / $theirs_plain" | bc -l)"
