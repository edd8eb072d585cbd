// A file's dates, so that a written picture can keep the ones of its source
// ("保留原图的修改时间"): the last-write time and, where the platform keeps one,
// the creation time.
#pragma once
#include <windows.h>

#include <string>

struct FileTimes {
    FILETIME creation = {};
    FILETIME lastWrite = {};
};

// false with the error code when the file's dates cannot be read.
bool readFileTimes(const std::string &path, FileTimes &times, DWORD &error);
// Gives the file those dates (the last-access time stays as the system keeps it).
// false with the error code.
bool applyFileTimes(const std::string &path, const FileTimes &times, DWORD &error);
