// Which picture formats this copy of ImageMagick can read, and the format a
// file's own first bytes name when it is one of the container formats whose
// coder a build may lack (WebP through libwebp, HEIC and AVIF through libheif).
// The byte rules are pure and bounded by the length given, so they can be fed
// anything.
#pragma once
#include <cstddef>
#include <string>

// Bytes the container rules look at (an "ftyp" box lists its brands there).
constexpr size_t kContainerHeadBytes = 64;

// "WEBP" for a RIFF file of form WEBP; "AVIF" or "HEIC" for an ISO base media
// file whose "ftyp" box names an AVIF or a HEIF brand (a plain HEIF is what
// ImageMagick calls HEIC); nullptr for anything else.
const char *containerFormatName(const unsigned char *data, size_t length);

// True when ImageMagick has a decoder for the format name ("HEIC", "WEBP", ...)
// and the policy lets it read.
bool imageMagickReads(const std::string &format);

// The reason a picture fails with when ImageMagick has no coder for its format:
// "不支持此格式 (HEIC)".
std::string unsupportedFormatReason(const std::string &format);
