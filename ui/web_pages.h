// Opening pages in the user's own browser, and the addresses of the program's
// pages. The pages ship with the program ("help\index.html" in its folder).
#pragma once
#include <windows.h>
#include <string>

// Opens an address (a web address or a file) in the user's browser. Under Wine
// the desktop's own browser gets it (through winebrowser, which asks the
// desktop's opener), and when there is none the box "没有找到可以打开网页的浏览器。
// \n\n网页地址：%s" (提示) says so: Wine's built-in browser shows nothing. On
// Windows the browser associated with web pages, falling back to the shell's
// "open" verb and then to "iexplore.exe" (nothing is reported when every way fails).
void openWebPage(const char *address);

enum class DesktopBrowser { NotThere, Started, NoBrowser };

// The steps openWebPage takes, replaceable so that tests can watch them
// without starting a browser. Results are those of ShellExecute: above 32 when
// the program started.
struct WebPageLauncher {
    // The program that opens `page` (FindExecutable); empty when none.
    std::string (*findBrowser)(const char *page);
    INT_PTR (*shellOpen)(const char *address);
    INT_PTR (*startProgram)(const char *program, const char *address);
    // The desktop's browser under Wine (null or NotThere: none, as on Windows).
    DesktopBrowser (*desktopBrowser)(const char *address) = nullptr;
};
void openWebPageWith(const char *address, const WebPageLauncher &launcher);
// Routes every later openWebPage through `launcher` (null: the real one again).
// The launcher must stay valid while it is set.
void setWebPageLauncher(const WebPageLauncher *launcher);

// "%s\temp.html" in the program folder (programFolder(), imaging/magick_env.h): the page whose
// association names the browser. Created empty when missing, left in place.
std::string browserProbePage();

// Sections of the help page.
extern const char kHelpSectionCrash[];   // "crash": the crash report page
extern const char kHelpSectionSite[];    // "about": stands in for the web site
extern const char kHelpSectionJoin[];    // "join": how the join tool works
extern const char kHelpSectionUnpack[];  // "unpack": run the program from a real folder

// "file:///C:/.../help/index.html" plus "?query" when a query is given and
// "#section" when a section is given.
std::string helpPageAddress(const char *section, const char *query = nullptr);
// The crash page with the query "v=11.5&ecode=0x%lx&eip=0x...&".
std::string crashPageAddress(unsigned long exceptionCode, const void *faultAddress);
