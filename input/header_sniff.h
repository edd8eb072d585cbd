// A picture's real format, width and height read from the first bytes of the
// file, without decoding it (pictures often carry the wrong extension).
//
// Two layers: the byte-level readers work on a HeaderSource (a memory buffer or
// anything else that can copy bytes at an offset) and never touch the file
// system; the path-based functions open the file through Win32 and feed those
// readers. Every reader stays inside the bytes the source holds: a short file
// reads as zeros past its end and fails the positive-size tests.
#pragma once
#include <string>
#include <cstddef>
#include <cstdint>

// Type codes. They double as the identifiers of the type icons the picture list
// shows before a thumbnail exists, so their values are fixed.
enum PictureTypeCode {
    kPictureJpeg = 113,
    kPicturePng = 114,
    kPictureGif = 115,  // a still GIF only
    kPictureBmp = 116,
    kPicturePsd = 117,
    kPictureTiff = 118,
    kPictureWebp = 119,  // a still WebP only
    kPictureHeic = 120,  // HEIC and any other HEIF picture
    kPictureAvif = 121,
};

// True for the codes above.
bool isPictureTypeCode(int code);

// Results of the type check besides the codes above.
constexpr int kSniffCannotOpen = 0;
constexpr int kSniffAnimatedGif = -1;
constexpr int kSniffNotRecognised = -2;
constexpr int kSniffAnimatedPng = -3;  // an APNG: an "acTL" chunk of two or more frames
constexpr int kSniffAnimatedWebp = -4;

// Callers of the description functions give a buffer of this size (127 bytes of
// text plus the terminator); the type name needs kPictureTypeNameSize bytes.
constexpr size_t kPictureDescriptionSize = 128;
constexpr size_t kPictureTypeNameSize = 5;

// Bytes to look at: `read` copies up to `count` bytes starting at `offset` into
// `out` and returns how many it copied (fewer at the end, 0 past it). `size` is
// the total length (the file's length for a file).
struct HeaderSource {
    size_t (*read)(void *context, uint64_t offset, unsigned char *out, size_t count);
    void *context;
    uint64_t size;
};

// A source over a memory buffer (the buffer must outlive the source).
struct MemoryHeaderSource {
    const unsigned char *data;
    size_t length;
};
HeaderSource memoryHeaderSource(MemoryHeaderSource *buffer);

struct PictureHeader {
    int type = kSniffNotRecognised;  // a type code, or kSniffNotRecognised
    // "JPEG", "PNG", "GIF", "BMP", "PSD", "TIFF", "WEBP", "HEIC", "AVIF"
    char typeName[kPictureTypeNameSize] = {};
    int width = 0;
    int height = 0;
    int64_t fileSize = 0;  // BMP: the size its file header records; others: the source's length
};

// --- Byte level (no file system) -------------------------------------------

// The format from the first two bytes, or for WebP, HEIC and AVIF from their
// container's brand (kContainerHeadBytes of imaging/format_support.h), or
// kSniffNotRecognised. Does not tell a still GIF or WebP from an animated one.
int pictureTypeFromSignature(const unsigned char *first, size_t length);
// The full type check: a type code, kSniffAnimatedGif, kSniffAnimatedPng,
// kSniffAnimatedWebp or kSniffNotRecognised.
int sniffPictureType(const HeaderSource &source);
// True when the format is recognised and width and height are both positive.
// `out` is filled as far as it could be read either way.
bool readPictureHeader(const HeaderSource &source, PictureHeader *out);

// Buffer shorthands of the two above.
int sniffPictureBytes(const unsigned char *data, size_t length);
bool readPictureHeaderBytes(const unsigned char *data, size_t length, PictureHeader *out);

// The one-line description "尺寸: W x H, 类型: T 图片, 大小: ..." with the size in
// bytes below 1024, in KB (one decimal) below 1048576, else in MB. Writes at most
// textSize bytes including the terminator; false (text untouched) when width,
// height or size is not positive.
bool formatPictureDescription(int width, int height, const char *typeName, int64_t size, char *text,
                              size_t textSize = kPictureDescriptionSize);

// --- Files (GBK paths, opened through Win32) -------------------------------

// A type code, kSniffAnimatedGif, kSniffAnimatedPng, kSniffAnimatedWebp,
// kSniffNotRecognised, or
// kSniffCannotOpen when the file cannot be opened.
int sniffPictureType(const char *path);
// True and the outputs filled (each may be null) when the format is recognised
// and both dimensions are positive; false also when the file cannot be opened.
bool readPictureHeader(const char *path, char *typeName /* kPictureTypeNameSize */, int *width, int *height);
// True and the description written into text (kPictureDescriptionSize bytes)
// when the format is recognised and width, height and file size are positive;
// false with text untouched otherwise.
bool describePictureFile(const char *path, char *text);
// The slower description obtained through the checked picture reader
// (imaging/picture_read.h); always writes a text: the description with the format
// name ImageMagick reports, or "注意: 这不是一个有效的图片" (and false, with
// ImageMagick's or the system's reason) when the file is no picture.
bool describePictureWithMagick(const char *path, char *text, std::string *reason = nullptr);
// describePictureFile, and describePictureWithMagick for what the header sniffer
// does not know: false (text "注意: 这不是一个有效的图片", reason set) only when
// neither can describe the file. "无法识别的图片" is for that case alone.
bool describePicture(const char *path, char *text, std::string *reason = nullptr);

// The text shown when ImageMagick cannot read a file.
extern const char kNotAValidPictureText[];
