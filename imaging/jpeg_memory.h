// Where libjpeg takes its memory from while many pictures go through it.
//
// libjpeg asks a "system-dependent memory manager" for every block it needs,
// a module chosen when the program is linked; jpeg_memory.cpp is this
// program's. Outside a JpegMemoryReuse, small blocks come from malloc and
// large ones straight from the system's pages, freed at once. While one is
// alive, large blocks given back are kept (a few, never so many that the run's
// peak rises) and handed out again: a progressive photo's coefficients take
// tens of megabytes, and fresh pages for every photo made the kernel zero and
// fault them in page by page, about a tenth of a batch's time.
//
// Usage:
//     { JpegMemoryReuse reuse;  // for a run of pictures, on any thread
//       ... decode JPEGs (ImageMagick's coder, libtiff's JPEG) ... }
//     // the last scope to end gives every kept block back to the system
#pragma once
#include <cstddef>

class JpegMemoryReuse {
public:
    JpegMemoryReuse();
    ~JpegMemoryReuse();
    JpegMemoryReuse(const JpegMemoryReuse &) = delete;
    JpegMemoryReuse &operator=(const JpegMemoryReuse &) = delete;
};

// While alive on a thread, the JPEG decoded there holds nothing but a first,
// DC-only scan (a progressive file cut after it, as a thumbnail reads it):
// its coefficient arrays keep the one DC term of each block instead of all 64,
// a sixty-fourth of the memory, and only a few block rows are ever laid out in
// full. The other 63 terms of such a file are zero anyway, so the pixels are
// the same. Anything else decoded meanwhile would lose its AC terms.
class JpegFirstScanOnly {
public:
    JpegFirstScanOnly();
    ~JpegFirstScanOnly();
    JpegFirstScanOnly(const JpegFirstScanOnly &) = delete;
    JpegFirstScanOnly &operator=(const JpegFirstScanOnly &) = delete;
};

struct JpegMemoryCounts {
    size_t fresh = 0;      // large blocks taken from the system
    size_t reused = 0;     // large blocks handed out again
    size_t kept = 0;       // blocks kept now
    size_t keptBytes = 0;
    size_t dcStores = 0;   // coefficient arrays kept as DC terms only
};
JpegMemoryCounts jpegMemoryCounts();

// Whether libjpeg takes its memory from this module (the program was linked
// so that it does).
bool jpegMemoryIsTheProgramsOwn();
