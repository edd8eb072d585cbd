// The few kernel32 file calls the native build reaches (the header sniffer's
// file reader, and the scratch file its harness writes), done with POSIX calls.
// This stands in for the system only: the program's code above it is the code
// the Wine build runs. Paths are taken as they come (the harness makes them from
// GetTempPathA, so they are plain Unix paths here).
#include <windows.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
