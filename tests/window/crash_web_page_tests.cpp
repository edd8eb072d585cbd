// openWebPage's ways to a browser, watched through a recording launcher, and
// the help page that ships with the program.
#include "gtest.h"

#include <windows.h>
#include <string>
#include <vector>

#include "imaging/magick_env.h"
#include "ui/web_pages.h"
#include "test_util.h"

namespace {

struct Recorder {
    std::string browser;          // what the association names
    INT_PTR shellResult = 42;     // > 32: started
    INT_PTR startResult = 42;
    INT_PTR fallbackResult = 42;  // result of starting iexplore.exe
    std::vector<std::string> calls;
};
Recorder g_rec;

std::string recFind(const char *page)
{
    g_rec.calls.push_back(std::string("find ") + page);
    return g_rec.browser;
}
INT_PTR recShell(const char *address)
{
    g_rec.calls.push_back(std::string("shell ") + address);
    return g_rec.shellResult;
}
INT_PTR recStart(const char *program, const char *address)
{
    g_rec.calls.push_back(std::string("start ") + program + " " + address);
    return std::string(program) == "iexplore.exe" ? g_rec.fallbackResult : g_rec.startResult;
}
const WebPageLauncher kRecorder = {recFind, recShell, recStart};

// The calls after the association lookup.
std::vector<std::string> openRecorded(const char *address)
{
    g_rec.calls.clear();
    openWebPageWith(address, kRecorder);
    std::vector<std::string> calls = g_rec.calls;
    if (!calls.empty() && calls[0].compare(0, 5, "find ") == 0)
        calls.erase(calls.begin());
    return calls;
}

typedef std::vector<std::string> Calls;

}  // namespace

TEST(WebPage, BrowserFromTheAssociationGetsTheAddress)
{
    g_rec = Recorder();
    g_rec.browser = "C:\\Program Files\\Browser\\browser.exe";
    EXPECT_EQ(openRecorded("http://example.invalid/a"), Calls({"start C:\\Program Files\\Browser\\browser.exe http://example.invalid/a"}));
    // It failed to start: iexplore.exe next.
    g_rec.startResult = 2;
    EXPECT_EQ(openRecorded("http://x/"), Calls({"start C:\\Program Files\\Browser\\browser.exe http://x/", "start iexplore.exe http://x/"}));
    // The browser was iexplore.exe itself: the shell next.
    g_rec.browser = "C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE";
    EXPECT_EQ(openRecorded("http://x/"), Calls({"start C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE http://x/", "shell http://x/"}));
    EXPECT_EQ(openRecorded(""), Calls()) << "nothing to open";
}

TEST(WebPage, WithoutARealAssociationTheShellThenIexplore)
{
    g_rec = Recorder();
    g_rec.browser = "";
    EXPECT_EQ(openRecorded("http://x/"), Calls({"shell http://x/"}));
    g_rec.shellResult = 31;  // SE_ERR_NOASSOC
    EXPECT_EQ(openRecorded("http://x/"), Calls({"shell http://x/", "start iexplore.exe http://x/"}));
    g_rec.shellResult = 32;  // still an error code
    EXPECT_EQ(openRecorded("http://x/"), Calls({"shell http://x/", "start iexplore.exe http://x/"}));
    // The "Open with" dialog is no browser.
    g_rec.browser = "C:\\Windows\\system32\\openwith.EXE";
    g_rec.shellResult = 42;
    EXPECT_EQ(openRecorded("http://x/"), Calls({"shell http://x/"}));
    // Every way fails: nothing more is tried, nothing is reported.
    g_rec.shellResult = 2;
    g_rec.fallbackResult = 2;
    EXPECT_EQ(openRecorded("http://x/"), Calls({"shell http://x/", "start iexplore.exe http://x/"}));
}

TEST(WebPage, TheProbePageIsCreatedEmptyBesideTheProgramAndLeftAlone)
{
    std::string page = browserProbePage();
    EXPECT_EQ(page, programFolder() + "\\temp.html");
    ASSERT_TRUE(pathExists(page));
    g_rec = Recorder();
    openWebPageWith("http://x/", kRecorder);
    ASSERT_FALSE(g_rec.calls.empty());
    EXPECT_EQ(g_rec.calls[0], "find " + page);
    // A page someone filled is not emptied.
    ASSERT_TRUE(writeFileBytes(page, "<html></html>"));
    browserProbePage();
    EXPECT_EQ(readFileBytes(page), "<html></html>");
    ASSERT_TRUE(writeFileBytes(page, ""));
}

TEST(WebPage, OpenWebPageGoesThroughTheLauncherInForce)
{
    g_rec = Recorder();
    g_rec.browser = "C:\\b.exe";
    setWebPageLauncher(&kRecorder);
    openWebPage(helpPageAddress(kHelpSectionSite).c_str());
    setWebPageLauncher(nullptr);
    ASSERT_EQ(g_rec.calls.size(), 2u);
    EXPECT_EQ(g_rec.calls[1], "start C:\\b.exe " + helpPageAddress(kHelpSectionSite));
}

TEST(WebPage, HelpPageShipsWithTheProgram)
{
    std::string folder = programFolder();
    ASSERT_FALSE(folder.empty());
    std::string html = readFileBytes(folder + "\\help\\index.html");
    ASSERT_FALSE(html.empty()) << "help\\index.html is missing beside the program";
    for (const char *section : {kHelpSectionCrash, kHelpSectionSite, kHelpSectionJoin, kHelpSectionUnpack})
        EXPECT_NE(html.find(std::string("id=\"") + section + "\""), std::string::npos) << section;

    std::string address = helpPageAddress(kHelpSectionJoin);
    EXPECT_EQ(address.compare(0, 8, "file:///"), 0) << address;
    EXPECT_EQ(address.find('\\'), std::string::npos) << address;
    EXPECT_EQ(address.find(' '), std::string::npos) << address;
    EXPECT_EQ(address.substr(address.size() - 21), "/help/index.html#join");
    EXPECT_EQ(helpPageAddress(nullptr, "a=1").substr(address.size() - 21), "/help/index.html?a=1");
}
