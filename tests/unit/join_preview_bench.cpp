// Time to make the join tool's preview picture of one group (the photos of
// VELMORA_BENCH_SOURCE, a Unix folder, stacked at the first one's width, JPEG
// output at quality 91, made displayable), whole as at "实际大小" and fitted into
// a pane of VELMORA_BENCH_FIT ("800x600") as the window asks for it: run only by
// bench/join_preview.sh (disabled in the normal test run). Prints the figures,
// asserts nothing on time.
#include "gtest.h"

#include <windows.h>
#include <cstdio>
#include <string>

#include "tools/join/join_job.h"
#include "ui/preview/display_picture.h"
#include "util/magick_path.h"

TEST(DISABLED_JoinPreviewBench, OneGroup)
{
    char value[MAX_PATH * 2] = {}, fitText[32] = {};
    DWORD n = GetEnvironmentVariableA("VELMORA_BENCH_SOURCE", value, sizeof value);
    ASSERT_TRUE(n > 0 && n < sizeof value);
    PreviewFit fit;
    if (GetEnvironmentVariableA("VELMORA_BENCH_FIT", fitText, sizeof fitText) > 0)
        sscanf(fitText, "%dx%d", &fit.width, &fit.height);
    JoinSettings settings;
    settings.output.quality = 91;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    for (int round = 0; round < 3; ++round)
        for (PreviewFit asked : {PreviewFit(), fit}) {
            LARGE_INTEGER start, end;
            QueryPerformanceCounter(&start);
            JoinResult joined = joinGroup(dosPathFromArgument(value), settings, asked);
            ASSERT_TRUE(joined.picture) << joined.problem;
            DisplayPicture picture;
            std::string reason;
            ASSERT_TRUE(makeDisplayPicture(joined.picture, 91, picture, reason)) << reason;
            QueryPerformanceCounter(&end);
            printf("join %s %lldx%lld %dx%d %.3f\n", asked.width ? "fitted" : "whole", joined.width, joined.height,
                   picture.width, picture.height,
                   (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart);
            releaseDisplayPicture(picture);
        }
}
