// Palette PNG throughput, run only by bench/palette_png.sh (disabled in the
// normal test run). Reads every PNG of VELMORA_BENCH_SOURCE and writes its
// 256-colour palette PNG to VELMORA_BENCH_OUTPUT (Unix folders); prints one line
// per file with the wall-clock and processor time (milliseconds) of read +
// quantise + encode + write.
#include "gtest.h"

#include <windows.h>
#include <wand/MagickWand.h>

#include <cstdio>
#ifdef __WINE__
#include <sys/resource.h>
#endif
#include <string>
#include <vector>

#include "imaging/palette_png.h"
#include "util/magick_path.h"
#include "util/text.h"

static std::string environmentPath(const char *name)
{
    char value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? dosPathFromArgument(std::string(value, n)) : std::string();
}

// Processor time of the whole process (every thread), in milliseconds.
static double processorMs()
{
#ifdef __WINE__
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 + usage.ru_stime.tv_sec * 1000.0 +
           usage.ru_stime.tv_usec / 1000.0;
#else
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto ms = [](const FILETIME &t) { return (double)(((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e4; };
    return ms(kernel) + ms(user);
#endif
}

TEST(DISABLED_PalettePngBench, Files)
{
    std::string source = environmentPath("VELMORA_BENCH_SOURCE");
    std::string output = environmentPath("VELMORA_BENCH_OUTPUT");
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(output.empty());
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((source + "\\*.png").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
        names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (const std::string &name : names) {
        LARGE_INTEGER start, end;
        double cpuStart = processorMs();
        QueryPerformanceCounter(&start);
        MagickWand *wand = NewMagickWand();
        bool ok = MagickReadImage(wand, magickPath(source + "\\" + name).c_str()) &&
                  writePng8File(wand, 256, output + "\\" + name);
        DestroyMagickWand(wand);
        QueryPerformanceCounter(&end);
        double ms = 1000.0 * (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
        printf("png8: %s %s %.1f %.1f\n", name.c_str(), ok ? "ok" : "failed", ms, processorMs() - cpuStart);
        EXPECT_TRUE(ok) << name;
    }
}
