// Window-free rules of the shell: the command line's choice, where the help
// popup goes, how the first window fits the screen, where a window is centred,
// and the start-up failures that end the program.
#include "gtest.h"

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/context_help.h"
#include "app/main_layout.h"
#include "app/startup.h"
#include "ui/window_kit.h"

// ---- Command line ---------------------------------------------------------------------

TEST(CommandLine, OptionsTheProgramDoesNotKnowNeverStartTheWindow)
{
    struct Case {
        std::vector<std::string> args;
        const char *mode;     // the mode chosen, or nullptr
        const char *unknown;  // the option named as unknown, or ""
    } cases[] = {
        {{}, nullptr, ""},
        {{"a.jpg", "相册"}, nullptr, ""},
        {{"--describe", "a.jpg"}, "--describe", ""},
        {{"--batch", "--overwrite", "a.jpg"}, "--batch", ""},  // the mode reads its own options
        {{"--self-test"}, "--self-test", ""},
        {{"--help"}, "--help", ""},
        {{"--bogus"}, nullptr, "--bogus"},
        {{"--tool", "convert", "x"}, "--tool", ""},
        {{"--convert", "x"}, nullptr, "--convert"},
        {{"a.jpg", "--describe"}, nullptr, "--describe"},  // a mode only in first place
        {{"-x.jpg"}, nullptr, ""},                         // one dash: a file name
    };
    for (const Case &c : cases) {
        std::string joined;
        for (const std::string &a : c.args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        CommandLineChoice choice = chooseCommandLine(c.args);
        if (c.mode) {
            ASSERT_NE(choice.mode, nullptr);
            EXPECT_STREQ(choice.mode->option, c.mode);
        } else {
            EXPECT_EQ(choice.mode, nullptr);
        }
        EXPECT_EQ(choice.unknownOption, c.unknown);
    }
    // Every mode of the table is in the usage.
    std::string usage = usageText();
    for (const CommandLineMode &mode : commandLineModes())
        EXPECT_NE(usage.find(mode.option), std::string::npos) << mode.option;
}

// ---- The help popup -------------------------------------------------------------------

TEST(ContextHelpPopup, HeightIsOddAndThePopupStaysOnTheScreen)
{
    EXPECT_EQ(helpTextLines("一行"), 1);
    EXPECT_EQ(helpTextLines("甲\n\n乙"), 3);
    struct Case {
        int lines, lineHeight, x, y;
        HelpPopupBox expected;
    } cases[] = {
        {3, 12, 500, 300, {340, 316, 326, 67}},   // 3 x 15 + 22
        {2, 12, 500, 300, {340, 316, 326, 53}},   // 52 is even: one more
        {1, 12, 100, 300, {6, 316, 326, 37}},     // near the left edge
        {1, 12, 1200, 300, {1280 - 332, 316, 326, 37}},  // near the right edge
        {10, 12, 500, 700, {500 - 160, 700 - 173 - 16, 326, 173}},  // would leave the work area: above
        {1, 12, 500, -40, {340, 6, 326, 37}},     // above the screen
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.lines) + " lines at " + std::to_string(c.x) + "," + std::to_string(c.y));
        HelpPopupBox box = helpPopupBox(c.lines, c.lineHeight, c.x, c.y, 1280, 770);
        EXPECT_EQ(box.x, c.expected.x);
        EXPECT_EQ(box.y, c.expected.y);
        EXPECT_EQ(box.width, c.expected.width);
        EXPECT_EQ(box.height, c.expected.height);
    }
}

// ---- The first window fits the screen ---------------------------------------------------

TEST(MainWindowFit, TheWholeWindowFitsA1280By800And900Screen)
{
    // Frame and caption of a sizable window as Wine and Windows draw them, and a
    // status bar; with and without a 40-pixel task bar.
    for (int nonClient : {27, 31, 39}) {
        for (int screen : {800, 900}) {
            for (int taskBar : {0, 40}) {
                int work = screen - taskBar;
                SCOPED_TRACE(std::to_string(screen) + " high, task bar " + std::to_string(taskBar) + ", frame " +
                             std::to_string(nonClient));
                int rule = initialClientSize(1280, work + 8).height;  // the maximised height decides the step
                int client = fittedClientHeight(rule, work, nonClient, 22);
                EXPECT_LE(client + 22 + nonClient, work) << "the status bar hangs below the screen";
                EXPECT_GE(client, 480);
                if (rule + 22 + nonClient <= work) {
                    EXPECT_EQ(client, rule) << "a window that fits keeps the rule's height";
                }
            }
        }
    }
}

TEST(WindowPlacement, CentredOverTheOwnerAndKeptOnTheWorkArea)
{
    RECT work = {0, 0, 1280, 770};
    struct Case {
        RECT over;
        int w, h;
        POINT expected;
    } cases[] = {
        {{100, 50, 1100, 750}, 400, 200, {400, 300}},   // inside the owner
        {{900, 0, 1400, 300}, 400, 200, {880, 50}},     // owner partly off the right edge
        {{-300, 600, 100, 900}, 400, 200, {0, 570}},    // off the left and the bottom
        {{0, 0, 1280, 770}, 1400, 900, {0, 0}},         // larger than the work area: its corner shows
    };
    for (const Case &c : cases) {
        POINT p = centeredOver(c.over, c.w, c.h, work);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

// ---- Start-up failures ----------------------------------------------------------------

namespace {

struct FailureRecord {
    std::vector<std::string> texts, captions, pages;
    std::vector<UINT> types, exits;
};
FailureRecord failures;

int recordFailureBox(const char *text, const char *caption, UINT type)
{
    failures.texts.push_back(text);
    failures.captions.push_back(caption);
    failures.types.push_back(type);
    return IDOK;
}
void recordPage(const char *address) { failures.pages.push_back(address); }
void recordExit(UINT code) { failures.exits.push_back(code); }

struct RecordedFailures {
    StartupFailureHooks saved = startupFailureHooks();
    RecordedFailures()
    {
        failures = FailureRecord();
        startupFailureHooks() = {recordFailureBox, recordPage, recordExit};
    }
    ~RecordedFailures() { startupFailureHooks() = saved; }
};

}  // namespace

TEST(StartupFailures, AThumbnailWorkerThatDidNotStartEndsTheProgram)
{
    RecordedFailures recorded;
    requireThumbnailWorker(true);
    EXPECT_TRUE(failures.texts.empty());
    requireThumbnailWorker(false);
    ASSERT_EQ(failures.texts.size(), 1u);
    EXPECT_EQ(failures.texts[0], "启动工作线程失败");
    EXPECT_EQ(failures.captions[0], "提示");
    EXPECT_EQ(failures.types[0] & MB_ICONMASK, (UINT)MB_ICONERROR);
    EXPECT_EQ(failures.exits, (std::vector<UINT>{(UINT)-1}));
}

TEST(StartupFailures, ImageMagickThatCannotDecodeItsPicturesEndsTheProgramWithTheFolderNamed)
{
    RecordedFailures recorded;
    StartupConfig config;
    config.programFolder = "C:\\工具\\velmora";
    requireWorkingImageMagick(config);
    EXPECT_TRUE(failures.texts.empty()) << "the built-in pictures decode here";

    std::vector<SelfTestPicture> pictures = builtInSelfTestPictures();
    pictures[1].bytes.resize(pictures[1].bytes.size() / 3);  // a JPEG cut short
    requireWorkingImageMagick(config, pictures);
    ASSERT_EQ(failures.texts.size(), 1u);
    EXPECT_EQ(failures.texts[0], "系统初始化时发生错误, 无法加载图片处理相关的 dll 文件。\n软件路径：'C:\\工具\\velmora'\n\n"
                                 "点击【确定】按钮后，进入官网联系客服。");
    EXPECT_EQ(failures.captions[0], "提示");
    EXPECT_EQ(failures.types[0] & MB_ICONMASK, (UINT)MB_ICONWARNING);
    ASSERT_EQ(failures.pages.size(), 1u);
    EXPECT_EQ(failures.exits, (std::vector<UINT>{(UINT)-1}));
}
