# HEIC, AVIF and WebP from the command line, made here from a sample photo:
# described, processed by --batch and --tool convert (into WEBP too), and what a
# build whose ImageMagick lacks their coders says (sourced by run_cli_tests.sh).

N="$WORK/modern"
mkdir -p "$N/照片" "$N/批量" "$N/缺少"
convert-im6.q16 "$SAMPLES/photos/mate_Garden.jpg" -resize '640x400!' "$N/source.png"
for x in heic avif webp; do convert-im6.q16 "$N/source.png" "$N/照片/花园.$x"; done
mean_() { convert-im6.q16 "$1[0]" -format '%[fx:int(255*mean.r)] %[fx:int(255*mean.g)] %[fx:int(255*mean.b)]' info: 2>/dev/null; }
# Two pictures look alike: every channel's mean within 6 levels.
alike_() {
    local a b
    read -r -a a <<<"$(mean_ "$1")"; read -r -a b <<<"$(mean_ "$2")"
    [ ${#a[@]} = 3 ] && [ ${#b[@]} = 3 ] || return 1
    for i in 0 1 2; do d=$((a[i] - b[i])); [ ${d#-} -le 6 ] || return 1; done
}
# Three results in DIR, each of FORMAT at 640 x 400 and looking like the photo.
results_() {
    local dir="$1" format="$2" f
    [ "$(ls "$dir" | wc -l)" = 3 ]; check "modern: three $format files in $(basename "$dir")" 0 $?
    for f in "$dir"/*; do
        [ "$(identify-im6.q16 -format '%m %w %h' "$f")" = "$format 640 400" ] && alike_ "$f" "$N/source.png"
        check "modern: $(basename "$f") is the photo as $format, in its colours" 0 $?
    done
}

"$VELMORA" --describe "$N/照片/花园.heic" "$N/照片/花园.avif" "$N/照片/花园.webp" >"$WORK/out" 2>"$WORK/err"
check "modern: the three are pictures" 0 $?
contains "modern: HEIC from its header" '花园.heic: 尺寸: 640 x 400, 类型: HEIC 图片, 大小: ' "$WORK/out"
contains "modern: AVIF from its header" '花园.avif: 尺寸: 640 x 400, 类型: AVIF 图片, 大小: ' "$WORK/out"
contains "modern: WebP from its header" '花园.webp: 尺寸: 640 x 400, 类型: WEBP 图片, 大小: ' "$WORK/out"

"$VELMORA" --batch --save-to "$N/批量" "$N/照片" >"$WORK/out" 2>&1
check "modern: --batch of a folder of them exits 0" 0 $?
contains "modern: --batch lists all three" '^共 3 张图片，已写入 3 张，失败 0 张。$' "$WORK/out"
results_ "$N/批量" JPEG

# The convert tool: the heic/avif box (2048) and webp (256), written as WEBP.
printf 'convert_load_format_option=2304\nconvert_format=WEBP\nconvert_quality=80\n' >"$N/webp.txt"
"$VELMORA" --tool convert --settings "$N/webp.txt" --save-to "$N/转换" "$N/照片" >"$WORK/out" 2>&1
check "modern: --tool convert to WEBP exits 0" 0 $?
contains "modern: --tool convert takes all three" '^共 3 张图片，已写入 3 张，失败 0 张。$' "$WORK/out"
contains "modern: WEBP names" '花园(3)\.webp$' "$WORK/out"
results_ "$N/转换" WEBP
# Lossless at 100, the transparency kept with the box on (the default).
mkdir -p "$N/透明" && cp "$SAMPLES/formats/png/pngsuite/basn6a08.png" "$N/透明/a.png"
printf 'convert_load_format_option=2\nconvert_format=WEBP\nconvert_quality=100\n' >"$N/lossless.txt"
"$VELMORA" --tool convert --settings "$N/lossless.txt" --save-to "$N/无损" "$N/透明" >"$WORK/out" 2>&1
check "modern: a lossless WEBP exits 0" 0 $?
[ "$(identify-im6.q16 -format '%m %[opaque]' "$N/无损/a.webp")" = "WEBP false" ]
check "modern: the WebP keeps its transparency" 0 $?
"$VELMORA" --tool convert --help >"$WORK/out" 2>&1
contains "modern: convert --help offers WEBP" "convert_format=JPG 或 PNG 或 WEBP" "$WORK/out"
# The crop tool's fifth box (16) takes the three.
printf 'crop_load_format_option=16\ncrop_mode=1\ncrop_percent_width=50\n' >"$N/crop.txt"
"$VELMORA" --tool crop --settings "$N/crop.txt" --save-to "$N/裁剪" "$N/照片" >"$WORK/out" 2>&1
check "modern: --tool crop of the three exits 0" 0 $?
contains "modern: --tool crop takes all three" '^共 3 张图片，已写入 3 张，失败 0 张。$' "$WORK/out"

# A build whose ImageMagick lacks the coders: the program beside a policy that
# refuses to load them. Each picture says so; --describe still reads the header.
# (The Windows program's coders are built in, not loaded: no such policy reaches them.)
[ -f "$BUILD/velmora.exe.so" ] || return 0
mkdir -p "$N/程序/config"
ln -s "$BUILD/velmora.exe.so" "$N/程序/velmora.exe.so"
sed 's|<policymap>|<policymap><policy domain="module" rights="none" pattern="HEIC" /><policy domain="module" rights="none" pattern="AVIF" /><policy domain="module" rights="none" pattern="WEBP" />|' \
    "$BUILD/config/policy.xml" >"$N/程序/config/policy.xml"
"$BUILD/winerun" "$N/程序/velmora.exe.so" --batch --save-to "$N/缺少" "$N/照片" >"$WORK/out" 2>&1
check "modern: without the coders --batch exits 1" 1 $?
contains "modern: HEIC not supported, said per picture" '花园.heic 失败: 图片读取失败: .* 原因：不支持此格式 (HEIC)$' "$WORK/out"
contains "modern: AVIF not supported" '原因：不支持此格式 (AVIF)$' "$WORK/out"
contains "modern: WebP not supported" '原因：不支持此格式 (WEBP)$' "$WORK/out"
"$BUILD/winerun" "$N/程序/velmora.exe.so" --tool convert --settings "$N/webp.txt" --save-to "$N/缺少2" "$N/照片" >"$WORK/out" 2>&1
check "modern: without the coders --tool convert exits 1" 1 $?
contains "modern: the convert tool names the format" '原因：不支持此格式 (HEIC)$' "$WORK/out"
