# Headless batch runs with watermarks and ICC profiles (sourced by run_cli_tests.sh)

M="$WORK/marks"
mkdir -p "$M/out" "$M/dos" "$M/none" "$M/colour"
convert-im6.q16 -size 400x300 xc:white "$M/white.png"
convert-im6.q16 -size 40x20 xc:'#ff0000' "$M/标志.png"

# pixel_near NAME FILE X Y R G B: the pixel is within 40 of the colour.
pixel_near() {
    local name="$1" file="$2" x="$3" y="$4"
    local got
    got=$(convert-im6.q16 "$file" -format "%[fx:int(255*p{$x,$y}.r)] %[fx:int(255*p{$x,$y}.g)] %[fx:int(255*p{$x,$y}.b)]" info: 2>/dev/null)
    if echo "$got $5 $6 $7" | awk '{ d=0; for (i=1;i<=3;i++) { e=$i-$(i+3); if (e<0) e=-e; if (e>d) d=e } exit d>40 }'; then
        check "$name" 0 0
    else
        check "$name (pixel $x,$y is $got)" 0 1
    fi
}
# settings FILE LINES...: a settings file in the program's code page, CR LF lines.
settings() {
    local file="$1"; shift
    printf '%s\r\n' "$@" | iconv -f UTF-8 -t GBK >"$file"
}
refused() {  # refused NAME EXPECTED_TEXT ARGS...
    local name="$1" text="$2"; shift 2
    "$VELMORA" --batch "$@" >"$WORK/out" 2>"$WORK/err"
    check "watermark: $name exits 2" 2 $?
    contains "watermark: $name says why" "$text" "$WORK/err"
}

# A text watermark (宋体, white on a blue box, bottom right) and a picture
# watermark given as a Unix path (top left, 5 px in).
settings "$M/both.sz" bSYText=1 "sy_text=水印 Velmora" "sy_text_fontName=宋体" sy_text_fontSize=20 \
    'sy_text_htmlColor=#ffffff' sy_text_background_color=16711680 sy_text_w_direction=2 sy_text_w_value=10 \
    sy_text_h_direction=2 sy_text_h_value=10 bSYImage=1 "sy_image=$M/标志.png" sy_image_w_direction=1 \
    sy_image_w_value=5 sy_image_h_direction=1 sy_image_h_value=5
"$VELMORA" --batch --settings "$M/both.sz" --save-to "$M/out" "$M/white.png" >"$WORK/out" 2>"$WORK/err"
check "watermark: text and picture watermark run exits 0" 0 $?
pixel_near "watermark: the picture watermark is at its distances" "$M/out/white.jpg" 6 6 255 0 0
pixel_near "watermark: nothing left of the picture watermark" "$M/out/white.jpg" 3 3 255 255 255
pixel_near "watermark: the text box sits at the bottom right" "$M/out/white.jpg" 387 287 0 0 255
pixel_near "watermark: nothing right of the text box" "$M/out/white.jpg" 394 250 255 255 255
pixel_near "watermark: the middle stays white" "$M/out/white.jpg" 200 150 255 255 255

# The same picture watermark named by its DOS path.
settings "$M/dos.sz" bSYImage=1 "sy_image=Z:$(echo "$M/标志.png" | tr / '\\')" sy_image_w_direction=1 \
    sy_image_w_value=0 sy_image_h_direction=1 sy_image_h_value=0
"$VELMORA" --batch --settings "$M/dos.sz" --save-to "$M/dos" "$M/white.png" >"$WORK/out" 2>"$WORK/err"
check "watermark: DOS path of the watermark picture exits 0" 0 $?
pixel_near "watermark: DOS path picture watermark drawn" "$M/dos/white.jpg" 2 2 255 0 0

# An empty text adds nothing and is no error.
settings "$M/empty.sz" bSYText=1 sy_text=
"$VELMORA" --batch --settings "$M/empty.sz" --save-to "$M/none" "$M/white.png" >"$WORK/out" 2>"$WORK/err"
check "watermark: empty watermark text exits 0" 0 $?

# What cannot be drawn or read stops the run before anything is written.
settings "$M/latin.sz" bSYText=1 "sy_text=中文水印" "sy_text_fontName=DejaVu Sans"
refused "Chinese text in a Latin-only font" "不支持显示中文" --settings "$M/latin.sz" --save-to "$M/none" "$M/white.png"
settings "$M/noface.sz" bSYText=1 "sy_text=abc" "sy_text_fontName=No Such Face"
refused "a face ImageMagick does not know" "不受支持" --settings "$M/noface.sz" --save-to "$M/none" "$M/white.png"
for bad in broken/zero_bytes.jpg broken/gdkpixbuf_issue205_claims_64250px.jpg formats/gif/gdkpixbuf_partyanim.gif; do
    settings "$M/bad.sz" bSYImage=1 "sy_image=$SAMPLES/$bad"
    refused "watermark picture $bad" "读取水印图片出错" --settings "$M/bad.sz" --save-to "$M/none" "$M/white.png"
done
[ "$(ls "$M/none")" = "white.jpg" ]; check "watermark: refused runs write nothing" 0 $?

# A CMYK JPEG converted to sRGB through the shipped profiles (no profile ever
# chosen: the default, Japan Color): the same pixels as ImageMagick's own tool
# with both profiles.
"$BUILD/winerun" reg delete 'HKCU\Software\Velmora' /v cmyk_default_icc /f >/dev/null 2>&1
settings "$M/srgb.sz" bColorspaceTo=1 fromColorspace=0 toColorspace=2 bUseSRGB_ICC=1
"$VELMORA" --batch --settings "$M/srgb.sz" --save-to "$M/colour" "$SAMPLES/formats/jpeg/pillow_cmyk_noicc.jpg" \
    >"$WORK/out" 2>"$WORK/err"
check "colour: CMYK to sRGB with sRGB.icc exits 0" 0 $?
[ "$(identify-im6.q16 -format '%[colorspace]' "$M/colour/pillow_cmyk_noicc.jpg" 2>/dev/null)" = "sRGB" ]
check "colour: the written picture is sRGB" 0 $?
convert-im6.q16 "$SAMPLES/formats/jpeg/pillow_cmyk_noicc.jpg" -profile "$BUILD/icc/JapanColor2001Coated.icc" \
    -profile "$BUILD/icc/sRGB.icc" -colorspace sRGB "$M/theirs.jpg"
mae=$(compare-im6.q16 -metric MAE "$M/colour/pillow_cmyk_noicc.jpg" "$M/theirs.jpg" null: 2>&1 | sed 's/.*(\(.*\))/\1/')
awk -v m="$mae" 'BEGIN { exit !(m < 0.01) }'; check "colour: matches convert with both profiles (MAE $mae)" 0 $?
