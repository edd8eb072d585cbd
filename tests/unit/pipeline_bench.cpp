// Throughput of processPicture, run only by bench/pipeline_bench.sh (disabled in
// the normal test run). Reads VELMORA_BENCH_SOURCE and writes to
// VELMORA_BENCH_OUTPUT (Unix folders); prints the figures, asserts nothing on time.
#include "gtest.h"

#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "core/pipeline.h"
#include "util/magick_path.h"
#include "util/text.h"

static std::string environmentText(const char *name)
{
    char value[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? std::string(value, n) : std::string();
}

TEST(DISABLED_PipelineBench, TypicalSettings)
{
    std::string source = dosPathFromArgument(environmentText("VELMORA_BENCH_SOURCE"));
    std::string output = dosPathFromArgument(environmentText("VELMORA_BENCH_OUTPUT"));
    ASSERT_FALSE(source.empty());
    ASSERT_FALSE(output.empty());
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((source + "\\*.jpg").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
        names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);

    ProcessSettings s;
    s.bSize = 1;
    s.sizeValue = 750;
    s.bQuanlity = 1;
    s.quanlity = 91;
    PipelineInputs inputs;
    inputs.settings = &s;

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int written = 0;
    for (const std::string &name : names) {
        PictureOutcome o = processPicture(inputs, source + "\\" + name, output + "\\" + name, 0, 0);
        if (o.result == PictureResult::Written)
            ++written;
        else
            consoleWrite(o.message + "\n", true);
    }
    QueryPerformanceCounter(&end);
    double seconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
    printf("pipeline: %d pictures in %.2f s, %.2f pictures/s\n", written, seconds, written / seconds);
    EXPECT_EQ(written, (int)names.size());
}
