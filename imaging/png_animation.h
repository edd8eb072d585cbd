// An animated PNG (APNG) told from its chunks, without decoding: ImageMagick 6
// reads only its first frame, so a run that wrote that over the original would
// lose the animation. A pure byte walk over a reader, bounded by what it holds.
#pragma once
#include <cstddef>
#include <cstdint>

// Copies up to count bytes at offset into out; returns how many it copied.
typedef size_t (*PngByteReader)(void *context, uint64_t offset, unsigned char *out, size_t count);

// The frame count of the animation control chunk ("acTL", before the first
// "IDAT") of the PNG held by the reader (size bytes); 0 for a PNG without one, for
// anything that is no PNG and for data that ends or breaks off first.
uint32_t pngAnimationFrames(PngByteReader read, void *context, uint64_t size);
// The same over bytes in memory.
uint32_t pngAnimationFramesInBytes(const unsigned char *data, size_t length);
