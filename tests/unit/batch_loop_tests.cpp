// The save-to and overwrite loops on real pictures in scratch folders.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>
#include <shlobj.h>
#include <wand/MagickWand.h>
#include <algorithm>
#include <atomic>

#include "core/batch_loops.h"
#include "core/pipeline.h"
#include "input/file_helpers.h"
#include "util/magick_path.h"
#include "util/safe_file.h"
#include "util/text.h"

namespace {


bool isJpegData(const std::string &bytes)
{
    return bytes.size() > 3 && (unsigned char)bytes[0] == 0xFF && (unsigned char)bytes[1] == 0xD8;
}

BatchItem item(const std::string &path, const std::string &relative = std::string(), int rotation = 0, int flip = 0)
{
    BatchItem it;
    it.path = path;
    it.relativeFolder = relative;
    it.rotation = rotation;
    it.flip = flip;
    return it;
}

// Records every hook call of a run (all but pictureStarting come on the loop's thread).
struct Recorder {
    std::vector<int> progress;
    std::vector<std::string> log;
    std::vector<BatchItemResult> done;
    int completedCalls = 0;
    std::atomic<bool> stop{false};
    int stopAfter = -1;  // set the stop flag when this many items are done

    BatchReport report()
    {
        BatchReport r;
        r.progress = [this](int i, int total) {
            progress.push_back(i);
            EXPECT_GT(total, 0);
        };
        r.logLine = [this](const std::string &text) { log.push_back(text); };
        r.itemDone = [this](const BatchItemResult &result) {
            done.push_back(result);
            if ((int)done.size() == stopAfter)
                stop = true;
        };
        r.stopRequested = stopHookFor(stop);
        r.completed = [this](const BatchSummary &) { ++completedCalls; };
        return r;
    }
};

const char kPhoto[] = "photos/mate_Garden.jpg";
const char kSmallJpeg[] = "meta/vips_rotation_orient1.jpg";
const char kPng[] = "formats/png/go_basn3p08_trns.png";
const char kWidePng[] = "formats/png/skimage_chelsea.png";  // 451 x 300
const char kBroken[] = "broken/zero_bytes.jpg";

class BatchLoops : public ::testing::Test {
protected:
    ProcessSettings settings;
    PipelineInputs inputs;
    void SetUp() override { inputs.settings = &settings; }

    // Copies a sample into the scratch folder under a new name.
    std::string put(const ScratchFolder &dir, const std::string &sample, const std::string &name)
    {
        std::string to = dir / name;
        EXPECT_TRUE(copyFileTo(samplePath(sample), to)) << name;
        SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);  // the samples are read-only
        return to;
    }
};

}  // namespace

TEST_F(BatchLoops, SaveToFolderNamesWritesAndGoesOnAfterAFailure)
{
    ScratchFolder src("batch_src"), out("batch_out");
    std::vector<BatchItem> items = {
        item(put(src, kSmallJpeg, "a.jpg")),
        item(put(src, kPng, "a.png")),
        item(put(src, kBroken, "bad.jpg")),
        item(put(src, kSmallJpeg, "photo"), "", 90, 0),
        item(put(src, kSmallJpeg, "archive.tar.gz")),
    };
    std::string brokenBefore = readFileBytes(items[2].path);
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report());

    EXPECT_EQ(s.total, 5);
    EXPECT_EQ(s.written, 4);
    EXPECT_EQ(s.failed, 1);
    EXPECT_FALSE(s.stopped);
    EXPECT_EQ(rec.completedCalls, 1);
    EXPECT_EQ(rec.progress, (std::vector<int>{1, 2, 3, 4, 5}));
    ASSERT_EQ(rec.done.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(rec.done[i].index, i + 1);

    // The failed picture leaves no file behind (not even the empty file that held
    // its name) and its reason is logged once.
    EXPECT_EQ(folderEntries(out.path()),
              (std::vector<std::string>{"a(2).jpg", "a.jpg", "archive.tar.jpg", "photo.jpg"}));
    ASSERT_EQ(rec.log.size(), 1u);
    EXPECT_NE(rec.log[0].find("图片读取失败"), std::string::npos);
    EXPECT_NE(rec.log[0].find(items[2].path), std::string::npos);
    EXPECT_EQ(rec.done[2].status, ItemStatus::Failed);
    EXPECT_EQ(rec.done[2].reason, rec.log[0]);
    EXPECT_EQ(readFileBytes(items[2].path), brokenBefore);

    // Each target is a real JPEG of the source's size; a.png went to a(2).jpg.
    EXPECT_EQ(rec.done[1].target, out / "a(2).jpg");
    PictureInfo png = readPictureBack(out / "a(2).jpg");
    EXPECT_EQ(png.format, "JPEG");
    EXPECT_EQ(png.width, readPictureBack(items[1].path).width);
    // The item's rotation is applied and stays on the item in this mode.
    PictureInfo jpg = readPictureBack(out / "photo.jpg");
    EXPECT_EQ(jpg.format, "JPEG");
    EXPECT_EQ(jpg.width, readPictureBack(items[3].path).height);
    EXPECT_EQ(jpg.height, readPictureBack(items[3].path).width);
    EXPECT_EQ(items[3].rotation, 90);
    PictureInfo plain = readPictureBack(out / "archive.tar.jpg");
    EXPECT_EQ(plain.width, readPictureBack(items[4].path).width);
}

TEST_F(BatchLoops, LaterRunsNeverReplaceEarlierFiles)
{
    ScratchFolder src("batch_src"), out("batch_out");
    std::vector<BatchItem> items = {item(put(src, kSmallJpeg, "x.jpg"))};
    ASSERT_EQ(saveToFolderLoop(inputs, out.path(), false, items, BatchReport()).written, 1);
    std::string first = readFileBytes(out / "x.jpg");
    // Something that is no readable file still holds its name: a folder, an empty file.
    ASSERT_TRUE(CreateDirectoryA((out / "x(2).jpg").c_str(), nullptr));
    ASSERT_TRUE(writeFileBytes(out / "x(3).jpg", ""));

    items.push_back(items[0]);
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report());
    EXPECT_EQ(s.written, 2);
    ASSERT_EQ(rec.done.size(), 2u);
    EXPECT_EQ(rec.done[0].target, out / "x(4).jpg");
    EXPECT_EQ(rec.done[1].target, out / "x(5).jpg");
    EXPECT_EQ(readFileBytes(out / "x.jpg"), first);
    EXPECT_EQ(readFileBytes(out / "x(3).jpg"), "");
    EXPECT_EQ(readPictureBack(out / "x(5).jpg").format, "JPEG");
}

TEST_F(BatchLoops, ANameExistsWhenTheFileSystemHasIt)
{
    // A file that cannot be opened for reading (held without sharing by another
    // program) is still there: it is neither replaced nor written over.
    ScratchFolder src("batch_src"), out("batch_out");
    ASSERT_TRUE(writeFileBytes(out / "x.jpg", "someone else's"));
    HANDLE holder = CreateFileA((out / "x.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::vector<BatchItem> items = {item(put(src, kSmallJpeg, "x.jpg"))};
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report());
    CloseHandle(holder);
    EXPECT_EQ(s.written, 1);
    ASSERT_EQ(rec.done.size(), 1u);
    EXPECT_EQ(rec.done[0].target, out / "x(2).jpg");
    EXPECT_EQ(readFileBytes(out / "x.jpg"), "someone else's");
}

TEST_F(BatchLoops, NumberingIsBoundedAndNoticesAStop)
{
    ScratchFolder out("batch_out");
    for (const char *name : {"x.jpg", "x(2).jpg", "x(3).jpg"})
        ASSERT_TRUE(writeFileBytes(out / name, "old"));
    BatchItem x = item("D:\\in\\x.png");
    std::string target, reason;

    TargetNameBook tight(3);
    EXPECT_EQ(tight.reserve(out.path(), x, false, nullptr, target, reason), Reservation::Failed);
    EXPECT_NE(reason.find("D:\\in\\x.png"), std::string::npos);
    TargetNameBook roomy(4);
    EXPECT_EQ(roomy.reserve(out.path(), x, false, nullptr, target, reason), Reservation::Reserved);
    EXPECT_EQ(target, out / "x(4).jpg");
    EXPECT_FALSE(pathExists(target));  // held in memory: nothing on disk until the picture is written
    // ... and never handed out twice in a run.
    EXPECT_EQ(roomy.reserve(out.path(), x, false, nullptr, target, reason), Reservation::Failed);

    // A stop while numbering ends the search and reserves nothing.
    int asked = 0;
    TargetNameBook book;
    EXPECT_EQ(book.reserve(out.path(), x, false, [&] { return ++asked >= 2; }, target, reason), Reservation::Stopped);
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"x(2).jpg", "x(3).jpg", "x.jpg"}));
}

TEST_F(BatchLoops, NameOfAFailedPictureIsNotHandedOutAgain)
{
    // Names must not depend on which pictures fail, so that pictures processed
    // side by side get the same names as one after the other.
    ScratchFolder src("batch_src"), other("batch_other"), out("batch_out");
    std::vector<BatchItem> items = {item(put(src, kBroken, "p.jpg")), item(put(other, kSmallJpeg, "p.jpg"))};
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report());
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(s.written, 1);
    ASSERT_EQ(rec.done.size(), 2u);
    EXPECT_EQ(rec.done[1].target, out / "p(2).jpg");
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"p(2).jpg"}));
}

TEST_F(BatchLoops, StructureModeMirrorsNestedFolders)
{
    ScratchFolder src("batch_src"), out("结构 输出");
    std::vector<BatchItem> items = {
        item(put(src, kSmallJpeg, "1.jpg"), "src\\a\\b"),
        item(put(src, kPng, "2.png"), "src\\相册"),
        item(put(src, kSmallJpeg, "3.jpg"), ""),
        item(put(src, kSmallJpeg, "4.jpg"), "src\\a\\b"),
    };
    std::string error;
    ASSERT_TRUE(prepareTargetFolders(out.path(), items, error)) << gbkToUtf8(error);
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"src\\"}));
    EXPECT_EQ(folderEntries(out / "src"), (std::vector<std::string>{"a\\", "相册\\"}));
    EXPECT_EQ(folderEntries(out / "src\\a"), (std::vector<std::string>{"b\\"}));
    // Preparing twice is harmless.
    ASSERT_TRUE(prepareTargetFolders(out.path() + "\\", items, error));

    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), true, items, rec.report());
    EXPECT_EQ(s.written, 4);
    EXPECT_EQ(folderEntries(out / "src\\a\\b"), (std::vector<std::string>{"1.jpg", "4.jpg"}));
    EXPECT_EQ(readPictureBack(out / "src\\相册\\2.jpg").format, "JPEG");
    EXPECT_EQ(rec.done[2].target, out / "3.jpg");
    EXPECT_TRUE(pathExists(out / "3.jpg"));
}

TEST_F(BatchLoops, PreparingRefusesFoldersItCannotMake)
{
    ScratchFolder out("batch_out");
    std::string error;
    // A file where a folder must go.
    ASSERT_TRUE(writeFileBytes(out / "trip", "not a folder"));
    EXPECT_FALSE(prepareTargetFolders(out.path(), {item("D:\\x\\1.jpg", "trip\\day1")}, error));
    EXPECT_NE(error.find("无法创建目标文件夹：["), std::string::npos);
    EXPECT_NE(error.find(out / "trip"), std::string::npos);
    EXPECT_EQ(readFileBytes(out / "trip"), "not a folder");

    // A relative folder that climbs out of the target is refused before anything is made.
    error.clear();
    EXPECT_FALSE(prepareTargetFolders(out.path(), {item("D:\\x\\1.jpg", "ok"), item("D:\\x\\2.jpg", "..\\escape")}, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(pathExists(out / "ok"));

    // A target folder that does not exist cannot take sub-folders.
    error.clear();
    EXPECT_FALSE(prepareTargetFolders(out / "missing", {item("D:\\x\\1.jpg", "a")}, error));
    EXPECT_NE(error.find(out / "missing\\a"), std::string::npos);
}

TEST_F(BatchLoops, AFolderThatCanNeverBeMadeFailsOnlyThePicturesBelowIt)
{
    // A source tree with a sub-folder named "con" (made on Unix, Windows has no
    // such folder) and one whose mirror is too long: the run goes on without them.
    ScratchFolder src("batch_src"), out("batch_out");
    std::string deep(230, 'd');
    std::vector<BatchItem> items = {
        item(put(src, kSmallJpeg, "1.jpg"), "trip\\con"),
        item(put(src, kSmallJpeg, "2.jpg"), "trip\\day1"),
        item(put(src, kSmallJpeg, "3.jpg"), "trip\\" + deep),
    };
    std::string error;
    ASSERT_TRUE(prepareTargetFolders(out.path(), items, error)) << gbkToUtf8(error);
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), true, items, rec.report());
    EXPECT_EQ(s.written, 1);
    EXPECT_EQ(s.failed, 2);
    ASSERT_EQ(rec.done.size(), 3u);
    EXPECT_EQ(rec.done[0].reason, "无法创建目标文件夹：[" + out.path() + "\\trip\\con]\r\n原因：con 是 Windows 保留的设备名"
                                  "\r\n源图片：" + items[0].path);
    EXPECT_EQ(rec.done[1].target, out / "trip\\day1\\2.jpg");
    // The name it would have had, whole, and its length: not a shorter path that fits.
    const std::string wanted = out.path() + "\\trip\\" + deep + "\\3.jpg";
    EXPECT_EQ(rec.done[2].reason, formatText("目标文件名太长 (%zu 字节, 最多 259 字节):\r\n", wanted.size()) + wanted +
                                      "\r\n源图片：" + items[2].path);
}

TEST_F(BatchLoops, AnOriginalWhoseTemporaryNameDoesNotFitIsNotBlamedForItsOwnPath)
{
    // A 253-byte original fits; the temporary file beside it ("~velmora-<run>-<n>.tmp") does not.
    ScratchFolder src("batch_src");
    std::string folder = src.path();
    while (folder.size() < 240)
        folder += "\\" + std::string(std::min<size_t>(60, 246 - folder.size()), 'f');
    ASSERT_EQ(SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr), ERROR_SUCCESS);
    std::string name = std::string(253 - folder.size() - 1 - 4, 'n') + ".jpg";
    std::string original = folder + "\\" + name;
    ASSERT_EQ(original.size(), 253u);
    ASSERT_TRUE(copyFileTo(samplePath(kSmallJpeg), original));
    SetFileAttributesA(original.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::string before = readFileBytes(original);
    std::vector<BatchItem> items = {item(original)};
    Recorder rec;
    BatchSummary s = overwriteLoop(inputs, items, rec.report());
    EXPECT_EQ(s.failed, 1);
    ASSERT_EQ(rec.log.size(), 1u);
    EXPECT_NE(rec.log[0].find("原图的路径有 253 字节, 在它旁边写临时文件时路径会超过 259 字节的上限"), std::string::npos)
        << gbkToUtf8(rec.log[0]);
    EXPECT_EQ(readFileBytes(original), before);
}

// Claims a file again and again until told to stop.
struct ClaimRace {
    SourceClaims claims;
    std::string path;
    std::atomic<bool> stop{false};
};
DWORD WINAPI claimAgainAndAgain(LPVOID parameter)
{
    ClaimRace *race = static_cast<ClaimRace *>(parameter);
    while (!race->stop)
        race->claims.claim(race->path);
    return 0;
}

TEST(SourceClaims, AClaimNeverMakesTheReplacementOfAnEarlierItemFail)
{
    // Telling links apart opens the file, and a file that is open cannot be
    // renamed over: the first item of an overwrite run was not written about one
    // run in ten, when later items naming the same file were claimed meanwhile.
    ScratchFolder dir("claims");
    ClaimRace race;
    race.path = dir / "dup.jpg";
    ASSERT_TRUE(writeFileBytes(race.path, "original"));
    HANDLE thread = CreateThread(nullptr, 0, claimAgainAndAgain, &race, 0, nullptr);
    int failed = 0;
    for (int i = 0; i < 200; ++i) {
        std::string temp;
        DWORD error = 0;
        ASSERT_TRUE(writeOwnTempFile(dir.path(), "new", 3, temp, error));
        failed += race.claims.replace(temp, race.path, error) != PlaceResult::Placed;
    }
    race.stop = true;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(failed, 0);
}

TEST_F(BatchLoops, StopFlagIsHonouredBetweenPictures)
{
    // One worker: the stop falls exactly between two pictures.
    ScratchFolder src("batch_src"), out("batch_out");
    std::vector<BatchItem> items;
    for (int i = 1; i <= 5; ++i)
        items.push_back(item(put(src, kSmallJpeg, formatText("%d.jpg", i))));
    Recorder rec;
    rec.stopAfter = 2;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report(), 1);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.written, 2);
    EXPECT_EQ(rec.progress, (std::vector<int>{1, 2}));
    EXPECT_EQ(rec.completedCalls, 0);
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"1.jpg", "2.jpg"}));

    // A stop pressed while the last picture is worked on: that picture is
    // finished, but the run is not reported as completed.
    Recorder late;
    late.stopAfter = 5;
    s = saveToFolderLoop(inputs, out.path(), false, items, late.report(), 1);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.written, 5);
    EXPECT_EQ(late.completedCalls, 0);

    // Overwrite mode stops the same way; untouched items keep rotation and flip.
    Recorder rec2;
    rec2.stopAfter = 1;
    items[1].rotation = 90;
    items[2].rotation = 180;
    items[2].flip = 1;
    s = overwriteLoop(inputs, items, rec2.report(), 1);
    EXPECT_TRUE(s.stopped);
    EXPECT_EQ(s.written, 1);
    EXPECT_EQ(rec2.completedCalls, 0);
    EXPECT_EQ(items[1].rotation, 90);
    EXPECT_EQ(items[2].rotation, 180);
    EXPECT_EQ(items[2].flip, 1);
}

TEST_F(BatchLoops, UnwritableTargetFailsEachPictureAndLosesNothing)
{
    ScratchFolder src("batch_src"), out("batch_out");
    std::vector<BatchItem> items = {item(put(src, kSmallJpeg, "a.jpg")), item(put(src, kPng, "b.png"))};
    std::string before = readFileBytes(items[0].path);
    // The target folder vanished after the run was set up.
    std::string gone = out / "gone";
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, gone, false, items, rec.report());
    EXPECT_EQ(s.failed, 2);
    EXPECT_EQ(s.written, 0);
    EXPECT_EQ(rec.completedCalls, 1);
    ASSERT_EQ(rec.log.size(), 2u);
    EXPECT_NE(rec.log[0].find(gone), std::string::npos);
    EXPECT_NE(rec.log[0].find(items[0].path), std::string::npos);
    EXPECT_EQ(readFileBytes(items[0].path), before);
    EXPECT_FALSE(pathExists(gone));

    // A target name beyond the path limit is a clear failure, not a loop.
    std::vector<BatchItem> longName = {item(put(src, kSmallJpeg, std::string(200, 'n') + ".jpg"))};
    Recorder rec2;
    s = saveToFolderLoop(inputs, out / std::string(60, 'd'), false, longName, rec2.report());
    EXPECT_EQ(s.failed, 1);
    ASSERT_EQ(rec2.log.size(), 1u);
    EXPECT_NE(rec2.log[0].find("太长"), std::string::npos);
}

TEST_F(BatchLoops, OverwriteWritesJpegUnderTheSourceNameAndResetsTheItem)
{
    ScratchFolder src("覆盖 测试");
    std::vector<BatchItem> items = {
        item(put(src, kWidePng, "logo.png"), "", 90, 1),
        item(put(src, kBroken, "坏图.jpg"), "", 270, 0),
        item(put(src, kPhoto, "照片.jpg"), "", 180, 0),
    };
    PictureInfo pngBefore = readPictureBack(items[0].path);
    std::string brokenBefore = readFileBytes(items[1].path);
    Recorder rec;
    BatchSummary s = overwriteLoop(inputs, items, rec.report());
    EXPECT_EQ(s.written, 2);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(rec.completedCalls, 1);

    EXPECT_TRUE(isJpegData(readFileBytes(items[0].path)));
    PictureInfo logo = readPictureBack(items[0].path);
    EXPECT_EQ(logo.format, "JPEG");
    // Turned by the item's rotation before it was written.
    EXPECT_EQ(logo.width, pngBefore.height);
    EXPECT_EQ(logo.height, pngBefore.width);
    EXPECT_EQ(rec.done[0].target, items[0].path);
    EXPECT_EQ(readPictureBack(items[2].path).format, "JPEG");

    // The unreadable one is logged and stays byte for byte.
    ASSERT_EQ(rec.log.size(), 1u);
    EXPECT_NE(rec.log[0].find("坏图.jpg"), std::string::npos);
    EXPECT_EQ(readFileBytes(items[1].path), brokenBefore);

    for (const BatchItem &it : items) {
        EXPECT_EQ(it.rotation, 0);
        EXPECT_EQ(it.flip, 0);
    }
    // No temporary file is left beside the pictures.
    EXPECT_EQ(folderEntries(src.path()), (std::vector<std::string>{"logo.png", "坏图.jpg", "照片.jpg"}));
}

TEST_F(BatchLoops, OverwriteProcessesEachFileOnce)
{
    ScratchFolder src("batch_src");
    std::string a = put(src, kSmallJpeg, "Dup.jpg");
    std::string otherSpelling = src.path() + "\\.\\dup.JPG";
    std::vector<BatchItem> items = {item(a, "", 90, 0), item(a), item(otherSpelling, "", 0, 1)};
    Recorder rec;
    BatchSummary s = overwriteLoop(inputs, items, rec.report());
    EXPECT_EQ(s.written, 1) << (rec.log.empty() ? "" : gbkToUtf8(rec.log[0]));
    EXPECT_EQ(s.skipped, 2);
    EXPECT_EQ(s.failed, 0);
    ASSERT_EQ(rec.done.size(), 3u);
    EXPECT_EQ(rec.done[1].status, ItemStatus::Skipped);
    EXPECT_EQ(rec.done[2].status, ItemStatus::Skipped);
    EXPECT_EQ(items[2].flip, 0);
}

TEST_F(BatchLoops, OverwriteKeepsTheOriginalWhenItCannotBeReplaced)
{
    ScratchFolder src("batch_src");
    std::vector<BatchItem> items = {item(put(src, kPng, "locked.png"))};
    std::string before = readFileBytes(items[0].path);
    // Another program holds the file open for reading and denies replacing it.
    HANDLE holder = CreateFileA(items[0].path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Recorder rec;
    BatchSummary s = overwriteLoop(inputs, items, rec.report());
    CloseHandle(holder);

    EXPECT_EQ(s.failed, 1);
    ASSERT_EQ(rec.log.size(), 1u);
    EXPECT_NE(rec.log[0].find("图片处理后保存时"), std::string::npos);
    EXPECT_NE(rec.log[0].find(items[0].path), std::string::npos);
    EXPECT_EQ(readFileBytes(items[0].path), before);
    EXPECT_EQ(folderEntries(src.path()), (std::vector<std::string>{"locked.png"}));
}

TEST(SafeReplace, FailsCleanlyWhereNothingCanBeWritten)
{
    ScratchFolder dir("batch_replace");
    DWORD error = 0;
    EXPECT_FALSE(replaceFileWith(dir / "missing\\a.jpg", "abc", 3, error));
    EXPECT_EQ(error, (DWORD)ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(pathExists(dir / "missing"));

    std::string file = dir / "中文.jpg";
    ASSERT_TRUE(writeFileBytes(file, "old"));
    ASSERT_TRUE(replaceFileWith(file, "new bytes", 9, error));
    EXPECT_EQ(readFileBytes(file), "new bytes");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"中文.jpg"}));

    // A read-only original stays as it is.
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(replaceFileWith(file, "newer", 5, error));
    EXPECT_EQ(error, (DWORD)ERROR_ACCESS_DENIED);
    EXPECT_EQ(readFileBytes(file), "new bytes");
    EXPECT_EQ(folderEntries(dir.path()), (std::vector<std::string>{"中文.jpg"}));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(BatchLoops, AKilledRunLeavesNoEmptyFileAndTheNextRunRemovesItsTemporaryFiles)
{
    ScratchFolder src("batch_src"), out("batch_out");
    // What killed runs leave: their temporary files, never an empty file under a
    // real name. One is named with this very process's id, as a killed run's is
    // when it was the first process of a Wine server and this run is the first of
    // the next one: a process id says nothing about whose a file is.
    const std::string stale = formatText("%s%lx-7.tmp", kOwnTempPrefix, 0x7ffffff0ul);
    const std::string samePid = formatText("%s%lx-7.tmp", kOwnTempPrefix, (unsigned long)GetCurrentProcessId());
    const std::string ours = formatText("%s%s-999999.tmp", kOwnTempPrefix, ownRunToken().c_str());
    // A run that lives holds the lock of its token (here: taken as another run would).
    const std::string otherToken = "0badc0de";
    HANDLE otherRun = CreateMutexA(nullptr, FALSE, ("velmora-run-" + otherToken).c_str());
    ASSERT_TRUE(otherRun);
    const std::string living = formatText("%s%s-3.tmp", kOwnTempPrefix, otherToken.c_str());
    for (const std::string &name : {stale, samePid, ours, living, std::string("~velmora-notes.tmp"),
                                    std::string("vlm1A2B.tmp"), std::string("other.tmp")})
        ASSERT_TRUE(writeFileBytes(out / name, "half a picture"));
    std::vector<BatchItem> items = {item(put(src, kSmallJpeg, "a.jpg")), item(put(src, kBroken, "b.jpg"))};
    Recorder rec;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, rec.report());
    EXPECT_EQ(s.written, 1);
    EXPECT_EQ(s.failed, 1);
    // Only the dead runs' files went; the living runs' and every other name stay,
    // nothing was added for the picture that failed.
    std::vector<std::string> expected = {ours, living, "a.jpg", "other.tmp", "vlm1A2B.tmp", "~velmora-notes.tmp"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(folderEntries(out.path()), expected);

    // Once that run has ended (however: a kill closes its handles too) its files go.
    CloseHandle(otherRun);
    EXPECT_EQ(removeOwnTempFiles(out.path()), 1);
    EXPECT_TRUE(pathExists(out / ours));
    DeleteFileA((out / ours).c_str());
}

TEST_F(BatchLoops, ANameTakenAfterItWasChosenGoesToTheNextNumber)
{
    ScratchFolder src("batch_src"), out("batch_out");
    BatchItem x = item(put(src, kSmallJpeg, "x.jpg"));
    // Another program wrote x.jpg between the choice of the name and the write.
    ASSERT_TRUE(writeFileBytes(out / "x.jpg", "someone else's"));
    int asked = 0;
    NextTargetName next = [&](std::string &name, std::string &) {
        ++asked;
        name = out / "x(2).jpg";
        return true;
    };
    ItemOutcome o = processIntoTarget(inputs, x, out / "x.jpg", next);
    EXPECT_EQ(o.status, ItemStatus::Written) << gbkToUtf8(o.reason);
    EXPECT_EQ(o.target, out / "x(2).jpg");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(readFileBytes(out / "x.jpg"), "someone else's");
    EXPECT_EQ(readPictureBack(out / "x(2).jpg").format, "JPEG");
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"x(2).jpg", "x.jpg"}));

    // With no name left the picture fails; still nothing is replaced or left behind.
    o = processIntoTarget(inputs, x, out / "x.jpg", NextTargetName());
    EXPECT_EQ(o.status, ItemStatus::Failed);
    EXPECT_NE(o.reason.find("x.jpg"), std::string::npos) << gbkToUtf8(o.reason);
    EXPECT_EQ(folderEntries(out.path()), (std::vector<std::string>{"x(2).jpg", "x.jpg"}));
}

namespace {

// A copy of a sample JPEG with large application blocks after its start marker,
// as cameras and phones write them (maker notes, depth and thermal data, previews).
std::string withLargeAppBlocks(const std::string &jpeg)
{
    std::string blocks;
    auto add = [&](unsigned char marker, const std::string &tag) {
        std::string payload = tag + std::string(60000, (char)marker);
        size_t length = payload.size() + 2;
        blocks += (char)0xFF;
        blocks += (char)marker;
        blocks += (char)(length >> 8);
        blocks += (char)(length & 0xFF);
        blocks += payload;
    };
    add(0xE1, std::string("FLIR\0\1", 6));
    add(0xE1, std::string("http://ns.adobe.com/xmp/extension/\0", 35));
    add(0xE3, std::string("Meta\0\0", 6));
    add(0xE5, std::string("RMETA\0", 6));
    add(0xEF, std::string("XXXX\0", 5));
    return jpeg.substr(0, 2) + blocks + jpeg.substr(2);
}

}  // namespace

TEST_F(BatchLoops, CameraDataGoesWholeAndAMissedSizeLimitIsSaid)
{
    ScratchFolder src("batch_src"), out("batch_out");
    std::string photo = src / "camera.jpg";
    ASSERT_TRUE(writeFileBytes(photo, withLargeAppBlocks(readFileBytes(samplePath("meta/kphotoalbum_pool_olympus_icc.jpg")))));
    ASSERT_GT(readFileBytes(photo).size(), 300000u);
    std::vector<BatchItem> items = {item(photo)};

    // Removal of camera data: EXIF, XMP and every other application block go; the
    // colour profile and the IPTC captions (Photoshop's "8bim" block) stay.
    settings.bRemovePhotoOtherInfo = 1;
    Recorder rec;
    ASSERT_EQ(saveToFolderLoop(inputs, out.path(), false, items, rec.report()).written, 1);
    MagickWand *w = readPicture(out / "camera.jpg");
    ASSERT_TRUE(w);
    size_t count = 0;
    char **names = MagickGetImageProfiles(w, "*", &count);
    std::vector<std::string> kept;
    for (size_t i = 0; i < count; ++i) {
        kept.push_back(names[i]);
        MagickRelinquishMemory(names[i]);
    }
    MagickRelinquishMemory(names);
    DestroyMagickWand(w);
    EXPECT_EQ(kept, (std::vector<std::string>{"8bim", "icc", "iptc"}));
    EXPECT_LT(readFileBytes(out / "camera.jpg").size(), 150000u);

    // Kept camera data alone is over 300 KB: a limit of 20 KB cannot be met. The
    // file is written (the smallest the writer can make) and the user is told.
    settings.bRemovePhotoOtherInfo = 0;
    settings.bQuanlity = 1;
    settings.qualityMode = 1;
    settings.maxFileSize = 20;
    Recorder limited;
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, limited.report());
    EXPECT_EQ(s.written, 1);
    EXPECT_EQ(s.oversize, 1);
    ASSERT_EQ(limited.done.size(), 1u);
    EXPECT_NE(limited.done[0].note.find("20 KB"), std::string::npos) << gbkToUtf8(limited.done[0].note);
    ASSERT_EQ(limited.log.size(), 1u);
    EXPECT_NE(limited.log[0].find("未能达到设置的文件大小上限 20 KB"), std::string::npos) << gbkToUtf8(limited.log[0]);
    EXPECT_NE(limited.log[0].find(out / "camera(2).jpg"), std::string::npos);
    // A limit that can be met says nothing.
    settings.bRemovePhotoOtherInfo = 1;
    settings.maxFileSize = 200;
    Recorder met;
    s = saveToFolderLoop(inputs, out.path(), false, items, met.report());
    EXPECT_EQ(s.oversize, 0);
    EXPECT_TRUE(met.log.empty());
    EXPECT_LE(readFileBytes(out / "camera(3).jpg").size(), 200u * 1024);
}
