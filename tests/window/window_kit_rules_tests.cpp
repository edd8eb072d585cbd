// Rules of the window helper kit that need no window: browser sizing, dialog
// folders and selections, balloon anchors, font scaling, centring.
#include "gtest.h"

#include <windows.h>
#include <string>
#include <vector>

#include "ui/window_kit.h"
#include "util/path_list.h"

TEST(WindowKitRules, BrowserSizeIsEnlargedOnceThenOnlyRemembered)
{
    BrowserSize state;
    EXPECT_TRUE(adjustBrowserSize(state, 500, 400, 1920, 1040));
    EXPECT_EQ(state.width, 768);
    EXPECT_EQ(state.height, 572);
    EXPECT_TRUE(state.adjusted);
    // Next use in the same run: the stored (new) size is kept, not enlarged again.
    EXPECT_FALSE(adjustBrowserSize(state, 768, 572, 1920, 1040));
    EXPECT_EQ(state.width, 768);
    EXPECT_EQ(state.height, 572);
    // Even a small size the user made later stays as it is.
    EXPECT_FALSE(adjustBrowserSize(state, 300, 200, 1920, 1040));
    EXPECT_EQ(state.width, 300);
    // A size as large as the work area is not remembered.
    EXPECT_FALSE(adjustBrowserSize(state, 1920, 600, 1920, 1040));
    EXPECT_EQ(state.width, 300);

    BrowserSize wide;  // wide enough already: remembered as it is, no write
    EXPECT_FALSE(adjustBrowserSize(wide, 900, 400, 1920, 1040));
    EXPECT_EQ(wide.width, 900);
    EXPECT_EQ(wide.height, 400);
    EXPECT_TRUE(wide.adjusted);

    BrowserSize huge;  // neither branch: nothing remembered, the first-time rule still pending
    EXPECT_FALSE(adjustBrowserSize(huge, 2000, 2000, 1920, 1040));
    EXPECT_EQ(huge.width, -1);
    EXPECT_FALSE(huge.adjusted);
    EXPECT_TRUE(adjustBrowserSize(huge, 100, 100, 1001, 999));
    EXPECT_EQ(huge.width, 400);   // 40 % of 1001, truncated
    EXPECT_EQ(huge.height, 549);  // 55 % of 999, truncated
}

TEST(WindowKitRules, DialogFolderKeepsTheBackslashOnlyForDriveRoots)
{
    EXPECT_EQ(dialogFolderOf("C:\\a.jpg"), "C:\\");
    EXPECT_EQ(dialogFolderOf("D:\\x\\b.png"), "D:\\x");
    EXPECT_EQ(dialogFolderOf("D:\\照片\\診\\b.png"), "D:\\照片\\診");
    EXPECT_EQ(dialogFolderOf("b.png"), "");
    EXPECT_EQ(trimDialogFolder("D:\\x\\"), "D:\\x");
    EXPECT_EQ(trimDialogFolder("D:\\"), "D:\\");
    EXPECT_EQ(trimDialogFolder("D:\\診"), "D:\\診");  // ends in the byte 0x5C, not in a backslash
}

TEST(WindowKitRules, MultiSelectionBecomesFullPathsInTheDialogsOrder)
{
    PathList *list = PathList::createDefault();
    std::string folder;
    const char many[] = "D:\\x\0b.png\0a.jpg\0\0";
    EXPECT_EQ(parseDialogSelection(many, sizeof many, folder, list), 2);
    EXPECT_EQ(folder, "D:\\x");
    EXPECT_STREQ(list->text(0), "D:\\x\\b.png");
    EXPECT_STREQ(list->text(1), "D:\\x\\a.jpg");
    list->clear(true);

    const char root[] = "C:\\\0a.jpg\0b.jpg\0\0";
    EXPECT_EQ(parseDialogSelection(root, sizeof root, folder, list), 2);
    EXPECT_EQ(folder, "C:\\");
    EXPECT_STREQ(list->text(0), "C:\\a.jpg");  // no doubled backslash
    list->clear(true);

    const char one[] = "D:\\x\\y\\only.gif\0\0";
    EXPECT_EQ(parseDialogSelection(one, sizeof one, folder, list), 1);
    EXPECT_EQ(folder, "D:\\x\\y");
    EXPECT_STREQ(list->text(0), "D:\\x\\y\\only.gif");
    list->clear(true);

    std::string clinic = std::string("D:\\診") + '\0' + "誠.jpg" + '\0' + '\0';
    EXPECT_EQ(parseDialogSelection(clinic.data(), clinic.size(), folder, list), 1);
    EXPECT_STREQ(list->text(0), "D:\\診\\誠.jpg");
    list->clear(true);

    // A buffer without its terminating zeros ends the list instead of reading past it.
    const char cut[5] = {'D', ':', '\\', 'x', '\0'};
    EXPECT_EQ(parseDialogSelection(cut, sizeof cut, folder, list), 1);
    list->clear(true);
    const char cutName[8] = {'D', ':', '\0', 'a', '.', 'j', 'p', 'g'};
    EXPECT_EQ(parseDialogSelection(cutName, sizeof cutName, folder, list), 0);
    EXPECT_EQ(parseDialogSelection("", 1, folder, list), 0);
    EXPECT_EQ(list->count, 0);
    list->destroy(true);
}

TEST(WindowKitRules, BalloonAnchorFontScaleAndCentring)
{
    RECT control = {100, 50, 300, 80};
    POINT pointer = {123, 456};
    POINT centre = balloonAnchor(control, pointer, false);
    EXPECT_EQ(centre.x, 200);
    EXPECT_EQ(centre.y, 80);
    POINT atPointer = balloonAnchor(control, pointer, true);
    EXPECT_EQ(atPointer.x, 123);
    EXPECT_EQ(atPointer.y, 80);

    EXPECT_EQ(uiFontHeightForDpi(-12, 96), -12);
    EXPECT_EQ(uiFontHeightForDpi(-12, 72), -12);
    EXPECT_EQ(uiFontHeightForDpi(-12, 120), -9);   // -12 / 1.25
    EXPECT_EQ(uiFontHeightForDpi(-12, 144), -8);   // -12 / 1.5
    EXPECT_EQ(uiFontHeightForDpi(-16, 192), -8);   // -16 / 2.0

    POINT p = centeredWindowOrigin(1280, 984, 600, 400);
    EXPECT_EQ(p.x, 340);
    EXPECT_EQ(p.y, 266);
    POINT tall = centeredWindowOrigin(1280, 984, 600, 980);
    EXPECT_EQ(tall.y, 0);  // the caption stays on the screen
}
