# Picture descriptions in the terminal: velmora --describe FILE... (sourced by run_cli_tests.sh)

D="$WORK/describe"
mkdir -p "$D/相册"
cp "$SAMPLES/formats/png/go_basn3p08_trns.png" "$D/相册/其实是PNG.jpg"

"$VELMORA" --describe "$SAMPLES/formats/png/imaging_flowers.png" "$D/相册/其实是PNG.jpg" \
    "$SAMPLES/formats/bmp/bmpsuite_rgb24.bmp" >"$WORK/out" 2>"$WORK/err"
check "describe: pictures exit 0" 0 $?
contains "describe: header description" 'imaging_flowers.png: 尺寸: 600 x 400, 类型: PNG 图片, 大小: 298.8 KB$' "$WORK/out"
contains "describe: renamed PNG with a Chinese path" '其实是PNG.jpg: 尺寸: 32 x 32, 类型: PNG 图片, 大小: 1.5 KB$' "$WORK/out"
contains "describe: BMP" 'bmpsuite_rgb24.bmp: 尺寸: 127 x 64, 类型: BMP 图片, 大小: ' "$WORK/out"

# WebP from its header; a TGA, not known to the header reader, described by
# decoding it, and not called "not recognised" on the error stream.
"$VELMORA" --describe "$SAMPLES/formats/webp/ximage_yellow_rose_lossy_alpha.webp" \
    "$SAMPLES/formats/other/gdkpixbuf_rle32_topleft.tga" >"$WORK/out" 2>"$WORK/err"
check "describe: webp and tga are pictures" 0 $?
contains "describe: webp description" 'lossy_alpha.webp: 尺寸: 400 x 301, 类型: WEBP 图片, 大小: 11.3 KB$' "$WORK/out"
contains "describe: decoded tga" 'topleft.tga: 尺寸: 48 x 48, 类型: TGA 图片' "$WORK/out"
[ ! -s "$WORK/err" ]; check "describe: nothing on the error stream for pictures it describes" 0 $?

"$VELMORA" --describe "$SAMPLES/broken/zero_bytes.jpg" "$SAMPLES/broken/text_renamed.jpg" \
    "$D/no such file.png" >"$WORK/out" 2>"$WORK/err"
check "describe: broken files exit 1" 1 $?
contains "describe: empty file" 'zero_bytes.jpg: 注意: 这不是一个有效的图片$' "$WORK/out"
contains "describe: text file" 'text_renamed.jpg: 注意: 这不是一个有效的图片$' "$WORK/out"
contains "describe: missing file" 'no such file.png: 注意: 这不是一个有效的图片$' "$WORK/out"
contains "describe: the notice names the real cause" '原因：Not a JPEG file' "$WORK/err"

"$VELMORA" --describe >"$WORK/out" 2>&1
check "describe: no file is a usage error" 2 $?
