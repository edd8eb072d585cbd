#include "core/settings_file.h"

#include <windows.h>

#include <cstring>

#include "core/settings_text.h"
#include "util/safe_file.h"

namespace {

// A settings file is a few kilobytes; anything far larger is not one and is not
// read into memory.
const size_t kMaxSettingsFileBytes = 4 * 1024 * 1024;

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
    std::string bytes = withCrLf(textWithLf);
    DWORD error = 0;
    return replaceFileWith(path, bytes.data(), bytes.size(), error);
}

bool writeSettingsFile(const ProcessSettings &settings, const std::string &path)
{
    return writeTextFileSafely(path, settingsText(settings));
}

bool writeDefaultSettingsFile(const std::string &path) { return writeTextFileSafely(path, defaultSettingsText()); }

SettingsFileState loadSettingsFile(ProcessSettings &settings, const std::string &path, DWORD *error,
                                   std::vector<SettingsTextFault> *faults)
{
    DWORD code = 0;
    bool opened = false;
    std::vector<unsigned char> bytes;
    bool read = readWholeFile(path, bytes, kMaxSettingsFileBytes, code, &opened);
    if (!read && path == "config.dat" && code == ERROR_FILE_NOT_FOUND) {
        // The last run's settings are gone: start again from the defaults. The
        // relative name is resolved against the current folder (the program folder).
        // A file that exists but cannot be opened just now (held by another program)
        // is not replaced: that would throw the user's settings away.
        if (writeDefaultSettingsFile(path))
            read = readWholeFile(path, bytes, kMaxSettingsFileBytes, code, &opened);
    }
    if (error)
        *error = code;
    if (!opened)
        return SettingsFileState::NotOpened;

    // Keys a file lacks take the defaults (for the preset keys the same values).
    settings = ProcessSettings();
    if (!read || bytes.empty())
        return SettingsFileState::NotRead;
    int keys = applySettingsText(settings, std::string(bytes.begin(), bytes.end()), faults);
    return keys > 0 ? SettingsFileState::Read : SettingsFileState::NoSettings;
}

bool readSettingsFile(ProcessSettings &settings, const std::string &path)
{
    return loadSettingsFile(settings, path) != SettingsFileState::NotOpened;
}
