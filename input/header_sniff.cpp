// Byte-level header readers. No file system here: everything goes through a
// HeaderSource, so the same code reads files and test buffers, and every read
// is bounded by what the source holds.
#include "input/header_sniff.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "imaging/format_support.h"
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

// Containers known by the brand their first bytes carry, tried after the table.
const Signature kContainers[] = {
    {0, 0, kPictureWebp, "WEBP"},
    {0, 0, kPictureHeic, "HEIC"},
    {0, 0, kPictureAvif, "AVIF"},
};

// Bytes the type check and the header reader look at first.
constexpr size_t kHeadBytes = kContainerHeadBytes;

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

uint32_t le24(const unsigned char *p) { return (uint32_t)le16(p) | ((uint32_t)p[2] << 16); }

const Signature *signatureOf(const unsigned char *first, size_t length)
{
    if (!first || length < 2)
        return nullptr;
    for (const Signature &s : kSignatures)
        if (first[0] == s.first && first[1] == s.second)
            return &s;
    if (const char *name = containerFormatName(first, length))
        for (const Signature &s : kContainers)
            if (strcmp(s.name, name) == 0)
                return &s;
    return nullptr;
}

bool isFourcc(const unsigned char *p, const char *code) { return memcmp(p, code, 4) == 0; }

// WebP: the first chunk after "RIFF" size "WEBP" says how the size is kept: a
// lossy frame header ("VP8 "), a lossless one ("VP8L", 14-bit sizes minus one)
// or the extended header ("VP8X", 24-bit canvas sizes minus one, with the
// animation flag).
void readWebpSize(const unsigned char *head, size_t held, int *width, int *height)
{
    auto holds = [held](size_t offset, size_t length) { return offset + length <= held; };
    const unsigned char *chunk = head + 12;
    if (!holds(12, 4))
        return;
    if (isFourcc(chunk, "VP8 ") && holds(26, 4) && head[23] == 0x9D && head[24] == 0x01 && head[25] == 0x2A) {
        *width = (int)(le16(head + 26) & 0x3FFF);
        *height = (int)(le16(head + 28) & 0x3FFF);
    } else if (isFourcc(chunk, "VP8L") && holds(21, 4) && head[20] == 0x2F) {
        uint32_t bits = le32(head + 21);
        *width = (int)(bits & 0x3FFF) + 1;
        *height = (int)((bits >> 14) & 0x3FFF) + 1;
    } else if (isFourcc(chunk, "VP8X") && holds(24, 6)) {
        *width = (int)le24(head + 24) + 1;
        *height = (int)le24(head + 27) + 1;
    }
}

bool webpAnimated(const unsigned char *head, size_t held)
{
    return held >= 21 && isFourcc(head + 12, "VP8X") && (head[20] & 0x02);
}

// ---- HEIF (HEIC, AVIF): ISO base media boxes ------------------------------------

struct Box {
    unsigned char type[4] = {};
    uint64_t content = 0;  // first byte after the header
    uint64_t end = 0;      // one past the last byte
};

// The box whose header starts at `at`, inside [at, limit). False when no whole
// header fits or the size runs outside the parent.
bool readBox(const HeaderSource &source, uint64_t at, uint64_t limit, Box &box)
{
    if (at >= limit || limit - at < 8)
        return false;
    unsigned char h[16];
    Cursor c{source, at};
    if (!c.bytes(h, 8))
        return false;
    uint64_t size = be32(h), header = 8;
    memcpy(box.type, h + 4, 4);
    if (size == 1) {
        if (limit - at < 16 || !c.bytes(h + 8, 8))
            return false;
        size = ((uint64_t)be32(h + 8) << 32) | be32(h + 12);
        header = 16;
    } else if (size == 0) {
        size = limit - at;  // up to the end of the parent
    }
    if (size < header || size > limit - at)
        return false;
    box.content = at + header;
    box.end = at + size;
    return true;
}

// Child boxes visited per parent: enough for any real file, a bound for a hostile one.
constexpr int kMaxChildBoxes = 1024;
constexpr int kMaxItemAssociations = 4096;
constexpr int kMaxPrimaryProperties = 32;

// Calls visit(box) for each child in [from, to) until it returns false.
template <typename Visit>
void forEachBox(const HeaderSource &source, uint64_t from, uint64_t to, Visit visit)
{
    Box box;
    for (int i = 0; i < kMaxChildBoxes && readBox(source, from, to, box); ++i, from = box.end)
        if (!visit(box))
            return;
}

uint32_t readBe32(const HeaderSource &source, uint64_t at)
{
    unsigned char b[4];
    Cursor c{source, at};
    c.bytes(b, 4);
    return be32(b);
}

// The property indices (1-based, into "ipco") the "ipma" boxes give the item.
int primaryProperties(const HeaderSource &source, const Box &ipma, uint32_t item, int *out)
{
    Cursor c{source, ipma.content};
    unsigned char head[8];
    if (!c.bytes(head, 8))
        return 0;
    const int version = head[0];
    const bool wideIndex = head[3] & 1;
    const uint32_t entries = be32(head + 4);
    int found = 0;
    for (uint32_t e = 0; e < entries && e < (uint32_t)kMaxItemAssociations && c.position < ipma.end; ++e) {
        unsigned char field[4];
        if (!c.bytes(field, version < 1 ? 2 : 4))
            return found;
        uint32_t id = version < 1 ? be16(field) : be32(field);
        int count = c.byte();
        if (count < 0)
            return found;
        for (int a = 0; a < count; ++a) {
            if (!c.bytes(field, wideIndex ? 2 : 1))
                return found;
            int index = wideIndex ? (int)(be16(field) & 0x7FFF) : (int)(field[0] & 0x7F);
            if (id == item && index > 0 && found < kMaxPrimaryProperties)
                out[found++] = index;
        }
        if (id == item)
            return found;
    }
    return found;
}

// The primary item's size from its "ispe" property (turned by a quarter turn of
// its "irot", as decoders show it); without a primary item or its associations,
// the largest "ispe" of the file.
void readHeifSize(const HeaderSource &source, int *width, int *height)
{
    Box meta;
    bool haveMeta = false;
    forEachBox(source, 0, source.size, [&](const Box &box) {
        haveMeta = isFourcc(box.type, "meta");
        if (haveMeta)
            meta = box;
        return !haveMeta;
    });
    if (!haveMeta)
        return;
    // "meta" is a full box: version and flags come before its children.
    Box pitm, iprp;
    bool havePitm = false, haveIprp = false;
    forEachBox(source, meta.content + 4, meta.end, [&](const Box &box) {
        if (isFourcc(box.type, "pitm") && !havePitm) {
            pitm = box;
            havePitm = true;
        } else if (isFourcc(box.type, "iprp") && !haveIprp) {
            iprp = box;
            haveIprp = true;
        }
        return true;
    });
    if (!haveIprp)
        return;
    uint32_t primary = 0;
    if (havePitm) {
        unsigned char field[6];
        Cursor c{source, pitm.content};
        if (c.bytes(field, 6))
            primary = field[0] == 0 ? be16(field + 4) : readBe32(source, pitm.content + 4);
    }
    Box ipco;
    bool haveIpco = false;
    int properties[kMaxPrimaryProperties];
    int propertyCount = 0;
    forEachBox(source, iprp.content, iprp.end, [&](const Box &box) {
        if (isFourcc(box.type, "ipco") && !haveIpco) {
            ipco = box;
            haveIpco = true;
        } else if (isFourcc(box.type, "ipma") && havePitm && propertyCount == 0) {
            propertyCount = primaryProperties(source, box, primary, properties);
        }
        return true;
    });
    if (!haveIpco)
        return;
    int64_t bestArea = 0;
    int w = 0, h = 0, turn = 0, index = 0;
    forEachBox(source, ipco.content, ipco.end, [&](const Box &box) {
        ++index;
        bool ofPrimary = false;
        for (int i = 0; i < propertyCount; ++i)
            ofPrimary = ofPrimary || properties[i] == index;
        if (isFourcc(box.type, "ispe") && (ofPrimary || propertyCount == 0)) {
            int bw = positiveOrZero(readBe32(source, box.content + 4));
            int bh = positiveOrZero(readBe32(source, box.content + 8));
            if (box.content + 12 <= box.end && (int64_t)bw * bh > bestArea) {
                bestArea = (int64_t)bw * bh;
                w = bw;
                h = bh;
            }
        } else if (isFourcc(box.type, "irot") && ofPrimary && box.content < box.end) {
            Cursor c{source, box.content};
            int angle = c.byte();
            turn = angle < 0 ? 0 : angle & 3;
        }
        return true;
    });
    if (turn == 1 || turn == 3) {
        int t = w;
        w = h;
        h = t;
    }
    *width = w;
    *height = h;
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

bool isPictureTypeCode(int code) { return code >= kPictureJpeg && code <= kPictureAvif; }

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
    unsigned char head[kHeadBytes];
    Cursor c{source, 0};
    c.bytes(head, sizeof head);
    const size_t held = source.size < sizeof head ? (size_t)source.size : sizeof head;
    const Signature *s = signatureOf(head, held < 2 ? 2 : held);
    if (!s)
        return kSniffNotRecognised;
    if (s->type == kPictureWebp && webpAnimated(head, held))
        return kSniffAnimatedWebp;
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
    unsigned char head[kHeadBytes];
    Cursor c{source, 0};
    c.bytes(head, sizeof head);
    const size_t heldHead = source.size < sizeof head ? (size_t)source.size : sizeof head;
    const Signature *s = signatureOf(head, heldHead < 2 ? 2 : heldHead);
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
    const uint64_t held = heldHead;
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
    case kPictureWebp:
        readWebpSize(head, (size_t)held, &header.width, &header.height);
        break;
    case kPictureHeic:
    case kPictureAvif:
        readHeifSize(source, &header.width, &header.height);
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
