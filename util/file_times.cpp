#include "util/file_times.h"

bool readFileTimes(const std::string &path, FileTimes &times, DWORD &error)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        error = GetLastError();
        return false;
    }
    times.creation = data.ftCreationTime;
    times.lastWrite = data.ftLastWriteTime;
    return true;
}

bool applyFileTimes(const std::string &path, const FileTimes &times, DWORD &error)
{
    HANDLE file =
        CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    bool ok = SetFileTime(file, &times.creation, nullptr, &times.lastWrite) != FALSE;
    if (!ok)
        error = GetLastError();
    CloseHandle(file);
    return ok;
}
