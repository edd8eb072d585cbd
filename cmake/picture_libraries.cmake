# The libraries every picture goes through, for the Winelib build and for the
# native sanitizer and fuzz trees alike (tests/native): one list, so a library
# the program starts to use reaches both. Defines the PkgConfig:: targets
# MAGICK, IMAGEQUANT, EXIF and JPEG, LODEPNG_LIBRARY and LODEPNG_INCLUDE.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MAGICK REQUIRED IMPORTED_TARGET MagickWand-6.Q16)
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
# EXIF blocks are edited (thumbnail, orientation, GPS) with libexif, never by hand.
pkg_check_modules(EXIF REQUIRED IMPORTED_TARGET libexif)
# libjpeg takes its memory from the program (imaging/jpeg_memory.cpp).
pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
find_library(LODEPNG_LIBRARY lodepng REQUIRED)
find_path(LODEPNG_INCLUDE lodepng.h REQUIRED)
set(PICTURE_LIBRARIES PkgConfig::MAGICK PkgConfig::IMAGEQUANT PkgConfig::EXIF PkgConfig::JPEG ${LODEPNG_LIBRARY})
