#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include "imaging/magick_env.h"

#include "gtest.h"
#include "test_util.h"

#include <cstdio>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (!pathExists(samplePath("README.md"))) {
        fprintf(stderr, "The sample pictures are missing: %s (shared/ must sit beside the project)\n", SAMPLES_DIR);
        return 1;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    startImageMagick();
    int result = RUN_ALL_TESTS();
    MagickWandTerminus();
    return result;
}
