#include "imaging/jpeg_pages.h"

#include <windows.h>

size_t pageRounded(size_t bytes)
{
    static const size_t page = [] {
        SYSTEM_INFO system;
        GetSystemInfo(&system);
        return (size_t)system.dwPageSize;
    }();
    return (bytes + page - 1) / page * page;
}

void *reservePages(size_t reserve, size_t bytes)
{
    void *block = VirtualAlloc(nullptr, pageRounded(reserve), MEM_RESERVE, PAGE_NOACCESS);
    if (block && !VirtualAlloc(block, pageRounded(bytes), MEM_COMMIT, PAGE_READWRITE)) {
        VirtualFree(block, 0, MEM_RELEASE);
        return nullptr;
    }
    return block;
}

bool recommitPages(void *block, size_t from, size_t to)
{
    from = pageRounded(from);
    to = pageRounded(to);
    char *base = (char *)block;
    if (to > from)
        return VirtualAlloc(base + from, to - from, MEM_COMMIT, PAGE_READWRITE) != nullptr;
    if (to < from)
        VirtualFree(base + to, from - to, MEM_DECOMMIT);
    return true;
}

void releasePages(void *block)
{
    if (block)
        VirtualFree(block, 0, MEM_RELEASE);
}
