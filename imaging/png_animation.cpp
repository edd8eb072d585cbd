#include "imaging/png_animation.h"

#include <cstring>

namespace {

uint32_t be32(const unsigned char *p)
{
    return ((uint32_t)p[0] << 24) | ((uint32_t)p[1] << 16) | ((uint32_t)p[2] << 8) | (uint32_t)p[3];
}

// The chunks before the pixel data are few (header, palette, colour and text
// chunks); a file with more is walked no further.
const int kMaxChunksBeforeData = 4096;

struct Memory {
    const unsigned char *data;
    size_t length;
};

size_t readMemory(void *context, uint64_t offset, unsigned char *out, size_t count)
{
    const Memory *m = static_cast<const Memory *>(context);
    if (!m->data || offset >= m->length)
        return 0;
    size_t n = m->length - (size_t)offset < count ? m->length - (size_t)offset : count;
    memcpy(out, m->data + offset, n);
    return n;
}

}  // namespace

uint32_t pngAnimationFrames(PngByteReader read, void *context, uint64_t size)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    unsigned char head[8];
    if (!read || size < 8 || read(context, 0, head, 8) != 8 || memcmp(head, kSignature, 8) != 0)
        return 0;
    uint64_t at = 8;
    for (int chunk = 0; chunk < kMaxChunksBeforeData && at + 8 <= size; ++chunk) {
        unsigned char field[8];
        if (read(context, at, field, 8) != 8)
            return 0;
        const uint32_t length = be32(field);
        if (memcmp(field + 4, "IDAT", 4) == 0 || memcmp(field + 4, "IEND", 4) == 0)
            return 0;
        if (memcmp(field + 4, "acTL", 4) == 0) {
            unsigned char frames[4];
            if (length < 8 || at + 12 > size || read(context, at + 8, frames, 4) != 4)
                return 0;
            return be32(frames);
        }
        // length + type + data + CRC; a length beyond the file ends the walk.
        at += 12 + (uint64_t)length;
    }
    return 0;
}

uint32_t pngAnimationFramesInBytes(const unsigned char *data, size_t length)
{
    Memory m{data, length};
    return pngAnimationFrames(readMemory, &m, data ? length : 0);
}
