# The folder tools without a window: velmora --tool NAME ... (sourced by run_cli_tests.sh)

T="$WORK/tool"
tput_() { cp "$1" "$2" && chmod u+w "$2"; }
mkdir -p "$T/相册/旅行/海边" "$T/png/子"
tput_ "$SAMPLES/formats/png/pngsuite/basn6a08.png" "$T/相册/透明.png"
tput_ "$SAMPLES/formats/jpeg/go_video-001_q50_444.jpeg" "$T/相册/旅行/a.jpeg"
tput_ "$SAMPLES/formats/gif/gdkpixbuf_partyanim.gif" "$T/相册/旅行/海边/动画.gif"
tput_ "$SAMPLES/broken/zero_bytes.jpg" "$T/相册/旅行/空.jpg"
tput_ "$SAMPLES/formats/jpeg/go_video-001_q50_444.jpeg" "$T/相册/x.heic"
identify_() { identify-im6.q16 -format "$1" "$2[0]" 2>/dev/null; }

"$VELMORA" --tool --help >"$WORK/out" 2>&1; check "tool: --tool --help exits 0" 0 $?
contains "tool: the help names the convert tool" "convert  格式转换" "$WORK/out"
contains "tool: the help names the PNG tool" "png      处理PNG" "$WORK/out"
"$VELMORA" --tool png --help >"$WORK/out" 2>&1; check "tool: png --help exits 0" 0 $?
for v in png_zoom_status png_zoom_1 png_zoom_2 png_zoom_value png_zoom_scale png_transparent png_png8 png_png8_color_count; do
    contains "tool: png --help lists $v" "^  $v=" "$WORK/out"
done
"$VELMORA" --tool convert --help >"$WORK/out" 2>&1
contains "tool: convert --help lists the format bits" "convert_load_format_option=0..4095" "$WORK/out"
contains "tool: convert --help lists the output values" "convert_png8_color_count=2..256  (缺省 256)" "$WORK/out"

# A conversion with sub-folders into a folder that does not exist yet.
printf 'convert_load_format_option=7\r\nconvert_format=PNG\r\nconvert_png8=1\r\nconvert_png8_color_count=64\r\n' >"$T/转换设置.txt"
"$VELMORA" --tool convert --settings "$T/转换设置.txt" --subfolders --save-to "$T/结果" "$T/相册" >"$WORK/out" 2>"$WORK/err"
check "tool: a conversion with an unreadable picture exits 1" 1 $?
contains "tool: one line per picture" '^\[[1-4]/4\] .*透明\.png -> .*结果.透明\.png$' "$WORK/out"
contains "tool: sub-folders mirrored" '^\[[1-4]/4\] .*旅行.海边.动画\.gif -> .*结果.旅行.海边.动画\.png$' "$WORK/out"
contains "tool: the unreadable picture is named" '^\[[1-4]/4\] .*旅行.空\.jpg 失败: 图片读取失败: ' "$WORK/out"
contains "tool: summary line" '^共 4 张图片，已写入 3 张，失败 1 张。$' "$WORK/out"
[ "$(identify_ '%m %[png:IHDR.color-type-orig] %w' "$T/结果/旅行/海边/动画.png")" = "PNG 3 660" ]
check "tool: the first frame written as palette PNG" 0 $?
[ "$(identify_ '%k' "$T/结果/旅行/a.png")" -le 64 ]; check "tool: at most the colours asked" 0 $?
[ ! -e "$T/结果/x.png" ] && [ ! -e "$T/结果/旅行/空.png" ]; check "tool: nothing for .heic or a failed picture" 0 $?

# A second run numbers instead of replacing.
cp "$T/结果/透明.png" "$WORK/first.png"
"$VELMORA" --tool convert --settings "$T/转换设置.txt" --save-to "$T/结果" "$T/相册" >"$WORK/out" 2>&1
check "tool: second run exits 0" 0 $?
contains "tool: second run takes the next free name" '透明(2)\.png$' "$WORK/out"
cmp -s "$T/结果/透明.png" "$WORK/first.png"; check "tool: the first run's file untouched" 0 $?

# The PNG tool over the originals: palette PNGs under the same names, nothing beside them.
tput_ "$SAMPLES/formats/png/skimage_chelsea.png" "$T/png/猫.png"
tput_ "$SAMPLES/formats/png/pngsuite/basn2c08.png" "$T/png/子/b.png"
printf 'png_zoom_status=1\npng_zoom_value=100\npng_png8_color_count=16\n' >"$T/png.txt"
"$VELMORA" --tool png --settings "$T/png.txt" --subfolders --overwrite "$T/png" >"$WORK/out" 2>&1
check "tool: png overwrite exits 0" 0 $?
[ "$(identify_ '%w %h %[png:IHDR.color-type-orig]' "$T/png/猫.png")" = "100 67 3" ]
check "tool: png overwrite shrank and quantised in place" 0 $?
[ "$(identify_ '%w' "$T/png/子/b.png")" = "32" ]; check "tool: a smaller picture keeps its size" 0 $?
[ "$(find "$T/png" -type f | wc -l)" = 2 ]; check "tool: png overwrite leaves no temporary file" 0 $?

# Cut off while writing (the file-size limit kills it after 64 KB): the original
# stays byte for byte. The keep-alive process holds this prefix's wineserver.
mkdir -p "$T/cut"
tput_ "$SAMPLES/photos/mate_Garden.jpg" "$T/cut/big.png"
cp "$T/cut/big.png" "$WORK/big_before"
rm -f "$T/keep.ready"
"$BUILD/winerun" "$KEEPALIVE" "$(echo "Z:$T/keep.ready" | tr / '\\')" >/dev/null 2>&1 </dev/null &
keep_pid=$!
for _ in $(seq 1 300); do [ -f "$T/keep.ready" ] && break; sleep 0.1; done
if [ -f "$T/keep.ready" ]; then
    (ulimit -f 64; "$VELMORA" --tool png --overwrite "$T/cut" >"$WORK/out" 2>&1) 2>/dev/null
    [ $? -ne 0 ]; check "tool: png overwrite cut off does not report success" 0 $?
    cmp -s "$T/cut/big.png" "$WORK/big_before"; check "tool: png overwrite cut off keeps the original" 0 $?
else
    check "tool: keep-alive process for the cut-off test started" 0 1
fi
kill "$keep_pid" 2>/dev/null
wait "$keep_pid" 2>/dev/null

# Usage errors and refused values: exit 2 and a message, nothing written.
tool_usage() {  # tool_usage NAME EXPECTED_TEXT ARGS...
    local name="$1" text="$2"; shift 2
    "$VELMORA" --tool "$@" >"$WORK/out" 2>"$WORK/err"
    check "tool usage: $name exits 2" 2 $?
    contains "tool usage: $name says why" "$text" "$WORK/err"
}
printf 'convert_quality=5\n' >"$T/bad.txt"
printf 'convert_qualty=50\n' >"$T/typo.txt"
mkdir -p "$T/empty"
tool_usage "unknown tool" "未知的工具: crop2" crop2 --save-to "$T/o" "$T/相册"
tool_usage "no tool" "--tool 后面缺少工具名"
tool_usage "no save mode" "请选择图片处理后保存的方式" png "$T/png"
tool_usage "convert cannot overwrite" "convert 不能覆盖原图" convert --overwrite "$T/相册"
tool_usage "no source format ticked" "原格式请至少选择一项 (convert_load_format_option)" convert --save-to "$T/o" "$T/相册"
tool_usage "value out of range" "设置文件第 1 行: convert_quality 只能是 10..100 的整数" convert --settings "$T/bad.txt" --save-to "$T/o" "$T/相册"
tool_usage "misspelt value name" "未知的设置项 convert_qualty" convert --settings "$T/typo.txt" --save-to "$T/o" "$T/相册"
tool_usage "missing settings file" "无法读取设置文件" png --settings "$T/无.txt" --overwrite "$T/png"
tool_usage "missing source" "选择的【源图片文件夹】不存在" png --overwrite "$T/没有"
tool_usage "drive root" "暂不支持添加根目录" png --save-to "$T/o" /
printf 'png_zoom_status=1\n' >"$T/zoom.txt"
tool_usage "zoom without a size" "这里不能为空 (png_zoom_value)" png --settings "$T/zoom.txt" --overwrite "$T/png"
tool_usage "settings that are no file" "无法读取设置文件" png --settings <(printf 'png_png8=1\n') --overwrite "$T/png"
tool_usage "nothing to do" "没有找到需要处理的图片" png --save-to "$T/o2" "$T/empty"
[ ! -e "$T/o" ]; check "tool usage: nothing made for a refused run" 0 $?
