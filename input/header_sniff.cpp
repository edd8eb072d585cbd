// Byte-level header readers. No file system here: everything goes through a
// HeaderSource, so the same code reads files and test buffers, and every read
// is bounded by what the source holds.
#include "input/header_sniff.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "imaging/png_animation.h"

namespace {

struct Signature {
    unsigned char first, second;
    int type;
    const char *name;
};

// Only two bytes are compared; the first match wins.
const Signature kSignatures[] = {
    {0x42, 0x4D, kPictureBmp, "BMP"},  {0xFF, 0xD8, kPictureJpeg, "JPEG"}, {0x47, 0x49, kPictureGif, "GIF"},
    {0x89, 0x50, kPicturePng, "PNG"},  {0x49, 0x49, kPictureTiff, "TIFF"}, {0x4D, 0x4D, kPictureTiff, "TIFF"},
    {0x38, 0x42, kPicturePsd, "PSD"},
};

// Sequential reader over a source; reading past the end yields zeros for the
// fixed-size fields and reports the end to the block walks.
struct Cursor {
    const HeaderSource &source;
    uint64_t position;

    bool atEnd() const { return position >= source.size; }

    // -1 at the end.
    int byte()
    {
        unsigned char b = 0;
        if (atEnd() || source.read(source.context, position, &b, 1) != 1) {
            position = source.size;
            return -1;
        }
        ++position;
        return b;
    }

    // Copies `count` bytes (missing ones as zeros); false when any was missing.
    bool bytes(unsigned char *out, size_t count)
    {
        memset(out, 0, count);
        size_t got = atEnd() ? 0 : source.read(source.context, position, out, count);
        if (got > count)
            got = count;
        position += count;
        return got == count;
    }

    void skip(uint64_t count)
    {
        position = (count > UINT64_MAX - position) ? UINT64_MAX : position + count;
    }

    // GIF data sub-blocks: length bytes followed by that many bytes, up to a
    // length of 0. False when the end came first.
    bool skipSubBlocks()
    {
        for (;;) {
            int length = byte();
            if (length < 0)
                return false;
            if (length == 0)
                return true;
            skip((uint64_t)length);
        }
    }
};

unsigned le16(const unsigned char *p) { return (unsigned)p[0] | ((unsigned)p[1] << 8); }
unsigned be16(const unsigned char *p) { return ((unsigned)p[0] << 8) | (unsigned)p[1]; }
uint32_t le32(const unsigned char *p) { return (uint32_t)le16(p) | ((uint32_t)le16(p + 2) << 16); }
uint32_t be32(const unsigned char *p) { return ((uint32_t)be16(p) << 16) | (uint32_t)be16(p + 2); }

// A 32-bit field taken as a signed dimension; 0 when it does not fit a positive int.
int positiveOrZero(int64_t value) { return (value > 0 && value <= INT_MAX) ? (int)value : 0; }

const Signature *signatureOf(const unsigned char *first, size_t length)
{
    if (!first || length < 2)
        return nullptr;
    for (const Signature &s : kSignatures)
        if (first[0] == s.first && first[1] == s.second)
            return &s;
    return nullptr;
}

size_t readMemory(void *context, uint64_t offset, unsigned char *out, size_t count)
{
    const MemoryHeaderSource *buffer = static_cast<const MemoryHeaderSource *>(context);
    if (!buffer->data || offset >= buffer->length)
        return 0;
    size_t available = buffer->length - (size_t)offset;
    size_t n = count < available ? count : available;
    memcpy(out, buffer->data + offset, n);
    return n;
}

// A GIF89a is walked block by block up to its trailer; a second image
// descriptor marks it animated. The end of the data anywhere inside the walk,
// or a byte that starts no block, means the file is not a usable GIF.
int walkGifBlocks(const HeaderSource &source, const unsigned char *head)
{
    Cursor c{source, 13};
    if (head[10] & 0x80)
        c.skip(3ull << ((head[10] & 7) + 1));
    bool imageSeen = false;
    for (;;) {
        switch (c.byte()) {
        case 0x2C: {
            if (imageSeen)
                return kSniffAnimatedGif;
            c.skip(8);
            int packed = c.byte();
            if (packed < 0)
                return kSniffNotRecognised;
            if (packed & 0x80)
                c.skip(3ull << ((packed & 7) + 1));
            c.skip(1);
            if (!c.skipSubBlocks())
                return kSniffNotRecognised;
            imageSeen = true;
            break;
        }
        case 0x21: {
            int label = c.byte();
            if (label < 0)
                return kSniffNotRecognised;
            if (label == 0xF9) {
                c.skip(6);
            } else if (label == 0x01) {
                c.skip(13);
                if (!c.skipSubBlocks())
                    return kSniffNotRecognised;
            } else if (label == 0xFF) {
                c.skip(12);
                if (!c.skipSubBlocks())
                    return kSniffNotRecognised;
            } else {
                // Comments and any extension this walk does not know are plain
                // sub-block sequences.
                if (!c.skipSubBlocks())
                    return kSniffNotRecognised;
            }
            break;
        }
        case 0x3B:
            return kPictureGif;
        default:  // also the end of the data
            return kSniffNotRecognised;
        }
    }
}

// JPEG: walk the marker segments from offset 2 up to the first baseline (C0) or
// progressive (C2) frame header. Other frame types are skipped like any segment.
bool readJpegSize(const HeaderSource &source, int *width, int *height)
{
    Cursor c{source, 2};
    for (;;) {
        if (c.byte() != 0xFF)
            return false;
        int marker = c.byte();
        while (marker == 0xFF)  // fill bytes before a marker
            marker = c.byte();
        if (marker < 0)
            return false;
        unsigned char field[2];
        if (!c.bytes(field, 2))
            return false;
        unsigned length = be16(field);
        if ((marker & 0xFD) == 0xC0) {
            unsigned char frame[5];
            if (!c.bytes(frame, 5))
                return false;
            *height = (int)be16(frame + 1);
            *width = (int)be16(frame + 3);
            return true;
        }
        // A length below 2 would walk backwards (or stand still) for ever.
        if (length < 2)
            return false;
        c.skip(length - 2);
    }
}

// TIFF: the first directory's width (256) and length (257) entries, in the
// file's byte order. SHORT values are 16-bit, LONG values 32-bit.
void readTiffSize(const HeaderSource &source, const unsigned char *head, int *width, int *height)
{
    bool little = head[0] == 0x49;
    auto u16 = [little](const unsigned char *p) { return little ? le16(p) : be16(p); };
    auto u32 = [little](const unsigned char *p) { return little ? le32(p) : be32(p); };
    Cursor c{source, u32(head + 4)};
    unsigned char countField[2];
    if (!c.bytes(countField, 2))
        return;
    unsigned count = u16(countField);
    for (unsigned i = 0; i < count; ++i) {
        unsigned char entry[12];
        if (!c.bytes(entry, 12))
            return;
        unsigned tag = u16(entry);
        if (tag != 256 && tag != 257)
            continue;
        unsigned type = u16(entry + 2);
        int64_t value = (type == 4) ? (int64_t)u32(entry + 8) : (int64_t)u16(entry + 8);
        if (tag == 256)
            *width = positiveOrZero(value);
        else
            *height = positiveOrZero(value);
        if (*width > 0 && *height > 0)
            return;
    }
}

}  // namespace

HeaderSource memoryHeaderSource(MemoryHeaderSource *buffer)
{
    HeaderSource source;
    source.read = readMemory;
    source.context = buffer;
    source.size = (buffer && buffer->data) ? buffer->length : 0;
    return source;
}

int pictureTypeFromSignature(const unsigned char *first, size_t length)
{
    const Signature *s = signatureOf(first, length);
    return s ? s->type : kSniffNotRecognised;
}

int sniffPictureType(const HeaderSource &source)
{
    unsigned char head[15];
    Cursor c{source, 0};
    c.bytes(head, sizeof head);
    const Signature *s = signatureOf(head, sizeof head);
    if (!s)
        return kSniffNotRecognised;
    // ImageMagick reads the first frame of an APNG only: it is refused as an
    // animated GIF is, so no animation is flattened over its original.
    if (s->type == kPicturePng)
        return pngAnimationFrames(source.read, source.context, source.size) > 1 ? kSniffAnimatedPng : kPicturePng;
    if (s->type != kPictureGif)
        return s->type;
    if (memcmp(head + 3, "87a", 3) == 0)
        return kPictureGif;
    return walkGifBlocks(source, head);
}

bool readPictureHeader(const HeaderSource &source, PictureHeader *out)
{
    PictureHeader header;
    unsigned char head[32];
    Cursor c{source, 0};
    c.bytes(head, sizeof head);
    const Signature *s = signatureOf(head, sizeof head);
    if (!s) {
        if (out)
            *out = header;
        return false;
    }
    header.type = s->type;
    snprintf(header.typeName, sizeof header.typeName, "%s", s->name);
    header.fileSize = (int64_t)source.size;

    // A field the data ends inside counts as missing: its zero-padded value
    // would be a number the header never held.
    uint64_t held = source.size < sizeof head ? source.size : sizeof head;
    auto holds = [held](size_t offset, size_t length) { return offset + length <= held; };

    switch (s->type) {
    case kPictureBmp: {
        // The 12-byte core header holds 16-bit sizes; every later header 32-bit
        // signed ones (a negative height is a top-down bitmap).
        if (holds(14, 4) && le32(head + 14) == 12) {
            if (holds(18, 4)) {
                header.width = (int)le16(head + 18);
                header.height = (int)le16(head + 20);
            }
        } else if (holds(18, 8)) {
            int64_t w = (int32_t)le32(head + 18);
            int64_t h = (int32_t)le32(head + 22);
            header.width = positiveOrZero(w < 0 ? -w : w);
            header.height = positiveOrZero(h < 0 ? -h : h);
        }
        // The size the file header records, not the size on disk.
        header.fileSize = holds(2, 4) ? (int64_t)le32(head + 2) : 0;
        break;
    }
    case kPictureJpeg:
        readJpegSize(source, &header.width, &header.height);
        break;
    case kPictureGif:
        if (holds(6, 4)) {
            header.width = (int)le16(head + 6);
            header.height = (int)le16(head + 8);
        }
        break;
    case kPicturePng:
        if (holds(16, 4))
            header.width = positiveOrZero((int32_t)be32(head + 16));
        if (holds(20, 4))
            header.height = positiveOrZero((int32_t)be32(head + 20));
        break;
    case kPictureTiff:
        if (holds(4, 4))
            readTiffSize(source, head, &header.width, &header.height);
        break;
    case kPicturePsd:
        if (holds(14, 8)) {
            header.height = positiveOrZero((int32_t)be32(head + 14));
            header.width = positiveOrZero((int32_t)be32(head + 18));
        }
        break;
    }
    if (out)
        *out = header;
    return header.width > 0 && header.height > 0;
}

int sniffPictureBytes(const unsigned char *data, size_t length)
{
    MemoryHeaderSource buffer{data, length};
    return sniffPictureType(memoryHeaderSource(&buffer));
}

bool readPictureHeaderBytes(const unsigned char *data, size_t length, PictureHeader *out)
{
    MemoryHeaderSource buffer{data, length};
    return readPictureHeader(memoryHeaderSource(&buffer), out);
}

bool formatPictureDescription(int width, int height, const char *typeName, int64_t size, char *text,
                              size_t textSize)
{
    if (width <= 0 || height <= 0 || size <= 0 || !text || textSize == 0)
        return false;
    const char *name = typeName ? typeName : "";
    if (size < 1024)
        snprintf(text, textSize, "尺寸: %d x %d, 类型: %s 图片, 大小: %lld 字节", width, height, name,
                 (long long)size);
    else if (size < 1048576)
        snprintf(text, textSize, "尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f KB", width, height, name,
                 (double)size / 1024.0);
    else
        snprintf(text, textSize, "尺寸: %d x %d, 类型: %s 图片, 大小: %0.1f MB", width, height, name,
                 (double)size / 1048576.0);
    return true;
}
