#include "app/font_tables.h"

#include <windows.h>
#include <shlobj.h>
#include <wand/MagickWand.h>

#include <set>
#include <vector>

#include "input/file_helpers.h"
#include "app/startup_config.h"
#include "util/magick_path.h"
#include "util/path_list.h"
#include "util/text.h"

typedef BOOL(WINAPI *GetFontResourceInfoWProc)(LPCWSTR, LPDWORD, LPVOID, DWORD);

static std::string gbkFromWide(const WCHAR *text)
{
    char buffer[256] = {};
    WideCharToMultiByte(936, 0, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
    return buffer;
}

// Font files of the fonts folder, then those the system's font catalogue names
// (under Wine the folder is nearly empty and the catalogue lists the Unix fonts).
// fullNames receives the catalogue's full font names (lower case) -> file.
static std::vector<std::string> catalogueFontFiles(const std::string &fontsFolder,
                                                   std::unordered_map<std::string, std::string> &fullNames)
{
    std::vector<std::string> files;
    std::set<std::string> seen;
    auto add = [&](const std::string &path) {
        if (!isFontFileName(path.c_str()))
            return;
        if (seen.insert(toLowerAscii(path)).second)
            files.push_back(path);
    };
    if (PathList *list = PathList::createDefault()) {
        listFontFiles(fontsFolder.c_str(), list);
        for (int i = 0; i < list->count; ++i)
            add(list->text(i));
        list = list->destroy(true);
    }

    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, KEY_READ,
                      &key) == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            char name[512], data[MAX_PATH + 1];
            DWORD nameSize = sizeof name, dataSize = sizeof data - 1, type = 0;
            LONG rc = RegEnumValueA(key, index, name, &nameSize, nullptr, &type, reinterpret_cast<BYTE *>(data),
                                    &dataSize);
            if (rc == ERROR_NO_MORE_ITEMS)
                break;
            if (rc != ERROR_SUCCESS || type != REG_SZ)
                continue;
            data[dataSize < sizeof data ? dataSize : sizeof data - 1] = '\0';
            std::string path = data;
            if (path.find('\\') == std::string::npos)
                path = fontsFolder + "\\" + path;
            add(path);
            // "Name (TrueType)", or "A & B (TrueType)" for a collection.
            std::string names = name;
            size_t paren = names.rfind(" (");
            if (paren != std::string::npos)
                names = names.substr(0, paren);
            for (const std::string &one : splitText(replaceAll(names, " & ", "\x01"), '\x01'))
                if (!one.empty())
                    fullNames.emplace(toLowerAscii(one), path);
        }
        RegCloseKey(key);
    }
    return files;
}

// Under Wine: the faces the prefix replaces by another font
// (HKCU\Software\Wine\Fonts\Replacements, scripts/winerun.in); elsewhere none.
static std::set<std::string> replacedFaces()
{
    std::set<std::string> faces;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Fonts\\Replacements", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return faces;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD size = sizeof name;
        LONG rc = RegEnumValueA(key, index, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            faces.insert(name);
    }
    RegCloseKey(key);
    return faces;
}

// The face GDI really draws when asked for a face that no file declares (under
// Wine the Chinese system faces are substitutes for an installed CJK font).
static std::string substitutedFace(const std::string &face)
{
    LOGFONTA logFont = {};
    logFont.lfHeight = -16;
    logFont.lfCharSet = GB2312_CHARSET;
    lstrcpynA(logFont.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&logFont);
    if (!font)
        return std::string();
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    WCHAR real[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, real);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return gbkFromWide(real);
}

namespace {

// The look of the Chinese system faces, and the font files (as Debian installs
// them; the same names when shipped beside the program) that have that look, best
// first. The CN faces come first: ImageMagick draws face 0 of a collection.
enum class FontStyle { Song, Kai, Hei };
struct ChineseFace {
    const char *name;
    FontStyle style;
};
const ChineseFace kChineseFaces[] = {
    {"宋体", FontStyle::Song},   {"新宋体", FontStyle::Song},      {"SimSun", FontStyle::Song},
    {"NSimSun", FontStyle::Song}, {"仿宋", FontStyle::Song},        {"仿宋_GB2312", FontStyle::Song},
    {"FangSong", FontStyle::Song}, {"楷体", FontStyle::Kai},        {"楷体_GB2312", FontStyle::Kai},
    {"KaiTi", FontStyle::Kai},    {"黑体", FontStyle::Hei},         {"SimHei", FontStyle::Hei},
    {"微软雅黑", FontStyle::Hei}, {"Microsoft YaHei", FontStyle::Hei},
};
const char *const kSongFiles[] = {"uming.ttc", "notoserifcjk-regular.ttc", "notoserifcjksc-regular.otf", nullptr};
const char *const kKaiFiles[] = {"ukai.ttc", nullptr};
const char *const kHeiFiles[] = {"wqy-microhei.ttc", "wqy-zenhei.ttc", "notosanscjk-regular.ttc",
                                 "notosanscjksc-regular.otf", nullptr};

const char *const *styleFiles(FontStyle style)
{
    switch (style) {
    case FontStyle::Song: return kSongFiles;
    case FontStyle::Kai: return kKaiFiles;
    default: return kHeiFiles;
    }
}

// The first known font file of the style (a Kai face without a Kai font takes
// a Song one: both are brush styles with serifs); empty when none is installed.
std::string fileOfStyle(const std::vector<std::string> &files, FontStyle style)
{
    for (FontStyle look : {style, style == FontStyle::Kai ? FontStyle::Song : style}) {
        for (const char *const *name = styleFiles(look); *name; ++name)
            for (const std::string &file : files)
                if (equalsNoCase(fileNamePart(file), *name))
                    return toLowerAscii(file);
    }
    return std::string();
}

struct FaceEnumeration {
    const std::unordered_map<std::string, std::string> *fullNames;
    std::unordered_map<std::string, std::string> *table;
    std::vector<std::string> families;
};

int CALLBACK collectFamily(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM context)
{
    auto *state = reinterpret_cast<FaceEnumeration *>(context);
    std::string face = gbkFromWide(font->lfFaceName);
    if (!face.empty() && face[0] != '@')
        state->families.push_back(face);
    return 1;
}

int CALLBACK collectStyle(const LOGFONTW *font, const TEXTMETRICW *, DWORD, LPARAM context)
{
    auto *state = reinterpret_cast<FaceEnumeration *>(context);
    const auto *full = reinterpret_cast<const ENUMLOGFONTEXW *>(font);
    auto file = state->fullNames->find(toLowerAscii(gbkFromWide(full->elfFullName)));
    if (file != state->fullNames->end())
        addFontFace(*state->table, gbkFromWide(font->lfFaceName), toLowerAscii(file->second), font->lfItalic != 0,
                    font->lfWeight);
    return 1;
}

// Where the system cannot describe a font file (Wine's GetFontResourceInfoW is a
// stub), the faces come from the font enumeration: each style's full name is the
// name the catalogue lists its file under.
void facesFromEnumeration(const std::unordered_map<std::string, std::string> &fullNames,
                          std::unordered_map<std::string, std::string> &table)
{
    FaceEnumeration state = {&fullNames, &table, {}};
    HDC dc = CreateCompatibleDC(nullptr);
    LOGFONTW all = {};
    all.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &all, collectFamily, reinterpret_cast<LPARAM>(&state), 0);
    std::set<std::string> done;
    for (const std::string &family : state.families) {
        if (!done.insert(family).second)
            continue;
        LOGFONTW one = {};
        one.lfCharSet = DEFAULT_CHARSET;
        MultiByteToWideChar(936, 0, family.c_str(), -1, one.lfFaceName, LF_FACESIZE);
        EnumFontFamiliesExW(dc, &one, collectStyle, reinterpret_cast<LPARAM>(&state), 0);
    }
    DeleteDC(dc);
}

}  // namespace

void buildFontTables(StartupConfig &config)
{
    config.fontFaceTable.clear();
    config.fontFamilyTable.clear();
    auto query = reinterpret_cast<GetFontResourceInfoWProc>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "GetFontResourceInfoW")));
    char fonts[MAX_PATH] = {};
    specialFolderPath(CSIDL_FONTS, fonts);
    std::unordered_map<std::string, std::string> fullNames;
    std::vector<std::string> files = catalogueFontFiles(fonts, fullNames);
    for (const std::string &file : files) {
        if (!query)
            break;
        WCHAR widePath[MAX_PATH] = {};
        if (!MultiByteToWideChar(936, 0, file.c_str(), -1, widePath, MAX_PATH))
            continue;
        LOGFONTW records[8] = {};
        DWORD size = 736;
        static_assert(sizeof records >= 736, "eight records");
        if (!query(widePath, &size, records, 2) || size < sizeof(LOGFONTW))
            continue;
        std::string face = gbkFromWide(records[0].lfFaceName);
        if (face.empty())
            continue;
        addFontFace(config.fontFaceTable, face, toLowerAscii(file), records[0].lfItalic != 0,
                    records[0].lfWeight);
    }

    if (config.fontFaceTable.empty())
        facesFromEnumeration(fullNames, config.fontFaceTable);

    // The Chinese faces a user picks by their look: when no file declares them
    // (under Wine the prefix's replacements only lend them the interface's sans
    // font), a font file of the same style, else the file of the face the system
    // substitutes.
    const std::set<std::string> aliases = replacedFaces();
    for (const ChineseFace &face : kChineseFaces) {
        auto known = config.fontFaceTable.find(face.name);
        if (known != config.fontFaceTable.end() && !aliases.count(face.name))
            continue;
        std::string file = fileOfStyle(files, face.style);
        if (file.empty() && known == config.fontFaceTable.end()) {
            auto real = config.fontFaceTable.find(substitutedFace(face.name));
            if (real != config.fontFaceTable.end())
                file = real->second;
        }
        if (!file.empty())
            config.fontFaceTable[face.name] = file;
    }

    if (config.fontFaceTable.empty())
        return;
    size_t count = 0;
    ExceptionInfo *exception = AcquireExceptionInfo();
    const TypeInfo **types = GetTypeInfoList("*", &count, exception);
    for (size_t i = 0; types && i < count; ++i) {
        if (!types[i]->glyphs || !types[i]->family)
            continue;
        std::string file = toLowerAscii(dosPathFromArgument(utf8ToGbk(types[i]->glyphs)));
        config.fontFamilyTable.emplace(file, types[i]->family);
    }
    if (types)
        RelinquishMagickMemory(const_cast<TypeInfo **>(types));
    exception = DestroyExceptionInfo(exception);
}

void loadFontTablesOnce()
{
    static bool built = false;
    if (built)
        return;
    built = true;
    computeFontPaths(startupConfig());
    buildFontTables(startupConfig());
}

// The fallback file of a common Chinese face in the system fonts folder (empty
// for other faces). "宋体" and "新宋体" compare exactly; the others without regard
// to case unless exact is set.
static std::string fallbackFontFile(const std::string &face, bool exact)
{
    const StartupConfig &config = startupConfig();
    auto is = [&](const char *name) { return exact ? face == name : equalsNoCase(face, name); };
    const std::string *fallback = nullptr;
    if (face == "宋体" || face == "新宋体")
        fallback = &config.fontSimsun;
    else if (is("楷体_GB2312") || is("楷体"))
        fallback = &config.fontSimkai;
    else if (is("仿宋_GB2312") || is("仿宋"))
        fallback = &config.fontSimfang;
    else if (is("黑体"))
        fallback = &config.fontSimhei;
    else if (is("微软雅黑"))
        fallback = &config.fontMsyh;
    if (fallback && !fallback->empty() && fileExists(fallback->c_str()))
        return *fallback;
    return std::string();
}

std::string fontFileForFace(const std::string &face)
{
    const StartupConfig &config = startupConfig();
    auto found = config.fontFaceTable.find(face);
    if (found != config.fontFaceTable.end())
        return found->second;
    return toLowerAscii(fallbackFontFile(face, true));
}

// A family name ImageMagick gave (UTF-8) that the system code page can hold.
static bool familyFitsCodePage(const std::string &family)
{
    return family.find('?') == std::string::npos && gbkToUtf8(utf8ToGbk(family)) == family;
}

// ImageMagick knows the family by this very name (UTF-8, case aside). Its own
// lookup falls back to some other font for a name it does not know.
static bool magickKnowsFamily(const std::string &family)
{
    size_t count = 0;
    ExceptionInfo *exception = AcquireExceptionInfo();
    const TypeInfo **types = GetTypeInfoList("*", &count, exception);
    bool known = false;
    for (size_t i = 0; types && i < count && !known; ++i)
        known = types[i]->family && equalsNoCase(types[i]->family, family);
    if (types)
        RelinquishMagickMemory(const_cast<TypeInfo **>(types));
    exception = DestroyExceptionInfo(exception);
    return known;
}

// The face and family tables first, then the fallback files, then the face as a
// family name. probing is fontUsable's variant: exact fallback names, and the
// family "none" set before the fallbacks are tried. false when the face is known
// nowhere (ImageMagick would draw it in a font of its own choice).
static bool selectFont(DrawingWand *draw, const std::string &face, bool probing)
{
    const StartupConfig &config = startupConfig();
    std::string file;
    auto found = config.fontFaceTable.find(face);
    if (found != config.fontFaceTable.end()) {
        file = found->second;
        auto family = config.fontFamilyTable.find(file);
        if (family != config.fontFamilyTable.end()) {
            // By family ImageMagick also picks the bold or italic file of the face.
            if (familyFitsCodePage(family->second))
                DrawSetFontFamily(draw, family->second.c_str());
            else
                DrawSetFont(draw, magickPath(file).c_str());
            return true;
        }
    }
    if (probing)
        DrawSetFontFamily(draw, "none");
    std::string fallback = fallbackFontFile(face, probing);
    if (!fallback.empty())
        DrawSetFont(draw, magickPath(fallback).c_str());
    else if (!file.empty())
        DrawSetFont(draw, magickPath(file).c_str());
    else
        DrawSetFontFamily(draw, gbkToUtf8(face).c_str());
    return !fallback.empty() || !file.empty() || magickKnowsFamily(gbkToUtf8(face));
}

void selectWatermarkFont(DrawingWand *draw, const std::string &face)
{
    selectFont(draw, face, false);
}

static bool glyphRight(MagickWand *wand, DrawingWand *draw, const char *utf8, double &right)
{
    double *metrics = MagickQueryFontMetrics(wand, draw, utf8);
    if (!metrics)
        return false;
    right = metrics[9];
    MagickRelinquishMemory(metrics);
    return true;
}

bool fontUsable(const std::string &face, bool needChinese)
{
    MagickWand *wand = NewMagickWand();
    PixelWand *background = NewPixelWand();
    PixelSetColor(background, "white");
    MagickNewImage(wand, 32, 32, background);
    DrawingWand *draw = NewDrawingWand();
    DrawSetTextEncoding(draw, "UTF-8");
    DrawSetFontSize(draw, 26);
    double latin = 0, chinese = 0;
    bool usable = selectFont(draw, face, true) && glyphRight(wand, draw, "a", latin);
    if (usable && needChinese)
        usable = glyphRight(wand, draw, u8"中", chinese) && chinese > latin;
    MagickClearException(wand);
    draw = DestroyDrawingWand(draw);
    background = DestroyPixelWand(background);
    wand = DestroyMagickWand(wand);
    return usable;
}
