#include "util/magick_path.h"

#include <windows.h>
#include <vector>

#include "util/text.h"
#include "util/wine_host.h"


std::string fullPath(const std::string &gbkPath)
{
    char buf[MAX_PATH * 4];
    DWORD n = GetFullPathNameA(gbkPath.c_str(), sizeof buf, buf, nullptr);
    if (n == 0 || n >= sizeof buf)
        return gbkPath;
    return std::string(buf, n);
}

static std::vector<WCHAR> toWide(const std::string &gbk)
{
    int n = MultiByteToWideChar(936, 0, gbk.c_str(), -1, nullptr, 0);
    std::vector<WCHAR> wide(n > 0 ? n : 1, 0);
    if (n > 0)
        MultiByteToWideChar(936, 0, gbk.c_str(), -1, wide.data(), n);
    return wide;
}

// The full Windows form of a GBK path, empty when there is none.
static bool fullWidePath(const std::string &gbkPath, WCHAR (&full)[MAX_PATH * 4])
{
    if (gbkPath.empty())
        return false;
    std::vector<WCHAR> wide = toWide(gbkPath);
    DWORD n = GetFullPathNameW(wide.data(), MAX_PATH * 4, full, nullptr);
    return n > 0 && n < MAX_PATH * 4;
}

// Wine's kernel32 maps DOS names to Unix names (UTF-8) for Winelib modules and
// Windows programs alike; it fails when a parent folder is missing.
typedef char *(CDECL *UnixNameFromDosName)(LPCWSTR dos);

static std::string unixNameOf(const WCHAR *full)
{
    static UnixNameFromDosName unixName = (UnixNameFromDosName)wineExport("kernel32.dll", "wine_get_unix_file_name");
    char *name = unixName ? unixName(full) : nullptr;
    if (!name)
        return std::string();
    std::string out(name);
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

std::string unixPathUnderWine(const std::string &gbkPath)
{
    WCHAR full[MAX_PATH * 4];
    return fullWidePath(gbkPath, full) ? unixNameOf(full) : std::string();
}

std::string magickPath(const std::string &gbkPath)
{
    WCHAR full[MAX_PATH * 4];
    if (!fullWidePath(gbkPath, full))
        return std::string();
#ifdef __WINE__
    // The Winelib build links the Linux library, which opens Unix paths.
    return unixNameOf(full);
#else
    int len = WideCharToMultiByte(CP_UTF8, 0, full, -1, nullptr, 0, nullptr, nullptr);
    if (len <= 0)
        return std::string();
    std::string out((size_t)len, '\0');
    WideCharToMultiByte(CP_UTF8, 0, full, -1, &out[0], len, nullptr, nullptr);
    out.resize((size_t)len - 1);
    return out;
#endif
}

std::string magickWritePath(const std::string &gbkPath)
{
    return replaceAll(magickPath(gbkPath), "%", "%%");
}

// Wine's kernel32 exports the mapping of Unix names to DOS names, to Winelib
// modules and Windows programs alike; Windows has no such export.
typedef WCHAR *(CDECL *DosNameFromUnixName)(LPCSTR unixName);

std::string dosPathFromArgument(const std::string &gbkPath)
{
    static DosNameFromUnixName dosName = (DosNameFromUnixName)wineExport("kernel32.dll", "wine_get_dos_file_name");
    if (!dosName || gbkPath.empty() || gbkPath[0] != '/')
        return gbkPath;
    WCHAR *dos = dosName(gbkToUtf8(gbkPath).c_str());
    if (!dos)
        return gbkPath;
    int len = WideCharToMultiByte(936, 0, dos, -1, nullptr, 0, nullptr, nullptr);
    std::string out;
    if (len > 0) {
        out.resize((size_t)len);
        WideCharToMultiByte(936, 0, dos, -1, &out[0], len, nullptr, nullptr);
        out.resize((size_t)len - 1);
    }
    HeapFree(GetProcessHeap(), 0, dos);
    return out.empty() ? gbkPath : out;
}
