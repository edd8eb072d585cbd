// The window-free half of a run started from the window: the progress bar's
// scale, the checks before a run in their order, and the save choice after it.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include "core/batch_run.h"
#include "core/run_end_text.h"
#include "core/settings_file.h"
#include "app/save_group.h"
#include "util/text.h"

// ---- The end of a run --------------------------------------------------------------

TEST(RunEnd, FailuresAreNeverReportedAsAFinishedRun)
{
    struct Case {
        int written, failed;
        const char *question;  // null: overwrite mode
        const char *caption;
        UINT buttonsAndIcon;
        const char *text;
    };
    const char *ask = "是否要打开目标文件夹查看处理后的图片？";
    const Case cases[] = {
        {31, 0, ask, "完成", MB_YESNO | MB_ICONINFORMATION, "图片批量处理已完成，是否要打开目标文件夹查看处理后的图片？"},
        {31, 0, nullptr, "完成", MB_OK | MB_ICONINFORMATION, "图片批量处理已完成"},
        {0, 31, ask, "注意", MB_OK | MB_ICONWARNING, "没有写入任何图片：31 张全部失败。\n\n失败的原因见信息窗口 (F2)。"},
        {29, 2, nullptr, "完成", MB_OK | MB_ICONWARNING,
         "图片批量处理已完成：已写入 29 张，失败 2 张。\n\n失败的原因见信息窗口 (F2)。"},
    };
    for (const Case &c : cases) {
        BatchSummary summary;
        summary.written = c.written;
        summary.failed = c.failed;
        RunEndBox box = runEndBox(summary, "图片批量处理已完成", c.question);
        EXPECT_EQ(box.text, c.text);
        EXPECT_STREQ(box.caption, c.caption) << c.text;
        EXPECT_EQ(box.type & (MB_TYPEMASK | MB_ICONMASK | MB_TOPMOST), c.buttonsAndIcon | MB_TOPMOST) << c.text;
        EXPECT_EQ(box.offersFolder, c.question && c.written > 0) << c.text;
    }
}

// ---- Progress bar scale ----------------------------------------------------------

TEST(ProgressScale, ListsUpToTheBarLimitAreCountedOneByOne)
{
    for (int total : {0, 1, 100, 65534, 65535}) {
        ProgressScale s = progressScaleFor(total);
        EXPECT_EQ(s.scale, 1) << total;
        EXPECT_EQ(s.maximum, total) << total;
        EXPECT_EQ(progressPositionFor(total, s), total) << total;
    }
}

TEST(ProgressScale, SeventyThousandPicturesCountInPairs)
{
    ProgressScale s = progressScaleFor(70000);
    EXPECT_EQ(s.scale, 2);
    EXPECT_EQ(s.maximum, 35000);
    EXPECT_EQ(progressPositionFor(1, s), 0);
    EXPECT_EQ(progressPositionFor(2, s), 1);
    EXPECT_EQ(progressPositionFor(70000, s), 35000);
}

// The divisor must be the smallest that fits, at every size: a larger one makes
// the bar coarser than needed, a smaller one overflows the bar's range.
TEST(ProgressScale, DivisorIsTheSmallestThatFitsAcrossSizes)
{
    std::vector<int> totals = {65536, 65537, 131070, 131071, 131072, 196605, 196606, 1000000, 2147483647};
    for (int t = 65536; t < 2000000; t += 77777)
        totals.push_back(t);
    for (int total : totals) {
        ProgressScale s = progressScaleFor(total);
        ASSERT_GE(s.scale, 2) << total;
        EXPECT_LE(total / s.scale, kProgressBarLimit) << total;
        if (s.scale > 2)
            EXPECT_GT(total / (s.scale - 1), kProgressBarLimit) << total;
        EXPECT_EQ(s.maximum, total / s.scale) << total;
        EXPECT_EQ(progressPositionFor(total, s), s.maximum) << total;
    }
    EXPECT_EQ(progressScaleFor(131071).scale, 2);  // 131071 / 2 = 65535
    EXPECT_EQ(progressScaleFor(131072).scale, 3);
}

TEST(ProgressScale, StatusLineText)
{
    EXPECT_EQ(progressStatusText(100, 1), "共 100 张图片，正在处理第 1 张。");
    EXPECT_EQ(progressStatusText(70000, 70000), "共 70000 张图片，正在处理第 70000 张。");
}

// ---- Checks before a run -----------------------------------------------------------

namespace {

struct CheckRun {
    ProcessSettings settings;
    PipelineInputs inputs;
    RunPlan plan;
    std::string message;
    std::vector<std::string> log;
    int collected = 0;
    bool refuse = false;

    StartVerdict check(const RunRequest &request, const std::vector<BatchItem> &items = {})
    {
        CollectSettings collect = [this](PipelineInputs &in) {
            ++collected;
            in.settings = &settings;
            return !refuse;
        };
        char cwd[MAX_PATH];
        GetCurrentDirectoryA(sizeof cwd, cwd);
        StartVerdict v = checkRunStart(request, collect, items, inputs, plan, message,
                                       [this](const std::string &t) { log.push_back(t); });
        SetCurrentDirectoryA(cwd);  // the scratch folder must stay removable
        return v;
    }
};

BatchItem itemIn(const std::string &relative)
{
    BatchItem it;
    it.path = "C:\\src\\" + relative + "\\a.jpg";
    it.relativeFolder = relative;
    return it;
}

}  // namespace

TEST(RunStartChecks, RefusedSettingsStopBeforeAnythingElse)
{
    ScratchFolder program;
    CheckRun run;
    run.refuse = true;
    RunRequest r;
    r.programFolder = program.path();
    EXPECT_EQ(run.check(r), StartVerdict::SettingsRefused);
    EXPECT_EQ(run.collected, 1);
    EXPECT_FALSE(pathExists(program / "config.dat"));
}

TEST(RunStartChecks, NoSaveModeStopsBeforeTheSettingsFileIsWritten)
{
    ScratchFolder program;
    ASSERT_TRUE(writeFileBytes(program / "config.dat", "bSize=1\r\n"));
    CheckRun run;
    RunRequest r;
    r.programFolder = program.path();
    r.folderText = program.path();
    EXPECT_EQ(run.check(r), StartVerdict::NoSaveMode);
    EXPECT_EQ(readFileBytes(program / "config.dat"), "bSize=1\r\n");
}

// The settings are kept at every start, also when a later check stops it.
TEST(RunStartChecks, FolderChecksComeAfterTheSettingsFile)
{
    ScratchFolder program;
    CheckRun run;
    run.settings.sizeValue = 1234;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program.path();

    EXPECT_EQ(run.check(r), StartVerdict::NoTargetFolder);
    EXPECT_TRUE(run.plan.settingsWritten);
    std::string written = readFileBytes(program / "config.dat");
    EXPECT_NE(written.find("sizeValue=1234\r\n"), std::string::npos);

    DeleteFileA((program / "config.dat").c_str());
    r.folderText = program / "不存在的文件夹";
    EXPECT_EQ(run.check(r), StartVerdict::TargetFolderMissing);
    EXPECT_TRUE(pathExists(program / "config.dat"));

    // A file is no folder to save into.
    ASSERT_TRUE(writeFileBytes(program / "a_file", "x"));
    r.folderText = program / "a_file";
    EXPECT_EQ(run.check(r), StartVerdict::TargetFolderMissing);
}

TEST(RunStartChecks, SaveToPlanEndsTheFolderWithABackslash)
{
    ScratchFolder program, target("目标");
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program.path();
    r.folderText = target.path();
    ASSERT_EQ(run.check(r), StartVerdict::Ready);
    EXPECT_EQ(run.plan.targetFolder, target.path() + "\\");
    EXPECT_EQ(run.plan.mode, SaveMode::SaveTo);
    EXPECT_FALSE(run.plan.keepStructure);

    r.folderText = target.path() + "\\";
    ASSERT_EQ(run.check(r), StartVerdict::Ready);
    EXPECT_EQ(run.plan.targetFolder, target.path() + "\\");
}

TEST(RunStartChecks, OverwriteNeedsNoFolder)
{
    ScratchFolder program;
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::Overwrite;
    r.programFolder = program.path();
    r.folderText = "";
    ASSERT_EQ(run.check(r), StartVerdict::Ready);
    EXPECT_EQ(run.plan.mode, SaveMode::Overwrite);
    EXPECT_TRUE(pathExists(program / "config.dat"));
}

TEST(RunStartChecks, StructureModeMakesTheNestedFoldersBeforeTheRun)
{
    ScratchFolder program, target;
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program.path();
    r.folderText = target.path();
    r.keepStructure = true;
    std::vector<BatchItem> items = {itemIn("src\\a\\b"), itemIn("src"), itemIn("src\\相册\\2019")};
    items.push_back(BatchItem());
    items.back().path = "C:\\x.jpg";
    ASSERT_EQ(run.check(r, items), StartVerdict::Ready);
    EXPECT_TRUE(run.plan.keepStructure);
    EXPECT_TRUE(pathExists(target / "src\\a\\b"));
    EXPECT_TRUE(pathExists(target / "src\\相册\\2019"));
}

TEST(RunStartChecks, AFolderThatCannotBeMadeStopsTheStartWithItsPath)
{
    ScratchFolder program, target;
    ASSERT_TRUE(writeFileBytes(target / "src", "a file where a folder must go"));
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program.path();
    r.folderText = target.path();
    r.keepStructure = true;
    EXPECT_EQ(run.check(r, {itemIn("src\\a")}), StartVerdict::TargetFolderNotCreated);
    EXPECT_EQ(run.message, "无法创建目标文件夹：[" + target.path() + "\\src]");
}

// A settings file that cannot be written is logged; the run still starts.
TEST(RunStartChecks, UnwritableSettingsFileDoesNotStopTheRun)
{
    ScratchFolder program, target;
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program / "missing";
    r.folderText = target.path();
    EXPECT_EQ(run.check(r), StartVerdict::Ready);
    EXPECT_FALSE(run.plan.settingsWritten);
    ASSERT_EQ(run.log.size(), 1u);
    EXPECT_NE(run.log[0].find("config.dat"), std::string::npos);
}

// A settings file that cannot be replaced (here a folder stands under its name)
// is left exactly as it was, nothing half-written stays beside it, and the run
// still starts.
TEST(RunStartChecks, SettingsFileThatCannotBeReplacedIsLeftAlone)
{
    ScratchFolder program, target;
    std::string config = program / "config.dat";
    ASSERT_TRUE(CreateDirectoryA(config.c_str(), nullptr));
    ASSERT_TRUE(writeFileBytes(config + "\\keep.txt", "old"));
    CheckRun run;
    RunRequest r;
    r.mode = SaveMode::SaveTo;
    r.programFolder = program.path();
    r.folderText = target.path();
    EXPECT_EQ(run.check(r), StartVerdict::Ready);
    EXPECT_FALSE(run.plan.settingsWritten);
    EXPECT_EQ(readFileBytes(config + "\\keep.txt"), "old");
    EXPECT_EQ(run.log.size(), 1u);
    EXPECT_EQ(folderEntries(program.path()), (std::vector<std::string>{"config.dat\\"}));
}

// ---- Save choice after a run -----------------------------------------------------------

TEST(SaveChoice, StoredModeOutsideTheRangeReadsAsZero)
{
    EXPECT_EQ(picSaveModeFromStored(false, 2), 0);
    EXPECT_EQ(picSaveModeFromStored(true, 0), 0);
    EXPECT_EQ(picSaveModeFromStored(true, 1), 1);
    EXPECT_EQ(picSaveModeFromStored(true, 2), 2);
    EXPECT_EQ(picSaveModeFromStored(true, 3), 0);
    EXPECT_EQ(picSaveModeFromStored(true, 0xFFFFFFFF), 0);
}

TEST(SaveChoice, WhatSurvivesACompletedRun)
{
    struct Case {
        int mode;
        bool saveTo, overwrite;
        bool afterSaveTo, afterOverwrite, folderOn;
    } cases[] = {
        {0, true, false, false, false, true},  {0, false, true, false, false, true},
        {1, true, false, true, false, true},   {1, false, true, false, false, true},
        {2, true, false, true, false, true},   {2, false, true, false, true, false},
        {7, true, false, false, false, true},  // unknown modes behave as 0
    };
    for (const Case &c : cases) {
        SaveChoice s = saveChoiceAfterRun(c.mode, c.saveTo, c.overwrite);
        EXPECT_EQ(s.saveTo, c.afterSaveTo) << c.mode << c.saveTo;
        EXPECT_EQ(s.overwrite, c.afterOverwrite) << c.mode << c.saveTo;
        EXPECT_EQ(s.folderControlsEnabled, c.folderOn) << c.mode << c.saveTo;
    }
}

// ---- The worker thread ------------------------------------------------------------------

// A second worker beside a running one would process the same files twice.
TEST(BatchWorker, OneWorkerAtATimeStopAtTheNextPictureAndTheEndEventLast)
{
    ScratchFolder source, target;
    ProcessSettings settings;
    BatchJob job;
    for (int i = 1; i <= 3; ++i) {
        std::string path = source / formatText("%d.jpg", i);
        ASSERT_TRUE(copyFileTo(samplePath("formats/jpeg/go_video-001_q50_444.jpeg"), path));
        BatchItem item;
        item.path = path;
        job.items.push_back(item);
    }
    job.plan.mode = SaveMode::SaveTo;
    job.plan.targetFolder = target.path() + "\\";
    job.inputs.settings = &settings;
    // One picture worker: the stop pressed while picture 2 is announced lets
    // exactly that picture finish (with two, picture 3 may already be under way).
    job.workers = 1;
    HANDLE atSecond = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE endEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    job.workerEndEvent = endEvent;
    job.report.progress = [&](int index, int) {
        if (index == 2) {
            SetEvent(atSecond);
            WaitForSingleObject(gate, 30000);
        }
    };
    clearBatchStop();
    ASSERT_TRUE(startBatchWorker(&job));
    ASSERT_EQ(WaitForSingleObject(atSecond, 30000), WAIT_OBJECT_0);

    BatchJob second = job;
    EXPECT_FALSE(startBatchWorker(&second));
    EXPECT_TRUE(batchWorkerRunning());
    EXPECT_EQ(WaitForSingleObject(endEvent, 0), (DWORD)WAIT_TIMEOUT);

    requestBatchStop();
    SetEvent(gate);
    ASSERT_EQ(WaitForSingleObject(batchWorkerThread(), 30000), WAIT_OBJECT_0);
    EXPECT_FALSE(batchWorkerRunning());
    EXPECT_EQ(WaitForSingleObject(endEvent, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(job.summary.stopped);
    EXPECT_EQ(job.summary.written, 2);
    EXPECT_EQ(folderEntries(target.path()), (std::vector<std::string>{"1.jpg", "2.jpg"}));
    clearBatchStop();
    for (HANDLE h : {atSecond, gate, endEvent})
        CloseHandle(h);
}
