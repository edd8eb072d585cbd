// Time to make the crop tool's preview picture of each photo in a folder (read,
// crop, the JPG output's look, darkened background, composite, the displayable
// picture), and the join tool's of the folder as one group (stacked at the
// first photo's width, JPEG at quality 91): whole, and fitted into a pane of
// VELMORA_BENCH_FIT ("800x600") as the window asks for it. Run only by
// bench/crop_tool.sh and bench/join_preview.sh (disabled in the normal test
// run). Reads VELMORA_BENCH_SOURCE (a Unix folder); prints the figures,
// asserts nothing on time.
#include "gtest.h"

#include <windows.h>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/crop/crop_preview.h"
#include "tools/join/join_job.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

std::string benchSource()
{
    char value[MAX_PATH * 2] = {};
    DWORD n = GetEnvironmentVariableA("VELMORA_BENCH_SOURCE", value, sizeof value);
    return n > 0 && n < sizeof value ? dosPathFromArgument(value) : std::string();
}

PreviewFit benchFit()
{
    PreviewFit fit;
    char text[32] = {};
    if (GetEnvironmentVariableA("VELMORA_BENCH_FIT", text, sizeof text) > 0)
        sscanf(text, "%dx%d", &fit.width, &fit.height);
    return fit;
}

double secondsSince(const LARGE_INTEGER &start)
{
    LARGE_INTEGER end, frequency;
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    return (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

}  // namespace

TEST(DISABLED_CropPreviewBench, EachPhoto)
{
    const std::string source = benchSource();
    ASSERT_FALSE(source.empty());
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((source + "\\*.jpg").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do
        names.push_back(fd.cFileName);
    while (FindNextFileA(h, &fd));
    FindClose(h);
    PreviewWorker worker;
    const PreviewFit fit = benchFit();
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
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            job.run(worker);
            seconds[fitted] = secondsSince(start);
            EXPECT_EQ(job.outcome, CropPreviewJob::Outcome::Shown) << name;
            held = job.picture.width;
        }
        printf("preview %s %d %.3f %.3f\n", name.c_str(), held, seconds[0], seconds[1]);
    }
}

TEST(DISABLED_JoinPreviewBench, OneGroup)
{
    const std::string source = benchSource();
    ASSERT_FALSE(source.empty());
    JoinSettings settings;
    settings.output.quality = 91;
    for (int round = 0; round < 3; ++round)
        for (PreviewFit fit : {PreviewFit(), benchFit()}) {
            LARGE_INTEGER start;
            QueryPerformanceCounter(&start);
            JoinResult joined = joinGroup(source, settings, fit);
            DisplayPicture picture;
            std::string reason;
            ASSERT_TRUE(joined.picture && makeDisplayPicture(joined.picture, 91, picture, reason)) << joined.problem;
            printf("join %s %lldx%lld %dx%d %.3f\n", fit.width ? "fitted" : "whole", joined.width, joined.height,
                   picture.width, picture.height, secondsSince(start));
            releaseDisplayPicture(picture);
        }
}
