// Time to make the crop tool's preview picture of each photo in a folder (read,
// crop, the JPG output's look, darkened background, composite, the displayable
// picture): run only by bench/crop_tool.sh (disabled in the normal test run).
// Reads VELMORA_BENCH_SOURCE (a Unix folder); prints the figures, asserts nothing on time.
#include "gtest.h"

#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/crop/crop_preview.h"
#include "util/magick_path.h"
#include "util/text.h"

TEST(DISABLED_CropPreviewBench, EachPhoto)
{
    char value[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA("VELMORA_BENCH_SOURCE", value, sizeof value);
    ASSERT_TRUE(n > 0 && n < sizeof value);
    std::string source = dosPathFromArgument(value);
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((source + "\\*.jpg").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
        names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    PreviewWorker worker;
    // The same preview fitted into a pane of VELMORA_BENCH_FIT ("800x600"), as the window asks for it.
    PreviewFit fit;
    char fitText[32] = {};
    if (GetEnvironmentVariableA("VELMORA_BENCH_FIT", fitText, sizeof fitText) > 0)
        sscanf(fitText, "%dx%d", &fit.width, &fit.height);
    for (const std::string &name : names) {
        double seconds[2] = {0, 0};
        int held = 0;
        for (int fitted = 0; fitted < (fit.width > 0 ? 2 : 1); ++fitted) {
            CropPreviewJob job;
            job.pictures = {source + "\\" + name};
            job.crop.mode = kCropPercent;
            job.crop.percentWidth = job.crop.percentHeight = 80;
            job.simulateOutput = true;
            job.output.format = OutputFormat::Jpg;
            job.output.quality = 90;
            if (fitted)
                job.fit = fit;
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            job.run(worker);
            QueryPerformanceCounter(&end);
            EXPECT_EQ(job.outcome, CropPreviewJob::Outcome::Shown) << name;
            seconds[fitted] = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
            held = job.picture.width;
        }
        printf("preview %s %d %.3f %.3f\n", name.c_str(), held, seconds[0], seconds[1]);
    }
}
