# velmora --tool join (sourced by run_cli_tests.sh)

J="$WORK/join"
mkdir -p "$J/相册/第一组" "$J/相册/第二组" "$J/相册/一张"
convert-im6.q16 "$SAMPLES/photos/mate_Storm.jpg" -resize '300x200!' "$J/相册/第一组/1.jpg"
convert-im6.q16 "$SAMPLES/photos/lomiri_Wine.jpg" -resize '200x300!' "$J/相册/第一组/2.png"
convert-im6.q16 "$SAMPLES/photos/mate_Garden.jpg" -resize '160x100!' "$J/相册/第二组/a.bmp"
convert-im6.q16 "$SAMPLES/photos/mate_Wood.jpg" -resize '120x90!' "$J/相册/第二组/b.jpg"
cp "$SAMPLES/broken/text_renamed.jpg" "$J/相册/第二组/c.jpg"
convert-im6.q16 "$SAMPLES/photos/mate_Wood.jpg" -resize '50x50!' "$J/相册/一张/x.jpg"

"$VELMORA" --tool join --help >"$WORK/out" 2>&1; check "join: --help exits 0" 0 $?
for v in join_load_format_option join_layout join_width_or_height_index join_width_or_height_value join_space join_format join_png8_color_count; do
    contains "join: --help lists $v" "^  $v=" "$WORK/out"
done
"$VELMORA" --tool --help >"$WORK/out" 2>&1
contains "join: listed among the tools" "join     图片拼接" "$WORK/out"

printf 'join_layout=2\njoin_width_or_height_index=2\njoin_space=8\njoin_format=PNG\njoin_transparent=0\n' >"$J/拼接.txt"
"$VELMORA" --tool join --settings "$J/拼接.txt" --save-to "$J/结果" "$J/相册" >"$WORK/out" 2>"$WORK/err"
check "join: a run exits 0" 0 $?
contains "join: one line per group" '^\[[12]/2\] .*相册.第一组 -> .*结果.第一组\.png$' "$WORK/out"
contains "join: the second group" '^\[[12]/2\] .*相册.第二组 -> .*结果.第二组\.png$' "$WORK/out"
contains "join: summary counts groups" '^共 2 组图片，已写入 2 组，失败 0 组。$' "$WORK/out"
cat "$WORK/out" "$WORK/err" >"$WORK/both"
contains "join: the broken picture is named" '无法获取图片的尺寸' "$WORK/both"
# Horizontal at the lowest height: 300x200 and 200x300 -> 300x200 and 133x200, gap 8.
[ "$(identify-im6.q16 -format '%w %h' "$J/结果/第一组.png")" = "441 200" ]; check "join: canvas by the rule" 0 $?
# 160x100 and 120x90 -> 160x100 scaled to 144x90, gap 8.
[ "$(identify-im6.q16 -format '%w %h' "$J/结果/第二组.png")" = "272 90" ]; check "join: the broken picture left out" 0 $?
[ ! -e "$J/结果/一张.png" ]; check "join: a group of one picture gives nothing" 0 $?

"$VELMORA" --tool join --subfolders --save-to "$J/结果" "$J/相册" >"$WORK/out" 2>&1
check "join: --subfolders refused" 2 $?
"$VELMORA" --tool join --overwrite "$J/相册" >"$WORK/out" 2>&1
check "join: --overwrite refused" 2 $?
"$VELMORA" --tool join --save-to "$J/结果" "$J/相册/一张" >"$WORK/out" 2>&1
check "join: nothing to join refused" 2 $?
contains "join: says which folder" "中没有可拼接的图片，请重新选择。" "$WORK/out"
printf 'join_width_or_height_index=3\n' >"$J/custom.txt"
"$VELMORA" --tool join --settings "$J/custom.txt" --save-to "$J/结果" "$J/相册" >"$WORK/out" 2>&1
check "join: custom size without a value refused" 2 $?
contains "join: names the value" "这里不能为空 (join_width_or_height_value)" "$WORK/out"
