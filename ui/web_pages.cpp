// The browser is found through the association of an .html file (a small empty
// page beside the program): asking the shell for "http" would name whatever
// handles links, which is not always a browser.
#include "ui/web_pages.h"

#include <shellapi.h>
#include <cstdint>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "imaging/magick_env.h"
#include "ui/run_prompts.h"
#include "util/app_info.h"
#include "util/magick_path.h"
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

bool runningUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// winebrowser hands a file address to the desktop as a bare Unix path, without
// its query and section (the crash page reads its query). Such an address goes
// through a page that forwards the browser to the whole Unix file address.
std::string keepQueryAndSection(const std::string &address)
{
    const size_t rest = address.find_first_of("?#");
    if (address.compare(0, 8, "file:///") != 0 || rest == std::string::npos)
        return address;
    std::string dos;
    for (size_t i = 8; i < rest; ++i) {
        if (address[i] == '%' && i + 2 < rest && hexValue(address[i + 1]) >= 0 && hexValue(address[i + 2]) >= 0) {
            dos += (char)(hexValue(address[i + 1]) * 16 + hexValue(address[i + 2]));
            i += 2;
        } else {
            dos += address[i] == '/' ? '\\' : address[i];
        }
    }
    // The desktop's browser is a Linux program: it opens the Unix name, from
    // either build of the program.
    const std::string onDisk = unixPathUnderWine(dos);
    if (onDisk.empty())
        return address;
    // Percent-encoded, so that nothing in it can end the HTML attribute.
    auto encode = [](const std::string &text, const char *keep) {
        std::string out;
        for (unsigned char c : text)
            out += isalnum(c) || (c && strchr(keep, c)) ? std::string(1, (char)c) : formatText("%%%02X", c);
        return out;
    };
    const std::string target =
        "file://" + encode(onDisk, "/-_.~") + encode(gbkToUtf8(address.substr(rest)), "/-_.~?#&=%;");
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string page = std::string(folder) + "velmora_page.html";
    const std::string html = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><meta http-equiv=\"refresh\" "
                             "content=\"0; url=" + target + "\"></head><body><a href=\"" + target + "\">" + target +
                             "</a></body></html>";
    HANDLE f = CreateFileA(page.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return address;
    DWORD written = 0;
    const bool ok = WriteFile(f, html.data(), (DWORD)html.size(), &written, nullptr) && written == html.size();
    CloseHandle(f);
    return ok ? page : address;
}

// Under Wine: winebrowser (Wine's own program) starts the desktop's browser and
// says with its exit code whether it found one. It returns as soon as the
// browser is started; the limit only guards against a hung start.
DesktopBrowser openInDesktopBrowser(const char *address)
{
    if (!runningUnderWine())
        return DesktopBrowser::NotThere;
    std::string command = "winebrowser.exe \"" + keepQueryAndSection(address) + "\"";
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi))
        return DesktopBrowser::NoBrowser;
    DWORD code = 0;
    if (WaitForSingleObject(pi.hProcess, 15000) != WAIT_OBJECT_0 || !GetExitCodeProcess(pi.hProcess, &code))
        code = 0;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0 ? DesktopBrowser::Started : DesktopBrowser::NoBrowser;
}

const WebPageLauncher kSystemLauncher = {findBrowserByAssociation, shellOpenAddress, startProgramWithAddress,
                                         openInDesktopBrowser};
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
    switch (launcher.desktopBrowser ? launcher.desktopBrowser(address) : DesktopBrowser::NotThere) {
    case DesktopBrowser::Started:
        return;
    case DesktopBrowser::NoBrowser:
        runPrompts().messageBox(GetActiveWindow(),
                                formatText("没有找到可以打开网页的浏览器。\n\n网页地址：%s", address).c_str(), "提示",
                                MB_OK | MB_ICONWARNING);
        return;
    case DesktopBrowser::NotThere:
        break;
    }
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
