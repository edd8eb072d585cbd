#include "util/safe_file.h"

#include <atomic>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "util/path_join.h"
#include "util/text.h"

const char kOwnTempPrefix[] = "~velmora-";

std::string systemErrorText(DWORD code)
{
    char *text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, (LPSTR)&text, 0, nullptr);
    std::string out;
    if (n && text) {
        out.assign(text, n);
        while (!out.empty() && (out.back() == '\r' || out.back() == '\n' || out.back() == ' '))
            out.pop_back();
    }
    if (text)
        LocalFree(text);
    if (out.empty())
        out = formatText("error %lu", (unsigned long)code);
    return out;
}

bool readWholeFile(const std::string &path, std::vector<unsigned char> &bytes, size_t maxBytes, DWORD &error,
                   bool *opened)
{
    bytes.clear();
    error = 0;
    if (opened)
        *opened = false;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    if (opened)
        *opened = true;
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != FALSE;
    if (!ok)
        error = GetLastError();
    else if (size.QuadPart < 0 || (unsigned long long)size.QuadPart > maxBytes) {
        ok = false;
        error = ERROR_FILE_TOO_LARGE;
    }
    if (ok) {
        bytes.resize((size_t)size.QuadPart);
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD want = (DWORD)((bytes.size() - done) > (1u << 30) ? (1u << 30) : (bytes.size() - done));
            DWORD got = 0;
            if (!ReadFile(file, bytes.data() + done, want, &got, nullptr)) {
                ok = false;
                error = GetLastError();
            } else if (got == 0) {
                ok = false;  // the file became shorter while it was read
                error = ERROR_HANDLE_EOF;
            }
            done += got;
        }
    }
    CloseHandle(file);
    if (!ok)
        bytes.clear();
    return ok;
}

std::string folderOfPath(const std::string &path)
{
    size_t cut = findLastBackslash(path);
    if (cut == std::string::npos)
        return ".";
    if (cut == 0 || (cut == 2 && path[1] == ':'))
        return path.substr(0, cut + 1);  // "\" or "C:\"
    return path.substr(0, cut);
}

static bool writeAll(HANDLE file, const unsigned char *data, size_t length, DWORD &error)
{
    while (length > 0) {
        DWORD chunk = length > (1u << 30) ? (1u << 30) : (DWORD)length;
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) {
            error = GetLastError();
            if (error == 0)
                error = ERROR_WRITE_FAULT;
            return false;
        }
        data += written;
        length -= written;
    }
    return true;
}

namespace {

std::string runLockName(const std::string &token) { return "velmora-run-" + toLowerAscii(token); }

// A token is taken by creating its lock: a token another living process holds
// is never taken twice. The lock handle stays open until the process ends.
std::string takeRunToken()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    unsigned long long seed = (unsigned long long)now.QuadPart ^ ((unsigned long long)GetCurrentProcessId() << 32) ^
                              (unsigned long long)GetTickCount() ^ (unsigned long long)(uintptr_t)&now;
    for (int attempt = 0; attempt < 64; ++attempt) {
        // splitmix64: well spread even from seeds that differ in a few bits.
        seed += 0x9E3779B97F4A7C15ull;
        unsigned long long z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        std::string token = formatText("%08lx", (unsigned long)(z & 0xFFFFFFFFul));
        HANDLE lock = CreateMutexA(nullptr, FALSE, runLockName(token).c_str());
        if (!lock)
            continue;
        if (GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(lock);
            continue;
        }
        return token;  // the handle is kept: it is what says this run lives
    }
    // No lock could be made at all: a token of the process id, as before.
    return formatText("%lx", (unsigned long)GetCurrentProcessId());
}

}  // namespace

const std::string &ownRunToken()
{
    static const std::string token = takeRunToken();
    return token;
}

bool runTokenIsAlive(const std::string &token)
{
    if (equalsNoCase(token, ownRunToken()))
        return true;
    HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, runLockName(token).c_str());
    if (!lock)
        return false;
    CloseHandle(lock);
    return true;
}

bool writeOwnTempFile(const std::string &folder, const void *bytes, size_t size, std::string &tempPath,
                      DWORD &error, bool *created)
{
    if (created)
        *created = false;
    static std::atomic<unsigned long> counter{0};
    const std::string &token = ownRunToken();
    HANDLE file = INVALID_HANDLE_VALUE;
    std::string path;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        std::string name = formatText("%s%s-%lu.tmp", kOwnTempPrefix, token.c_str(), ++counter);
        if (!joinPath(path, folder, name)) {
            error = ERROR_FILENAME_EXCED_RANGE;
            return false;
        }
        file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = GetLastError();
            // Only a name left by an earlier run of the same token is worth another try.
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return false;
        }
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;
    if (created)
        *created = true;
    bool ok = writeAll(file, static_cast<const unsigned char *>(bytes), size, error);
    if (ok && !FlushFileBuffers(file)) {
        ok = false;
        error = GetLastError();
    }
    if (!CloseHandle(file) && ok) {
        ok = false;
        error = GetLastError();
    }
    if (!ok) {
        DeleteFileA(path.c_str());
        return false;
    }
    tempPath = path;
    return true;
}

PlaceResult placeOwnTempFile(const std::string &tempPath, const std::string &target, bool replace, DWORD &error)
{
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
    if (MoveFileExA(tempPath.c_str(), target.c_str(), flags))
        return PlaceResult::Placed;
    error = GetLastError();
    if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ||
                     GetFileAttributesA(target.c_str()) != INVALID_FILE_ATTRIBUTES))
        return PlaceResult::NameTaken;
    DeleteFileA(tempPath.c_str());
    return PlaceResult::Failed;
}

bool replaceFileWith(const std::string &target, const void *bytes, size_t size, DWORD &error)
{
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
        error = ERROR_ACCESS_DENIED;
        return false;
    }
    std::string temp;
    if (!writeOwnTempFile(folderOfPath(target), bytes, size, temp, error))
        return false;
    return placeOwnTempFile(temp, target, true, error) == PlaceResult::Placed;
}

// "~velmora-<token>-<n>.tmp" -> token; false for any other name. Older versions
// put their process id where the token is: such a file is no living run's either.
static bool ownTempFileToken(const char *name, std::string &token)
{
    const size_t prefix = sizeof kOwnTempPrefix - 1;
    if (strncmp(name, kOwnTempPrefix, prefix) != 0 || !endsWithNoCase(name, ".tmp"))
        return false;
    const char *start = name + prefix;
    const char *end = start;
    while (isxdigit((unsigned char)*end))
        ++end;
    if (end == start || end - start > 16 || *end != '-')
        return false;
    token.assign(start, end);
    return true;
}

int removeOwnTempFiles(const std::string &folder)
{
    std::string pattern;
    if (!joinPath(pattern, folder, std::string(kOwnTempPrefix) + "*.tmp"))
        return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    std::vector<std::string> stale;
    do {
        std::string token;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ownTempFileToken(found.cFileName, token) &&
            !runTokenIsAlive(token))
            stale.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    int removed = 0;
    for (const std::string &name : stale) {
        std::string path;
        if (joinPath(path, folder, name) && DeleteFileA(path.c_str()))
            ++removed;
    }
    return removed;
}
