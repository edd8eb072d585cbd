// The few kernel32 calls the native build reaches (the header sniffer's
// file reader, and the scratch file its harness writes), done with POSIX calls.
// This stands in for the system only: the program's code above it is the code
// the Wine build runs. Paths are taken as they come (the harness makes them from
// GetTempPathA, so they are plain Unix paths here).
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HANDLE toHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1); }
int toFd(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1); }

}  // namespace

DWORD WINAPI GetTempPathA(DWORD size, LPSTR buffer)
{
    const char *dir = getenv("TMPDIR");
    int n = snprintf(buffer, size, "%s/", dir && *dir ? dir : "/tmp");
    return n < 0 || DWORD(n) >= size ? 0 : DWORD(n);
}

DWORD WINAPI GetCurrentProcessId(void) { return DWORD(getpid()); }

HANDLE WINAPI CreateFileA(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD disposition, DWORD, HANDLE)
{
    int flags = (access & GENERIC_WRITE) ? O_RDWR : O_RDONLY;
    if (disposition == CREATE_ALWAYS)
        flags |= O_CREAT | O_TRUNC;
    else if (disposition != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE;
    int fd = open(path, flags | O_CLOEXEC, 0600);
    struct stat st;
    if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        close(fd);
        fd = -1;
    }
    return fd < 0 ? INVALID_HANDLE_VALUE : toHandle(fd);
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID out, DWORD count, LPDWORD got, LPOVERLAPPED)
{
    ssize_t n = read(toFd(file), out, count);
    if (got)
        *got = n > 0 ? DWORD(n) : 0;
    return n >= 0;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED)
{
    ssize_t n = write(toFd(file), data, count);
    if (written)
        *written = n > 0 ? DWORD(n) : 0;
    return n >= 0;
}

BOOL WINAPI SetFilePointerEx(HANDLE file, LARGE_INTEGER to, PLARGE_INTEGER now, DWORD method)
{
    const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
    off_t at = lseek(toFd(file), off_t(to.QuadPart), whence);
    if (at < 0)
        return FALSE;
    if (now)
        now->QuadPart = at;
    return TRUE;
}

BOOL WINAPI GetFileSizeEx(HANDLE file, PLARGE_INTEGER size)
{
    struct stat st;
    if (fstat(toFd(file), &st) != 0)
        return FALSE;
    size->QuadPart = st.st_size;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE file) { return close(toFd(file)) == 0; }

BOOL WINAPI DeleteFileA(LPCSTR path) { return unlink(path) == 0; }

// The code-page calls of the text conversions, through glibc's iconv tables of
// the same code pages (936 and UTF-8), with the two flags the program passes.
#include <iconv.h>

#include <string>

namespace {

const char *iconvName(UINT codePage) { return codePage == CP_UTF8 ? "UTF-8" : "CP936"; }

// Converts `in` (bytes) between the two names; every unconvertible unit is
// reported through `bad` (given its length in input bytes) and skipped.
std::string convertBytes(const char *to, const char *from, const char *in, size_t length, size_t unit,
                         bool &hadBad)
{
    std::string out;
    hadBad = false;
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return out;
    char buffer[256];
    char *src = const_cast<char *>(in);
    size_t left = length;
    while (left > 0) {
        char *dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, (size_t)(dst - buffer));
        if (r == (size_t)-1 && errno != E2BIG) {
            hadBad = true;
            size_t skip = unit < left ? unit : left;
            src += skip;
            left -= skip;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR bytes, int length, LPWSTR wide, int room)
{
    if (length < 0)
        length = (int)strlen(bytes) + 1;
    bool bad = false;
    std::string utf16 = convertBytes("UTF-16LE", iconvName(codePage), bytes, (size_t)length, 1, bad);
    if (bad && (flags & MB_ERR_INVALID_CHARS))
        return 0;
    int units = (int)(utf16.size() / 2);
    if (room == 0)
        return units;
    if (units > room)
        return 0;
    memcpy(wide, utf16.data(), (size_t)units * 2);
    return units;
}

int WINAPI WideCharToMultiByte(UINT codePage, DWORD, LPCWSTR wide, int length, LPSTR bytes, int room, LPCSTR,
                               LPBOOL usedDefault)
{
    if (length < 0) {
        length = 0;
        while (wide[length])
            ++length;
        ++length;
    }
    bool bad = false;
    std::string out = convertBytes(iconvName(codePage), "UTF-16LE", reinterpret_cast<const char *>(wide),
                                   (size_t)length * 2, 2, bad);
    if (usedDefault)
        *usedDefault = bad ? TRUE : FALSE;
    if (room == 0)
        return (int)out.size();
    if ((int)out.size() > room)
        return 0;
    memcpy(bytes, out.data(), out.size());
    return (int)out.size();
}

BOOL WINAPI IsDBCSLeadByteEx(UINT codePage, BYTE lead) { return codePage == 936 && lead >= 0x81 && lead <= 0xFE; }
