// The header sniffer on a memory buffer: the input is the start of a file. The
// readers must stay inside the bytes (the fuzzer's buffer is exactly that long),
// agree with each other, and describe what they read within the caller's buffer.
#include "fuzz_target.h"

#include <cstring>

#include "input/header_sniff.h"

FUZZ_TARGET(sniff_bytes)
{
    const int type = sniffPictureBytes(data, size);
    PictureHeader header;
    const bool known = readPictureHeaderBytes(data, size, &header);

    FUZZ_CHECK(header.type == pictureTypeFromSignature(data, size));
    FUZZ_CHECK(memchr(header.typeName, 0, sizeof header.typeName) != nullptr);
    if (known)
        FUZZ_CHECK(header.width > 0 && header.height > 0 && header.type != kSniffNotRecognised);
    // The full type check refines the signature only for GIF, PNG and WebP (still or animated).
    if (header.type == kPictureGif)
        FUZZ_CHECK(type == kPictureGif || type == kSniffAnimatedGif || type == kSniffNotRecognised);
    else if (header.type == kPicturePng)
        FUZZ_CHECK(type == kPicturePng || type == kSniffAnimatedPng);
    else if (header.type == kPictureWebp)
        FUZZ_CHECK(type == kPictureWebp || type == kSniffAnimatedWebp);
    else
        FUZZ_CHECK(type == header.type);

    char text[kPictureDescriptionSize];
    memset(text, 'x', sizeof text);
    if (formatPictureDescription(header.width, header.height, header.typeName, header.fileSize, text))
        FUZZ_CHECK(memchr(text, 0, sizeof text) != nullptr);
    char small[16];
    if (formatPictureDescription(header.width, header.height, header.typeName, header.fileSize, small, sizeof small))
        FUZZ_CHECK(strlen(small) < sizeof small);
    return 0;
}
