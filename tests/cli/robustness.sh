# The engine under bad files, bad settings, full disks and killed runs, through
# the real program (sourced by run_cli_tests.sh).

R="$WORK/robust"
mkdir -p "$R"
put() { cp "$1" "$2" && chmod u+w "$2"; }
size_of() { identify-im6.q16 -format '%wx%h' "$1" 2>/dev/null; }
# A copy of a JPEG whose frame header claims WIDTH x HEIGHT pixels.
claim_size() {  # claim_size FROM TO WIDTH HEIGHT
    perl -e 'binmode STDOUT; local $/; open(my $f, "<:raw", $ARGV[0]) or die; my $j = <$f>;
        for (my $i = 2; $i + 9 < length $j;) {
            my ($ff, $m, $n) = unpack("CCn", substr($j, $i, 4));
            if ($m == 0xC0 || $m == 0xC2) { substr($j, $i + 5, 4) = pack("nn", $ARGV[2], $ARGV[1]); last }
            $i += 2 + $n;
        }
        print $j' "$1" "$3" "$4" >"$2"
}
# The Unix path of this prefix's temporary folder (C:\users\<name>\Temp).
wine_temp() { ls -d "${VELMORA_WINEPREFIX:-$BUILD/wineprefix}"/drive_c/users/*/Temp 2>/dev/null | grep -v Public | head -1; }

# 1. A picture ImageMagick decodes with an error (a CMYK TIFF of JPEG tiles comes
# back black) is a failure with the reason, never written over its original.
mkdir -p "$R/tiff"
convert-im6.q16 "$SAMPLES/photos/mate_Storm.jpg" -resize 200x150 -colorspace CMYK -compress JPEG \
    -define tiff:tile-geometry=64x64 "$R/tiff/瓦片.tif" 2>/dev/null
cp "$R/tiff/瓦片.tif" "$R/tiff_before"
"$VELMORA" --batch --overwrite "$R/tiff/瓦片.tif" >"$WORK/out" 2>&1
check "robust: a decode error fails the picture" 1 $?
contains "robust: the decode error is named" '瓦片\.tif 原因：Can not read scanlines from a tiled image' "$WORK/out"
cmp -s "$R/tiff/瓦片.tif" "$R/tiff_before"; check "robust: the original that does not decode is kept" 0 $?

# 2. A file that claims 22500 x 33300 pixels: refused at once, naming its size,
# when it would be decoded whole; decoded at 1/8 when the output is small.
mkdir -p "$R/bomb" "$R/bomb_out"
claim_size "$SAMPLES/photos/mate_Storm.jpg" "$R/bomb/大.jpg" 22500 33300
[ "$(identify-im6.q16 -ping -format '%wx%h' "$R/bomb/大.jpg")" = "22500x33300" ]
check "robust: the test file claims 22500 x 33300" 0 $?
"$VELMORA" --batch --save-to "$R/bomb_out" "$R/bomb/大.jpg" >"$WORK/out" 2>&1
check "robust: a picture over the limits fails" 1 $?
contains "robust: the refusal names the size" '原因：图片尺寸 22500 x 33300 像素, 超出了可以处理的上限' "$WORK/out"
printf 'bSize=1\nsizeValue=750\n' >"$R/750.sz"
"$VELMORA" --batch --settings "$R/750.sz" --save-to "$R/bomb_out" "$R/bomb/大.jpg" >"$WORK/out" 2>&1
check "robust: the same file shrunk to 750 wide is processed" 0 $?
[ "$(size_of "$R/bomb_out/大.jpg")" = "750x1110" ]; check "robust: decoded small, resized from its full size" 0 $?
temp_folder="$(wine_temp)"
if [ -n "$temp_folder" ]; then
    # ImageMagick's own temporary files live in a folder per process; the folders of
    # processes that were killed go at the next start.
    mkdir -p "$temp_folder/velmora-cache/7ffffff0"
    echo "a pixel cache" >"$temp_folder/velmora-cache/7ffffff0/magick-stale"
    "$VELMORA" --describe "$SAMPLES/formats/png/imaging_flowers.png" >/dev/null 2>&1
    [ ! -e "$temp_folder/velmora-cache/7ffffff0" ]; check "robust: a killed run's pixel caches are removed" 0 $?
    [ -z "$(find "$temp_folder/velmora-cache" -type f 2>/dev/null)" ]
    check "robust: no pixel cache is left after runs" 0 $?
else
    check "robust: the prefix's temporary folder is found" 0 1
fi

# 4. A value outside its range takes the default: sizeValue=-5 is 750, not 1.
mkdir -p "$R/range_out"
printf 'bSize=1\nzoomType=2\nsizeValue=-5\nquanlity=500\n' >"$R/负.sz"
"$VELMORA" --batch --settings "$R/负.sz" --save-to "$R/range_out" "$SAMPLES/photos/mate_Storm.jpg" >"$WORK/out" 2>&1
check "robust: out-of-range settings run" 0 $?
[ "$(size_of "$R/range_out/mate_Storm.jpg")" = "750x500" ]; check "robust: sizeValue=-5 resizes to the default 750" 0 $?

# 5. A file that is not a settings file is refused, exit 2, nothing written.
mkdir -p "$R/set_out"
head -c 4096 /dev/urandom >"$R/junk.sz"
: >"$R/empty.sz"
printf 'width=750\nquality=91\n' >"$R/words.sz"
truncate -s 3G "$R/giant.sz"
refused_settings() {  # refused_settings NAME FILE EXPECTED_TEXT
    "$VELMORA" --batch --settings "$2" --save-to "$R/set_out" "$SAMPLES/photos/mate_Storm.jpg" >"$WORK/out" 2>"$WORK/err"
    check "robust: settings file '$1' is refused" 2 $?
    contains "robust: settings file '$1' is named for what it is" "$3" "$WORK/err"
}
refused_settings "binary junk" "$R/junk.sz" '这不是一个设置文件 (没有一行是设置项)'
refused_settings "empty" "$R/empty.sz" '设置文件是空的'
refused_settings "no settings keys" "$R/words.sz" '这不是一个设置文件 (没有一行是设置项)'
refused_settings "3 GB" "$R/giant.sz" '这不是一个设置文件 (超过 4 MB)'
rm -f "$R/giant.sz"
[ -z "$(ls "$R/set_out")" ]; check "robust: nothing written on refused settings" 0 $?

# 6. A run killed while it writes leaves no empty file under a real name, and the
# next run in that folder removes the temporary file it left.
mkdir -p "$R/kill_in" "$R/kill_out"
for i in 1 2 3 4 5 6; do ln -s "$SAMPLES/photos/lomiri_Bridge.jpg" "$R/kill_in/$i.jpg"; done
"$VELMORA" --batch --save-to "$R/kill_out" "$R/kill_in" >/dev/null 2>&1 &
kill_pid=$!
for _ in $(seq 1 100); do [ -n "$(ls "$R/kill_out")" ] && break; sleep 0.05; done
kill -9 "$kill_pid" 2>/dev/null
wait "$kill_pid" 2>/dev/null
[ -z "$(find "$R/kill_out" -name '*.jpg' -size 0)" ]; check "robust: a killed run leaves no empty picture" 0 $?
printf 'half a picture' >"$R/kill_out/~velmora-7ffffff0-1.tmp"
printf 'not ours' >"$R/kill_out/~velmora-notes.tmp"
"$VELMORA" --batch --save-to "$R/kill_out" "$R/kill_in/1.jpg" >"$WORK/out" 2>&1
check "robust: the next run writes" 0 $?
[ -z "$(find "$R/kill_out" -name '~velmora-*-*.tmp')" ]; check "robust: the next run removes what the killed one left" 0 $?
[ -f "$R/kill_out/~velmora-notes.tmp" ]; check "robust: files of other names stay" 0 $?

# 7. Camera data that alone is over the maximum file size: written, and said so.
mkdir -p "$R/limit_out"
perl -e 'binmode STDOUT; local $/; open(my $f, "<:raw", $ARGV[0]) or die; my $j = <$f>;
    my $b = ""; for my $m (0xE3, 0xE5, 0xEF) { $b .= "\xFF" . chr($m) . pack("n", 60008) . "CAMERA\0" . ("x" x 59999) }
    print substr($j, 0, 2) . $b . substr($j, 2)' "$SAMPLES/meta/goexif_iphone4s_orient6_gps.jpg" >"$R/大块.jpg"
printf 'bQuanlity=1\nqualityMode=1\nmaxFileSize=20\n' >"$R/20k.sz"
"$VELMORA" --batch --settings "$R/20k.sz" --save-to "$R/limit_out" "$R/大块.jpg" >"$WORK/out" 2>&1
check "robust: a missed size limit still writes the picture" 0 $?
contains "robust: the line says the limit was missed" '大块\.jpg (注意: 未能达到设置的文件大小上限 20 KB (实际 [0-9]* KB))$' "$WORK/out"
contains "robust: the summary counts it" '，超过文件大小上限 1 张。$' "$WORK/out"
printf 'bQuanlity=1\nqualityMode=1\nmaxFileSize=20\nbRemovePhotoOtherInfo=1\n' >"$R/20k_clean.sz"
"$VELMORA" --batch --settings "$R/20k_clean.sz" --save-to "$R/limit_out" "$R/大块.jpg" >"$WORK/out" 2>&1
contains "robust: without the camera data the limit is met" '^共 1 张图片，已写入 1 张，失败 0 张。$' "$WORK/out"

# 8. Messages name the real cause: a path over the length limit is not "missing".
long="$R/$(printf 'n%.0s' $(seq 1 250)).jpg"
"$VELMORA" --batch --save-to "$R/limit_out" "$long" >"$WORK/out" 2>"$WORK/err"
check "robust: a path over the limit is a usage error" 2 $?
contains "robust: a path over the limit is named so" '路径太长' "$WORK/err"

# 3 and 8 on a full disk (a small RAM disk; needs the right to mount).
FULL="$R/full"
mkdir -p "$FULL"
if mount -t tmpfs -o size=6m tmpfs "$FULL" 2>/dev/null; then
    trap 'umount "$FULL" 2>/dev/null; rm -rf "$WORK"' EXIT
    mkdir -p "$FULL/src" "$R/full_out"
    cp "$SAMPLES/meta/vips_rotation_orient1.jpg" "$FULL/src/1.jpg"
    cp "$SAMPLES/photos/mate_Storm.jpg" "$FULL/src/2.jpg"
    # A source with a hole of 20 MB: reading a hole on a full RAM disk through a
    # memory map faults; read() gives zeros.
    cp "$SAMPLES/meta/vips_rotation_orient2.jpg" "$FULL/src/3.jpg" && truncate -s 20M "$FULL/src/3.jpg"
    cp "$SAMPLES/meta/vips_rotation_orient3.jpg" "$FULL/src/4.jpg"
    chmod u+w "$FULL"/src/*
    cp "$FULL/src/2.jpg" "$R/full_before"
    dd if=/dev/zero of="$FULL/filler" bs=64k 2>/dev/null
    "$VELMORA" --batch --save-to "$R/full_out" "$FULL/src" >"$WORK/out" 2>&1
    code=$?
    [ "$code" -le 1 ]; check "robust: reading on a full disk ends in an exit code, not a fault ($code)" 0 $?
    contains "robust: every picture is tried on a full disk" '^\[4/4\] ' "$WORK/out"
    contains "robust: the summary comes on a full disk" '^共 4 张图片，' "$WORK/out"
    # Writing onto the full disk: the cause and the user's file, never a temporary name.
    "$VELMORA" --batch --overwrite "$FULL/src/2.jpg" >"$WORK/out" 2>&1
    check "robust: overwrite on a full disk fails" 1 $?
    contains "robust: overwrite on a full disk names the cause" '2\.jpg 原因：.*\(磁盘\|disk\)' "$WORK/out"
    cmp -s "$FULL/src/2.jpg" "$R/full_before"; check "robust: the original survives a full disk" 0 $?
    mkdir -p "$FULL/out" 2>/dev/null
    "$VELMORA" --batch --save-to "$FULL/src" "$SAMPLES/photos/mate_Storm.jpg" >"$WORK/out" 2>&1
    check "robust: saving onto a full disk fails" 1 $?
    contains "robust: the failure names the target, not a temporary file" "无法写入 '.*src.mate_Storm\.jpg'" "$WORK/out"
    ! grep -q '~velmora' "$WORK/out"; check "robust: no temporary name in the message" 0 $?
    [ -z "$(find "$FULL" -name '~velmora-*')" ]; check "robust: nothing left on the full disk" 0 $?
    umount "$FULL"
else
    echo "[skip] full-disk checks: cannot mount a RAM disk here"
fi
