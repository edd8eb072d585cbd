// The browser is found through the association of an .html file (a small empty
// page beside the program): asking the shell for "http" would name whatever
// handles links, which is not always a browser.
#include "ui/web_pages.h"

#include <shellapi.h>
#include <cstdint>
#include <cstdio>

#include "imaging/magick_env.h"
#include "util/app_info.h"
#include "util/text.h"

const char kHelpSectionCrash[] = "crash";
const char kHelpSectionSite[] = "about";
const char kHelpSectionJoin[] = "join";
const char kHelpSectionUnpack[] = "unpack";

namespace {

const char kFallbackBrowser[] = "iexplore.exe";

std::string findBrowserByAssociation(const char *page)
{
    char program[MAX_PATH] = {};
    HINSTANCE result = FindExecutableA(page, nullptr, program);
    if ((INT_PTR)result <= 32)
        return std::string();
    return program;
}

INT_PTR shellOpenAddress(const char *address)
{
    return (INT_PTR)ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

INT_PTR startProgramWithAddress(const char *program, const char *address)
{
    // The address is one argument even when it holds spaces.
    std::string argument = std::string("\"") + address + "\"";
    return (INT_PTR)ShellExecuteA(nullptr, "open", program, argument.c_str(), nullptr, SW_SHOWNORMAL);
}

const WebPageLauncher kSystemLauncher = {findBrowserByAssociation, shellOpenAddress, startProgramWithAddress};
const WebPageLauncher *volatile g_launcher = nullptr;

bool started(INT_PTR result) { return result > 32; }

void openThroughShell(const char *address, const WebPageLauncher &launcher)
{
    if (!started(launcher.shellOpen(address)))
        launcher.startProgram(kFallbackBrowser, address);
}

// File URL of a DOS path: "C:\a b\c.html" -> "file:///C:/a%20b/c.html".
std::string fileUrl(const std::string &path)
{
    std::string url = "file:///";
    for (char ch : path) {
        switch (ch) {
        case '\\': url += '/'; break;
        case ' ': url += "%20"; break;
        case '%': url += "%25"; break;
        case '#': url += "%23"; break;
        case '?': url += "%3F"; break;
        default: url += ch; break;
        }
    }
    return url;
}

std::string hexAddress(const void *address)
{
    return formatText("%0*llX", (int)(2 * sizeof(void *)), (unsigned long long)(uintptr_t)address);
}

}  // namespace

std::string browserProbePage()
{
    std::string page = programFolder() + "\\temp.html";
    HANDLE f = CreateFileA(page.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    return page;
}

void openWebPageWith(const char *address, const WebPageLauncher &launcher)
{
    if (!address || !*address)
        return;
    std::string page = browserProbePage();
    std::string browser = launcher.findBrowser(page.c_str());
    if (browser.empty() || endsWithNoCase(browser, "OpenWith.exe")) {
        // No real association.
        openThroughShell(address, launcher);
        return;
    }
    if (started(launcher.startProgram(browser.c_str(), address)))
        return;
    if (endsWithNoCase(browser, "\\iexplore.exe") || equalsNoCase(browser, kFallbackBrowser))
        launcher.shellOpen(address);
    else
        launcher.startProgram(kFallbackBrowser, address);
}

void openWebPage(const char *address)
{
    const WebPageLauncher *launcher = g_launcher;
    openWebPageWith(address, launcher ? *launcher : kSystemLauncher);
}

void setWebPageLauncher(const WebPageLauncher *launcher)
{
    g_launcher = launcher;
}

std::string helpPageAddress(const char *section, const char *query)
{
    std::string address = fileUrl(programFolder() + "\\help\\index.html");
    if (query && *query)
        address += std::string("?") + query;
    if (section && *section)
        address += std::string("#") + section;
    return address;
}

std::string crashPageAddress(unsigned long exceptionCode, const void *faultAddress)
{
    std::string query = formatText("v=%0.1f&ecode=0x%lx&eip=0x%s&", kProgramVersion, exceptionCode,
                                   hexAddress(faultAddress).c_str());
    return helpPageAddress(kHelpSectionCrash, query.c_str());
}
