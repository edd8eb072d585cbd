#include "app/main_commands.h"

#include <commctrl.h>

#include <vector>

#include "input/file_helpers.h"
#include "app/about_box.h"
#include "app/main_preview.h"
#include "app/main_window.h"
#include "app/profile_choice.h"
#include "app/settings_panel/settings_panel.h"
#include "app/shortcut.h"
#include "app/startup_config.h"
#include "ui/web_pages.h"
#include "util/path_list.h"
#include "util/text.h"

// ---------------------------------------------------------------------------
// Pure rules

int checkedCmykEntry(const std::string &storedFile)
{
    if (equalsNoCase(storedFile, "USWebCoatedSWOP.icc"))
        return kCmdCmykSwop;
    if (equalsNoCase(storedFile, "JapanColor2001Coated.icc"))
        return kCmdCmykJapan;
    return 0;
}

// ---------------------------------------------------------------------------
// Menus

static std::vector<std::string> gRecentMenuNames;  // names behind 35303.. of the last menu

HMENU buildSettingsMenu()
{
    const StartupConfig &config = startupConfig();
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING | (thumbnailsShown() ? MF_CHECKED : 0), kCmdToggleThumbnails, "显示缩略图");
    AppendMenuA(menu, MF_STRING | (config.isReadFileParseFileFormat ? MF_CHECKED : 0), kCmdParseFileFormat,
                "解析图片文件获取真实的图片格式");
    AppendMenuA(menu, MF_STRING | (config.isRecordSaveToPath ? MF_CHECKED : 0), kCmdRememberSaveTo,
                "记住【处理后保存到】的路径, 每次启动时使用");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdSaveModeDialog, "设置图片处理完成后, 下一次的保存模式...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    HMENU cmyk = CreatePopupMenu();
    int checked = checkedCmykEntry(config.cmykDefaultIcc);
    AppendMenuA(cmyk, MF_STRING | (checked == kCmdCmykSwop ? MF_CHECKED : 0), kCmdCmykSwop, "U.S. Web Coated SWOP");
    AppendMenuA(cmyk, MF_STRING | (checked == kCmdCmykJapan ? MF_CHECKED : 0), kCmdCmykJapan,
                "Japan Color 2001 Coated");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(cmyk), "CMYK色彩图片缺省ICC配置文件");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdSaveSettings, "保存当前图片设置...");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    std::string szFolder = config.programFolder + "\\sz";
    gRecentMenuNames = isDirectory(szFolder.c_str()) ? recentSettingsFiles(szFolder) : std::vector<std::string>();
    if (!gRecentMenuNames.empty()) {
        for (size_t i = 0; i < gRecentMenuNames.size(); ++i)
            AppendMenuA(menu, MF_STRING, kCmdRecentSettingsFirst + i,
                        formatText("加载 - %s", gRecentMenuNames[i].c_str()).c_str());
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    AppendMenuA(menu, MF_STRING, kCmdLoadDefaultSettings, "加载图片默认设置");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kCmdLoadSettings, "加载图片设置...");
    return menu;
}

// ---------------------------------------------------------------------------
// Commands

static void togglePreference(const char *name, DWORD &value)
{
    value = value ? 0 : 1;
    storePreferenceDword(name, value);
}

static void loadRecentSettings(HWND mainWindow, int index)
{
    if (index < 0 || index >= static_cast<int>(gRecentMenuNames.size()))
        return;
    std::string path = formatText("%s\\sz\\%s", startupConfig().programFolder.c_str(),
                                  gRecentMenuNames[index].c_str());
    if (!fileExists(path.c_str())) {
        panelHooks().messageBox(mainWindow, formatText("图片处理设置文件:[%s]不存在", path.c_str()).c_str(), "错误",
                                MB_OK | MB_ICONERROR);
        return;
    }
    if (!loadSettingsFromSzFolder(mainSettingsPanel(mainWindow), path))
        panelHooks().messageBox(mainWindow, formatText("读取图片设置文件失败:\r\n%s", path.c_str()).c_str(), "错误",
                                MB_OK | MB_ICONERROR);
}

// Commands whose tool is not in this build yet. Each says so in one short notice
// instead of doing nothing; an entry goes when its tool lands.
namespace {

struct NotBuiltCommand {
    int command;
    const char *label;
};
// Every tool of the toolbar is built now; the list stays for the next one.
const std::vector<NotBuiltCommand> kNotBuiltYet = {};

}  // namespace

const char *notBuiltYetLabel(int command)
{
    for (const NotBuiltCommand &entry : kNotBuiltYet)
        if (entry.command == command)
            return entry.label;
    return nullptr;
}

static void showNotBuiltYet(HWND mainWindow, int command, const char *label)
{
    // A check button (the preview) must not stay pressed for nothing.
    SendMessageA(mainToolbar(mainWindow), TB_CHECKBUTTON, command, FALSE);
    panelHooks().messageBox(mainWindow, formatText("【%s】尚未加入这个版本，暂时不能使用。", label).c_str(), "提示",
                            MB_OK | MB_ICONINFORMATION);
}

bool runMainCommand(HWND mainWindow, int command)
{
    if (const char *label = notBuiltYetLabel(command)) {
        showNotBuiltYet(mainWindow, command, label);
        return true;
    }
    StartupConfig &config = startupConfig();
    HWND panel = mainSettingsPanel(mainWindow);
    // Remove, rotate, flip (toolbar and context menu) work on the list's own state.
    if (command != kCmdToggleThumbnails && handlePictureListCommand(command))
        return true;
    switch (command) {
    case kCmdAddPictures:
    case kCmdListAddPictures:
        addPicturesFromDialog(mainWindow);
        return true;
    case kCmdAddFolder:
    case kCmdListAddFolder:
        addFolderFromDialog(mainWindow);
        return true;
    case kCmdPreview:
        showMainPreview(mainWindow);
        return true;
    case kCmdStart:
        startMainRun(mainWindow);
        return true;
    case kCmdShortcut:
        if (createDesktopShortcut())
            MessageBoxA(mainWindow, "在桌面上成功创建了一个快捷方式", "提示", MB_OK | MB_ICONINFORMATION);
        return true;
    case kCmdPngTool:
    case kCmdJoinTool:
    case kCmdSliceTool:
    case kCmdCropTool:
    case kCmdConvertTool:
        openSatelliteTool(mainWindow, command);
        return true;
    case kCmdWebSite:
        openWebPage(helpPageAddress(kHelpSectionSite).c_str());
        return true;
    case kCmdAbout:
        showAboutBox(mainWindow);
        return true;
    case kCmdContextHelp:
        enterContextHelp(mainWindow);
        return true;
    case kCmdToggleThumbnails:
        switchThumbnails();
        return true;
    case kCmdViewOriginal:
        viewOriginalPicture(mainWindow);
        return true;
    case kCmdUnitPixels:
    case kCmdUnitPercent:
    case kCmdQualityMode:
    case kCmdMaxSizeMode:
        settingsPanelMenuCommand(panel, command);
        return true;
    case kCmdSaveSettings:
        saveSettingsFromPanel(mainWindow, panel);
        return true;
    case kCmdLoadDefaultSettings:
        loadDefaultSettingsIntoPanel(mainWindow, panel);
        return true;
    case kCmdLoadSettings:
        loadChosenSettingsIntoPanel(mainWindow, panel);
        return true;
    case kCmdRememberSaveTo:
        togglePreference("is_record_save_to_path", config.isRecordSaveToPath);
        return true;
    case kCmdParseFileFormat:
        togglePreference("is_read_file_parse_file_format", config.isReadFileParseFileFormat);
        setPictureTypeSniffing(config.isReadFileParseFileFormat != 0);
        return true;
    case kCmdSaveModeDialog:
        showSaveModeDialog(mainWindow);
        return true;
    case kCmdCmykSwop:
        chooseDefaultCmykProfile("USWebCoatedSWOP.icc");
        return true;
    case kCmdCmykJapan:
        chooseDefaultCmykProfile("JapanColor2001Coated.icc");
        return true;
    default:
        if (command >= kCmdRecentSettingsFirst && command <= kCmdRecentSettingsLast) {
            loadRecentSettings(mainWindow, command - kCmdRecentSettingsFirst);
            return true;
        }
        return false;
    }
}
