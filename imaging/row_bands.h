// Work on a picture's rows split into bands, one band per thread, as many
// threads as ImageMagick may use at the moment (one in each batch worker when
// the workers take every core). Threads come from CreateThread; each band gets
// its own cache views, so ImageMagick's per-thread buffers never meet.
#pragma once
#include <sys/types.h>
#include <functional>

// Calls work(firstRow, endRow) for bands that together cover [0, rows), the
// last on the calling thread, and waits for all. true when every call did.
bool forEachRowBand(size_t rows, const std::function<bool(ssize_t firstRow, ssize_t endRow)> &work);
