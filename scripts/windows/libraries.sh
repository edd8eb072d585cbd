# The libraries velmora.exe links, in build order; sourced by scripts/build-windows.sh.
# One line per library:
#
#   library NAME  DEBIAN-SOURCE  LINUX-PACKAGE  "NEEDS"  HOW  [OPTIONS...]
#
# DEBIAN-SOURCE ("-": a MinGW package Debian builds itself) is fetched with `apt-get source` (every Debian patch applied) at the
# version LINUX-PACKAGE has on this machine, so that the Windows program runs the
# same library code as the Winelib build; when that package is not installed, the
# newest version the archive offers. NEEDS are libraries listed above it. HOW is
# `cmake` or `autotools` (OPTIONS go to CMake or configure, after the common ones:
# static only, installed into the library's own folder in the cache) or the name of
# a build_* function below, which gets the source folder and the install folder. A library is rebuilt only when its line, its build
# function, its source version, a local patch, the compilers or one of its NEEDS
# changed.
#
# Adding a library is one line here (plus a patch in patches/NAME/ if it needs one);
# when ImageMagick should use it, name it in ImageMagick's NEEDS and drop the
# matching --without-* option in build_imagemagick.

library zlib        -              libz-mingw-w64-dev        ""      build_zlib
library jpeg        libjpeg-turbo  libjpeg62-turbo           ""      cmake \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
library png         libpng1.6      libpng16-16               "zlib"  cmake \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF
library lcms2       lcms2          liblcms2-2                ""      autotools --without-jpeg --without-tiff
library freetype    freetype       libfreetype6              "zlib png" cmake \
    -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON -DFT_DISABLE_BZIP2=ON \
    -DFT_REQUIRE_ZLIB=ON -DFT_REQUIRE_PNG=ON
library webp        libwebp        libwebp7                  ""      cmake \
    -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
library tiff        tiff           libtiff6                  "zlib jpeg webp" cmake \
    -DBUILD_SHARED_LIBS=OFF -Dtiff-tools=OFF -Dtiff-tests=OFF -Dtiff-docs=OFF -Dtiff-contrib=OFF -Dcxx=OFF \
    -Djpeg=ON -Dzlib=ON -Dwebp=ON -Dlzma=OFF -Dzstd=OFF -Djbig=OFF -Dlerc=OFF -Dlibdeflate=OFF
# ImageMagick keeps a picture's XMP packet only when libxml2 can parse it; the
# Linux library's encodings come from ICU and iconv, these from libxml2 itself.
library xml2        libxml2        libxml2                   "zlib"  cmake \
    -DBUILD_SHARED_LIBS=OFF -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_PYTHON=OFF \
    -DLIBXML2_WITH_PROGRAMS=OFF -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF
# EXIF blocks (orientation, thumbnail, GPS); no translations, so no libintl.
library exif        libexif        libexif12                 ""      build_exif --disable-docs --disable-nls
library imagequant  libimagequant  libimagequant0            ""      build_imagequant
library lodepng     lodepng        liblodepng-dev            ""      build_lodepng
library googletest  googletest     libgtest-dev              ""      cmake -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
# HEIC and AVIF: libheif with its HEVC (libde265) and AV1 (dav1d) decoders built
# in, no encoders and no plug-in folder (the program writes neither format).
library de265       libde265       libde265-0                ""      cmake \
    -DBUILD_SHARED_LIBS=OFF -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
library dav1d       dav1d          libdav1d6                 ""      build_dav1d
library heif        libheif        libheif1                  "de265 dav1d" cmake \
    -DBUILD_SHARED_LIBS=OFF -DENABLE_PLUGIN_LOADING=OFF -DWITH_EXAMPLES=OFF -DWITH_LIBDE265=ON -DWITH_DAV1D=ON \
    -DWITH_X265=OFF -DWITH_AOM_ENCODER=OFF -DWITH_AOM_DECODER=OFF -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF \
    -DWITH_GDK_PIXBUF=OFF -DWITH_FUZZERS=OFF -DBUILD_TESTING=OFF
library imagemagick imagemagick    libmagickwand-6.q16-dev   "zlib jpeg png lcms2 freetype webp tiff xml2 heif de265 dav1d" \
    build_imagemagick

# --- how libraries are built: STEP SOURCE INSTALL [OPTIONS...] ----------------------
# Each runs under bash -e in an empty work folder; CPPFLAGS, LDFLAGS,
# PKG_CONFIG_LIBDIR and VELMORA_WINDOWS_ROOTS (read by the CMake toolchain file)
# name the libraries of its NEEDS and nothing else.

cmake_build() {
    local src=$1 out=$2
    shift 2
    cmake -S "$src" -B . -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN_FILE" \
        -DCMAKE_INSTALL_PREFIX="$out" -DCMAKE_BUILD_TYPE=Release \
        -DZLIB_LIBRARY="$ZLIB_PREFIX/lib/libz.a" -DZLIB_INCLUDE_DIR="$ZLIB_PREFIX/include" "$@"
    cmake --build . -j"$JOBS"
    cmake --install .
}

autotools_build() {
    local src=$1 out=$2
    shift 2
    "$src/configure" --host="$HOST" --prefix="$out" --enable-static --disable-shared "$@"
    make -j"$JOBS"
    make install
}

# Debian's libexif source has no configure script: it is made first, as
# Debian's own build does (autoreconf).
build_exif() {
    local src=$1
    shift
    cp -a "$src/." ./source
    (cd source && autoreconf -fi)
    autotools_build "$PWD/source" "$@"
}

# A pkg-config file for a library that brings none.
write_pc() {  # write_pc PREFIX FILE NAME VERSION LIBS LIBS_PRIVATE
    cat >"$1/lib/pkgconfig/$2.pc" <<PC
prefix=$1
libdir=\${prefix}/lib
includedir=\${prefix}/include
Name: $3
Description: $3 (static, for Windows)
Version: $4
Libs: -L\${libdir} $5
Libs.private: $6
Cflags: -I\${includedir}
PC
}

# Debian builds zlib for MinGW itself (libz-mingw-w64-dev); only its static library
# is taken, so that nothing can link zlib1.dll by mistake.
build_zlib() {
    local out="$2"
    mkdir -p "$out/include" "$out/lib/pkgconfig"
    cp "$SYSROOT/include/zlib.h" "$SYSROOT/include/zconf.h" "$out/include/"
    cp "$SYSROOT/lib/libz.a" "$out/lib/"
    write_pc "$out" zlib zlib "$UPSTREAM_VERSION" "-lz" ""
}

# libimagequant has its own configure; OpenMP and the flags as in Debian's build
# (its configure adds -O3 and SSE), so that both builds quantise alike.
build_imagequant() {
    local src="$1" out="$2"
    # Its configure and Makefile work in the source folder: a copy of it.
    cp -a "$src/." .
    ./configure --prefix="$out" --with-openmp --enable-sse CC="$CC" CFLAGS="-O2 -Wall"
    make -j"$JOBS" static AR="$AR"
    mkdir -p "$out/include" "$out/lib/pkgconfig"
    cp libimagequant.a "$out/lib/"
    cp libimagequant.h "$out/include/"
    write_pc "$out" imagequant "libimagequant" "$UPSTREAM_VERSION" "-limagequant" "-fopenmp"
}

# Debian builds LodePNG as C++ (liblodepng-dev has mangled names); so does this.
build_lodepng() {
    local src="$1" out="$2"
    mkdir -p "$out/include" "$out/lib/pkgconfig"
    "$CXX" -O2 -c -x c++ "$src/lodepng.cpp" -o lodepng.o
    "$AR" rcs "$out/lib/liblodepng.a" lodepng.o
    cp "$src/lodepng.h" "$out/include/"
    write_pc "$out" lodepng "LodePNG" "$UPSTREAM_VERSION" "-llodepng" ""
}

# dav1d builds with Meson, which takes the cross compilers from a file.
build_dav1d() {
    local src="$1" out="$2"
    cat >cross.txt <<CROSS
[binaries]
c = '$CC'
cpp = '$CXX'
ar = '$AR'
strip = '$STRIP'
nasm = 'nasm'
pkgconfig = 'pkg-config'
[host_machine]
system = 'windows'
cpu_family = 'x86_64'
cpu = 'x86_64'
endian = 'little'
CROSS
    meson setup build "$src" --cross-file cross.txt --prefix="$out" --libdir=lib --buildtype=release \
        --default-library=static -Denable_tools=false -Denable_examples=false -Denable_tests=false \
        -Denable_docs=false
    ninja -C build -j"$JOBS"
    ninja -C build install
}

# ImageMagick 6, Q16 without HDRI as Debian builds it, every coder built into the
# library (no modules to load, so no folder name can keep a coder from loading)
# and OpenMP linked in. Features Debian has but the program never uses are off.
build_imagemagick() {
    local src="$1" out="$2" libs
    # The TIFF check links tif_webp before -lwebp unless static libraries are asked
    # for; -lws2_32 (the distributed cache of a Debian backport) must not reach
    # configure, which would then look for Unix socket headers.
    # Its PNG coder takes one process-wide lock around every PNG read and write
    # unless told that setjmp is thread-safe, which it is here (one jump buffer per
    # png_struct, libpng 1.6): the tools' workers then encode PNGs side by side.
    # Its HEIC coder includes <heif.h> on Windows, where the library's own
    # layout has <libheif/heif.h>.
    local heif
    heif="$(pkg-config --variable=includedir libheif)/libheif"
    PKG_CONFIG="pkg-config --static" LIBS="-lwebp" CFLAGS="-O2 -DIMPNG_SETJMP_IS_THREAD_SAFE -I$heif" CXXFLAGS="-O2" \
        "$src/configure" --host="$HOST" --build=x86_64-linux-gnu --prefix="$out" --disable-installed \
        --enable-static --disable-shared --without-modules --with-quantum-depth=16 --disable-hdri \
        --without-x --without-perl --without-magick-plus-plus --disable-docs --without-gcc-arch \
        --without-fontconfig --without-bzlib --without-lzma --without-zstd --without-openjp2 \
        --without-raw --without-djvu --without-wmf --without-lqr --without-fftw --without-fpx \
        --without-gvc --without-rsvg --without-pango --without-jbig --without-dps --without-openexr \
        --without-flif --without-jxl --without-gslib --without-autotrace --without-raqm --disable-opencl
    libs="$(sed -n 's/^LIBS = //p' Makefile) -lws2_32"
    # The libraries only: no utilities (convert.exe and the rest, 10 MB each).
    make -j"$JOBS" bin_PROGRAMS= LIBS="$libs" LDFLAGS="$LDFLAGS -all-static"
    make install bin_PROGRAMS= LIBS="$libs" LDFLAGS="$LDFLAGS -all-static"
    # Programs that link MagickWand need Winsock too (see above).
    sed -i 's/^Libs.private: \(.*\)$/Libs.private: \1 -lws2_32/' "$out"/lib/pkgconfig/Magick*.pc
    rm -rf "$out/bin"
}
