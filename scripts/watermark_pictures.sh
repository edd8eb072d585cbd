#!/usr/bin/env bash
# The README's watermark pictures, made by the program's own batch run on two
# sample photos: docs/watermarks.jpg (宋体 text and a turned picture watermark)
# and docs/watermark_kaiti.jpg (楷体 text). Needs a built tree.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${VELMORA_BUILD:-$ROOT/build}"
SAMPLES="${SAMPLES:-$ROOT/../shared/samples}"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
settings() {  # settings FILE LINES...: the program's code page, CR LF lines
    local file="$1"; shift
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t GBK >"$file"
}
box=(sy_text_fontSize=30 'sy_text_htmlColor=#ffffff' sy_text_rgbColors=16777215 sy_text_background_color=2105376
     sy_text_border_color=16777215 sy_text_border_size=2 sy_text_border_corner_radius=10
     sy_text_padding_left_right=12 sy_text_padding_top_bottom=6 sy_text_opacity=80
     sy_text_w_direction=2 sy_text_w_value=24 sy_text_h_direction=2 sy_text_h_value=24)
settings "$WORK/song.sz" bSize=1 sizeValue=1280 bSYText=1 "sy_text=宋体水印 · 永和九年，岁在癸丑" "sy_text_fontName=宋体" \
    "${box[@]}" bSYImage=1 "sy_image=$SAMPLES/formats/webp/ximage_yellow_rose_lossy_alpha.webp" \
    sy_image_w_direction=1 sy_image_h_direction=1 sy_image_w_value=24 sy_image_h_value=24 sy_image_rotate=315 \
    sy_image_opacity=70
settings "$WORK/kai.sz" bSize=1 sizeValue=1280 bSYText=1 "sy_text=楷体水印 · 永和九年，岁在癸丑" "sy_text_fontName=楷体" \
    "${box[@]}"
mkdir -p "$WORK/song" "$WORK/kai"
"$BUILD/velmora" --batch --settings "$WORK/song.sz" --save-to "$WORK/song" "$SAMPLES/photos/mate_LadyBird.jpg"
"$BUILD/velmora" --batch --settings "$WORK/kai.sz" --save-to "$WORK/kai" "$SAMPLES/photos/lomiri_greentock.jpg"
cp "$WORK/song/mate_LadyBird.jpg" "$ROOT/docs/watermarks.jpg"
cp "$WORK/kai/lomiri_greentock.jpg" "$ROOT/docs/watermark_kaiti.jpg"
echo "docs/watermarks.jpg docs/watermark_kaiti.jpg"
