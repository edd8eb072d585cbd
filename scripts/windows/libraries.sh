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
# a build_* function below, which gets the source folder, the install folder and
# the folders of its NEEDS. A library is rebuilt only when its line, its build
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
library imagequant  libimagequant  libimagequant0            ""      build_imagequant
library lodepng     lodepng        liblodepng-dev            ""      build_lodepng
library googletest  googletest     libgtest-dev              ""      cmake -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF
library imagemagick imagemagick    libmagickwand-6.q16-dev   "zlib jpeg png lcms2 freetype webp tiff" build_imagemagick

# --- build functions: build_NAME SOURCE INSTALL NEEDS... --------------------------

# Debian builds zlib for MinGW itself (libz-mingw-w64-dev); only its static library
# is taken, so that nothing can link zlib1.dll by mistake.
build_zlib() {
    local out="$2"
    mkdir -p "$out/include" "$out/lib/pkgconfig"
    cp "$SYSROOT/include/zlib.h" "$SYSROOT/include/zconf.h" "$out/include/"
    cp "$SYSROOT/lib/libz.a" "$out/lib/"
    sed "s|^prefix=.*|prefix=$out|" "$SYSROOT/lib/pkgconfig/zlib.pc" >"$out/lib/pkgconfig/zlib.pc"
}

# libimagequant has its own configure; OpenMP on, as in Debian's build, so that
# both builds quantise alike.
build_imagequant() {
    local src="$1" out="$2"
    (cd "$src" && ./configure --prefix="$out" --with-openmp CC="$CC" CFLAGS="-O3 -fno-math-errno -funroll-loops \
        -fomit-frame-pointer -Wall -std=c99" >/dev/null && make -j"$JOBS" static AR="$AR" >/dev/null)
    mkdir -p "$out/include" "$out/lib/pkgconfig"
    cp "$src/libimagequant.a" "$out/lib/"
    cp "$src/libimagequant.h" "$out/include/"
    write_pc "$out" imagequant "libimagequant" "$UPSTREAM_VERSION" "-limagequant" "-fopenmp"
}

# Debian builds LodePNG as C++ (liblodepng-dev has mangled names); so does this.
build_lodepng() {
    local src="$1" out="$2" work="$2.work"
    mkdir -p "$out/include" "$out/lib/pkgconfig" "$work"
    "$CXX" -O2 -c -x c++ "$src/lodepng.cpp" -o "$work/lodepng.o"
    "$AR" rcs "$out/lib/liblodepng.a" "$work/lodepng.o"
    rm -rf "$work"
    cp "$src/lodepng.h" "$out/include/"
    write_pc "$out" lodepng "LodePNG" "$UPSTREAM_VERSION" "-llodepng" ""
}

# ImageMagick 6, Q16 without HDRI as Debian builds it, every coder built into the
# library (no modules to load, so no folder name can keep a coder from loading)
# and OpenMP linked in. Features Debian has but the program never uses are off.
build_imagemagick() {
    local src="$1" out="$2" build="$2.work"
    mkdir -p "$build"
    # The TIFF check links tif_webp before -lwebp unless static libraries are asked
    # for; -lws2_32 (the distributed cache of a Debian backport) must not reach
    # configure, which would then look for Unix socket headers.
    (cd "$build" && PKG_CONFIG="pkg-config --static" LIBS="-lwebp" CFLAGS="-O2" CXXFLAGS="-O2" \
        "$src/configure" --host="$HOST" --build=x86_64-linux-gnu --prefix="$out" --disable-installed \
        --enable-static --disable-shared --without-modules --with-quantum-depth=16 --disable-hdri \
        --without-x --without-perl --without-magick-plus-plus --disable-docs --without-gcc-arch \
        --without-fontconfig --without-bzlib --without-lzma --without-zstd --without-xml --without-openjp2 \
        --without-heic --without-raw --without-djvu --without-wmf --without-lqr --without-fftw --without-fpx \
        --without-gvc --without-rsvg --without-pango --without-jbig --without-dps --without-openexr \
        --without-flif --without-jxl --without-gslib --without-autotrace --without-raqm --disable-opencl \
        >"$build/configure.log" 2>&1) || { tail -30 "$build/configure.log"; return 1; }
    grep -E '^ +(FreeType|JPEG v1|LCMS|PNG|TIFF|WEBP|ZLIB) +--with' "$build/configure.log" | sed 's/^/    /' || true
    local libs
    libs="$(sed -n 's/^LIBS = //p' "$build/Makefile") -lws2_32"
    (cd "$build" && make -j"$JOBS" LIBS="$libs" LDFLAGS="$LDFLAGS -all-static" >"$build/make.log" 2>&1 &&
        make install LIBS="$libs" LDFLAGS="$LDFLAGS -all-static" >>"$build/make.log" 2>&1) ||
        { tail -30 "$build/make.log"; return 1; }
    # Programs that link MagickWand need Winsock too (see above).
    sed -i 's/^Libs.private: \(.*\)$/Libs.private: \1 -lws2_32/' "$out"/lib/pkgconfig/Magick*.pc
    rm -rf "$build" "$out/bin"
}
