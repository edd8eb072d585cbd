#!/usr/bin/env bash
# Windows check: every program source must still compile for a MinGW-w64 build.
# Syntax only: Debian has no MinGW builds of ImageMagick, libjpeg, libimagequant, libexif or iconv,
# so their Linux headers (and a declaration-only iconv.h) stand in.
set -eu
SRC="$1"
CXX=x86_64-w64-mingw32-g++-posix
if ! command -v "$CXX" >/dev/null; then
    echo "windows_syntax: $CXX is missing (run scripts/setup.sh)" >&2
    exit 1
fi
SHIM=$(mktemp -d)
trap 'rm -rf "$SHIM"' EXIT
ln -s /usr/include/lodepng.h "$SHIM/lodepng.h"
ln -s /usr/include/libimagequant.h "$SHIM/libimagequant.h"
ln -s /usr/include/libexif "$SHIM/libexif"
for h in jpeglib.h jerror.h jmorecfg.h x86_64-linux-gnu/jconfig.h; do ln -s "/usr/include/$h" "$SHIM/$(basename "$h")"; done
cat >"$SHIM/iconv.h" <<'H'
#pragma once
#include <stddef.h>
typedef void *iconv_t;
extern "C" iconv_t iconv_open(const char *, const char *);
extern "C" size_t iconv(iconv_t, char **, size_t *, char **, size_t *);
extern "C" int iconv_close(iconv_t);
H
fails=0
count=0
while IFS= read -r f; do
    count=$((count + 1))
    if ! "$CXX" -std=c++17 -fsyntax-only -finput-charset=UTF-8 -fexec-charset=GBK -DNOMINMAX -DSTRICT \
        -I"$SRC" -I"$SHIM" -idirafter /usr/include/ImageMagick-6 \
        -idirafter /usr/include/x86_64-linux-gnu/ImageMagick-6 \
        -DMAGICKCORE_HDRI_ENABLE=0 -DMAGICKCORE_QUANTUM_DEPTH=16 "$f"; then
        echo "windows_syntax: $f does not compile for Windows"
        fails=$((fails + 1))
    fi
done < <(find "$SRC/util" "$SRC/imaging" "$SRC/input" "$SRC/core" "$SRC/ui" "$SRC/tools" "$SRC/app" -name '*.cpp' | sort)
echo "windows_syntax: $count files, $fails failed"
[ "$fails" -eq 0 ]
