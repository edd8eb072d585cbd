// The animated PNG check on any bytes, through a reader as the sniffer gives it:
// the walk stays inside what it is given, the reader agrees with memory, a file
// that shrank below the size its reader was told of never yields another count,
// and a count found in the first part of a file is the count of the whole.
#include "fuzz_target.h"

#include <cstring>

#include "imaging/png_animation.h"

namespace {

struct Held {
    const uint8_t *data;
    size_t size;
};

size_t readHeld(void *context, uint64_t offset, unsigned char *out, size_t count)
{
    const Held *h = static_cast<const Held *>(context);
    if (offset >= h->size)
        return 0;
    const size_t n = h->size - offset < count ? size_t(h->size - offset) : count;
    memcpy(out, h->data + offset, n);
    return n;
}

}  // namespace

FUZZ_TARGET(png_animation)
{
    const uint32_t frames = pngAnimationFramesInBytes(data, size);
    Held whole{data, size};
    FUZZ_CHECK(pngAnimationFrames(readHeld, &whole, size) == frames);

    const uint32_t shrunk = pngAnimationFrames(readHeld, &whole, uint64_t(size) + 4096);
    FUZZ_CHECK(shrunk == 0 || shrunk == frames);

    for (size_t cut = 0; cut <= size; cut += 1 + size / 7) {
        const uint32_t first = pngAnimationFramesInBytes(data, cut);
        FUZZ_CHECK(first == 0 || first == frames);
    }
    FUZZ_CHECK(pngAnimationFramesInBytes(nullptr, size) == 0);
    return 0;
}
