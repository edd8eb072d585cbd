#include "imaging/magick_env.h"

#include <windows.h>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <wand/MagickWand.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "util/magick_path.h"
#include "util/path_join.h"
#include "util/safe_file.h"
#include "util/text.h"

std::vector<SelfTestPicture> builtInSelfTestPictures()
{
    return {
        {"PNG", std::vector<unsigned char>(kSelfTestPng, kSelfTestPng + kSelfTestPngSize)},
        {"JPEG", std::vector<unsigned char>(kSelfTestJpeg, kSelfTestJpeg + kSelfTestJpegSize)},
        {"GIF", std::vector<unsigned char>(kSelfTestGif, kSelfTestGif + kSelfTestGifSize)},
        {"BMP", std::vector<unsigned char>(kSelfTestBmp, kSelfTestBmp + kSelfTestBmpSize)},
    };
}

bool validateImageMagick(const std::vector<SelfTestPicture> &pictures, std::string *failedFormats)
{
    bool all = true;
    std::string failed;
    for (const SelfTestPicture &picture : pictures) {
        MagickWand *wand = NewMagickWand();
        bool ok = !picture.bytes.empty() && MagickReadImageBlob(wand, picture.bytes.data(), picture.bytes.size()) &&
                  MagickGetImageWidth(wand) > 0;
        wand = DestroyMagickWand(wand);
        if (!ok) {
            all = false;
            if (!failed.empty())
                failed += ", ";
            failed += picture.format;
        }
    }
    if (failedFormats)
        *failedFormats = failed;
    return all;
}

bool validateImageMagick() { return validateImageMagick(builtInSelfTestPictures()); }

std::string programFolder()
{
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return ".";
    std::string folder(path, n);
    size_t slash = findLastBackslash(folder);
    return slash == std::string::npos ? "." : folder.substr(0, slash);
}

// ImageMagick reads its variables with the C runtime's getenv and takes their
// bytes as UTF-8.
static void setMagickEnvironment(const char *name, const std::string &utf8Value)
{
#ifdef __WINE__
    // The Linux library reads the Unix environment of this process, not Wine's copy.
    setenv(name, utf8Value.c_str(), 1);
#else
    // The runtime ImageMagick is linked with is the program's own (msvcrt.dll):
    // its _putenv keeps the bytes as given, where SetEnvironmentVariableA would
    // read them in the ANSI code page.
    _putenv((std::string(name) + "=" + utf8Value).c_str());
#endif
}

// ImageMagick's own temporary files (pixel caches that did not fit in memory,
// pictures of coders that cannot read from memory) go to a folder of this run
// below "%TEMP%\velmora-cache", named by the run token (util/safe_file.h), not by
// the process id a fresh Wine server hands out again. ImageMagick removes them
// itself, unless the process is killed: then the next start removes the folders
// of runs that no longer live, and nothing else.
static std::string cacheRootFolder()
{
    char temp[MAX_PATH];
    DWORD n = GetTempPathA(sizeof temp, temp);
    std::string root;
    if (n == 0 || n >= sizeof temp || !joinPath(root, std::string(temp, n), "velmora-cache"))
        return std::string();
    return root;
}

static void removeFolderWithFiles(const std::string &folder)
{
    std::string pattern;
    if (!joinPath(pattern, folder, "*"))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string path;
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && joinPath(path, folder, found.cFileName))
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

static std::string prepareCacheFolder()
{
    std::string root = cacheRootFolder();
    if (root.empty())
        return std::string();
    CreateDirectoryA(root.c_str(), nullptr);
    std::string pattern;
    if (joinPath(pattern, root, "*")) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern.c_str(), &found);
        std::vector<std::string> stale;
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const size_t length = strlen(found.cFileName);
                bool token = length > 0 && length <= 16;
                for (size_t i = 0; token && i < length; ++i)
                    token = isxdigit((unsigned char)found.cFileName[i]) != 0;
                if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && token && !runTokenIsAlive(found.cFileName))
                    stale.push_back(found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        for (const std::string &name : stale) {
            std::string folder;
            if (joinPath(folder, root, name))
                removeFolderWithFiles(folder);
        }
    }
    std::string own;
    if (!joinPath(own, root, ownRunToken()))
        return std::string();
    CreateDirectoryA(own.c_str(), nullptr);
    return own;
}

static std::string g_cacheFolder;
static MagickSizeType g_policyDiskLimit = 0;

std::string imageMagickCacheFolder() { return g_cacheFolder; }

void limitImageMagickDiskCache()
{
    MagickSizeType limit = g_policyDiskLimit;
    ULARGE_INTEGER freeBytes;
    // Half of what is free where the cache goes: the pictures being written need
    // room too, and a disk that fills up takes other programs down with it.
    if (!g_cacheFolder.empty() && GetDiskFreeSpaceExA(g_cacheFolder.c_str(), &freeBytes, nullptr, nullptr)) {
        MagickSizeType half = (MagickSizeType)(freeBytes.QuadPart / 2);
        if (half < limit)
            limit = half;
    }
    MagickSetResourceLimit(DiskResource, limit);
}

void startImageMagick()
{
    static bool started = false;
    if (started)
        return;
    started = true;
#if defined(__GLIBC__)
    // Each worker decodes a photo into blocks of megabytes (a progressive JPEG's
    // coefficients, the file's bytes). glibc's allocator raises its threshold for
    // mapping blocks of their own after the first is freed and then keeps such
    // blocks in every worker's heap: a batch held some 60 MB more than it used.
    // A fixed threshold gives them back to the system when the picture is done.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
#endif
    // The Windows build needs no such call: its malloc is msvcrt's, on a Windows
    // heap, which gives every block of about 1 MB and more virtual memory of its
    // own and releases it when the block is freed, at any time and on any
    // thread. bench/batch_run.sh with WINDOWS=build-windows measures the peak of
    // both builds on the same batch (135 against 132 MiB).
    std::string config = magickPath(programFolder() + "\\config");
    if (!config.empty())
        setMagickEnvironment("MAGICK_CONFIGURE_PATH", config);
    g_cacheFolder = prepareCacheFolder();
    std::string cache = g_cacheFolder.empty() ? std::string() : magickPath(g_cacheFolder);
    if (!cache.empty())
        setMagickEnvironment("MAGICK_TEMPORARY_PATH", cache);
    MagickWandGenesis();
    // The same ceilings as the shipped policy, for a copy of the program that lost
    // it (a limit can only be lowered below the policy's). The area is what one
    // picture may cost: 256 million pixels, 2 GB of pixels at 16 bits per sample.
    // No pixel cache is mapped into memory from a file: on a full disk a mapped
    // file faults instead of failing a write.
    MagickSetResourceLimit(WidthResource, 64000);
    MagickSetResourceLimit(HeightResource, 64000);
    MagickSetResourceLimit(AreaResource, 256000000ULL);
    MagickSetResourceLimit(MapResource, 0);
    const MagickSizeType kDiskCeiling = 4ULL << 30;
    g_policyDiskLimit = MagickGetResourceLimit(DiskResource);
    if (g_policyDiskLimit > kDiskCeiling)
        g_policyDiskLimit = kDiskCeiling;
    limitImageMagickDiskCache();
}

int setImageMagickThreads(int threads)
{
    int previous = (int)MagickGetResourceLimit(ThreadResource);
    MagickSetResourceLimit(ThreadResource, (MagickSizeType)(threads < 1 ? 1 : threads));
    return previous;
}
