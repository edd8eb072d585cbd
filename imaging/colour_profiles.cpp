#include "imaging/colour_profiles.h"

#include <windows.h>

#include "util/registry_store.h"
#include "util/text.h"

const char kDefaultCmykProfile[] = "JapanColor2001Coated.icc";
const char *const kCmykFallbackProfiles[] = {"JapanColor2001Coated.icc",   "USWebCoatedSWOP.icc",
                                             "CoatedFOGRA39.icc",          "USWebUncoated.icc",
                                             "JapanColor2001Uncoated.icc", "JapanColor2002Newspaper.icc",
                                             "JapanColor2003WebCoated.icc"};
const int kCmykFallbackProfileCount = sizeof kCmykFallbackProfiles / sizeof kCmykFallbackProfiles[0];

static const LONGLONG kMaxProfileBytes = 16 * 1024 * 1024;

std::string profilePath(const std::string &programFolder, const std::string &fileName)
{
    return formatText("%s\\icc\\%s", programFolder.c_str(), fileName.c_str());
}

// The fixed header of an ICC profile: its size, the "acsp" signature and the
// colour space of its data.
static bool looksLikeProfile(const std::string &bytes, const char *colourSpace)
{
    if (bytes.size() < 132 || bytes.compare(36, 4, "acsp") != 0 || bytes.compare(16, 4, colourSpace) != 0)
        return false;
    unsigned long declared = 0;
    for (int i = 0; i < 4; ++i)
        declared = declared << 8 | static_cast<unsigned char>(bytes[i]);
    return declared >= 132 && declared <= bytes.size();
}

ProfileRead readProfileFile(const std::string &path, const char *colourSpace, std::string &bytes)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return ProfileRead::Missing;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return ProfileRead::CannotOpen;
    LARGE_INTEGER size;
    std::string data;
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart <= kMaxProfileBytes;
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = ReadFile(file, &data[0], static_cast<DWORD>(data.size()), &got, nullptr) && got == data.size();
    }
    CloseHandle(file);
    if (!ok || !looksLikeProfile(data, colourSpace))
        return ProfileRead::Unreadable;
    bytes.swap(data);
    return ProfileRead::Loaded;
}

bool loadSrgbProfile(const std::string &programFolder, std::string &bytes, std::string &message)
{
    switch (readProfileFile(profilePath(programFolder, "sRGB.icc"), "RGB ", bytes)) {
    case ProfileRead::Loaded: return true;
    case ProfileRead::Missing: message = "无法启用 sRGB.icc\n\n没有找到 sRGB.icc 配置文件。"; break;
    case ProfileRead::CannotOpen: message = "无法启用 sRGB.icc\n\nsRGB.icc 文件无法访问。"; break;
    case ProfileRead::Unreadable: message = "无法启用 sRGB.icc\n\n加载 sRGB.icc 文件出错。"; break;
    }
    return false;
}

CmykProfileLoad loadCmykProfile(const std::string &programFolder, const std::string &name)
{
    CmykProfileLoad load;
    load.name = name;
    std::string path = profilePath(programFolder, name);
    if (readProfileFile(path, "CMYK", load.bytes) == ProfileRead::Loaded)
        return load;
    load.message = formatText("加载ICC色彩特性文件 '%s' 出错。", path.c_str());
    for (int i = 0; i < kCmykFallbackProfileCount; ++i) {
        const char *fallback = kCmykFallbackProfiles[i];
        if (readProfileFile(profilePath(programFolder, fallback), "CMYK", load.bytes) == ProfileRead::Loaded) {
            load.name = fallback;
            writeProgramString("cmyk_default_icc", load.name);
            break;
        }
    }
    return load;
}

CmykProfileLoad loadStoredCmykProfile(const std::string &programFolder)
{
    std::string stored = readProgramString("cmyk_default_icc");
    return loadCmykProfile(programFolder, stored.empty() ? kDefaultCmykProfile : stored);
}

LoadedProfiles &loadedProfiles()
{
    static LoadedProfiles profiles;
    return profiles;
}
