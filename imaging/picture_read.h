// The one checked way to read a picture file. Everything in the program that
// decodes a picture from disk (batch pipeline, thumbnails, --describe, the
// watermark picture, the satellite tools, the preview) reads it here, so that
// every part gives the same answer for the same file:
//   - the file is read through Win32 into memory and decoded from there: a disk
//     that fails while reading is a read error, never a fault in the decoder;
//   - the size is taken from the header (ImageMagick's ping) and checked against
//     ImageMagick's width, height and area limits (res/config/policy.xml) before
//     any pixel memory is taken;
//   - a decode that ImageMagick reports as an error is a failure even when it
//     hands back a picture (a CMYK tiled TIFF comes back all black); a decode with
//     warnings only (a truncated JPEG) is a picture;
//   - every failure comes with a reason in GBK for the user ("不支持此格式 (HEIC)"
//     when this build of ImageMagick has no coder for the file's format);
//   - pictures decoded as YCbCr samples (HEIC, AVIF) come back as sRGB.
//
// Usage, whole picture:
//     std::string reason;
//     MagickWand *picture = readCheckedPicture(path, reason);
//     if (!picture) { report "图片读取失败:\r\n" + path + "\r\n原因：" + reason; return; }
//     ...
//     DestroyMagickWand(picture);
//
// Usage, fewer pixels are enough (JPEG shrink-on-load, e.g. a thumbnail):
//     PictureFile file;
//     if (!readPictureFile(path, file, reason)) ...      // bytes + what the header says
//     DecodeHint hint{188, 188};                          // or from file.width / file.height
//     MagickWand *picture = decodePictureFile(file, hint, reason);
//
// The returned wand holds every image of the file with the last one current, as
// MagickReadImage leaves it. Safe to call from several threads at once.
#pragma once
#include <cstddef>
#include <string>
#include <vector>
#include <wand/MagickWand.h>

struct PictureFile {
    std::string path;                  // GBK, as given (for messages)
    std::vector<unsigned char> bytes;  // the whole file
    std::string format;                // ImageMagick's name from the header: "JPEG", "PNG", "TIFF", ...
    size_t width = 0;                  // first image, as stored
    size_t height = 0;
    size_t frames = 0;                 // images (pages, frames, layers) in the file; an APNG's
                                       // frames (ImageMagick decodes its first frame only)
    bool animated = false;             // a GIF of two or more images, a PNG with an animation (acTL)
    unsigned long long pixels = 0;     // width x height summed over every image
    bool progressiveJpeg = false;      // libjpeg holds all of its coefficients while decoding, at any scale
    bool cmyk = false;                 // CMYK (a JPEG from print)
    int orientation = 0;               // first image: EXIF/TIFF orientation 1..8, 0 when the file says none
};

// JPEG only: decode at the smallest of libjpeg's scales 1/8 .. 8/8 that still
// gives at least width x height (both 0: full size). Other formats ignore it.
struct DecodeHint {
    size_t width = 0;
    size_t height = 0;
    // The file holds nothing but a progressive JPEG's first, DC-only scan (as a
    // thumbnail cuts it): its coefficients are kept as DC terms alone
    // (JpegFirstScanOnly), and libjpeg's block smoothing is off. For such a
    // scan the smoothing blurs the DC terms over five blocks each way and
    // takes most of the decode estimating AC terms that a 1/8 scale never
    // uses; without it each pixel at 1/8 is its block's average, as in a
    // decode of the whole file.
    bool firstScanOnly = false;
};

// Largest file read into memory.
const size_t kMaxPictureFileBytes = size_t(1) << 30;

// Reads the file and its header. false with the reason when the file cannot be
// read, is empty, is larger than kMaxPictureFileBytes or is no picture
// ImageMagick knows.
bool readPictureFile(const std::string &path, PictureFile &file, std::string &reason);

// "GIF 动画 (共 N 帧)" / "PNG 动画 (共 N 帧)" for an animated file, else empty.
// Animations are refused, never written as their first frame.
std::string animationText(const PictureFile &file);

// Decodes a file read by readPictureFile. nullptr with the reason when the size
// (after the hint) exceeds ImageMagick's limits, when ImageMagick reports an
// error, or when no pixels come back.
MagickWand *decodePictureFile(const PictureFile &file, const DecodeHint &hint, std::string &reason);

// A JPEG reduced to width x height (Lanczos, as MagickResizeImage with
// LanczosFilter) while it is decoded: the rows go from libjpeg straight into
// the reduction, so the full-size picture is never held. The hint works as for
// decodePictureFile. What the stream cannot take (not a JPEG, CMYK, a larger
// size than decoded) is decoded whole by decodePictureFile, unreduced: the
// caller compares the size it gets with the one it asked for.
MagickWand *decodeReducedJpeg(const PictureFile &file, const DecodeHint &hint, size_t width, size_t height,
                              std::string &reason);

// readPictureFile + decodePictureFile at full size.
MagickWand *readCheckedPicture(const std::string &path, std::string &reason);

// Photos as people see them: a camera stores a portrait photo as a landscape
// picture with an orientation tag (6: turn 90 degrees clockwise). orientPicture
// turns the current image as orientation (1..8: PictureFile::orientation, or
// MagickGetImageOrientation of a picture decoded whole) asks and
// marks it upright (orientation 1), so every later step works on the picture as
// shown and the written file's tag says 1. The picture may have been reduced
// while it was decoded: the reduced picture is turned, never a full one. false
// (the picture as it was) when ImageMagick cannot turn it.
bool orientPicture(MagickWand *picture, int orientation);
// Orientations 5..8 exchange width and height.
inline bool orientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// What one picture may cost, as ImageMagick's resource limits say now (the
// shipped policy's values): the largest width, height and pixel count.
struct PictureLimits {
    unsigned long long maxWidth = 0;
    unsigned long long maxHeight = 0;
    unsigned long long maxPixels = 0;
};
PictureLimits currentPictureLimits();

// ImageMagick's text for the wand's last problem, in GBK, or empty; clears it.
// The file name and source location ImageMagick appends ("`x.tif' @ error/...")
// are cut off: they name ImageMagick's internals, not the user's file.
std::string takeWandError(MagickWand *wand);

// Whether a file of this format with this many images is an animation (a GIF or
// a WebP of two or more frames), which is refused wherever an animated GIF is.
bool isAnimation(const std::string &format, size_t images);

// The current image's format name ("JPEG", "PNG", ...), empty when unknown.
std::string wandFormat(MagickWand *wand);
