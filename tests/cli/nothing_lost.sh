# Nothing lost, nothing hidden: typos in settings files, files that give no
# settings, animated PNGs, leftovers of killed runs, pictures that name other
# files, paths and names Windows cannot open (sourced by run_cli_tests.sh).

N="$WORK/nothing_lost"
mkdir -p "$N"
nput() { cp "$1" "$2" && chmod u+w "$2"; }

# 1. A number that is not a whole number is no value: the command line refuses
# the file (naming the line and the key) instead of taking the digits in front.
mkdir -p "$N/typo_in"
nput "$SAMPLES/photos/mate_Storm.jpg" "$N/typo_in/p.jpg"
cp "$N/typo_in/p.jpg" "$N/typo_before"
typo() {  # typo NAME LINE EXPECTED_TEXT
    printf 'bSize=1\nzoomType=0\n%s\n' "$2" >"$N/typo.sz"
    "$VELMORA" --batch --settings "$N/typo.sz" --overwrite "$N/typo_in/p.jpg" >"$WORK/out" 2>"$WORK/err"
    check "lost: settings '$1' refused" 2 $?
    contains "lost: settings '$1' named with its line and key" "$3" "$WORK/err"
}
typo "1,200" 'sizeValue=1,200' "设置文件第 3 行: sizeValue 的值 '1,200' 不是一个整数"
typo "a key twice" $'sizeValue=300\nsizeValue=200' "设置文件第 4 行: sizeValue 重复出现"
cmp -s "$N/typo_in/p.jpg" "$N/typo_before"; check "lost: the original is untouched by refused settings" 0 $?

# 2. A file that gives no settings is refused by the tools as by --batch.
mkdir -p "$N/png8"
nput "$SAMPLES/formats/png/skimage_chelsea.png" "$N/png8/猫.png"
cp "$N/png8/猫.png" "$N/png8_before"
: >"$N/empty.txt"
printf '# only a comment\r\n\r\n' >"$N/comment.txt"
for f in empty comment; do
    "$VELMORA" --tool png --settings "$N/$f.txt" --overwrite "$N/png8" >"$WORK/out" 2>"$WORK/err"
    check "lost: --tool png refuses the $f settings file" 2 $?
done
contains "lost: the comment-only file is named for what it is" '这不是一个设置文件 (没有一行是设置项)' "$WORK/err"
cmp -s "$N/png8/猫.png" "$N/png8_before"; check "lost: no PNG rewritten on such a file" 0 $?

# 3. An animated PNG (20 frames) is refused with its frame count by every run
# that could write over it.
mkdir -p "$N/apng"
nput "$SAMPLES/formats/png/mimetype_apng.png" "$N/apng/动画.png"
cp "$N/apng/动画.png" "$N/apng_before"
printf 'crop_load_format_option=2\ncrop_mode=1\ncrop_percent_width=50\ncrop_percent_height=50\n' >"$N/crop.txt"
printf 'png_png8=1\n' >"$N/p8.txt"
apng_run() {  # apng_run LABEL ARGS...
    local label="$1"; shift
    "$VELMORA" "$@" >"$WORK/out" 2>&1
    check "lost: APNG refused by $label" 1 $?
    contains "lost: $label names the frames" 'PNG 动画 (共 20 帧)' "$WORK/out"
    cmp -s "$N/apng/动画.png" "$N/apng_before"; check "lost: the APNG is untouched by $label" 0 $?
}
apng_run "the PNG tool" --tool png --settings "$N/p8.txt" --overwrite "$N/apng"
apng_run "the crop tool" --tool crop --settings "$N/crop.txt" --overwrite "$N/apng"
apng_run "the main batch" --batch --overwrite "$N/apng/动画.png"

# 4. Leftovers of killed runs go at the next run, whatever process id that run
# has: under Wine the first process of a fresh server always gets 0x20, and the
# ids after it follow in steps of 4. Names of every id a run may have are made.
mkdir -p "$N/left"
for id in $(seq 32 4 1024); do printf 'half a picture' >"$N/left/~velmora-$(printf '%x' "$id")-1.tmp"; done
printf 'half a picture' >"$N/left/~velmora-0badc0de-2.tmp"
printf 'not ours' >"$N/left/~velmora-notes.tmp"
temp_folder="$(ls -d "${VELMORA_WINEPREFIX:-$BUILD/wineprefix}"/drive_c/users/*/Temp 2>/dev/null | grep -v Public | head -1)"
for id in 20 24 28 2c 30; do
    mkdir -p "$temp_folder/velmora-cache/$id" && echo "a pixel cache" >"$temp_folder/velmora-cache/$id/magick-stale"
done
"$VELMORA" --batch --save-to "$N/left" "$SAMPLES/photos/mate_Storm.jpg" >"$WORK/out" 2>&1
check "lost: the run after the killed ones writes" 0 $?
[ -z "$(find "$N/left" -name '~velmora-*-*.tmp')" ]; check "lost: every killed run's temporary file is gone" 0 $?
[ -f "$N/left/~velmora-notes.tmp" ]; check "lost: files of other names stay" 0 $?
[ -z "$(ls "$temp_folder/velmora-cache" | grep -x -E '20|24|28|2c|30')" ]
check "lost: every killed run's pixel cache is gone" 0 $?

# 5. No picture makes the program open another file: an SVG (named .jpg) that
# names a local picture is refused before ImageMagick's renderer sees it.
mkdir -p "$N/svg" "$N/svg_out"
nput "$SAMPLES/formats/png/skimage_chelsea.png" "$N/svg/secret.png"
printf '<?xml version="1.0"?>\n<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="40" height="40">\n<image xlink:href="%s" width="20" height="20"/>\n</svg>\n' \
    "$N/svg/secret.png" >"$N/svg/drawing.jpg"
"$VELMORA" --batch --save-to "$N/svg_out" "$N/svg/drawing.jpg" >"$WORK/out" 2>&1
check "lost: the SVG fails" 1 $?
if strace -o /dev/null true 2>/dev/null; then
    strace -f -e trace=open,openat -o "$WORK/trace" "$VELMORA" --describe "$N/svg/drawing.jpg" >/dev/null 2>&1
    ! grep -q 'svg/secret\.png' "$WORK/trace"; check "lost: the file an SVG names is never opened" 0 $?
fi
contains "lost: the SVG is refused with the reason" '原因：出于安全考虑不读取 SVG 格式的文件' "$WORK/out"
[ -z "$(ls "$N/svg_out")" ]; check "lost: nothing written for the SVG" 0 $?

# 6. Every picture or folder left out is named, and the rest of the run goes on:
# a sub-folder named like a device, a path of 260 bytes or more, aux.png.
long="$(printf 'l%.0s' $(seq 1 150))"
mkdir -p "$N/tree/con" "$N/tree/aux" "$N/tree/day1" "$N/tree/$long/$long" "$N/tree_out"
nput "$SAMPLES/photos/mate_Storm.jpg" "$N/tree/con/a.jpg"
nput "$SAMPLES/photos/mate_Storm.jpg" "$N/tree/aux/d.jpg"
nput "$SAMPLES/photos/mate_Wood.jpg" "$N/tree/day1/b.jpg"
nput "$SAMPLES/photos/mate_Wood.jpg" "$N/tree/$long/$long/c.jpg"
nput "$SAMPLES/photos/mate_Wood.jpg" "$N/tree/aux.png"
"$VELMORA" --batch --save-to "$N/tree_out" --keep-structure "$N/tree" >"$WORK/out" 2>"$WORK/err"
check "lost: a run with 'con' and 'aux' sub-folders runs (exit 1: they failed)" 1 $?
contains "lost: the folder named aux is listed, not taken for a device" 'aux.d\.jpg 失败: 无法创建目标文件夹' "$WORK/out"
contains "lost: the picture below 'con' is named" 'con.a\.jpg 失败: 无法创建目标文件夹：.*原因：con 是 Windows 保留的设备名' "$WORK/out"
contains "lost: the other picture is written" 'day1.b\.jpg -> .*tree_out.tree.day1.b\.jpg$' "$WORK/out"
contains "lost: the folder beyond the path limit is named" '路径太长 (.* 字节, 最多 259 字节), 这个文件夹里的图片没有处理' "$WORK/err"
contains "lost: aux.png is named for what it is" '文件名 aux\.png 是 Windows 保留的设备名 (AUX)' "$WORK/err"
# The convert tool goes on past a sub-folder whose mirror would be too long.
mkdir -p "$N/conv/$long" "$N/conv/ok"
nput "$SAMPLES/formats/png/pngsuite/basn2c08.png" "$N/conv/$long/x.png"
nput "$SAMPLES/formats/png/pngsuite/basn2c08.png" "$N/conv/ok/y.png"
printf 'convert_load_format_option=2\n' >"$N/conv.txt"
"$VELMORA" --tool convert --settings "$N/conv.txt" --subfolders --save-to "$N/conv_out_$long" "$N/conv" >"$WORK/out" 2>"$WORK/err"
check "lost: convert goes on past an over-long sub-folder" 0 $?
contains "lost: convert converted the rest" 'ok.y\.png -> ' "$WORK/out"
contains "lost: convert names the sub-folder it left out" '保存结果的文件夹路径太长' "$WORK/err"
