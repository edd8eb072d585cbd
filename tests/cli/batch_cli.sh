# Headless batch runs: velmora --batch ... (sourced by run_cli_tests.sh)

B="$WORK/batch"
# The samples are read-only, and a read-only picture is never overwritten.
put() { cp "$1" "$2" && chmod u+w "$2"; }
mkdir -p "$B/src/相册/海边" "$B/out" "$B/flat" "$B/ow"
put "$SAMPLES/meta/vips_rotation_orient1.jpg" "$B/src/a.jpg"
put "$SAMPLES/formats/png/go_basn3p08_trns.png" "$B/src/a.png"
put "$SAMPLES/meta/vips_rotation_orient2.jpg" "$B/src/相册/日落.jpg"
put "$SAMPLES/formats/gif/go_video-001_single.gif" "$B/src/相册/海边/b.gif"

format_of() { identify-im6.q16 -format '%m' "$1" 2>/dev/null; }
is_jpeg() {  # is_jpeg NAME FILE
    if [ "$(format_of "$2")" = "JPEG" ]; then check "$1" 0 0; else check "$1 ($(format_of "$2"))" 0 1; fi
}

# Save to a folder, keeping the structure below the named folder's parent.
"$VELMORA" --batch --save-to "$B/out" --keep-structure "$B/src" >"$WORK/out" 2>"$WORK/err"
check "batch: all pictures written exits 0" 0 $?
contains "batch: one numbered line per picture" '^\[1/4\] .*a\.jpg -> .*out.src.a\.jpg$' "$WORK/out"
contains "batch: second a becomes a(2).jpg" '^\[2/4\] .*a\.png -> .*out.src.a(2)\.jpg$' "$WORK/out"
contains "batch: Chinese paths readable in the terminal" '^\[3/4\] .*相册.日落\.jpg -> .*相册.日落\.jpg$' "$WORK/out"
contains "batch: summary line" '^共 4 张图片，已写入 4 张，失败 0 张。$' "$WORK/out"
is_jpeg "batch: structure mode writes nested folders" "$B/out/src/相册/海边/b.jpg"
is_jpeg "batch: png source written as JPEG" "$B/out/src/a(2).jpg"

# Flat target; a second run never replaces the first run's files.
"$VELMORA" --batch --save-to "$B/flat" "$B/src/a.jpg" "$B/src/相册" >"$WORK/out" 2>&1
check "batch: flat run exits 0" 0 $?
cp "$B/flat/a.jpg" "$WORK/first.jpg"
"$VELMORA" --batch --save-to "$B/flat" "$B/src/a.jpg" >"$WORK/out" 2>&1
check "batch: second run exits 0" 0 $?
contains "batch: second run takes the next free name" 'flat.a(2)\.jpg$' "$WORK/out"
cmp -s "$B/flat/a.jpg" "$WORK/first.jpg"; check "batch: first run's file untouched" 0 $?
[ -f "$B/flat/日落.jpg" ] && [ -f "$B/flat/b.jpg" ]; check "batch: flat mode drops sub-folders" 0 $?

# Several workers print the lines and write the files of one (a.jpg and a.png
# collide, and each target folder already holds an a.jpg).
mkdir -p "$B/w1" "$B/w3"
cp "$WORK/first.jpg" "$B/w1/a.jpg" && cp "$WORK/first.jpg" "$B/w3/a.jpg"
"$VELMORA" --batch --workers 1 --save-to "$B/w1" "$B/src" >"$WORK/w1" 2>&1
check "batch: one worker exits 0" 0 $?
"$VELMORA" --batch --workers 3 --save-to "$B/w3" "$B/src" >"$WORK/w3" 2>&1
check "batch: three workers exit 0" 0 $?
sed 's/w1/wN/g' "$WORK/w1" >"$WORK/w1n"; sed 's/w3/wN/g' "$WORK/w3" >"$WORK/w3n"
cmp -s "$WORK/w1n" "$WORK/w3n"; check "batch: three workers print the lines of one, in list order" 0 $? ||
    diff "$WORK/w1n" "$WORK/w3n"
contains "batch: colliding names numbered in list order" '^\[2/4\] .*a\.png -> .*w3.a(3)\.jpg$' "$WORK/w3"
[ "$(cd "$B/w1" && ls -R)" = "$(cd "$B/w3" && ls -R)" ]; check "batch: three workers write the files of one" 0 $?

# A broken picture is reported, the run goes on, exit code 1.
mkdir -p "$B/mixed" "$B/mixed_out"
put "$SAMPLES/broken/vips_truncated.gif" "$B/mixed/1坏.gif"
put "$SAMPLES/broken/zero_bytes.jpg" "$B/mixed/2空.jpg"
put "$SAMPLES/meta/vips_rotation_orient3.jpg" "$B/mixed/3好.jpg"
"$VELMORA" --batch --save-to "$B/mixed_out" "$B/mixed" >"$WORK/out" 2>&1
check "batch: a failed picture gives exit 1" 1 $?
contains "batch: the failure line carries the logged reason" '^\[2/3\] .*2空\.jpg 失败: 图片读取失败: .*2空\.jpg 原因：文件是空的 (0 字节)$' "$WORK/out"
contains "batch: pictures after a failure are written" '^\[3/3\] .*3好\.jpg -> ' "$WORK/out"
contains "batch: summary counts the failures" '，失败 [12] 张。$' "$WORK/out"
[ ! -e "$B/mixed_out/2空.jpg" ]; check "batch: nothing left for a failed picture" 0 $?

# Overwrite: JPEG data under the original name, nothing beside it; failures keep the original.
put "$SAMPLES/formats/png/go_basn3p08_trns.png" "$B/ow/标志.png"
put "$SAMPLES/broken/zero_bytes.jpg" "$B/ow/empty.jpg"
put "$SAMPLES/broken/text_renamed.jpg" "$B/ow/text.jpg"
cp "$B/ow/text.jpg" "$WORK/text_before"
"$VELMORA" --batch --overwrite "$B/ow/标志.png" "$B/ow" >"$WORK/out" 2>&1
check "batch: overwrite with a broken picture exits 1" 1 $?
is_jpeg "batch: overwrite leaves JPEG data under the old name" "$B/ow/标志.png"
contains "batch: a file named twice is processed once" '^共 3 张图片，已写入 1 张，失败 2 张。$' "$WORK/out"
cmp -s "$B/ow/text.jpg" "$WORK/text_before"; check "batch: overwrite never loses a failed original" 0 $?
[ "$(ls "$B/ow" | wc -l)" = 3 ]; check "batch: overwrite leaves no temporary file" 0 $?
"$VELMORA" --batch --overwrite "$B/ow/标志.png" >"$WORK/out" 2>&1
check "batch: overwrite of a good picture exits 0" 0 $?
put "$SAMPLES/meta/vips_rotation_orient4.jpg" "$B/ow/只读.jpg"
chmod a-w "$B/ow/只读.jpg"
"$VELMORA" --batch --overwrite "$B/ow/只读.jpg" >"$WORK/out" 2>&1
check "batch: a read-only original is not overwritten" 1 $?
cmp -s "$B/ow/只读.jpg" "$SAMPLES/meta/vips_rotation_orient4.jpg"; check "batch: the read-only original is unchanged" 0 $?

# A run cut off while writing (here: the file-size limit kills it after 64 KB)
# leaves the original byte for byte. Only the program runs under the limit: a
# keep-alive process holds this prefix's wineserver, so no server is started
# (and its registry files written) under it.
mkdir -p "$B/cut"
put "$SAMPLES/photos/mate_Garden.jpg" "$B/cut/大.jpg"
rm -f "$B/keep.ready"
"$BUILD/winerun" "$KEEPALIVE" "$(echo "Z:$B/keep.ready" | tr / '\\')" >/dev/null 2>&1 </dev/null &
keep_pid=$!
for _ in $(seq 1 300); do [ -f "$B/keep.ready" ] && break; sleep 0.1; done
if [ -f "$B/keep.ready" ]; then
    (ulimit -f 64; "$VELMORA" --batch --overwrite "$B/cut/大.jpg" >"$WORK/out" 2>&1) 2>/dev/null
    [ $? -ne 0 ]; check "batch: overwrite cut off while writing does not report success" 0 $?
    cmp -s "$B/cut/大.jpg" "$SAMPLES/photos/mate_Garden.jpg"
    check "batch: overwrite cut off while writing keeps the original" 0 $?
else
    check "batch: keep-alive process for the cut-off test started" 0 1
fi
kill "$keep_pid" 2>/dev/null
wait "$keep_pid" 2>/dev/null

# Usage and set-up errors: exit 2 and a message, nothing written.
usage() {  # usage NAME EXPECTED_TEXT ARGS...
    local name="$1" text="$2"; shift 2
    "$VELMORA" --batch "$@" >"$WORK/out" 2>"$WORK/err"
    check "batch usage: $name exits 2" 2 $?
    contains "batch usage: $name says why" "$text" "$WORK/err"
}
usage "no save mode" "请选择图片处理后保存的方式" "$B/src/a.jpg"
usage "two save modes" "请选择图片处理后保存的方式" --overwrite --save-to "$B/out" "$B/src/a.jpg"
usage "structure without target" "--keep-structure" --overwrite --keep-structure "$B/src/a.jpg"
usage "missing target folder" "图片处理后保存到的位置不存在" --save-to "$B/不存在" "$B/src/a.jpg"
usage "missing settings file" "不存在" --settings "$B/无.sz" --save-to "$B/out" "$B/src/a.jpg"
usage "missing picture" "找不到文件或文件夹" --save-to "$B/out" "$B/src/无.jpg"
usage "not a picture" "不是可处理的图片文件" --overwrite "$WORK/err"
usage "no paths" "没有指定" --save-to "$B/out"
usage "unknown option" "未知的选项" --save-to "$B/out" --fast "$B/src/a.jpg"
usage "workers out of range" "--workers 后面应是 1 到 64 之间的整数" --workers 0 --save-to "$B/out" "$B/src/a.jpg"
mkdir -p "$B/nothing"
usage "folder without pictures" "没有找到可处理的图片" --save-to "$B/out" "$B/nothing"

# Relative paths are taken from the current folder.
mkdir -p "$B/rel_out"
(cd "$B" && "$VELMORA" --batch --save-to rel_out --keep-structure src/相册 >"$WORK/out" 2>&1)
check "batch: relative paths exit 0" 0 $?
is_jpeg "batch: relative paths resolved from the current folder" "$B/rel_out/相册/海边/b.jpg"

# A settings file is used with its switches as stored; without one, the defaults.
mkdir -p "$B/set_out" "$B/def_out"
printf 'bSize=1\r\nzoomType=0\r\nsizeType=0\r\nsizeValue=100\r\nbZoomSameScale=1\r\n' >"$B/小图.sz"
"$VELMORA" --batch --settings "$B/小图.sz" --save-to "$B/set_out" "$B/src/a.jpg" >"$WORK/out" 2>&1
check "batch: run with a settings file exits 0" 0 $?
[ "$(identify-im6.q16 -format '%wx%h' "$B/set_out/a.jpg" 2>/dev/null)" = "100x133" ]
check "batch: the settings file's resize is applied" 0 $?
"$VELMORA" --batch --save-to "$B/def_out" "$B/src/a.jpg" >"$WORK/out" 2>&1
[ "$(identify-im6.q16 -format '%wx%h' "$B/def_out/a.jpg" 2>/dev/null)" = "308x410" ]
check "batch: default settings leave the size alone" 0 $?
