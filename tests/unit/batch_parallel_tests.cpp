// The loops with several workers: what a parallel run could break (names, order,
// stop, the safe overwrite, the progress count) checked on real files.
#include "gtest.h"
#include "test_util.h"
#include "pipeline_test_support.h"

#include <windows.h>
#include <atomic>

#include "core/batch_loops.h"
#include "core/batch_workers.h"
#include "core/jpeg_size_limit.h"
#include "imaging/output_options.h"
#include "core/pipeline.h"
#include "util/text.h"

namespace {

const char kPhoto[] = "photos/mate_Garden.jpg";  // 2560 x 1600
const char kSmallJpeg[] = "meta/vips_rotation_orient1.jpg";
const char kPng[] = "formats/png/go_basn3p08_trns.png";
const char kBroken[] = "broken/zero_bytes.jpg";

struct RunLog {
    std::vector<int> progress;
    std::vector<std::string> log;
    std::vector<BatchItemResult> done;
    std::atomic<bool> stop{false};
    DWORD loopThread = GetCurrentThreadId();
    bool hooksOnLoopThread = true;

    BatchReport report()
    {
        BatchReport r;
        r.progress = [this](int i, int) {
            progress.push_back(i);
            hooksOnLoopThread = hooksOnLoopThread && GetCurrentThreadId() == loopThread;
        };
        r.logLine = [this](const std::string &text) { log.push_back(text); };
        r.itemDone = [this](const BatchItemResult &result) {
            done.push_back(result);
            hooksOnLoopThread = hooksOnLoopThread && GetCurrentThreadId() == loopThread;
        };
        r.stopRequested = stopHookFor(stop);
        return r;
    }
};

std::string put(const std::string &folder, const std::string &sample, const std::string &name)
{
    std::string to = folder + "\\" + name;
    EXPECT_TRUE(copyFileTo(samplePath(sample), to)) << name;
    SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
    return to;
}

BatchItem item(const std::string &path)
{
    BatchItem it;
    it.path = path;
    return it;
}

// The progress count of a whole run: 1, then up by at least one each time, never
// past the total, and every item reported once, in list order.
void expectCountedInOrder(const RunLog &run, int total)
{
    ASSERT_FALSE(run.progress.empty());
    EXPECT_EQ(run.progress.front(), 1);
    for (size_t i = 1; i < run.progress.size(); ++i)
        EXPECT_GT(run.progress[i], run.progress[i - 1]) << i;
    EXPECT_LE(run.progress.back(), total);
    ASSERT_EQ((int)run.done.size(), total);
    for (int i = 0; i < total; ++i)
        EXPECT_EQ(run.done[i].index, i + 1);
    EXPECT_TRUE(run.hooksOnLoopThread);
}

std::string afterFolder(const std::string &path, const std::string &folder)
{
    return path.compare(0, folder.size(), folder) == 0 ? path.substr(folder.size()) : path;
}

}  // namespace

TEST(BatchParallel, WorkerCountFollowsTheProcessors)
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    EXPECT_EQ(batchWorkerCount(0), (int)info.dwNumberOfProcessors);
    EXPECT_EQ(batchWorkerCount(3), 3);
    EXPECT_EQ(batchWorkerCount(1000), kMaxBatchWorkers);
}

TEST(BatchParallel, SeveralWorkersGiveTheNamesLinesAndFilesOfOneWorker)
{
    // Same base names from several folders, a name already on disk, failures in
    // between (their names stay used), slow and quick pictures side by side.
    ScratchFolder src("parallel_src");
    for (const char *sub : {"a", "b", "c"})
        ASSERT_TRUE(CreateDirectoryA((src / sub).c_str(), nullptr));
    ProcessSettings settings;
    settings.bSize = 1;
    settings.sizeValue = 640;
    PipelineInputs inputs;
    inputs.settings = &settings;
    std::vector<BatchItem> items = {
        item(put(src / "a", kPhoto, "p.jpg")),  item(put(src / "b", kSmallJpeg, "p.jpg")),
        item(put(src / "a", kPng, "p.png")),    item(put(src / "c", kBroken, "p.jpg")),
        item(put(src / "c", kPhoto, "p.gif")),  item(put(src / "b", kSmallJpeg, "q.jpg")),
        item(put(src / "c", kSmallJpeg, "q.JPG")), item(put(src / "b", kBroken, "p.bmp")),
        item(put(src / "a", kPhoto, "q.png")),  item(put(src / "c", kPng, "p.tif")),
    };
    struct Outcome {
        std::vector<std::string> targets, log, files;
    };
    auto runWith = [&](int workers, Outcome &o) {
        ScratchFolder out(formatText("parallel_out%d", workers));
        ASSERT_TRUE(writeFileBytes(out / "p.jpg", "already there"));
        ASSERT_TRUE(writeFileBytes(out / "q(2).jpg", "already there"));
        RunLog run;
        BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, run.report(), workers);
        EXPECT_EQ(s.written, 8) << workers;
        EXPECT_EQ(s.failed, 2) << workers;
        expectCountedInOrder(run, (int)items.size());
        for (const BatchItemResult &r : run.done)
            o.targets.push_back(afterFolder(r.target, out.path()));
        for (const std::string &line : run.log)
            o.log.push_back(line);
        o.files = folderEntries(out.path());
        EXPECT_EQ(readFileBytes(out / "p.jpg"), "already there");
        for (const std::string &name : o.files)
            if (name != "p.jpg" && name != "q(2).jpg")
                EXPECT_EQ(readPictureBack(out / name).format, "JPEG") << name;
    };
    Outcome one, four;
    runWith(1, one);
    runWith(4, four);
    EXPECT_EQ(four.targets, one.targets);
    EXPECT_EQ(four.log, one.log);
    EXPECT_EQ(four.files, one.files);
    EXPECT_EQ(one.targets, (std::vector<std::string>{"\\p(2).jpg", "\\p(3).jpg", "\\p(4).jpg", "", "\\p(6).jpg",
                                                      "\\q.jpg", "\\q(3).jpg", "", "\\q(4).jpg", "\\p(8).jpg"}));
}

TEST(BatchParallel, AStopWithTwoWorkersFinishesWhatStartedAndLeavesOnlyWholeFiles)
{
    ScratchFolder src("parallel_stop_src"), out("parallel_stop_out");
    ProcessSettings settings;
    PipelineInputs inputs;
    inputs.settings = &settings;
    std::vector<BatchItem> items;
    for (int i = 1; i <= 8; ++i)
        items.push_back(item(put(src.path(), kPhoto, formatText("%d.jpg", i))));
    RunLog run;
    BatchReport report = run.report();
    std::atomic<unsigned> started{0};
    report.pictureStarting = [&](int index) {
        started |= 1u << index;
        // "停止" while picture 3 is being made; the worker goes on with it.
        if (index == 3) {
            run.stop = true;
            Sleep(200);
        }
    };
    BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, report, 2);

    EXPECT_TRUE(s.stopped);
    std::vector<std::string> expected;
    for (int i = 1; i <= 8; ++i)
        if (started & (1u << i))
            expected.push_back(formatText("%d.jpg", i));
    // Every picture that started is finished and whole; no other starts after the
    // stop (at most the one handed to the other worker before it was seen).
    EXPECT_GE(expected.size(), 3u);
    EXPECT_LE(expected.size(), 4u);
    EXPECT_EQ(folderEntries(out.path()), expected);
    EXPECT_EQ(s.written, (int)expected.size());
    ASSERT_EQ(run.done.size(), expected.size());
    for (const std::string &name : expected) {
        PictureInfo info = readPictureBack(out / name);
        EXPECT_EQ(info.format, "JPEG") << name;
        EXPECT_EQ(info.width, 2560u) << name;
        EXPECT_EQ(info.height, 1600u) << name;
    }
    for (size_t i = 1; i < run.progress.size(); ++i)
        EXPECT_GT(run.progress[i], run.progress[i - 1]);
}

TEST(BatchParallel, OverwriteWithSeveralWorkersKeepsOriginalsWhoseWriteFails)
{
    ScratchFolder src("parallel_overwrite");
    ProcessSettings settings;
    settings.bSize = 1;
    settings.sizeValue = 300;
    PipelineInputs inputs;
    inputs.settings = &settings;
    std::vector<BatchItem> items;
    for (int i = 1; i <= 6; ++i)
        items.push_back(item(put(src.path(), i % 2 ? kPhoto : kPng, formatText("%d.%s", i, i % 2 ? "jpg" : "png"))));
    // Another program holds pictures 2 and 5 open and lets nobody replace them.
    std::string before2 = readFileBytes(items[1].path), before5 = readFileBytes(items[4].path);
    HANDLE hold2 = CreateFileA(items[1].path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE hold5 = CreateFileA(items[4].path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold2, INVALID_HANDLE_VALUE);
    ASSERT_NE(hold5, INVALID_HANDLE_VALUE);
    RunLog run;
    BatchSummary s = overwriteLoop(inputs, items, run.report(), 4);
    CloseHandle(hold2);
    CloseHandle(hold5);

    EXPECT_EQ(s.written, 4);
    EXPECT_EQ(s.failed, 2);
    expectCountedInOrder(run, 6);
    ASSERT_EQ(run.log.size(), 2u);
    EXPECT_NE(run.log[0].find(items[1].path), std::string::npos) << gbkToUtf8(run.log[0]);
    EXPECT_NE(run.log[1].find(items[4].path), std::string::npos) << gbkToUtf8(run.log[1]);
    EXPECT_EQ(readFileBytes(items[1].path), before2);
    EXPECT_EQ(readFileBytes(items[4].path), before5);
    for (int i : {0, 2, 3, 5}) {
        PictureInfo info = readPictureBack(items[i].path);
        EXPECT_EQ(info.format, "JPEG") << i;
        EXPECT_EQ(info.width, i % 2 ? 32u : 300u) << i;  // the PNGs are smaller than 300 already
    }
    // Nothing but the pictures themselves: no temporary file of any worker.
    EXPECT_EQ(folderEntries(src.path()),
              (std::vector<std::string>{"1.jpg", "2.png", "3.jpg", "4.png", "5.jpg", "6.png"}));
}

// ---- The maximum file size ------------------------------------------------------

namespace {

std::vector<std::string> samplePhotos()
{
    std::vector<std::string> photos;
    for (const std::string &name : folderEntries(samplePath("photos")))
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".jpg") == 0)
            photos.push_back(samplePath("photos") + "\\" + name);
    return photos;
}

}  // namespace

TEST(MaximumFileSize, AReachableLimitIsNeverExceededOnRealPhotos)
{
    std::vector<std::string> photos = samplePhotos();
    ASSERT_GE(photos.size(), 10u);
    ProcessSettings settings;
    settings.bSize = 1;
    settings.sizeValue = 750;
    settings.bQuanlity = 1;
    settings.qualityMode = 1;
    PipelineInputs inputs;
    inputs.settings = &settings;
    std::vector<BatchItem> items;
    for (const std::string &photo : photos)
        items.push_back(item(photo));
    // mate_Wood carries 68 KB of camera data: every limit here is reachable.
    for (int kb : {80, 150}) {
        settings.maxFileSize = kb;
        ScratchFolder out(formatText("size_limit_%d", kb));
        RunLog run;
        BatchSummary s = saveToFolderLoop(inputs, out.path(), false, items, run.report());
        EXPECT_EQ(s.written, (int)items.size()) << kb;
        EXPECT_EQ(s.oversize, 0) << kb;
        EXPECT_TRUE(run.log.empty()) << kb;
        for (const std::string &name : folderEntries(out.path())) {
            size_t bytes = readFileBytes(out / name).size();
            EXPECT_LE(bytes, (size_t)kb * 1024) << name;
            // Not needlessly small either: at least half the room is used.
            EXPECT_GT(bytes, (size_t)kb * 1024 / 2) << name;
        }
    }
}

TEST(MaximumFileSize, TheSearchFindsTheHighestQualityThatFitsAtLittleCost)
{
    ProcessSettings settings;
    settings.bSize = 1;
    settings.sizeValue = 750;
    PipelineInputs inputs;
    inputs.settings = &settings;
    double spent = 0.0;
    int pictures = 0, highest = 0;
    for (const std::string &photo : samplePhotos()) {
        for (size_t limit : {75u * 1024, 100u * 1024, 160u * 1024}) {
            PictureOutcome o = processPicture(inputs, photo, std::string(), 0, 0);
            ASSERT_EQ(o.result, PictureResult::Picture) << photo;
            MagickSetImageFormat(o.picture, "JPEG");
            std::string bytes, reason, above;
            bool fits = false;
            JpegSearchCost cost;
            ASSERT_TRUE(encodeJpegWithin(o.picture, limit, bytes, fits, reason, &cost)) << reason;
            EXPECT_TRUE(fits) << photo;
            EXPECT_LE(bytes.size(), limit) << photo;
            int quality = (int)MagickGetImageCompressionQuality(o.picture);
            // One quality more would not fit (or this is the best there is).
            if (quality < 100) {
                MagickSetImageCompressionQuality(o.picture, (size_t)quality + 1);
                ASSERT_TRUE(takeImageBlob(o.picture, above, reason));
                if (above.size() > limit)
                    ++highest;
                else
                    printf("  %s: quality %d fits too\n", photo.c_str(), quality + 1);
            } else {
                ++highest;
            }
            spent += cost.encodes + cost.mosaicShare;
            ++pictures;
            DestroyMagickWand(o.picture);
        }
    }
    ASSERT_GT(pictures, 0);
    printf("maximum file size: %d searches, the highest quality in %d, %.2f whole encodes on average\n", pictures,
           highest, spent / pictures);
    // ImageMagick's own search makes seven or eight encodes.
    EXPECT_LT(spent / pictures, 2.5);
    EXPECT_EQ(highest, pictures);
}
