#include "imaging/row_bands.h"

#include <windows.h>
#include <algorithm>
#include <vector>
#include <wand/MagickWand.h>

namespace {

struct Band {
    const std::function<bool(ssize_t, ssize_t)> *work = nullptr;
    ssize_t firstRow = 0, endRow = 0;
    bool ok = false;
};

DWORD WINAPI runBand(void *p)
{
    Band *band = static_cast<Band *>(p);
    band->ok = (*band->work)(band->firstRow, band->endRow);
    return 0;
}

}  // namespace

bool forEachRowBand(size_t rows, const std::function<bool(ssize_t, ssize_t)> &work)
{
    // Bands of fewer than 32 rows would cost more to start than they save.
    size_t threads = (size_t)GetMagickResourceLimit(ThreadResource);
    threads = std::max<size_t>(1, std::min<size_t>({threads, 16, rows / 32 + 1}));
    std::vector<Band> bands(threads);
    std::vector<HANDLE> started;
    for (size_t i = 0; i < threads; ++i) {
        Band &band = bands[i];
        band.work = &work;
        band.firstRow = (ssize_t)(rows * i / threads);
        band.endRow = (ssize_t)(rows * (i + 1) / threads);
        HANDLE thread = i + 1 < threads ? CreateThread(nullptr, 0, runBand, &band, 0, nullptr) : nullptr;
        if (thread)
            started.push_back(thread);
        else
            runBand(&band);
    }
    if (!started.empty())
        WaitForMultipleObjects((DWORD)started.size(), started.data(), TRUE, INFINITE);
    for (HANDLE thread : started)
        CloseHandle(thread);
    return std::all_of(bands.begin(), bands.end(), [](const Band &band) { return band.ok; });
}
