#!/usr/bin/env bash
# Draws the 32 x 32 toolbar icons (res/toolbar/*.ico) with ImageMagick: a rounded
# coloured tile with a white sign from DejaVu Sans. Run once; the icons are committed.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
OUT="$ROOT/res/toolbar"
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
mkdir -p "$OUT"
icon() {  # name colour sign pointsize
    convert-im6.q16 -size 32x32 xc:none -fill "$2" -draw "roundrectangle 1,1 30,30 7,7" \
        -font "$FONT" -pointsize "$4" -fill white -gravity center -annotate +0+0 "$3" \
        -define icon:auto-resize=32 "$OUT/$1.ico"
}
icon add_pictures  '#2e8b57' '+'  28
icon add_folder    '#d79b00' '+'  28
icon remove        '#c0392b' '−'  28
icon rotate_left   '#2f6fb3' '↺'  24
icon rotate_right  '#2f6fb3' '↻'  24
icon flip_h        '#6a4fb3' '⇆'  22
icon flip_v        '#6a4fb3' '⇅'  22
icon preview       '#1f8a9e' '◉'  22
icon start         '#2e8b57' '▶'  20
icon png_tool      '#8e44ad' 'PNG' 11
icon join_tool     '#b35f2f' '⊞'  24
icon slice_tool    '#b35f2f' '▦'  22
icon crop_tool     '#b35f2f' '✂'  22
icon convert_tool  '#b35f2f' '⇄'  22
icon shortcut      '#566573' '↗'  24
icon web_site      '#566573' '⌂'  24
icon about         '#566573' 'i'  24
icon guide         '#566573' '?'  24
icon settings      '#566573' '⚙'  22
echo "icons written to $OUT"
# The hint shown in the empty picture list (293 x 52, 24-bit BMP).
convert-im6.q16 -size 293x52 xc:'#ffffff' -fill '#f3f6fa' -stroke '#9fb3c8' -draw "roundrectangle 1,1 291,50 8,8" \
    -stroke none -fill '#4a6785' -font /usr/share/fonts/truetype/wqy/wqy-zenhei.ttc -pointsize 16 \
    -gravity center -annotate +0+0 '把图片或文件夹拖放到这里' -type TrueColor BMP3:"$ROOT/res/tips.bmp"
echo "hint written to $ROOT/res/tips.bmp"
