# The crop tool without a window: velmora --tool crop ... (sourced by run_cli_tests.sh)

C="$WORK/crop"
cput_() { cp "$1" "$2" && chmod u+w "$2"; }
mkdir -p "$C/照片/子" "$C/over" "$C/keep" "$C/empty"
cput_ "$SAMPLES/photos/mate_Storm.jpg" "$C/照片/风暴.jpg"                    # 1920 x 1280
cput_ "$SAMPLES/photos/lomiri_Wine.jpg" "$C/照片/子/酒.jpg"                  # 2560 x 3837
cput_ "$SAMPLES/formats/png/pngsuite/basn6a08.png" "$C/照片/子/透明.png"     # 32 x 32, alpha
cput_ "$SAMPLES/formats/gif/gdkpixbuf_partyanim.gif" "$C/照片/动画.gif"
cput_ "$SAMPLES/broken/zero_bytes.jpg" "$C/照片/空.jpg"
cidentify_() { identify-im6.q16 -format "$1" "$2[0]" 2>/dev/null; }
# Pixels that differ between two pictures ("0" when equal).
differ_() { compare-im6.q16 -metric AE "$1" "$2" null: 2>&1; }

"$VELMORA" --tool --help >"$WORK/out" 2>&1
contains "crop: the help names the crop tool" "crop *图片裁剪" "$WORK/out"
"$VELMORA" --tool crop --help >"$WORK/out" 2>&1; check "crop: --help exits 0" 0 $?
for v in crop_load_format_option crop_mode crop_align crop_fixed_width crop_percent_height crop_ratio_width \
         crop_side_unit crop_side_fixed_left crop_side_percent_bottom crop_format crop_png8_color_count; do
    contains "crop: --help lists $v" "^  $v=" "$WORK/out"
done

# 50 % of the width, centred, as PNG, with sub-folders: the same pixels as convert's crop.
printf 'crop_mode=1\ncrop_percent_width=50\ncrop_format=PNG\ncrop_transparent=0\n' >"$C/半.txt"
"$VELMORA" --tool crop --settings "$C/半.txt" --subfolders --save-to "$C/结果" "$C/照片" >"$WORK/out" 2>"$WORK/err"
check "crop: a run with an animated GIF and an unreadable picture exits 1" 1 $?
contains "crop: one line per picture" '^\[[1-5]/5\] .*风暴\.jpg -> .*结果.风暴\.png$' "$WORK/out"
contains "crop: sub-folders mirrored" '^\[[1-5]/5\] .*子.酒\.jpg -> .*结果.子.酒\.png$' "$WORK/out"
contains "crop: the animated GIF is named" '^\[[1-5]/5\] .*动画\.gif 失败: 不支持裁剪动态gif图片' "$WORK/out"
contains "crop: summary" '^共 5 张图片，已写入 3 张，失败 2 张。$' "$WORK/out"
convert-im6.q16 "$C/照片/风暴.jpg" -crop 960x1280+480+0 +repage "$WORK/ref1.png"
[ "$(differ_ "$C/结果/风暴.png" "$WORK/ref1.png")" = 0 ]; check "crop: landscape photo equals convert -crop 960x1280+480+0" 0 $?
convert-im6.q16 "$C/照片/子/酒.jpg" -crop 1280x3837+640+0 +repage "$WORK/ref2.png"
[ "$(differ_ "$C/结果/子/酒.png" "$WORK/ref2.png")" = 0 ]; check "crop: portrait photo equals convert -crop 1280x3837+640+0" 0 $?
[ "$(cidentify_ '%wx%h %A' "$C/结果/子/透明.png")" = "16x32 False" ]
check "crop: transparency off flattens the PNG" 0 $?
[ ! -e "$C/结果/动画.png" ] && [ ! -e "$C/结果/空.png" ]; check "crop: nothing written for skipped pictures" 0 $?

# Over the originals: trimming the sides in pixels keeps each file's format and name.
cput_ "$SAMPLES/photos/mate_Garden.jpg" "$C/over/g.jpg"
cput_ "$SAMPLES/formats/bmp/bmpsuite_rgb24.bmp" "$C/over/b.bmp"
printf 'crop_mode=3\ncrop_side_fixed_left=7\ncrop_side_fixed_right=0\ncrop_side_fixed_top=4\ncrop_side_fixed_bottom=10\n' >"$C/sides.txt"
w0=$(cidentify_ '%w' "$C/over/g.jpg"); h0=$(cidentify_ '%h' "$C/over/g.jpg")
convert-im6.q16 "$C/over/g.jpg" -crop "$((w0 - 7))x$((h0 - 14))+7+4" +repage "$WORK/ref3.png"
"$VELMORA" --tool crop --settings "$C/sides.txt" --overwrite "$C/over" >"$WORK/out" 2>&1
check "crop: overwrite exits 0" 0 $?
[ "$(cidentify_ '%m %Q' "$C/over/g.jpg")" = "JPEG 100" ]; check "crop: a JPEG stays JPEG at quality 100" 0 $?
[ "$(cidentify_ '%wx%h' "$C/over/b.bmp")" = "120x50" ]; check "crop: a BMP stays BMP, trimmed" 0 $?
convert-im6.q16 "$C/over/g.jpg" "$WORK/over_g.png"
[ "$(compare-im6.q16 -metric PSNR "$WORK/over_g.png" "$WORK/ref3.png" null: 2>&1 | cut -d. -f1)" -ge 40 ]
check "crop: the overwritten photo is convert's crop (JPEG at 100)" 0 $?
[ "$(find "$C/over" -type f | wc -l)" = 2 ]; check "crop: overwrite leaves no temporary file" 0 $?

# Top and bottom trimmed by 100 %: the first row is kept, the width trimmed as asked.
printf 'crop_mode=3\ncrop_side_unit=1\ncrop_side_percent_left=10\ncrop_side_percent_top=60\ncrop_side_percent_bottom=40\ncrop_format=PNG\n' >"$C/all.txt"
"$VELMORA" --tool crop --settings "$C/all.txt" --save-to "$C/strip" "$C/over" >"$WORK/out" 2>&1
check "crop: a trim of a whole height exits 0" 0 $?
w1=$(cidentify_ '%w' "$C/over/g.jpg")
convert-im6.q16 "$C/over/g.jpg" -crop "$((w1 - w1 * 10 / 100))x1+$((w1 * 10 / 100))+0" +repage "$WORK/ref4.png"
[ "$(cidentify_ '%h' "$C/strip/g.png")" = 1 ] && [ "$(differ_ "$C/strip/g.png" "$WORK/ref4.png")" = 0 ]
check "crop: the kept strip is the picture's first row" 0 $?

# Refused values: exit 2 and the window's words with the value's name.
crop_usage() {  # crop_usage NAME EXPECTED_TEXT ARGS...
    local name="$1" text="$2"; shift 2
    "$VELMORA" --tool crop "$@" >"$WORK/out" 2>"$WORK/err"
    check "crop usage: $name exits 2" 2 $?
    contains "crop usage: $name says why" "$text" "$WORK/err"
}
crop_usage "fixed size without width and height" "宽与高至少填写一项 (crop_fixed_width)" --overwrite "$C/over"
printf 'crop_mode=2\ncrop_ratio_height=9\n' >"$C/ratio.txt"
crop_usage "ratio without its width" "这里不能为空 (crop_ratio_width)" --settings "$C/ratio.txt" --overwrite "$C/over"
printf 'crop_mode=3\n' >"$C/nosides.txt"
crop_usage "sides all empty" "左、右、上、下至少填写一项 (crop_side_fixed_left)" --settings "$C/nosides.txt" --overwrite "$C/over"
printf 'crop_align=5\n' >"$C/align.txt"
crop_usage "alignment out of range" "crop_align 只能是 0..4 的整数" --settings "$C/align.txt" --overwrite "$C/over"
printf 'crop_load_format_option=0\ncrop_fixed_width=10\n' >"$C/types.txt"
crop_usage "no picture type" "加载的图片类型至少选择一项 (crop_load_format_option)" --settings "$C/types.txt" --overwrite "$C/over"
printf 'crop_fixed_width=10\n' >"$C/w10.txt"
crop_usage "nothing to do" "没有找到需要处理的图片" --settings "$C/w10.txt" --save-to "$C/o" "$C/empty"
