#include "core/settings_file.h"

#include <windows.h>

#include <cstring>

#include "core/settings_text.h"

namespace {

// A settings file is a few kilobytes; anything far larger is not one and is not
// read into memory.
const DWORD kMaxSettingsFileBytes = 4 * 1024 * 1024;

HANDLE openForReading(const std::string &path)
{
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The whole file in one piece, or false (empty, larger than maxBytes, short read).
bool readWhole(HANDLE file, std::string &bytes, DWORD maxBytes)
{
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size) || size.QuadPart <= 0 || size.QuadPart > maxBytes)
        return false;
    bytes.resize(size_t(size.QuadPart));
    DWORD got = 0;
    if (!ReadFile(file, &bytes[0], DWORD(bytes.size()), &got, nullptr) || got != bytes.size())
        return false;
    return true;
}

std::string folderOf(const std::string &path)
{
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos)
        return ".";
    if (cut == 0 || (cut == 2 && path[1] == ':'))
        return path.substr(0, cut + 1);  // "\" or "C:\"
    return path.substr(0, cut);
}

std::string withCrLf(const std::string &text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 2);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

}  // namespace

std::string defaultSettingsText()
{
    return "bSize=0\n"
           "zoomType=0\n"
           "sizeType=0\n"
           "zoomUnit=0\n"
           "sizeValue=750\n"
           "fSizeValue=100\n"
           "bZoomSameScale=1\n"
           "bQuanlity=0\n"
           "quanlity=91\n"
           "qualityMode=0\n"
           "maxFileSize=0\n"
           "sy_text=\n"
           "sy_text_w_direction=2\n"
           "sy_text_w_value=16\n"
           "sy_text_h_direction=2\n"
           "sy_text_h_value=16\n"
           "sy_text_rotate=0\n"
           "sy_text_opacity=100\n"
           "sy_text_fontName=宋体\n"
           "sy_text_fontSize=26\n"
           "sy_text_isItalic=0\n"
           "sy_text_weight=400\n"
           "sy_text_htmlColor=#000000\n"
           "sy_text_rgbColors=0\n"
           "sy_image=\n"
           "sy_image_w_direction=2\n"
           "sy_image_w_value=16\n"
           "sy_image_h_direction=2\n"
           "sy_image_h_value=16\n"
           "sy_image_rotate=0\n"
           "sy_image_opacity=100\n"
           "bDpi=0\n"
           "dpi=-1\n"
           "bDpiResample=0\n";
}

bool writeTextFileSafely(const std::string &path, const std::string &textWithLf)
{
    if (path.empty())
        return false;
    // The new text goes to a fresh file in the target's own folder (same volume, so
    // the move below is a rename); the old file stays untouched until it is complete.
    char temp[MAX_PATH];
    if (!GetTempFileNameA(folderOf(path).c_str(), "vst", 0, temp))
        return false;
    std::string bytes = withCrLf(textWithLf);
    bool written = false;
    HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD put = 0;
        written = WriteFile(file, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size() &&
                  FlushFileBuffers(file);
        if (!CloseHandle(file))
            written = false;
    }
    if (written && MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileA(temp);
    return false;
}

bool writeSettingsFile(const ProcessSettings &settings, const std::string &path)
{
    return writeTextFileSafely(path, settingsText(settings));
}

bool writeDefaultSettingsFile(const std::string &path) { return writeTextFileSafely(path, defaultSettingsText()); }

bool readSettingsFile(ProcessSettings &settings, const std::string &path)
{
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE && path == "config.dat" && GetLastError() == ERROR_FILE_NOT_FOUND) {
        // The last run's settings are gone: start again from the defaults. The
        // relative name is resolved against the current folder (the program folder).
        // A file that exists but cannot be opened just now (held by another program)
        // is not replaced: that would throw the user's settings away.
        if (writeDefaultSettingsFile(path))
            file = openForReading(path);
    }
    if (file == INVALID_HANDLE_VALUE)
        return false;

    // Keys a file lacks take the defaults (for the preset keys the same values).
    settings = ProcessSettings();
    std::string bytes;
    bool whole = readWhole(file, bytes, kMaxSettingsFileBytes);
    CloseHandle(file);
    if (whole)
        applySettingsText(settings, bytes);
    return true;
}

SmallFileRead readSmallFile(const std::string &path, std::string &bytes, unsigned long maxBytes)
{
    bytes.clear();
    HANDLE file = openForReading(path);
    if (file == INVALID_HANDLE_VALUE)
        return SmallFileRead::CannotOpen;
    // Only a file on disk: a pipe or a device could block the program for ever.
    if (GetFileType(file) != FILE_TYPE_DISK) {
        CloseHandle(file);
        return SmallFileRead::Failed;
    }
    SmallFileRead result = SmallFileRead::Read;
    char chunk[8192];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
            result = SmallFileRead::Failed;
            break;
        }
        if (got == 0)
            break;
        if (bytes.size() + got > maxBytes) {
            result = SmallFileRead::TooLarge;
            break;
        }
        bytes.append(chunk, got);
    }
    CloseHandle(file);
    if (result != SmallFileRead::Read)
        bytes.clear();
    return result;
}
