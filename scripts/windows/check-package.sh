#!/usr/bin/env bash
# Checks the Windows zip: the two programs are 64-bit PE files (velmora.exe a
# window program, velmora-cli.exe a console program) with their icon, version
# information and common-controls manifest; every DLL they import is a Windows
# system DLL or is in the zip; the files the program reads beside itself are there.
#   check-package.sh dist/velmora-11.5-win64.zip
set -u
ZIP="$1"
OBJDUMP=x86_64-w64-mingw32-objdump
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failed=0
fail() { echo "[FAILED] $*"; failed=$((failed + 1)); }
ok() { echo "[ok] $*"; }

unzip -q "$ZIP" -d "$WORK" || { echo "cannot unpack $ZIP"; exit 1; }
TOP=$(find "$WORK" -mindepth 1 -maxdepth 1 -type d | head -1)

# DLLs every 64-bit Windows since 7 has in System32.
SYSTEM_DLLS="advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi user32 version ws2_32"

check_type() {  # check_type FILE EXPECTED
    local what
    what=$(file -b "$TOP/$1")
    case "$what" in
        "PE32+ executable ($2) x86-64"*) ok "$1: $what" ;;
        *) fail "$1 is '$what', expected PE32+ $2 x86-64" ;;
    esac
}
check_type velmora.exe GUI
check_type velmora-cli.exe console

while IFS= read -r -d '' module; do
    name=${module#"$TOP"/}
    for dll in $("$OBJDUMP" -p "$module" | sed -n 's/^\s*DLL Name: //p'); do
        lower=$(printf '%s' "$dll" | tr 'A-Z' 'a-z')
        if [[ " $SYSTEM_DLLS " == *" ${lower%.dll} "* ]]; then
            continue
        elif [ -n "$(find "$TOP" -iname "$dll" -print -quit)" ]; then
            ok "$name imports $dll, which is in the zip"
        else
            fail "$name imports $dll: neither a Windows system DLL nor in the zip"
        fi
    done
    ok "$name imports: $("$OBJDUMP" -p "$module" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')"
done < <(find "$TOP" -type f \( -iname '*.exe' -o -iname '*.dll' \) -print0)

for exe in velmora.exe velmora-cli.exe; do
    # The resources: version strings are UTF-16, the manifest is UTF-8 text.
    strings -e l "$TOP/$exe" | grep -q 'Velmora' || fail "$exe has no version information"
    grep -q 'Microsoft.Windows.Common-Controls' "$TOP/$exe" || fail "$exe has no common-controls manifest"
    "$OBJDUMP" -h "$TOP/$exe" | grep -q '\.rsrc' || fail "$exe has no resources (icon)"
done

for f in README.txt LICENSE.txt config/policy.xml config/colors.xml config/english.xml config/locale.xml \
         icc/sRGB.icc icc/JapanColor2001Coated.icc icc/LICENSE-icc-profiles.txt help/index.html licenses/imagemagick.txt licenses/imagequant.txt licenses/lodepng.txt \
         licenses/jpeg.txt licenses/png.txt licenses/tiff.txt licenses/webp.txt licenses/lcms2.txt \
         licenses/freetype.txt licenses/xml2.txt licenses/exif.txt licenses/zlib.txt licenses/heif.txt \
         licenses/de265.txt licenses/dav1d.txt; do
    [ -s "$TOP/$f" ] || fail "$f is missing from the zip"
done
head -c 3 "$TOP/README.txt" | cmp -s - <(printf '\xEF\xBB\xBF') || fail "README.txt has no UTF-8 byte-order mark"

echo "$(basename "$ZIP"): $failed failed"
[ "$failed" -eq 0 ]
