# velmora --tool slice (sourced by run_cli_tests.sh)

S="$WORK/slice"
mkdir -p "$S/C# 素材/子"
convert-im6.q16 "$SAMPLES/photos/mate_Garden.jpg" -resize '200x120!' "$S/C# 素材/a&b 图.png"
convert-im6.q16 "$SAMPLES/photos/mate_Wood.jpg" -resize '60x60!' "$S/C# 素材/子/c.jpg"

"$VELMORA" --tool slice --help >"$WORK/out" 2>&1; check "slice: --help exits 0" 0 $?
for v in slice_load_format_option slice_horizontal slice_horizontal_avg_value slice_vertical_pixel_value slice_save_html slice_format; do
    contains "slice: --help lists $v" "^  $v=" "$WORK/out"
done
printf 'slice_horizontal=1\nslice_horizontal_avg_value=2\nslice_vertical=1\nslice_vertical_avg_value=2\nslice_format=PNG\n' >"$S/切片.txt"
"$VELMORA" --tool slice --settings "$S/切片.txt" --subfolders --save-to "$S/结果" "$S/C# 素材" >"$WORK/out" 2>&1
check "slice: a run exits 0" 0 $?
contains "slice: summary" '^共 2 张图片，已写入 2 张，失败 0 张。$' "$WORK/out"
[ "$(ls "$S/结果/a&b 图" | wc -l)" = 4 ] && [ -f "$S/结果/子/c/c-4.png" ] && [ -f "$S/结果/子/c.html" ]
check "slice: tiles and pages, sub-folders mirrored" 0 $?
convert-im6.q16 \( "$S/结果/a&b 图/a&b 图-1.png" "$S/结果/a&b 图/a&b 图-2.png" +append \) \
    \( "$S/结果/a&b 图/a&b 图-3.png" "$S/结果/a&b 图/a&b 图-4.png" +append \) -append "$WORK/back.png"
[ "$(compare-im6.q16 -metric AE "$WORK/back.png" "$S/C# 素材/a&b 图.png" null: 2>&1)" = 0 ]
check "slice: the tiles put back together are the picture" 0 $?
grep -q 'src="a%26b%20%E5%9B%BE/a%26b%20%E5%9B%BE-1.png" width="100" height="60"' "$S/结果/a&b 图.html"
check "slice: the page names the tile by a relative, encoded address" 0 $?
"$VELMORA" --tool slice --save-to "$S/结果" "$S/C# 素材" >"$WORK/out" 2>&1
check "slice: no division refused" 2 $?
contains "slice: says why" "【水平划分】与【垂直划分】至少勾选一项" "$WORK/out"
