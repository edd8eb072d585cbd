#include <windows.h>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include "imaging/magick_env.h"

#include "gtest.h"

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    startImageMagick();
    int result = RUN_ALL_TESTS();
    MagickWandTerminus();
    return result;
}
