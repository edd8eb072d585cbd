#include "gtest.h"

#include <windows.h>
#include <shlobj.h>

#include "util/registry_store.h"
#include "input/file_helpers.h"
#include "app/about_box.h"
#include "app/font_tables.h"
#include "app/main_commands.h"
#include "app/main_layout.h"
#include "app/startup.h"
#include "test_util.h"

// ---------------------------------------------------------------------------
// Program and temp folders

TEST(StartupFolders, ProgramFolderIsTheModulePathCutAtItsLastBackslash)
{
    EXPECT_EQ(programFolderFromModulePath("C:\\Program Files\\Velmora\\velmora.exe"), "C:\\Program Files\\Velmora");
    // A program in a drive root keeps the root with its backslash.
    EXPECT_EQ(programFolderFromModulePath("C:\\velmora.exe"), "C:\\");
    EXPECT_EQ(tempFolderFor("C:\\"), "C:\\temp");
    EXPECT_EQ(tempFolderFor("D:\\tools\\velmora"), "D:\\tools\\velmora\\temp");
}

TEST(StartupFolders, AChineseFolderWhoseLastByteIsABackslashIsNotCut)
{
    // "誠" is 0xD5 0x5C in GBK: its second byte is a backslash.
    EXPECT_EQ(programFolderFromModulePath("D:\\誠\\velmora.exe"), "D:\\誠");
}

TEST(StartupFolders, OnlyAFolderWithBothArchiveSignsIsRefused)
{
    EXPECT_TRUE(isArchiveExtractionFolder("C:\\Users\\a\\AppData\\Local\\Temp\\Rar$EXa0.123\\prog"));
    EXPECT_FALSE(isArchiveExtractionFolder("D:\\my$tools\\prog"));
    EXPECT_FALSE(isArchiveExtractionFolder("D:\\Temp\\prog"));
    // The test is case-sensitive.
    EXPECT_FALSE(isArchiveExtractionFolder("C:\\temp\\Rar$EX\\prog"));
}

// ---------------------------------------------------------------------------
// Preferences

namespace {

// Keeps the preference values a test changes and puts them back afterwards.
class SavedPreferences {
public:
    SavedPreferences()
    {
        for (const char *name : kNames) {
            HKEY key;
            Saved saved{name, false, 0, {}};
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
                BYTE data[1024];
                DWORD size = sizeof data;
                if (RegQueryValueExA(key, name, nullptr, &saved.type, data, &size) == ERROR_SUCCESS) {
                    saved.present = true;
                    saved.data.assign(data, data + size);
                }
                RegCloseKey(key);
            }
            saved_.push_back(saved);
        }
    }
    ~SavedPreferences()
    {
        HKEY key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS)
            return;
        for (const Saved &saved : saved_) {
            if (saved.present)
                RegSetValueExA(key, saved.name, 0, saved.type, saved.data.data(), DWORD(saved.data.size()));
            else
                RegDeleteValueA(key, saved.name);
        }
        RegCloseKey(key);
    }
    static void remove(const char *name)
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kProgramRegistryKey, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, name);
            RegCloseKey(key);
        }
    }

private:
    struct Saved {
        const char *name;
        bool present;
        DWORD type;
        std::vector<BYTE> data;
    };
    static constexpr const char *kNames[] = {"file_dlg_choose_image", "file_dlg_choose_logo",
                                             kPrefSkipCheckLoadPicCount, "is_show_thumbnail",
                                             "is_read_file_parse_file_format", "is_record_save_to_path",
                                             "save_to_path", "cmyk_default_icc", "pic_save_mode"};
    std::vector<Saved> saved_;
};

std::string desktop()
{
    char path[MAX_PATH] = {};
    specialFolderPath(CSIDL_DESKTOPDIRECTORY, path);
    return path;
}

}  // namespace

TEST(StartupPreferences, MissingValuesGiveTheDefaultsAndCreateTheLargeLoadValue)
{
    SavedPreferences saved;
    for (const char *name : {"file_dlg_choose_image", "file_dlg_choose_logo", kPrefSkipCheckLoadPicCount,
                             "is_show_thumbnail", "is_read_file_parse_file_format", "is_record_save_to_path",
                             "save_to_path", "cmyk_default_icc", "pic_save_mode"})
        SavedPreferences::remove(name);

    StartupConfig config;
    config.isShowThumbnail = 0;
    readPreferences(config);
    EXPECT_EQ(config.fileDlgChooseImage, desktop());
    EXPECT_EQ(config.fileDlgChooseLogo, desktop());
    EXPECT_EQ(config.isShowThumbnail, 1u);
    EXPECT_EQ(config.isReadFileParseFileFormat, 1u);
    EXPECT_EQ(config.isRecordSaveToPath, 0u);
    EXPECT_EQ(config.cmykDefaultIcc, "JapanColor2001Coated.icc");
    EXPECT_EQ(config.picSaveMode, 0u);

    // The value name really ends with one space.
    ASSERT_EQ(std::string(kPrefSkipCheckLoadPicCount).size(), 26u);
    DWORD stored = 99;
    EXPECT_TRUE(readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "skip_check_load_pic_count ", &stored));
    EXPECT_EQ(stored, 0u);
    EXPECT_FALSE(readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "skip_check_load_pic_count", &stored));
}

TEST(StartupPreferences, WrongStoredValuesFallBack)
{
    SavedPreferences saved;
    ScratchFolder folder("偏好_folder");
    std::string gone = folder / "已删除";
    writeProgramString("file_dlg_choose_image", gone);          // never created
    writeProgramString("file_dlg_choose_logo", folder.path());  // exists
    writeProgramDword("pic_save_mode", 7);
    writeProgramDword("is_record_save_to_path", 0);
    writeProgramString("save_to_path", folder.path());
    writeProgramString("cmyk_default_icc", "CoatedFOGRA39.icc");

    StartupConfig config;
    readPreferences(config);
    EXPECT_EQ(config.fileDlgChooseImage, desktop());
    EXPECT_EQ(config.fileDlgChooseLogo, folder.path());
    EXPECT_EQ(config.picSaveMode, 0u);
    EXPECT_TRUE(config.saveToPath.empty()) << "read only while remembering is on";
    EXPECT_EQ(config.cmykDefaultIcc, "CoatedFOGRA39.icc");

    writeProgramDword("is_record_save_to_path", 1);
    writeProgramDword("pic_save_mode", 2);
    readPreferences(config);
    EXPECT_EQ(config.saveToPath, folder.path());
    EXPECT_EQ(config.picSaveMode, 2u);
}

TEST(StartupPreferences, DialogFoldersAreWrittenBack)
{
    SavedPreferences saved;
    StartupConfig config;
    config.fileDlgChooseImage = "D:\\图片\\旅行";
    config.fileDlgChooseLogo = "D:\\水印";
    writeDialogFolders(config);
    EXPECT_EQ(readProgramString("file_dlg_choose_image"), "D:\\图片\\旅行");
    EXPECT_EQ(readProgramString("file_dlg_choose_logo"), "D:\\水印");
}

// ---------------------------------------------------------------------------
// Window size rules

TEST(StartupWindowSize, ClientSizeFollowsTheWorkArea)
{
    ClientSize size = initialClientSize(1280, 700);
    EXPECT_EQ(mainBaseWidth(1280), 1260);
    EXPECT_EQ(size.width, 1268);  // 1260 + 16 < 1280, 1260 + 32 is not
    EXPECT_EQ(size.height, 642);

    EXPECT_EQ(initialClientSize(1920, 1080).width, 1284);
    EXPECT_EQ(initialClientSize(1920, 1080).height, 910);
    EXPECT_EQ(initialClientSize(1920, 910).height, 910);
    EXPECT_EQ(initialClientSize(1920, 909).height, 750);
    EXPECT_EQ(initialClientSize(1920, 750).height, 750);
    EXPECT_EQ(initialClientSize(1920, 749).height, 676);
    EXPECT_EQ(initialClientSize(1920, 724).height, 676);
    EXPECT_EQ(initialClientSize(1920, 666).height, 642);
    EXPECT_EQ(initialClientSize(1920, 632).height, 584);
    EXPECT_EQ(initialClientSize(1920, 587).height, 539);
    EXPECT_EQ(initialClientSize(1920, 563).height, 515);
    EXPECT_EQ(initialClientSize(1920, 537).height, 489);
    EXPECT_EQ(initialClientSize(1920, 536).height, 480);

    // Narrow screens: the base width is the work area minus 8, and nothing is added.
    EXPECT_EQ(mainBaseWidth(1024), 1016);
    EXPECT_EQ(initialClientSize(1024, 768).width, 1016);
    EXPECT_EQ(initialClientSize(1260, 768).width, 1252);
    EXPECT_EQ(initialClientSize(1290, 768).width, 1268);
}

TEST(StartupWindowSize, PanelSectionsStackTo1016Pixels)
{
    int tops[kPanelSectionCount];
    EXPECT_EQ(stackPanelSections(kPanelSectionHeights, kPanelSectionCount, tops), 1016);
    const int expected[kPanelSectionCount] = {0, 114, 355, 492, 636, 882, 992};
    for (int i = 0; i < kPanelSectionCount; ++i)
        EXPECT_EQ(tops[i], expected[i]) << "section " << i;

    PanelScroll none = panelScrollFor(1016, 1016);
    EXPECT_FALSE(none.shown);
    EXPECT_EQ(clampPanelScroll(300, none), 0);
    PanelScroll some = panelScrollFor(600, 1016);
    EXPECT_TRUE(some.shown);
    EXPECT_EQ(some.maximum, 1022);
    EXPECT_EQ(some.page, 600);
    EXPECT_EQ(clampPanelScroll(5000, some), 423);
    EXPECT_EQ(clampPanelScroll(-20, some), 0);
}

TEST(StartupWindowSize, ListAndPanelPositionsForAFewWindowSizes)
{
    FrameExtras extras = {0, 0, 0};
    // 1280 x 800 screen: outer 1276 x 771 (frame 4, caption 19, status 22).
    MainLayout compact = computeMainLayout(1276, 771, 22, extras, 1260, 480 + 22 - 21, 17, 950);
    ASSERT_TRUE(compact.fits);
    EXPECT_TRUE(compact.panelScrolls);  // usable 666 - 0 < 950
    EXPECT_EQ(compact.panel.x, 1276 - 251 - 19);
    EXPECT_EQ(compact.panel.y, 56);
    EXPECT_EQ(compact.panel.width, 17 + 243);
    EXPECT_EQ(compact.panel.height, 771 - 22 - 83 - 1);
    EXPECT_EQ(compact.listContainer.x, 1);
    EXPECT_EQ(compact.listContainer.y, 62);
    EXPECT_EQ(compact.listContainer.width, compact.panel.x - 6);
    EXPECT_EQ(compact.listContainer.height, 771 - 22 - 89);
    EXPECT_EQ(compact.tipsX, (compact.panel.x - 299) / 2);
    EXPECT_EQ(compact.tipsY, (771 - 162) / 2);

    // A tall window needs no scroll bar: the panel moves right by its room.
    MainLayout tall = computeMainLayout(1300, 1100, 22, extras, 1260, 481, 17, 950);
    EXPECT_FALSE(tall.panelScrolls);
    EXPECT_EQ(tall.panel.x, 1300 - 251);

    // Below the minimum nothing is laid out.
    EXPECT_FALSE(computeMainLayout(1259, 900, 22, extras, 1260, 481, 17, 950).fits);
    EXPECT_FALSE(computeMainLayout(1300, 480, 22, extras, 1260, 481, 17, 950).fits);
    EXPECT_EQ(mainMinimumHeight(22, {2, 0, 0}), 483);
}

// ---------------------------------------------------------------------------
// Font tables

TEST(StartupFonts, TheRegularFileOfAFaceWinsWhateverTheOrder)
{
    std::unordered_map<std::string, std::string> table;
    addFontFace(table, "Face", "bold.ttf", false, 700);
    addFontFace(table, "Face", "regular.ttf", false, 400);
    EXPECT_EQ(table["Face"], "regular.ttf");
    table.clear();
    addFontFace(table, "Face", "regular.ttf", false, 400);
    addFontFace(table, "Face", "bold.ttf", false, 700);
    addFontFace(table, "Face", "italic.ttf", true, 400);
    EXPECT_EQ(table["Face"], "regular.ttf");
}

TEST(StartupFonts, SongTiDrawsChineseAndALatinFontDoesNot)
{
    StartupConfig &config = startupConfig();
    computeFontPaths(config);
    buildFontTables(config);
    ASSERT_FALSE(config.fontFaceTable.empty());
    EXPECT_FALSE(config.fontFamilyTable.empty());
    EXPECT_FALSE(fontFileForFace("宋体").empty()) << "the default face resolves to an installed CJK font";
    EXPECT_TRUE(fontUsable("宋体", true));
    EXPECT_TRUE(fontUsable("DejaVu Sans", false));
    EXPECT_FALSE(fontUsable("DejaVu Sans", true));
    // The file is known to ImageMagick too.
    std::string file = fontFileForFace("宋体");
    EXPECT_EQ(config.fontFamilyTable.count(file), 1u) << file;
}

// ---------------------------------------------------------------------------
// Menus, settings files, drop locations, About

TEST(MainCommandRules, CmykEntryCheckedForTheStoredProfile)
{
    EXPECT_EQ(checkedCmykEntry("USWebCoatedSWOP.icc"), kCmdCmykSwop);
    EXPECT_EQ(checkedCmykEntry("uswebcoatedswop.ICC"), kCmdCmykSwop);
    EXPECT_EQ(checkedCmykEntry("JapanColor2001Coated.icc"), kCmdCmykJapan);
    EXPECT_EQ(checkedCmykEntry("CoatedFOGRA39.icc"), 0);
    EXPECT_EQ(checkedCmykEntry("nonsense.icc"), 0) << "only the entry whose file name matches";
    EXPECT_EQ(checkedCmykEntry(""), 0);
}

TEST(MainCommandRules, RecentSettingsFilesNewestFirstAtMostTen)
{
    std::vector<RecentFile> files;
    for (int i = 0; i < 15; ++i) {
        ULARGE_INTEGER when;
        when.QuadPart = 130000000000000000ULL + ULONGLONG(i * 7 % 15) * 10000000ULL;
        FILETIME stamp = {when.LowPart, when.HighPart};
        files.push_back({"s" + std::to_string(i * 7 % 15) + ".sz", stamp});
    }
    std::vector<std::string> names = newestFirst(files, 10);
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names.front(), "s14.sz");
    EXPECT_EQ(names.back(), "s5.sz");

    EXPECT_EQ(withSettingsExtension("abc"), "abc.sz");
    EXPECT_EQ(withSettingsExtension("abc.sz"), "abc.sz");
}

TEST(MainCommandRules, RecentListReadsTheSzFolderAndSkipsLookAlikes)
{
    ScratchFolder folder("设置_sz");
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(writeFileBytes(folder / ("设置" + std::to_string(i) + ".sz"), "bSize=1\r\n"));
    ASSERT_TRUE(writeFileBytes(folder / "old.sz_bak", "x"));
    ASSERT_TRUE(touchLastAccess(folder / "设置3.sz"));
    std::vector<std::string> names = recentSettingsFiles(folder.path());
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names.front(), "设置3.sz");
    for (const std::string &name : names)
        EXPECT_NE(name, "old.sz_bak");
}

TEST(MainCommandRules, AboutTextNamesTheProgramVersionAndFormats)
{
    std::string text = aboutText();
    EXPECT_EQ(text.find("Velmora图片批量处理工具 V11.5\n\n\n批量处理图片："), 0u);
    EXPECT_NE(text.find("支持处理的图片格式：JPG, PNG, GIF(静态), BMP, TIF, TBI, PSD, WEBP(静态), HEIC, AVIF。"), std::string::npos);
    EXPECT_NE(text.find(std::string("官网：") + kVendorWebSite), std::string::npos);
    EXPECT_NE(text.find("\n\n\n注意：图片处理后将采用JPG格式保存。"), std::string::npos);
}
