#!/usr/bin/env bash
# The Windows program (velmora.exe under Wine's loader) and the Winelib build make
# the same pictures: the same runs over the shared samples with both, the same
# lines printed, the same files written, each file byte for byte or pixel for pixel
# the same, or every channel within 1/255 where a library's version differs.
#   same_output.sh WINDOWS_BUILD WINELIB_BUILD SAMPLES_DIR
set -u
WIN="$1"
LIN="$2"
SAMPLES="$(cd "$3" && pwd)"
COMPARE=compare-im6.q16
[ -x "$LIN/velmora" ] || { echo "the Winelib build is missing: $LIN (scripts/build.sh builds it)"; exit 1; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
passed=0
failed=0
check() {  # check NAME CONDITION-EXIT-CODE [DETAIL]
    if [ "$2" = 0 ]; then passed=$((passed + 1)); echo "[ok] $1"; else failed=$((failed + 1)); echo "[FAILED] $1 ${3:-}"; fi
}
bytes=0 pixels=0 near=0 differ=0
profiles() { identify-im6.q16 -verbose "$1" 2>/dev/null | sed -n 's/^ *Profile-\(.*\)$/\1/p'; }

# same NAME ARGS...: runs both builds with ARGS, in which OUT stands for the
# output folder (the same path for both runs, so that their lines are equal).
same() {
    local name="$1" b code
    shift
    for b in lin win; do
        local build="$LIN"; [ $b = win ] && build="$WIN"
        rm -rf "$WORK/out" && mkdir -p "$WORK/out"
        "$build/velmora" "${@//OUT/$WORK/out}" >"$WORK/$name.$b.log" 2>&1
        echo $? >"$WORK/$name.$b.code"
        mv "$WORK/out" "$WORK/$name.$b"
    done
    cmp -s "$WORK/$name.lin.code" "$WORK/$name.win.code"
    check "$name: the same exit code ($(cat "$WORK/$name.win.code"))" $?
    diff "$WORK/$name.lin.log" "$WORK/$name.win.log" >"$WORK/diff" 2>&1
    check "$name: the same lines ($(wc -l <"$WORK/$name.win.log"))" $? "$(head -20 "$WORK/diff")"
    (cd "$WORK/$name.lin" && find . -type f | sort) >"$WORK/lin.files"
    (cd "$WORK/$name.win" && find . -type f | sort) >"$WORK/win.files"
    diff "$WORK/lin.files" "$WORK/win.files" >"$WORK/diff" 2>&1
    check "$name: the same files ($(wc -l <"$WORK/win.files"))" $? "$(head -20 "$WORK/diff")"
    local f worst="" ae pae within=0
    while IFS= read -r f; do
        [ -f "$WORK/$name.win/$f" ] || continue
        if cmp -s "$WORK/$name.lin/$f" "$WORK/$name.win/$f"; then
            bytes=$((bytes + 1))
            continue
        fi
        # Files that differ carry the same profiles (camera data, XMP, colour),
        # each of the same size.
        if [ "$(profiles "$WORK/$name.lin/$f")" != "$(profiles "$WORK/$name.win/$f")" ]; then
            differ=$((differ + 1))
            within=1
            worst+=" $f (profiles: $(profiles "$WORK/$name.lin/$f" | tr '\n' ' ')against $(profiles "$WORK/$name.win/$f" | tr '\n' ' '))"
            continue
        fi
        # -quiet: no warning about the file (an XMP packet it cannot parse) beside the figure.
        ae=$($COMPARE -quiet -metric AE "$WORK/$name.lin/$f" "$WORK/$name.win/$f" null: 2>&1)
        if [ "$ae" = 0 ]; then
            pixels=$((pixels + 1))
            continue
        fi
        # Peak error, normalised to 0..1: within one step of 255.
        pae=$($COMPARE -quiet -metric PAE "$WORK/$name.lin/$f" "$WORK/$name.win/$f" null: 2>&1 | sed -n 's/.*(\([0-9.e+-]*\))$/\1/p')
        if [ -n "$pae" ] && awk -v p="$pae" 'BEGIN { exit !(p <= 1 / 255 + 1e-9) }'; then
            near=$((near + 1))
            echo "  within 1/255: $name/$f (peak $pae, $ae pixels differ)"
        else
            differ=$((differ + 1))
            within=1
            worst+=" $f (peak ${pae:-?}, ${ae} pixels)"
        fi
    done <"$WORK/lin.files"
    check "$name: every picture the same or within 1/255" $within "$worst"
}

# 1. The main tool with its defaults over every sample (pictures of every kind,
# broken files, files that are not pictures), sub-folders mirrored.
same batch --batch --save-to OUT --keep-structure "$SAMPLES"
# 2. Resized to 750 pixels wide (the Lanczos reduction while decoding, and
# ImageMagick's resize) with a text watermark drawn by FreeType and a border.
printf 'bSize=1\r\nzoomType=0\r\nsizeType=0\r\nzoomUnit=0\r\nsizeValue=750\r\nbZoomSameScale=1\r\n' >"$WORK/w750.sz"
printf 'bSYText=1\r\nsy_text=Velmora 2024\r\nsy_text_fontSize=24\r\nbBorder=1\r\n' >>"$WORK/w750.sz"
same batch750 --batch --settings "$WORK/w750.sz" --save-to OUT --keep-structure "$SAMPLES/photos" "$SAMPLES/formats"
# 3. The format conversion tool: every format to palette PNG (libimagequant and
# LodePNG) and to JPEG.
printf 'convert_load_format_option=2047\r\nconvert_format=PNG\r\nconvert_png8=1\r\nconvert_png8_color_count=64\r\n' \
    >"$WORK/png8.txt"
same convert_png8 --tool convert --settings "$WORK/png8.txt" --subfolders --save-to OUT "$SAMPLES/formats"
printf 'convert_load_format_option=2047\r\nconvert_format=JPG\r\n' >"$WORK/jpg.txt"
same convert_jpg --tool convert --settings "$WORK/jpg.txt" --subfolders --save-to OUT "$SAMPLES"

echo "pictures: $bytes byte for byte, $pixels pixel for pixel, $near within 1/255, $differ different"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
