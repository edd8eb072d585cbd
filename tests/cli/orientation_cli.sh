# Photos as people see them, from the command line: --batch and --tool crop turn
# by the orientation tag, write no stale camera thumbnail, keep dates when asked,
# and with the switch off write what the program wrote before it had one.
# (sourced by run_cli_tests.sh)

O="$WORK/orient"
oput() { cp "$1" "$2" && chmod u+w "$2"; }
mkdir -p "$O/src" "$O/gps"
for i in 1 2 3 4 5 6 7 8; do oput "$SAMPLES/meta/vips_rotation_orient$i.jpg" "$O/src/o$i.jpg"; done
oput "$SAMPLES/meta/goexif_iphone4s_orient6_gps.jpg" "$O/gps/phone.jpg"
oexif() { identify-im6.q16 -format "%[EXIF:$1]" "$2" 2>/dev/null; }
# Whole decibels of PSNR between a result and ImageMagick's own picture.
opsnr() { compare-im6.q16 -metric PSNR "$1" "$2" null: 2>&1 | cut -d. -f1; }
upright() {  # every result of a folder against convert's -auto-orient ARGS; tag 1 or none, no thumbnail
    local name="$1" folder="$2"; shift 2
    local bad=""
    for i in 1 2 3 4 5 6 7 8; do
        convert-im6.q16 "$O/src/o$i.jpg" -auto-orient +repage "$@" "$WORK/oref.png"
        [ "$(opsnr "$folder/o$i.jpg" "$WORK/oref.png")" -ge 25 ] || bad="$bad o$i(pixels)"
        case "$(oexif Orientation "$folder/o$i.jpg")" in 1 | "") ;; *) bad="$bad o$i(tag)" ;; esac
        oexif thumbnail:JPEGInterchangeFormat "$folder/o$i.jpg" | grep -q . && bad="$bad o$i(thumbnail)"
    done
    [ -z "$bad" ]; check "$name${bad:+:$bad}" 0 $?
}

# The batch, resized to 300 wide (only ever smaller).
printf 'bSize=1\nsizeValue=300\n' >"$O/300.sz"
printf 'bSize=1\nsizeValue=300\nbRemovePhotoOtherInfo=1\n' >"$O/300_clean.sz"
mkdir -p "$O/kept"
"$VELMORA" --batch --settings "$O/300.sz" --save-to "$O/kept" "$O/src" >"$WORK/out" 2>&1
check "orientation: --batch exits 0" 0 $?
upright "orientation: --batch turns every photo as convert -auto-orient" "$O/kept" -resize '300x>'

# The crop tool cuts the photo as shown: 200 x 150 from the top-left corner.
printf 'crop_mode=0\ncrop_fixed_width=200\ncrop_fixed_height=150\ncrop_align=1\n' >"$O/crop.txt"
"$VELMORA" --tool crop --settings "$O/crop.txt" --save-to "$O/crop" "$O/src" >"$WORK/out" 2>&1
check "orientation: --tool crop exits 0" 0 $?
upright "orientation: --tool crop cuts the photo as convert -auto-orient -crop" "$O/crop" -crop 200x150+0+0 +repage
"$VELMORA" --tool crop --help >"$WORK/out" 2>&1
contains "orientation: the tools' --help names auto_orient" "^  auto_orient=0 或 1" "$WORK/out"
contains "orientation: the tools' --help names the kept dates" "^  crop_keep_file_time=0 或 1" "$WORK/out"

# Switched off: the bytes the program wrote before the switch existed (as stored,
# default settings / resized / resized without camera data / the left half cut).
ogolden() {  # ogolden NAME FOLDER MD5...
    local name="$1" folder="$2" sums="" i
    shift 2
    for i in 1 2 3 4 5 6 7 8; do sums="$sums $(md5sum <"$folder/o$i.jpg" | cut -c1-32)"; done
    [ "$sums" = " $*" ]; check "$name" 0 $?
}
mkdir -p "$O/off_plain" "$O/off_300" "$O/off_clean"
printf 'bAutoOrient=0\n' >"$O/off.sz"
cat "$O/off.sz" "$O/300.sz" >"$O/off_300.sz"
cat "$O/off.sz" "$O/300_clean.sz" >"$O/off_clean.sz"
"$VELMORA" --batch --settings "$O/off.sz" --save-to "$O/off_plain" "$O/src" >"$WORK/out" 2>&1
ogolden "orientation: off writes today's bytes (default settings)" "$O/off_plain" \
    a4f1439ea98e822af1a5de3e2d26a4c1 f9e99738e5059dcf77d9eec05cbc705e 74b6ca1a12643319bdf87ef2314abd07 \
    4063a713ead72ce92d1a7154ffb19f98 96a2fb2b4a104ce70f102bdef3763360 f6bf22d36463d3d3b12f5e9a9f3006e3 \
    b139549ea617f13dd7ca40694bf38e0f 3fa76e523bb6db23a9983898b2a5ebc1
"$VELMORA" --batch --settings "$O/off_300.sz" --save-to "$O/off_300" "$O/src" >"$WORK/out" 2>&1
# (A photo reduced while decoded once came out with the tag 0; it keeps its own.)
ogolden "orientation: off writes today's bytes (300 wide)" "$O/off_300" \
    21ab06285db7db92b09a9180d670e3c3 39d6adb19b19b45253c0872e12898522 0825678063f40217163cb84c1aea7cc0 \
    3e5e2547054aec5d0b9b2ba900888874 a30feda9c8831edddac51f548aebe1d2 2e58d5b226af88638676943362342560 \
    867ef7f7ffb26f669766f6244a8c12c5 4ad4a39ad5abaa222ad12611362084fd
bad=""
for folder in off_plain off_300; do
    for i in 1 2 3 4 5 6 7 8; do [ "$(oexif Orientation "$O/$folder/o$i.jpg")" = "$i" ] || bad="$bad $folder/o$i"; done
done
[ -z "$bad" ]; check "orientation: off keeps each photo's own tag, reduced or not${bad:+:$bad}" 0 $?
"$VELMORA" --batch --settings "$O/off_clean.sz" --save-to "$O/off_clean" "$O/src" >"$WORK/out" 2>&1
ogolden "orientation: off writes today's bytes (300 wide, no camera data)" "$O/off_clean" \
    f767c838ce49b52ec1aecb1918d55701 67cf09e33b3274b00a3e046400ae837a 624e0f7425628f748504c5db2ef3b87e \
    91e8ff014ff02309edd6f6f513eadafd ab3ccbf7377e077edeefdb0e8afeb758 6c2097f23bdaf15ca423a981719597be \
    d9726b001c8b4d434f52df99dd83c20d 88e1a38029c59a0c09612fe56443fb22
printf 'crop_mode=1\ncrop_percent_width=50\ncrop_align=1\nauto_orient=0\n' >"$O/crop_off.txt"
"$VELMORA" --tool crop --settings "$O/crop_off.txt" --save-to "$O/crop_off" "$O/src" >"$WORK/out" 2>&1
ogolden "orientation: off crops today's bytes" "$O/crop_off" \
    f48ca56e97f20772ba03164e1cc34fd0 ba398129c828244ad120b7ed51adc301 4afcb71d04fef764184b274abc9d4415 \
    568ae517b684351dae5b406f3421b855 87812a5dff2c96f2705ca22953707936 604dcc9a0125107eeb64093b3ffbe410 \
    376c65ee46e46fd273b6409ae21f605f f2266e0594067b8dbfad91675db34d52

# The location goes alone: no GPS after, the camera model and the date stay.
printf 'bRemovePhotoGpsInfo=1\n' >"$O/gps.sz"
mkdir -p "$O/gps_out"
"$VELMORA" --batch --settings "$O/gps.sz" --save-to "$O/gps_out" "$O/gps" >"$WORK/out" 2>&1
check "orientation: --batch with the location removed exits 0" 0 $?
[ -n "$(oexif GPSLatitude "$O/gps/phone.jpg")" ] && [ -z "$(oexif GPSLatitude "$O/gps_out/phone.jpg")" ] &&
    [ -z "$(oexif GPSInfo "$O/gps_out/phone.jpg")" ]
check "orientation: no GPS data after" 0 $?
[ "$(oexif Model "$O/gps_out/phone.jpg")" = "iPhone 4S" ] &&
    [ "$(oexif DateTimeOriginal "$O/gps_out/phone.jpg")" = "2014:09:01 15:03:47" ] &&
    [ "$(oexif MakerNote "$O/gps_out/phone.jpg")" = "$(oexif MakerNote "$O/gps/phone.jpg")" ] &&
    [ "$(oexif Orientation "$O/gps_out/phone.jpg")" = 1 ]
check "orientation: camera model, date and maker note kept, the photo upright" 0 $?

# Dates: save-to and overwrite, in the main tool and a folder tool.
mkdir -p "$O/dates/src" "$O/dates/out" "$O/dates/crop"
oput "$SAMPLES/meta/vips_rotation_orient6.jpg" "$O/dates/src/d.jpg"
touch -d '2001-02-03 04:05:06' "$O/dates/src/d.jpg"
when=$(stat -c %Y "$O/dates/src/d.jpg")
printf 'bKeepFileTime=1\n' >"$O/dates.sz"
"$VELMORA" --batch --settings "$O/dates.sz" --save-to "$O/dates/out" "$O/dates/src" >"$WORK/out" 2>&1
[ "$(stat -c %Y "$O/dates/out/d.jpg")" = "$when" ]; check "orientation: --batch keeps the date (save-to)" 0 $?
cat "$O/crop.txt" >"$O/crop_dates.txt" && printf 'crop_keep_file_time=1\n' >>"$O/crop_dates.txt"
"$VELMORA" --tool crop --settings "$O/crop_dates.txt" --save-to "$O/dates/crop" "$O/dates/src" >"$WORK/out" 2>&1
[ "$(stat -c %Y "$O/dates/crop/d.jpg")" = "$when" ]; check "orientation: --tool crop keeps the date (save-to)" 0 $?
"$VELMORA" --tool crop --settings "$O/crop_dates.txt" --overwrite "$O/dates/src" >"$WORK/out" 2>&1
[ "$(identify-im6.q16 -format %wx%h "$O/dates/src/d.jpg")" = "200x150" ] &&
    [ "$(stat -c %Y "$O/dates/src/d.jpg")" = "$when" ]
check "orientation: --tool crop keeps the date (overwrite)" 0 $?
"$VELMORA" --batch --settings "$O/dates.sz" --overwrite "$O/dates/src" >"$WORK/out" 2>&1
[ "$(stat -c %Y "$O/dates/src/d.jpg")" = "$when" ]; check "orientation: --batch keeps the date (overwrite)" 0 $?
"$VELMORA" --batch --overwrite "$O/dates/src" >"$WORK/out" 2>&1
[ "$(stat -c %Y "$O/dates/src/d.jpg")" -gt "$when" ]; check "orientation: without the switch the date is the write's" 0 $?
