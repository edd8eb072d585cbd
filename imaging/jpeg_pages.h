// Memory straight from the system's pages, apart from the C library's heaps.
// A block is reserved once and its committed (resident) part grows or shrinks
// to what each use needs, so a block kept for the next picture holds neither
// heap space other allocations would have taken nor pages a smaller picture
// does not touch.
#pragma once
#include <cstddef>

// bytes committed (zero-filled) at the start of a reservation of reserve bytes;
// nullptr when there is no memory
void *reservePages(size_t reserve, size_t bytes);
// Makes the committed part of a reservation from reservePages `to` bytes long
// (rounded up to whole pages) from `from`; false when the system has no memory.
bool recommitPages(void *block, size_t from, size_t to);
void releasePages(void *block);
size_t pageRounded(size_t bytes);
