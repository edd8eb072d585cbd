#include "gtest.h"

#include <windows.h>
#include <commctrl.h>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "util/registry_store.h"
#include "input/file_helpers.h"
#include "input/thumbnail_worker.h"
#include "picture_list_support.h"
#include "app/picture_list_view.h"
#include "test_util.h"
#include "util/text.h"

namespace {

// Small real pictures of every listed type; the 300 test pictures are copies.
const char *const kPool[] = {
    "formats/jpeg/go_video-001_q50_444.jpeg", "formats/png/go_basn3p08_trns.png",  "formats/bmp/bmpsuite_pal8.bmp",
    "formats/gif/go_video-001_single.gif",    "formats/tiff/pillow_multipage.tiff", "formats/psd/pillow_rgba_layer.psd",
    "formats/jpeg/pillow_exif_200dpcm.jpg",   "formats/png/gdkpixbuf_icc.png",      "formats/bmp/bmpsuite_rgb24.bmp",
};

std::string extensionOf(const std::string &path) { return path.substr(path.find_last_of('.')); }

// The shared folder of 300 pictures p000.. p299 plus three bad files.
struct PictureFolder {
    ScratchFolder folder{"velmora_pictures"};
    std::vector<std::string> pictures;
    std::string unreadable, empty, animated;

    PictureFolder()
    {
        for (int i = 0; i < 300; ++i) {
            std::string source = samplePath(kPool[i % (sizeof kPool / sizeof kPool[0])]);
            std::string path = folder / formatText("p%03d%s", i, extensionOf(source).c_str());
            copyFileTo(source, path);
            pictures.push_back(path);
        }
        unreadable = folder / "text.jpg";
        copyFileTo(samplePath("broken/text_renamed.jpg"), unreadable);
        empty = folder / "empty.jpg";
        writeFileBytes(empty, "");
        animated = folder / "anim.gif";
        copyFileTo(samplePath("formats/gif/gdkpixbuf_partyanim.gif"), animated);
    }
};

PictureFolder &pictureFolder()
{
    static std::unique_ptr<PictureFolder> f(new PictureFolder());
    return *f;
}

void addAll(const std::vector<std::string> &paths)
{
    for (const std::string &p : paths)
        addImageIfNew(p.c_str(), "");
    refreshListStatus();
}

bool hasMessage(const std::vector<std::string> &messages, const std::string &text)
{
    for (const std::string &m : messages)
        if (m == text)
            return true;
    return false;
}

class PictureList : public ::testing::Test {
protected:
    void SetUp() override
    {
        pictureListBench();
        useNormalRenderer();
        if (!thumbnailsShown())
            toggleThumbnails();
        setPictureTypeSniffing(true);
        emptyPictureList();
        startCollectingInfo();
        ASSERT_EQ(pictureImageList().count(), 0);
    }
    void TearDown() override
    {
        useNormalRenderer();
        waitForThumbnails();
    }
};

}  // namespace

TEST_F(PictureList, ThreeHundredPicturesInOrderWithoutDuplicatesOrBadFiles)
{
    PictureFolder &f = pictureFolder();
    std::vector<std::string> adds;
    for (int i = 0; i < 300; ++i) {
        adds.push_back(f.pictures[(size_t)i]);
        if (i % 50 == 7) {
            // The same files again, spelt differently.
            const std::string &p = f.pictures[(size_t)i - 3];
            adds.push_back(toLowerAscii(p));
            adds.push_back(replaceAll(p, "\\", "/"));
            adds.push_back(f.folder.path() + "\\.\\..\\" + fileNamePart(f.folder.path()) + "\\" +
                           p.substr(p.find_last_of('\\') + 1));
            adds.push_back(f.pictures[(size_t)i]);
        }
        if (i == 100)
            adds.push_back(f.unreadable);
        if (i == 150)
            adds.push_back(f.empty);
        if (i == 200)
            adds.push_back(f.animated);
        if (i == 250)
            adds.push_back(f.folder / "missing.jpg");
    }
    int listed = 0;
    for (const std::string &p : adds)
        listed += addImageIfNew(p.c_str(), "");
    refreshListStatus();
    EXPECT_EQ(listed, 300);

    ImageList &list = pictureImageList();
    ASSERT_EQ(list.count(), 300);
    ASSERT_EQ(ListView_GetItemCount(pictureListView()), 300);
    std::set<int> slots;
    for (int i = 0; i < 300; ++i) {
        ImageItem *item = list.at(i);
        EXPECT_EQ(std::string(item->path), f.pictures[(size_t)i]);
        EXPECT_EQ(item->seq, i);
        EXPECT_GE(item->imageIndex, 0);
        EXPECT_EQ(viewImage(i), item->imageIndex);
        slots.insert(item->imageIndex);
    }
    EXPECT_EQ(slots.size(), 300u) << "every picture has a slot of its own";
    std::string why;
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;

    std::vector<std::string> info = collectedInfo();
    EXPECT_TRUE(hasMessage(info, "无法识别的图片:\r\n" + f.unreadable));
    EXPECT_TRUE(hasMessage(info, "无法识别的图片:\r\n" + f.empty));
    EXPECT_TRUE(hasMessage(info, "不支持gif动画图片:\r\n" + f.animated));
    EXPECT_TRUE(hasMessage(info, "图片读取失败:\r\n" + f.folder / "missing.jpg"));
    EXPECT_EQ(info.size(), 4u);

    // Type icons first, then the worker's thumbnails.
    COLORREF typeBand = storePixel(list.at(0)->imageIndex, 20, 56);
    long rendered = thumbnailWorker().renderCount();
    wakeThumbnailWorker();
    ASSERT_TRUE(waitForThumbnails());
    EXPECT_GE(thumbnailWorker().renderCount() - rendered, 300);
    for (int i = 0; i < 300; ++i)
        ASSERT_EQ(list.at(i)->thumbDone, 1) << i;
    EXPECT_NE(storePixel(list.at(0)->imageIndex, 20, 56), typeBand) << "the thumbnail replaced the type icon";
    EXPECT_EQ(storePixel(list.at(0)->imageIndex, 0, 0), RGB(0xd4, 0xd0, 0xc8));
    EXPECT_EQ(statusText(0), "300 张图片");
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;

    // Removing a picture lets it come back under any spelling. (A wake that came
    // during the pass gives the worker one more, empty, pass: a removal then is
    // run when that pass ends.)
    selectOnly({5});
    removeSelectedImages();
    pumpUntil([] { return !thumbnailWorker().busy() && !thumbnailWorker().deferredPending(); });
    EXPECT_EQ(list.count(), 299);
    EXPECT_EQ(addImageIfNew(toLowerAscii(f.pictures[5]).c_str(), ""), 1);
    EXPECT_EQ(list.at(299)->seq, 300);
}

TEST_F(PictureList, HeaderSniffingDecidesTheTypeIcon)
{
    ScratchFolder folder("velmora_sniff");
    std::string disguised = folder / "photo.jpg";  // a PNG inside
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/go_basn3p08_trns.png"), disguised));
    std::string realJpeg = folder / "real.jpg";
    ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), realJpeg));
    std::string animated = folder / "moving.gif";
    ASSERT_TRUE(copyFileTo(samplePath("formats/gif/vips_cogs.gif"), animated));

    ASSERT_EQ(addImageIfNew(realJpeg.c_str(), ""), 1);
    ASSERT_EQ(addImageIfNew(disguised.c_str(), ""), 1);
    EXPECT_EQ(addImageIfNew(animated.c_str(), ""), 0) << "animated GIFs are refused when sniffing";
    COLORREF jpegBand = storePixel(pictureImageList().at(0)->imageIndex, 20, 56);
    COLORREF sniffedBand = storePixel(pictureImageList().at(1)->imageIndex, 20, 56);
    EXPECT_NE(sniffedBand, jpegBand) << "a PNG named .jpg shows the PNG icon";

    emptyPictureList();
    setPictureTypeSniffing(false);
    startCollectingInfo();
    ASSERT_EQ(addImageIfNew(realJpeg.c_str(), ""), 1);
    ASSERT_EQ(addImageIfNew(disguised.c_str(), ""), 1);
    ASSERT_EQ(addImageIfNew(animated.c_str(), ""), 1) << "trusted by its extension";
    EXPECT_EQ(storePixel(pictureImageList().at(1)->imageIndex, 20, 56), jpegBand);
    wakeThumbnailWorker();
    ASSERT_TRUE(waitForThumbnails());
    EXPECT_TRUE(hasMessage(collectedInfo(), "不支持gif动画图片:\r\n" + animated));
    EXPECT_EQ(pictureImageList().at(2)->thumbDone, 1);
    setPictureTypeSniffing(true);
}

TEST_F(PictureList, RotationAndFlipPerSelectedItem)
{
    PictureFolder &f = pictureFolder();
    addAll(std::vector<std::string>(f.pictures.begin(), f.pictures.begin() + 6));
    wakeThumbnailWorker();
    ASSERT_TRUE(waitForThumbnails());
    ImageList &list = pictureImageList();

    selectOnly({1, 3});
    EXPECT_TRUE(toolbarEnabled(kCmdToolRotateLeft));
    SendMessageA(pictureListBench().main, WM_COMMAND, kCmdToolRotateRight, 0);  // toolbar button
    EXPECT_EQ(list.at(1)->thumbDone, 0) << "thumbnail due again";
    rotateRight();
    selectOnly({3, 4});
    flipHorizontal();
    selectOnly({5});
    flipVertical();
    rotateLeft();

    struct Expect {
        int rotation, flip;
    } const expected[] = {{0, 0}, {180, 0}, {0, 0}, {0, 1}, {180, 1}, {90, 2}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(list.at(i)->rotation, expected[i].rotation) << i;
        EXPECT_EQ(list.at(i)->flip, expected[i].flip) << i;
    }
    ASSERT_TRUE(waitForThumbnails());
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(list.at(i)->thumbDone, 1) << i;

    // Horizontal flip twice: back to where it was.
    selectOnly({4});
    flipHorizontal();
    flipHorizontal();
    EXPECT_EQ(list.at(4)->rotation, 180);
    EXPECT_EQ(list.at(4)->flip, 1);
}

TEST_F(PictureList, RemovalDuringAPassWaitsForThePictureBoundary)
{
    PictureFolder &f = pictureFolder();
    addAll(std::vector<std::string>(f.pictures.begin(), f.pictures.begin() + 40));
    ImageList &list = pictureImageList();
    std::string fifth = list.at(5)->path;

    useGatedRenderer(true);
    wakeThumbnailWorker();
    ASSERT_TRUE(pumpUntil([] { return picturesAtGate() > 0; }));
    EXPECT_TRUE(thumbnailWorker().busy());
    EXPECT_EQ(statusText(0), "40 张图片, 正在生成第 1 张图片的缩略图...");

    selectOnly({0, 5, 39});
    removeSelectedImages();
    EXPECT_TRUE(pictureListBusy()) << "handed to the worker";
    EXPECT_EQ(list.count(), 40) << "nothing removed under the running pass";
    MSG key = {};
    key.hwnd = pictureListView();
    key.message = WM_KEYDOWN;
    EXPECT_TRUE(pictureListBlocksMessage(key));
    MSG timer = key;
    timer.message = WM_TIMER;
    EXPECT_FALSE(pictureListBlocksMessage(timer));
    MSG paint = key;
    paint.message = WM_PAINT;
    EXPECT_FALSE(pictureListBlocksMessage(paint));

    openGate();
    ASSERT_TRUE(pumpUntil([] { return !pictureListBusy(); })) << "the deferred removal never ran";
    EXPECT_FALSE(pictureListBlocksMessage(key));
    EXPECT_EQ(list.count(), 37);
    EXPECT_EQ(ListView_GetItemCount(pictureListView()), 37);
    EXPECT_FALSE(list.containsPath(fifth));
    EXPECT_EQ(thumbnailWorker().renderCount() > 0, true);
    std::string why;
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;
    EXPECT_FALSE(toolbarEnabled(kCmdToolRemove));

    // Remove all, also while a pass runs.
    useGatedRenderer(true);
    wakeThumbnailWorker();
    ASSERT_TRUE(pumpUntil([] { return picturesAtGate() > 0; }));
    SendMessageA(pictureListBench().main, WM_COMMAND, kCmdListRemoveAll, 0);  // context menu
    EXPECT_TRUE(pictureListBusy());
    EXPECT_EQ(list.count(), 37);
    openGate();
    ASSERT_TRUE(pumpUntil([] { return !pictureListBusy(); }));
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(ListView_GetItemCount(pictureListView()), 0);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(pictureListView(), LVSIL_NORMAL)), 0);
    EXPECT_EQ(statusText(0), "0 张图片");
    EXPECT_FALSE(toolbarEnabled(kCmdToolStart));
    EXPECT_EQ(list.nextSeq(), 0);
}

TEST_F(PictureList, ThumbnailsOffShowNameAndLocationColumns)
{
    PictureFolder &f = pictureFolder();
    addAll(std::vector<std::string>(f.pictures.begin(), f.pictures.begin() + 12));
    wakeThumbnailWorker();
    ASSERT_TRUE(waitForThumbnails());
    HWND list = pictureListView();
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);

    SendMessageA(pictureListBench().main, WM_COMMAND, kCmdListToggleThumbnails, 0);
    EXPECT_FALSE(thumbnailsShown());
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_EQ(ImageList_GetImageCount(ListView_GetImageList(list, LVSIL_NORMAL)), 0);
    DWORD stored = 7;
    EXPECT_TRUE(readRegDword(HKEY_CURRENT_USER, "SOFTWARE\\Velmora", "is_show_thumbnail", &stored));
    EXPECT_EQ(stored, 0u);
    char text[MAX_PATH] = {};
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = sizeof text;
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 0, (LPARAM)&column));
    EXPECT_STREQ(text, "名称");
    EXPECT_EQ(column.cx, 490);
    ASSERT_TRUE(SendMessageA(list, LVM_GETCOLUMNA, 1, (LPARAM)&column));
    EXPECT_STREQ(text, "位置");
    EXPECT_EQ(column.cx, 460);
    char cell[MAX_PATH] = {};
    ListView_GetItemText(list, 3, 0, cell, sizeof cell);
    EXPECT_STREQ(cell, pictureImageList().at(3)->name);
    ListView_GetItemText(list, 3, 1, cell, sizeof cell);
    EXPECT_EQ(std::string(cell), f.folder.path());

    // Added while off: no slot; on again: type icons at once, thumbnails later.
    addAll({f.pictures[12]});
    EXPECT_EQ(pictureImageList().at(12)->imageIndex, -1);
    long passes = thumbnailWorker().passCount();
    toggleThumbnails();
    EXPECT_TRUE(thumbnailsShown());
    EXPECT_EQ(GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
    for (int i = 0; i < 13; ++i) {
        EXPECT_GE(pictureImageList().at(i)->imageIndex, 0) << i;
        EXPECT_EQ(viewImage(i), pictureImageList().at(i)->imageIndex) << i;
    }
    ASSERT_TRUE(waitForThumbnails());
    EXPECT_GT(thumbnailWorker().passCount(), passes);
    std::string why;
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;
}

TEST_F(PictureList, StatusTextsFollowTheSelection)
{
    EXPECT_EQ(statusText(0), "0 张图片");
    EXPECT_EQ(statusText(1), "");
    EXPECT_FALSE(toolbarEnabled(kCmdToolStart));
    // The empty-list hint, one line in the middle of its grey box: as many clear
    // rows above the text as below it.
    HWND hint = FindWindowExA(pictureListView(), nullptr, "static", nullptr);
    ASSERT_TRUE(IsWindowVisible(hint));
    UpdateWindow(hint);
    RECT box;
    GetClientRect(hint, &box);
    HDC dc = GetDC(hint);
    int top = -1, bottom = -1;
    for (int y = 0; y < box.bottom; ++y)
        for (int x = 0; x < box.right; ++x)
            if (GetPixel(dc, x, y) != GetPixel(dc, 0, 0)) {
                top = top < 0 ? y : top;
                bottom = y;
            }
    ReleaseDC(hint, dc);
    EXPECT_TRUE(top >= 0 && abs(top - (box.bottom - 1 - bottom)) <= 4) << top << ".." << bottom << " of " << box.bottom;

    PictureFolder &f = pictureFolder();
    addAll(std::vector<std::string>(f.pictures.begin(), f.pictures.begin() + 9));
    refreshListStatus();
    EXPECT_EQ(statusText(0), "9 张图片");
    EXPECT_TRUE(toolbarEnabled(kCmdToolStart));
    EXPECT_FALSE(toolbarEnabled(kCmdToolRemove));
    EXPECT_FALSE(IsWindowVisible(FindWindowExA(pictureListView(), nullptr, "static", nullptr)));

    selectOnly({0});  // go_video-001_q50_444.jpeg: 150 x 103, 4032 bytes
    EXPECT_EQ(statusText(1), "尺寸: 150 x 103, 类型: JPEG 图片, 大小: 3.9 KB");
    // "图片左转": the size the picture will come out at; turned back, as the file says.
    handlePictureListCommand(kCmdToolRotateLeft);
    EXPECT_EQ(statusText(1), "尺寸: 103 x 150, 类型: JPEG 图片, 大小: 3.9 KB");
    handlePictureListCommand(kCmdToolRotateRight);
    EXPECT_EQ(statusText(1), "尺寸: 150 x 103, 类型: JPEG 图片, 大小: 3.9 KB");
    for (int c : {kCmdToolRemove, kCmdToolRotateLeft, kCmdToolRotateRight, kCmdToolFlipHorizontal,
                  kCmdToolFlipVertical, kCmdToolPreview})
        EXPECT_TRUE(toolbarEnabled(c)) << c;
    selectOnly({1, 2, 7});
    EXPECT_EQ(statusText(1), "选中了 3 张图片");
    selectOnly({});
    EXPECT_EQ(statusText(1), "");
    EXPECT_FALSE(toolbarEnabled(kCmdToolFlipVertical));

    // While the worker renders picture k the count says so. The pass the
    // additions and turns started must be over first: a fast one leaves nothing
    // due for the held renderer.
    ASSERT_TRUE(waitForThumbnails());
    useGatedRenderer(true);
    pictureImageList().markStale(0);
    wakeThumbnailWorker();
    ASSERT_TRUE(pumpUntil([] { return picturesAtGate() > 0; }));
    EXPECT_EQ(statusText(0), "9 张图片, 正在生成第 1 张图片的缩略图...");
    refreshListStatus();
    EXPECT_EQ(statusText(0), "9 张图片, 正在生成缩略图...");
    openGate();
    ASSERT_TRUE(waitForThumbnails());
    EXPECT_EQ(statusText(0), "9 张图片");
}

TEST_F(PictureList, PreviewIndexWrapsAround)
{
    PictureFolder &f = pictureFolder();
    addAll({f.pictures[0]});
    setPictureListPreviewIndex(0);
    nextPreviewIndex();
    EXPECT_EQ(pictureListPreviewIndex(), 0) << "one picture: no change";
    addAll({f.pictures[1], f.pictures[2]});
    previousPreviewIndex();
    EXPECT_EQ(pictureListPreviewIndex(), 2);
    nextPreviewIndex();
    EXPECT_EQ(pictureListPreviewIndex(), 0);
    nextPreviewIndex();
    EXPECT_EQ(pictureListPreviewIndex(), 1);
}

// Adds and removes thousands of times while the worker renders: every removal
// handed to the worker must run (a lost hand-off would leave the program busy
// for ever), and list, view and path set must agree at the end.
TEST_F(PictureList, HammerAddAndRemoveWhileTheWorkerRuns)
{
    PictureFolder &f = pictureFolder();
    ImageList &list = pictureImageList();
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % n;
    };
    int deferred = 0;
    for (int round = 0; round < 2000; ++round) {
        int adds = 1 + (int)next(4);
        for (int a = 0; a < adds; ++a) {
            const std::string &p = f.pictures[next(120)];
            addImageIfNew(next(2) ? p.c_str() : toLowerAscii(p).c_str(), "");
        }
        wakeThumbnailWorker();
        int count = list.count();
        unsigned action = next(10);
        if (count > 0 && action < 6) {
            selectOnly({(int)next((unsigned)count), (int)next((unsigned)count)});
            removeSelectedImages();
        } else if (action == 6) {
            removeAllImages();
        } else if (count > 0 && action == 7) {
            selectOnly({(int)next((unsigned)count)});
            rotateRight();
        }
        if (pictureListBusy()) {
            deferred++;
            ASSERT_TRUE(pumpUntil([] { return !pictureListBusy(); }, 60000)) << "round " << round;
        }
        pumpMessages();
        if (round % 500 == 0) {
            std::string why;
            ASSERT_TRUE(pictureListSelfCheck(&why)) << "round " << round << ": " << why;
        }
    }
    ASSERT_TRUE(waitForThumbnails());
    std::string why;
    EXPECT_TRUE(pictureListSelfCheck(&why)) << why;
    EXPECT_GT(deferred, 0) << "no removal met a running pass: the test proved nothing";
    printf("hammer: %d removals handed to the worker, %ld thumbnails rendered, %d pictures left\n", deferred,
           thumbnailWorker().renderCount(), list.count());
}
