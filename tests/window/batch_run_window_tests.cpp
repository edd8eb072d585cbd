// "开始处理" from a window: real progress window, real save-group controls on a
// stand-in main window, real pictures written by the worker. Message boxes,
// balloons, the folder browser and opening a folder go to a recorder that
// answers for the user.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <set>
#include <commctrl.h>
#include <wand/MagickWand.h>

#include <deque>

#include "util/registry_store.h"
#include "app/progress_window.h"
#include "ui/run_prompts.h"
#include "app/run_start.h"
#include "app/save_group.h"
#include "app/save_mode_dialog.h"
#include "ui/window_kit.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

// The samples are read-only and overwrite mode leaves read-only files alone.
bool copyWritable(const std::string &from, const std::string &to)
{
    return copyFileTo(from, to) && SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// ---- What the user was shown, and what the user answers --------------------------

struct Shown {
    std::string text, caption;
    UINT type = 0;
    bool ownerEnabled = false;  // the main window's state when the box came up
    bool configExisted = false;
};

struct Recorder {
    std::vector<Shown> boxes;
    std::vector<std::pair<HWND, std::string>> balloons;
    std::deque<int> answers;  // consumed in order; then OK / No
    std::vector<std::string> opened;
    std::vector<std::string> browserStarts, browserTitles;
    std::string browserChoice;  // empty: the user cancels
    std::string configPath;     // checked when a box comes up
};

Recorder rec;

int recordBox(HWND owner, const char *text, const char *caption, UINT type)
{
    Shown s;
    s.text = text;
    s.caption = caption;
    s.type = type;
    s.ownerEnabled = owner && IsWindowEnabled(owner);
    s.configExisted = !rec.configPath.empty() && pathExists(rec.configPath);
    rec.boxes.push_back(s);
    if (!rec.answers.empty()) {
        int a = rec.answers.front();
        rec.answers.pop_front();
        return a;
    }
    return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
}

void recordBalloon(HWND control, const char *text, const char *) { rec.balloons.push_back({control, text}); }

bool recordBrowser(HWND, const char *title, char *path)
{
    rec.browserTitles.push_back(title);
    rec.browserStarts.push_back(path);
    if (rec.browserChoice.empty())
        return false;
    lstrcpynA(path, rec.browserChoice.c_str(), MAX_PATH);
    return true;
}

void recordOpen(HWND, const char *folder) { rec.opened.push_back(folder); }

// ---- A stand-in main window with the real save-group controls -----------------------

struct StubList : RunPictureList {
    std::vector<BatchItem> items;
    std::vector<std::pair<int, bool>> overwritten;
    std::vector<DWORD> overwriteThreads;
    int redraws = 0;

    int count() const override { return (int)items.size(); }
    BatchItem item(int index) const override { return items[index]; }
    void afterOverwrite(int index, bool written) override
    {
        items[index].rotation = 0;
        items[index].flip = 0;
        overwritten.push_back({index, written});
        overwriteThreads.push_back(GetCurrentThreadId());
    }
    void redraw() override { ++redraws; }
};

const UINT kStartAgain = WM_APP + 7;

struct MainStub {
    HWND window = nullptr;
    SaveGroup group;
    int finishedMessages = 0;
    std::vector<RunOutcome> nestedStarts;  // starts tried from messages while a run was active
    RunContext *context = nullptr;
};

MainStub stub;

LRESULT CALLBACK stubProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kRunFinishedMessage) {
        ++stub.finishedMessages;
        return 0;
    }
    if (msg == kStartAgain && stub.context) {
        stub.nestedStarts.push_back(startRun(*stub.context));
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void createStubOnce()
{
    if (stub.window)
        return;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = stubProc;
    wc.hInstance = inst;
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "RunTestMain";
    RegisterClassExA(&wc);
    HWND w = CreateWindowExA(0, "RunTestMain", "run test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 700, 400,
                             nullptr, nullptr, inst, nullptr);
    stub.window = w;
    SaveGroupControls &c = stub.group.controls;
    c.saveToRadio = CreateWindowExA(0, "BUTTON", "处理后保存到", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP,
                                    10, 10, 150, 22, w, (HMENU)101, inst, nullptr);
    c.overwriteRadio = CreateWindowExA(0, "BUTTON", "直接覆盖原图", WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON, 170,
                                       10, 150, 22, w, (HMENU)102, inst, nullptr);
    c.folderField = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL,
                                    10, 40, 400, 22, w, (HMENU)103, inst, nullptr);
    c.chooseButton = CreateWindowExA(0, "BUTTON", "选择", WS_CHILD | WS_VISIBLE, 420, 40, 60, 22, w, (HMENU)104,
                                     inst, nullptr);
    c.structureCheck = CreateWindowExA(0, "BUTTON", "按原文件夹(子文件夹)结构保存图片",
                                       WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 70, 300, 22, w, (HMENU)105, inst,
                                       nullptr);
    createProgressWindow(inst, w);
    createSaveModeDialog(inst, w);
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Registry values the tests change, restored afterwards.
struct SavedValue {
    const char *name;
    bool isString;
    bool present = false;
    DWORD dword = 0;
    std::string text;
};

// ---- Pictures ----------------------------------------------------------------------


BatchItem itemFor(const std::string &path, const std::string &relative = std::string(), int rotation = 0,
                  int flip = 0)
{
    BatchItem it;
    it.path = path;
    it.relativeFolder = relative;
    it.rotation = rotation;
    it.flip = flip;
    return it;
}

// n copies of a sample named p001.jpg, p002.jpg, ... in folder.
std::vector<BatchItem> copies(const std::string &sample, const std::string &folder, int n)
{
    std::vector<BatchItem> items;
    for (int i = 1; i <= n; ++i) {
        std::string path = folder + formatText("\\p%03d.jpg", i);
        EXPECT_TRUE(copyWritable(samplePath(sample), path));
        items.push_back(itemFor(path));
    }
    return items;
}

const char kSmallJpeg[] = "formats/jpeg/go_video-001_q50_444.jpeg";  // 150 x 103
const char kPhoto[] = "photos/mate_Garden.jpg";                     // 2560 x 1600

// ---- The fixture -------------------------------------------------------------------

class BatchRunWindow : public testing::Test {
protected:
    ScratchFolder program{"程序"};
    ScratchFolder source{"源图片"};
    ScratchFolder target{"处理后"};
    StubList list;
    RunContext context;
    ProcessSettings settings;
    HANDLE endEvent = nullptr;
    int collects = 0;
    char cwd[MAX_PATH] = {};
    std::vector<SavedValue> saved = {{"pic_save_mode", false}, {"is_record_save_to_path", false},
                                     {"save_to_path", true}};

    void SetUp() override
    {
        createStubOnce();
        GetCurrentDirectoryA(sizeof cwd, cwd);
        for (SavedValue &v : saved) {
            if (v.isString) {
                char buf[MAX_PATH * 2];
                DWORD size = sizeof buf;
                v.present = readRegString(HKEY_CURRENT_USER, kProgramRegistryKey, v.name, buf, &size);
                v.text = v.present ? buf : "";
            } else {
                v.present = readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, v.name, &v.dword);
            }
        }
        rec = Recorder();
        rec.configPath = program / "config.dat";
        RunPrompts &p = runPrompts();
        p.messageBox = recordBox;
        p.balloon = recordBalloon;
        p.chooseFolder = recordBrowser;
        p.openFolder = recordOpen;

        stub.group.rememberedFolder.clear();
        stub.group.picSaveMode = 2;
        stub.finishedMessages = 0;
        stub.nestedStarts.clear();
        setChoice(false, false);
        SetWindowTextA(stub.group.controls.folderField, "");
        setCheck(stub.group.controls.structureCheck, false);
        for (HWND h : {stub.group.controls.folderField, stub.group.controls.chooseButton,
                       stub.group.controls.structureCheck})
            EnableWindow(h, TRUE);

        endEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        context.mainWindow = stub.window;
        context.saveGroup = &stub.group;
        context.list = &list;
        context.programFolder = program.path();
        context.workerEndEvent = endEvent;
        context.collectSettings = [this](PipelineInputs &in) {
            ++collects;
            in.settings = &settings;
            return true;
        };
        stub.context = &context;
    }

    void TearDown() override
    {
        stub.context = nullptr;
        runPrompts() = defaultRunPrompts();
        SetCurrentDirectoryA(cwd);
        CloseHandle(endEvent);
        for (const SavedValue &v : saved) {
            if (!v.present) {
                HKEY key;
                if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                    RegDeleteValueA(key, v.name);
                    RegCloseKey(key);
                }
            } else if (v.isString) {
                writeProgramString(v.name, v.text);
            } else {
                writeProgramDword(v.name, v.dword);
            }
        }
        pump();
    }

    void setChoice(bool saveTo, bool overwrite)
    {
        setCheck(stub.group.controls.saveToRadio, saveTo);
        setCheck(stub.group.controls.overwriteRadio, overwrite);
    }
    void chooseSaveTo(const std::string &folder)
    {
        setChoice(true, false);
        SetWindowTextA(stub.group.controls.folderField, folder.c_str());
    }
    void chooseOverwrite()
    {
        rec.answers.push_back(IDOK);
        selectOverwrite(stub.group, stub.window);
        rec.boxes.clear();
    }
    bool workerEnded() const
    {
        return batchWorkerThread() && WaitForSingleObject(batchWorkerThread(), 0) == WAIT_OBJECT_0;
    }
    int boxesCaptioned(const char *caption) const
    {
        int n = 0;
        for (const Shown &s : rec.boxes)
            n += s.caption == caption;
        return n;
    }
};

HWND progressControl(int id) { return GetDlgItem(progressWindowHandle(), id); }

std::string windowText(HWND w)
{
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

}  // namespace

// ---- The progress window --------------------------------------------------------------

TEST_F(BatchRunWindow, ProgressWindowIsTheFixedProcessWindow)
{
    HWND w = progressWindowHandle();
    ASSERT_NE(w, nullptr);
    char cls[64] = {};
    GetClassNameA(w, cls, sizeof cls);
    EXPECT_STREQ(cls, "Process");
    EXPECT_EQ(windowText(w), "处理进度");
    EXPECT_FALSE(IsWindowVisible(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, 353);
    EXPECT_EQ(r.bottom - r.top, 110);
    EXPECT_EQ(windowText(progressControl(kProgressStopId)), "停止");
    struct Place {
        int id, x, y, w, h;
    } places[] = {{kProgressBarId, 16, 22, 239, 23}, {kProgressStopId, 265, 21, 66, 25},
                  {kProgressStatusId, 16, 55, 318, 21}};
    for (const Place &p : places) {
        HWND c = progressControl(p.id);
        ASSERT_NE(c, nullptr) << p.id;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, w, (POINT *)&r, 2);
        EXPECT_EQ(r.left, p.x) << p.id;
        EXPECT_EQ(r.top, p.y) << p.id;
        EXPECT_EQ(r.right - r.left, p.w) << p.id;
        EXPECT_EQ(r.bottom - r.top, p.h) << p.id;
    }
    // Closing it is no way to end a run.
    SendMessageA(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(w));
}

// ---- Whole runs ----------------------------------------------------------------------

TEST_F(BatchRunWindow, HundredPicturesCountOneToHundredAndEndWithTheQuestion)
{
    // One worker: each picture starts when the one before it is finished.
    context.workers = 1;
    list.items = copies(kSmallJpeg, source.path(), 100);
    chooseSaveTo(target.path());
    stub.group.picSaveMode = 1;
    struct Seen {
        std::string status;
        int position;
        bool mainEnabled, progressShown;
    };
    std::vector<Seen> seen;
    context.beforeItem = [&](int) {
        seen.push_back({windowText(progressControl(kProgressStatusId)),
                        (int)SendMessageA(progressControl(kProgressBarId), PBM_GETPOS, 0, 0),
                        IsWindowEnabled(stub.window) != FALSE, IsWindowVisible(progressWindowHandle()) != FALSE});
    };
    rec.answers.push_back(IDYES);

    EXPECT_EQ(startRun(context), RunOutcome::Completed);

    ASSERT_EQ(seen.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(seen[i].status, formatText("共 100 张图片，正在处理第 %d 张。", i + 1));
        EXPECT_EQ(seen[i].position, i + 1);
        EXPECT_FALSE(seen[i].mainEnabled) << i;
        EXPECT_TRUE(seen[i].progressShown) << i;
    }
    EXPECT_EQ((int)SendMessageA(progressControl(kProgressBarId), PBM_GETRANGE, FALSE, 0), 100);
    EXPECT_EQ(folderEntries(target.path()).size(), 100u);
    PictureInfo last = readPictureBack(target / "p100.jpg");
    EXPECT_EQ(last.format, "JPEG");
    EXPECT_EQ(last.width, 150u);

    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "图片批量处理已完成，是否要打开目标文件夹查看处理后的图片？");
    EXPECT_EQ(rec.boxes[0].caption, "完成");
    EXPECT_EQ(rec.boxes[0].type, (UINT)(MB_YESNO | MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND));
    EXPECT_TRUE(rec.boxes[0].ownerEnabled);
    ASSERT_EQ(rec.opened.size(), 1u);
    EXPECT_EQ(rec.opened[0], target.path());

    EXPECT_FALSE(IsWindowVisible(progressWindowHandle()));
    EXPECT_TRUE(IsWindowEnabled(stub.window));
    EXPECT_EQ(stub.finishedMessages, 1);
    EXPECT_TRUE(workerEnded());
    EXPECT_EQ(WaitForSingleObject(endEvent, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(pathExists(program / "config.dat"));
    EXPECT_FALSE(batchRunBusy());
}

TEST_F(BatchRunWindow, TwoWorkersCountFinishedPicturesAndNeverGoBack)
{
    list.items = copies(kPhoto, source.path(), 12);
    chooseSaveTo(target.path());
    context.workers = 2;
    CRITICAL_SECTION lock;
    InitializeCriticalSection(&lock);
    std::vector<std::pair<int, int>> seen;  // the number in the status line, the bar
    std::set<DWORD> threads;
    context.beforeItem = [&](int) {
        // Read and kept under one lock: the order of the readings is the order
        // of the list below.
        EnterCriticalSection(&lock);
        // The window thread answers each reading between two updates, and every
        // update moves the bar: a bar that reads the same before and after the
        // status line was not updated in between (the other worker may finish
        // a picture while this one reads).
        int shown = 0, bar = -1;
        for (int tries = 0; tries < 100; ++tries) {
            const int before = (int)SendMessageA(progressControl(kProgressBarId), PBM_GETPOS, 0, 0);
            std::string status = windowText(progressControl(kProgressStatusId));
            size_t at = status.find("正在处理第 ");
            shown = at == std::string::npos ? 0 : atoi(status.c_str() + at + strlen("正在处理第 "));
            bar = (int)SendMessageA(progressControl(kProgressBarId), PBM_GETPOS, 0, 0);
            if (bar == before)
                break;
        }
        seen.push_back({shown, bar});
        threads.insert(GetCurrentThreadId());
        LeaveCriticalSection(&lock);
        Sleep(50);  // both workers are busy at once
    };
    rec.answers.push_back(IDNO);
    EXPECT_EQ(startRun(context), RunOutcome::Completed);
    DeleteCriticalSection(&lock);

    ASSERT_EQ(seen.size(), 12u);
    EXPECT_EQ(threads.size(), 2u);
    EXPECT_EQ(seen.front().first, 1);
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_GE(seen[i].first, 1) << i;
        EXPECT_EQ(seen[i].second, seen[i].first) << i;  // the bar shows the same count
        if (i > 0)
            EXPECT_GE(seen[i].first, seen[i - 1].first) << i;
    }
    // A picture is handed out only when a worker is free: the count trails the
    // picture being started by less than the number of workers.
    EXPECT_GE(seen.back().first, 11);
    EXPECT_EQ(folderEntries(target.path()).size(), 12u);
    EXPECT_TRUE(workerEnded());
}

TEST_F(BatchRunWindow, AnsweringNoOpensNothing)
{
    list.items = copies(kSmallJpeg, source.path(), 2);
    chooseSaveTo(target.path());
    EXPECT_EQ(startRun(context), RunOutcome::Completed);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_TRUE(rec.opened.empty());
}

TEST_F(BatchRunWindow, StopDuringPictureFiveLeavesOnlyWholePicturesAndTheRestUntouched)
{
    // Two workers: picture 4 or 6 may be on the other worker when "停止" comes.
    context.workers = 2;
    list.items = copies(kPhoto, source.path(), 10);
    chooseSaveTo(target.path());
    stub.group.picSaveMode = 0;
    bool progressHidden = false, mainEnabledWhileWorking = true;
    int stopVisits = 0;
    std::vector<std::string> logged;
    context.log = [&](const std::string &t) { logged.push_back(t); };
    context.beforeItem = [&](int index) {
        if (index != 5)
            return;
        ++stopVisits;
        // The user presses "停止" while picture 5 is being made.
        PostMessageA(progressControl(kProgressStopId), BM_CLICK, 0, 0);
        for (int i = 0; i < 2000 && IsWindowVisible(progressWindowHandle()); ++i)
            Sleep(10);
        progressHidden = !IsWindowVisible(progressWindowHandle());
        // The window is back with the user; try to start again and to use the main window.
        PostMessageA(stub.window, kStartAgain, 0, 0);
        Sleep(300);  // picture 5 is slow
        mainEnabledWhileWorking = IsWindowEnabled(stub.window) != FALSE;
    };

    EXPECT_EQ(startRun(context), RunOutcome::Stopped);

    EXPECT_EQ(stopVisits, 1);
    EXPECT_TRUE(progressHidden) << "the progress window closes at once";
    EXPECT_FALSE(mainEnabledWhileWorking) << "the main window came back while the worker was still writing";
    ASSERT_EQ(stub.nestedStarts.size(), 1u);
    EXPECT_EQ(stub.nestedStarts[0], RunOutcome::NotStarted);

    EXPECT_TRUE(IsWindowEnabled(stub.window));
    EXPECT_TRUE(workerEnded());
    EXPECT_EQ(WaitForSingleObject(endEvent, 0), WAIT_OBJECT_0);
    // Pictures 1 .. 5 and perhaps 6 (handed to the other worker before the stop
    // was seen) are whole; nothing after them was started.
    std::vector<std::string> written = folderEntries(target.path());
    ASSERT_GE(written.size(), 5u);
    ASSERT_LE(written.size(), 6u);
    for (size_t i = 1; i <= written.size(); ++i) {
        PictureInfo info = readPictureBack(target / formatText("p%03d.jpg", (int)i));
        EXPECT_EQ(info.format, "JPEG") << i;
        EXPECT_EQ(info.width, 2560u) << i;
        EXPECT_EQ(info.height, 1600u) << i;
    }
    for (size_t i = written.size() + 1; i <= 10; ++i)
        EXPECT_FALSE(pathExists(target / formatText("p%03d.jpg", (int)i))) << i;
    // The information window says how far the run got, in one line.
    EXPECT_EQ(logged, (std::vector<std::string>{
                          formatText("处理已停止：共 10 张图片，停止前已写入 %d 张。", (int)written.size())}));
    EXPECT_EQ(boxesCaptioned("完成"), 0);
    EXPECT_EQ(stub.finishedMessages, 0);
    // A stopped run leaves the save choice as it was, whatever pic_save_mode says.
    EXPECT_TRUE(getCheck(stub.group.controls.saveToRadio));
}

// ---- Checks before the run -------------------------------------------------------------

TEST_F(BatchRunWindow, NoSaveModeIsReportedBeforeTheSettingsFileIsWritten)
{
    list.items = copies(kSmallJpeg, source.path(), 1);
    SetWindowTextA(stub.group.controls.folderField, target.path().c_str());

    EXPECT_EQ(startRun(context), RunOutcome::NotStarted);

    EXPECT_EQ(collects, 1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "请选择图片处理后保存的方式");
    EXPECT_EQ(rec.boxes[0].caption, "提示");
    EXPECT_EQ(rec.boxes[0].type, (UINT)(MB_OK | MB_ICONWARNING));
    EXPECT_FALSE(rec.boxes[0].configExisted);
    EXPECT_FALSE(pathExists(program / "config.dat"));
    ASSERT_EQ(rec.balloons.size(), 1u);
    EXPECT_EQ(rec.balloons[0].first, stub.group.controls.saveToRadio);
    EXPECT_EQ(rec.balloons[0].second, "请选择图片处理后保存的方式");
    EXPECT_TRUE(folderEntries(target.path()).empty());
    EXPECT_FALSE(batchRunBusy());
}

TEST_F(BatchRunWindow, EmptyOrMissingTargetFolderStopsTheStartAfterTheSettingsFile)
{
    list.items = copies(kSmallJpeg, source.path(), 1);
    chooseSaveTo("");
    EXPECT_EQ(startRun(context), RunOutcome::NotStarted);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "请选择图片处理后保存到的位置");
    EXPECT_TRUE(rec.boxes[0].configExisted);
    ASSERT_EQ(rec.balloons.size(), 1u);
    EXPECT_EQ(rec.balloons[0].first, stub.group.controls.chooseButton);

    rec.boxes.clear();
    rec.balloons.clear();
    DeleteFileA((program / "config.dat").c_str());
    chooseSaveTo(target / "已删除");
    EXPECT_EQ(startRun(context), RunOutcome::NotStarted);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "图片处理后保存到的位置不存在，请重新选择");
    EXPECT_EQ(rec.boxes[0].caption, "提示");
    EXPECT_TRUE(rec.boxes[0].configExisted);
    ASSERT_EQ(rec.balloons.size(), 1u);
    EXPECT_EQ(rec.balloons[0].second, "文件夹不存在，请重新选择");
    EXPECT_FALSE(pathExists(target / "已删除"));
    EXPECT_TRUE(IsWindowEnabled(stub.window));
}

TEST_F(BatchRunWindow, StructureModeWritesIntoNestedFolders)
{
    ASSERT_TRUE(CreateDirectoryA((source / "trip").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((source / "trip\\第一天").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((source / "trip\\第一天\\上午").c_str(), nullptr));
    const char *files[][2] = {{"trip\\a.jpg", "trip"},
                              {"trip\\第一天\\上午\\b.jpg", "trip\\第一天\\上午"},
                              {"trip\\第一天\\c.jpg", "trip\\第一天"}};
    for (auto &f : files) {
        ASSERT_TRUE(copyWritable(samplePath(kSmallJpeg), source / f[0]));
        list.items.push_back(itemFor(source / f[0], f[1]));
    }
    list.items.push_back(itemFor(source / "direct.png"));
    ASSERT_TRUE(copyWritable(samplePath("formats/png/gdkpixbuf_icc.png"), source / "direct.png"));
    chooseSaveTo(target.path());
    setCheck(stub.group.controls.structureCheck, true);

    EXPECT_EQ(startRun(context), RunOutcome::Completed);

    EXPECT_EQ(readPictureBack(target / "trip\\a.jpg").format, "JPEG");
    EXPECT_EQ(readPictureBack(target / "trip\\第一天\\上午\\b.jpg").format, "JPEG");
    EXPECT_EQ(readPictureBack(target / "trip\\第一天\\c.jpg").format, "JPEG");
    EXPECT_EQ(readPictureBack(target / "direct.jpg").format, "JPEG");
    EXPECT_EQ(folderEntries(target.path()), (std::vector<std::string>{"direct.jpg", "trip\\"}));
}

TEST_F(BatchRunWindow, FolderThatCannotBeMadeIsNamedAndNothingRuns)
{
    ASSERT_TRUE(writeFileBytes(target / "trip", "a file, not a folder"));
    ASSERT_TRUE(CreateDirectoryA((source / "trip").c_str(), nullptr));
    ASSERT_TRUE(copyWritable(samplePath(kSmallJpeg), source / "trip\\a.jpg"));
    list.items.push_back(itemFor(source / "trip\\a.jpg", "trip"));
    chooseSaveTo(target.path());
    setCheck(stub.group.controls.structureCheck, true);

    EXPECT_EQ(startRun(context), RunOutcome::NotStarted);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "无法创建目标文件夹：[" + target.path() + "\\trip]");
    EXPECT_EQ(rec.boxes[0].type, (UINT)(MB_OK | MB_ICONERROR));
    EXPECT_EQ(folderEntries(target.path()), (std::vector<std::string>{"trip"}));
}

TEST_F(BatchRunWindow, OverwritingAPngLeavesJpegDataUnderTheSameNameAndResetsTheTurn)
{
    ASSERT_TRUE(copyWritable(samplePath("formats/png/gdkpixbuf_icc.png"), source / "logo.png"));
    list.items.push_back(itemFor(source / "logo.png", "", 90, 1));
    chooseOverwrite();
    int previewRefreshes = 0;
    context.refreshPreview = [&] { ++previewRefreshes; };

    EXPECT_EQ(startRun(context), RunOutcome::Completed);

    std::string bytes = readFileBytes(source / "logo.png");
    ASSERT_GT(bytes.size(), 3u);
    EXPECT_EQ((unsigned char)bytes[0], 0xFF);
    EXPECT_EQ((unsigned char)bytes[1], 0xD8);
    EXPECT_EQ(readPictureBack(source / "logo.png").format, "JPEG");
    EXPECT_EQ(folderEntries(source.path()), (std::vector<std::string>{"logo.png"}));
    EXPECT_EQ(list.items[0].rotation, 0);
    EXPECT_EQ(list.items[0].flip, 0);
    ASSERT_EQ(list.overwritten.size(), 1u);
    EXPECT_EQ(list.overwritten[0], std::make_pair(0, true));
    EXPECT_EQ(list.overwriteThreads[0], GetCurrentThreadId()) << "the list was touched from the worker";
    EXPECT_EQ(list.redraws, 1);
    EXPECT_EQ(previewRefreshes, 1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "图片批量处理已完成");
    EXPECT_EQ(rec.boxes[0].caption, "完成");
    EXPECT_EQ(rec.boxes[0].type, (UINT)(MB_OK | MB_ICONINFORMATION | MB_TOPMOST | MB_SETFOREGROUND));
}

// A picture that fails is logged, the run goes on, and its turn is reset too.
TEST_F(BatchRunWindow, OverwriteRunGoesOnPastABrokenPicture)
{
    ASSERT_TRUE(writeFileBytes(source / "broken.jpg", "not a picture"));
    ASSERT_TRUE(copyWritable(samplePath(kSmallJpeg), source / "good.jpg"));
    list.items = {itemFor(source / "broken.jpg", "", 180), itemFor(source / "good.jpg", "", 270)};
    std::vector<std::string> logged;
    context.log = [&](const std::string &t) { logged.push_back(t); };
    chooseOverwrite();

    EXPECT_EQ(startRun(context), RunOutcome::Completed);
    EXPECT_EQ(readFileBytes(source / "broken.jpg"), "not a picture");
    ASSERT_EQ(list.overwritten.size(), 2u);
    EXPECT_EQ(list.overwritten[0], std::make_pair(0, false));
    EXPECT_EQ(list.overwritten[1], std::make_pair(1, true));
    EXPECT_EQ(list.items[0].rotation, 0);
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_NE(logged[0].find(source / "broken.jpg"), std::string::npos);
    // The information window is told why, not only that (ImageMagick 6.9.11 finds
    // 13 bytes too few for a JPEG before libjpeg sees them).
    EXPECT_NE(logged[0].find("\r\n原因：insufficient image data in file"), std::string::npos) << gbkToUtf8(logged[0]);
}

// ---- pic_save_mode after a run ---------------------------------------------------------

TEST_F(BatchRunWindow, SaveChoiceAfterACompletedRunFollowsPicSaveMode)
{
    struct Case {
        int mode;
        bool overwrite;
        bool saveToAfter, overwriteAfter, folderOnAfter;
    } cases[] = {{0, false, false, false, true}, {0, true, false, false, true}, {1, false, true, false, true},
                 {1, true, false, false, true},  {2, false, true, false, true}, {2, true, false, true, false}};
    int n = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(formatText("pic_save_mode %d, %s", c.mode, c.overwrite ? "overwrite" : "save to"));
        std::string path = source / formatText("run%d.jpg", ++n);
        ASSERT_TRUE(copyWritable(samplePath(kSmallJpeg), path));
        list.items = {itemFor(path)};
        stub.group.picSaveMode = c.mode;
        if (c.overwrite) {
            EnableWindow(stub.group.controls.chooseButton, TRUE);
            chooseOverwrite();
        } else {
            chooseSaveTo(target.path());
            selectSaveTo(stub.group);
            SetWindowTextA(stub.group.controls.folderField, target.path().c_str());
        }
        rec.boxes.clear();
        ASSERT_EQ(startRun(context), RunOutcome::Completed);
        EXPECT_EQ(getCheck(stub.group.controls.saveToRadio), c.saveToAfter);
        EXPECT_EQ(getCheck(stub.group.controls.overwriteRadio), c.overwriteAfter);
        EXPECT_EQ(IsWindowEnabled(stub.group.controls.folderField) != FALSE, c.folderOnAfter);
        EXPECT_EQ(IsWindowEnabled(stub.group.controls.chooseButton) != FALSE, c.folderOnAfter);
        EXPECT_EQ(rec.boxes.size(), 1u);
    }
    // With nothing chosen the next start asks for the save mode again.
    stub.group.picSaveMode = 0;
    list.items = copies(kSmallJpeg, source.path(), 1);
    chooseSaveTo(target.path());
    ASSERT_EQ(startRun(context), RunOutcome::Completed);
    rec.boxes.clear();
    EXPECT_EQ(startRun(context), RunOutcome::NotStarted);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "请选择图片处理后保存的方式");
}

TEST_F(BatchRunWindow, CompletedRunRemembersTheFolderWhenAskedTo)
{
    list.items = copies(kSmallJpeg, source.path(), 1);
    writeProgramString("save_to_path", "old");
    writeProgramDword("is_record_save_to_path", 0);
    chooseSaveTo(target.path());
    ASSERT_EQ(startRun(context), RunOutcome::Completed);
    EXPECT_EQ(readProgramString("save_to_path"), "old");

    writeProgramDword("is_record_save_to_path", 1);
    chooseSaveTo(target.path());
    ASSERT_EQ(startRun(context), RunOutcome::Completed);
    EXPECT_EQ(readProgramString("save_to_path"), target.path());

    // The next start of the program finds it in the field.
    SaveGroup fresh;
    fresh.controls = stub.group.controls;
    SetWindowTextA(fresh.controls.folderField, "");
    writeProgramDword("pic_save_mode", 7);
    loadSaveGroupPreferences(fresh);
    EXPECT_EQ(windowText(fresh.controls.folderField), target.path());
    EXPECT_EQ(fresh.rememberedFolder, target.path());
    EXPECT_EQ(fresh.picSaveMode, 0);
}

// ---- Scale for long lists --------------------------------------------------------------

TEST_F(BatchRunWindow, SeventyThousandItemsCountInPairsOnTheBar)
{
    // One worker: no other picture moves the count while the first one is held.
    context.workers = 1;
    list.items.reserve(70000);
    for (int i = 0; i < 70000; ++i)
        list.items.push_back(itemFor(source / formatText("none%05d.jpg", i)));
    chooseSaveTo(target.path());
    int range = -1, positionAfterLast = -1;
    std::string statusFirst, statusLast;
    context.beforeItem = [&](int index) {
        if (index != 1)
            return;
        HWND bar = progressControl(kProgressBarId);
        range = (int)SendMessageA(bar, PBM_GETRANGE, FALSE, 0);
        statusFirst = windowText(progressControl(kProgressStatusId));
        // What the worker reports when it reaches the last item.
        reportProgress(70000);
        positionAfterLast = (int)SendMessageA(bar, PBM_GETPOS, 0, 0);
        statusLast = windowText(progressControl(kProgressStatusId));
        PostMessageA(progressControl(kProgressStopId), BM_CLICK, 0, 0);
        for (int i = 0; i < 2000 && IsWindowVisible(progressWindowHandle()); ++i)
            Sleep(10);
    };
    EXPECT_EQ(startRun(context), RunOutcome::Stopped);
    EXPECT_EQ(range, 35000);
    EXPECT_EQ(positionAfterLast, 35000);
    EXPECT_EQ(statusFirst, "共 70000 张图片，正在处理第 1 张。");
    EXPECT_EQ(statusLast, "共 70000 张图片，正在处理第 70000 张。");
    EXPECT_TRUE(rec.boxes.empty());
}

// ---- The save group ----------------------------------------------------------------------

TEST_F(BatchRunWindow, OverwriteAsksFirstAndCancelGoesBackToSaveTo)
{
    SaveGroupControls &c = stub.group.controls;
    stub.group.rememberedFolder = target.path();
    chooseSaveTo(target.path());
    rec.answers.push_back(IDCANCEL);
    selectOverwrite(stub.group, stub.window);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要覆盖原图吗？");
    EXPECT_EQ(rec.boxes[0].caption, "注意");
    EXPECT_EQ(rec.boxes[0].type & MB_TYPEMASK, (UINT)MB_OKCANCEL);
    EXPECT_TRUE(getCheck(c.saveToRadio));
    EXPECT_FALSE(getCheck(c.overwriteRadio));
    EXPECT_EQ(windowText(c.folderField), target.path());
    EXPECT_TRUE(IsWindowEnabled(c.chooseButton));

    rec.answers.push_back(IDOK);
    selectOverwrite(stub.group, stub.window);
    EXPECT_FALSE(getCheck(c.saveToRadio));
    EXPECT_TRUE(getCheck(c.overwriteRadio));
    EXPECT_EQ(windowText(c.folderField), "");
    EXPECT_FALSE(IsWindowEnabled(c.folderField));
    EXPECT_FALSE(IsWindowEnabled(c.chooseButton));
    EXPECT_FALSE(IsWindowEnabled(c.structureCheck));
    EXPECT_EQ(selectedSaveMode(stub.group), SaveMode::Overwrite);

    // Already overwriting: no second question.
    selectOverwrite(stub.group, stub.window);
    EXPECT_EQ(rec.boxes.size(), 2u);

    // Back to save-to: the folder chosen before returns.
    setCheck(c.saveToRadio, true);
    setCheck(c.overwriteRadio, false);
    selectSaveTo(stub.group);
    EXPECT_EQ(windowText(c.folderField), target.path());
    EXPECT_TRUE(IsWindowEnabled(c.folderField));
    EXPECT_TRUE(IsWindowEnabled(c.chooseButton));
    EXPECT_TRUE(IsWindowEnabled(c.structureCheck));
}

TEST_F(BatchRunWindow, ChoosingAFolderSelectsSaveToAndRemembersIt)
{
    SaveGroupControls &c = stub.group.controls;
    SetWindowTextA(c.folderField, source.path().c_str());
    rec.browserChoice = "";
    chooseTargetFolder(stub.group, stub.window);
    EXPECT_EQ(windowText(c.folderField), source.path());
    EXPECT_FALSE(getCheck(c.saveToRadio));

    rec.browserChoice = target.path();
    chooseTargetFolder(stub.group, stub.window);
    ASSERT_EQ(rec.browserTitles.size(), 2u);
    EXPECT_EQ(rec.browserTitles[1], "图片处理后保存到：");
    EXPECT_EQ(rec.browserStarts[1], source.path());
    EXPECT_EQ(windowText(c.folderField), target.path());
    EXPECT_EQ(stub.group.rememberedFolder, target.path());
    EXPECT_TRUE(getCheck(c.saveToRadio));
    EXPECT_FALSE(getCheck(c.overwriteRadio));
    EXPECT_EQ(saveGroupRequest(stub.group).folderText, target.path());
}

// ---- The save-mode dialog ------------------------------------------------------------------

TEST_F(BatchRunWindow, SaveModeDialogAsksBeforeKeepingOverwriteAndStoresTheChoice)
{
    HWND d = saveModeDialogHandle();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(windowText(d), "设置图片处理完成后, 下一次的保存模式");
    EXPECT_EQ(windowText(GetDlgItem(d, kSaveModeSaveId)), "保存设置");
    EXPECT_EQ(windowText(GetDlgItem(d, kSaveModeCancelId)), "取消");
    HWND choice2 = GetDlgItem(d, kSaveModeFirstChoiceId + 2);
    EXPECT_EQ(windowText(choice2), "图片处理完成后，无论选择【处理后保存到】还是【直接覆盖原图】，保持当前的选择。");

    // Choice 2, answered Cancel: the earlier choice stays. Then "取消".
    int mode = 1;
    rec.answers = {IDCANCEL};
    PostMessageA(choice2, BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(d, kSaveModeCancelId), BM_CLICK, 0, 0);
    EXPECT_FALSE(runSaveModeDialog(stub.window, mode));
    EXPECT_EQ(mode, 1);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要选择该选项吗？");
    EXPECT_EQ(rec.boxes[0].caption, "注意");
    EXPECT_TRUE(getCheck(GetDlgItem(d, kSaveModeFirstChoiceId + 1)));
    EXPECT_FALSE(getCheck(choice2));
    EXPECT_FALSE(IsWindowVisible(d));
    EXPECT_TRUE(IsWindowEnabled(stub.window));

    // Choice 2 with OK, then "保存设置": kept in memory and in the registry.
    rec.answers = {IDOK};
    PostMessageA(choice2, BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(d, kSaveModeSaveId), BM_CLICK, 0, 0);
    EXPECT_TRUE(runSaveModeDialog(stub.window, mode));
    EXPECT_EQ(mode, 2);
    EXPECT_EQ(readPicSaveMode(), 2);

    // Choice 0 and "保存设置": no question.
    rec.boxes.clear();
    PostMessageA(GetDlgItem(d, kSaveModeFirstChoiceId), BM_CLICK, 0, 0);
    PostMessageA(GetDlgItem(d, kSaveModeSaveId), BM_CLICK, 0, 0);
    EXPECT_TRUE(runSaveModeDialog(stub.window, mode));
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(readPicSaveMode(), 0);
    EXPECT_TRUE(rec.boxes.empty());
}

// ---- Screenshot run (scripts/progress_screenshot.sh) ------------------------------------------

namespace {

std::string shotMarker(const char *name)
{
    char dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("VELMORA_SHOT_DIR", dir, sizeof dir))
        return std::string();
    return dosPathFromArgument(dir) + "\\" + name;
}

// Waits for the end question, tells the script it is up, and answers it once the
// script has taken its picture.
DWORD WINAPI answerEndQuestion(LPVOID)
{
    HWND box = nullptr;
    for (int i = 0; i < 6000 && !box; ++i) {
        box = FindWindowA("#32770", "完成");
        if (!box)
            Sleep(10);
    }
    if (!box)
        return 1;
    Sleep(500);
    writeFileBytes(shotMarker("question.ready"), "1");
    for (int i = 0; i < 3000 && !pathExists(shotMarker("question.taken")); ++i)
        Sleep(10);
    PostMessageA(box, WM_COMMAND, IDNO, 0);
    return 0;
}

}  // namespace

TEST_F(BatchRunWindow, DISABLED_RealRunForScreenshots)
{
    ASSERT_FALSE(shotMarker("x").empty()) << "VELMORA_SHOT_DIR is not set";
    runPrompts().messageBox = defaultRunPrompts().messageBox;
    SetWindowTextA(stub.window, "Velmora图片批量处理工具(V11.5)");
    list.items = copies(kPhoto, source.path(), 33);
    chooseSaveTo(target.path());
    context.beforeItem = [](int index) {
        if (index != 26)
            return;
        writeFileBytes(shotMarker("progress.ready"), "1");
        for (int i = 0; i < 3000 && !pathExists(shotMarker("progress.taken")); ++i)
            Sleep(10);
    };
    HANDLE answerer = CreateThread(nullptr, 0, answerEndQuestion, nullptr, 0, nullptr);
    EXPECT_EQ(startRun(context), RunOutcome::Completed);
    WaitForSingleObject(answerer, INFINITE);
    CloseHandle(answerer);
    EXPECT_EQ(folderEntries(target.path()).size(), 33u);
}

TEST_F(BatchRunWindow, DISABLED_SaveModeDialogForScreenshots)
{
    ASSERT_FALSE(shotMarker("x").empty()) << "VELMORA_SHOT_DIR is not set";
    SetWindowTextA(stub.window, "Velmora图片批量处理工具(V11.5)");
    HWND d = saveModeDialogHandle();
    struct Closer {
        static DWORD WINAPI run(LPVOID dialog)
        {
            for (int i = 0; i < 3000 && !IsWindowVisible((HWND)dialog); ++i)
                Sleep(10);
            Sleep(500);
            writeFileBytes(shotMarker("dialog.ready"), "1");
            for (int i = 0; i < 3000 && !pathExists(shotMarker("dialog.taken")); ++i)
                Sleep(10);
            PostMessageA(GetDlgItem((HWND)dialog, kSaveModeCancelId), BM_CLICK, 0, 0);
            return 0;
        }
    };
    HANDLE closer = CreateThread(nullptr, 0, Closer::run, d, 0, nullptr);
    int mode = 1;
    EXPECT_FALSE(runSaveModeDialog(stub.window, mode));
    WaitForSingleObject(closer, INFINITE);
    CloseHandle(closer);
}
