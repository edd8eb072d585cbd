// The main window's commands whose work sits beside the window: the picture list
// and dropped paths, settings files, and the tools that open from the toolbar.
#include <windows.h>
#include <commctrl.h>

#include "core/settings_file.h"
#include "app/discovery_dialogs.h"
#include "input/discovery.h"
#include "input/file_helpers.h"
#include "input/image_list.h"
#include "input/thumbnail_worker.h"
#include "app/command_ids.h"
#include "app/settings_files.h"
#include "ui/info_window.h"
#include "app/main_preview.h"
#include "app/main_run.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup_config.h"
#include "ui/window_kit.h"
#include "tools/convert/convert_window.h"
#include "tools/crop/crop_window.h"
#include "tools/join/join_window.h"
#include "tools/png/png_window.h"
#include "tools/slice/slice_window.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {

void appendPicture(HWND, const std::string &path, const std::string &location)
{
    addImageIfNew(path.c_str(), location.c_str());
}

void infoMessage(HWND, const std::string &text)
{
    showInfoMessage(text);
}

// One dropped folder. subfolderAnswer: 0 not asked yet, else the answer, which
// holds for the rest of the drop; askLarge is cleared once the large-load
// question was answered with its plain no.
void addFolderPictures(HWND window, const std::string &folder, int &subfolderAnswer, bool &askLarge)
{
    PathList *found = PathList::createDefault();
    if (!found) {
        infoMessage(window, formatText("内存不足，无法加载文件夹中的图片:\r\n%s", folder.c_str()));
        return;
    }
    LeftOutLines leftOut;
    listFolderPictures(folder.c_str(), "", found, &leftOut);
    bool withSubfolders = subfolderAnswer == IDYES;
    if (subfolderAnswer == 0 && hasSubfolder(folder.c_str())) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        subfolderAnswer = mainWindowQuestion(window, "是否需要加载所有子文件夹中的图片？", "确认");
        withSubfolders = subfolderAnswer == IDYES;
    }
    if (withSubfolders)
        listSubfolderPictures(folder.c_str(), "", found, &leftOut);
    // What could not be listed is said, never silently missing from the list.
    logLeftOut(leftOut);
    if (askLarge && confirmManyPictures(found->count) == IDCANCEL)
        askLarge = false;
    if (found->count == 0)
        infoMessage(window, formatText("在文件夹中没有找到可处理的图片:\r\n%s", folder.c_str()));
    for (int i = 0; i < found->count; ++i) {
        std::string path = found->text(i);
        appendPicture(window, path, relativeFolderOf(folder, path));
    }
    found = found->destroy(true);
}

int askYesNo(HWND window, const char *text, const char *caption)
{
    return MessageBoxA(window, text, caption, MB_YESNO | MB_ICONQUESTION);
}

}  // namespace

void addDroppedPaths(HWND window, const std::vector<std::string> &paths)
{
    if (!paths.empty()) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(window);
        HCURSOR old = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
        SendMessageA(mainStatusBar(window), SB_SETTEXTA, 1, reinterpret_cast<LPARAM>("加载图片中..."));
        int subfolderAnswer = 0;
        bool askLarge = true;
        for (const std::string &path : paths) {
            if (isDirectory(path.c_str())) {
                if (isDriveRoot(path.c_str())) {
                    infoMessage(window, formatText("暂不支持拖动根目录:[%s]", path.c_str()));
                    continue;
                }
                addFolderPictures(window, path, subfolderAnswer, askLarge);
            } else {
                appendPicture(window, path, "");
            }
        }
        SendMessageA(mainStatusBar(window), SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(""));
        SetCursor(old ? old : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    refreshListStatus();
    wakeThumbnailWorker();
}

int (*mainWindowQuestion)(HWND window, const char *text, const char *caption) = askYesNo;

// What the picture list offers to the add-pictures and add-folder commands.
static void listAdd(const char *path, const char *location) { addImageIfNew(path, location); }
void switchThumbnails()
{
    toggleThumbnails();
    startupConfig().isShowThumbnail = thumbnailsShown() ? 1 : 0;
}

static void listThumbnailsOff()
{
    if (thumbnailsShown())
        switchThumbnails();
}
static void listStatus(const char *text)
{
    SendMessageA(mainStatusBar(theMainWindow()), SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(text));
}

void connectPictureList(HWND window, HINSTANCE instance)
{
    PictureListHooks hooks = {};
    hooks.addImageIfNew = listAdd;
    hooks.refreshListStatus = refreshListStatus;
    hooks.wakeThumbnailWorker = wakeThumbnailWorker;
    hooks.thumbnailsShown = thumbnailsShown;
    hooks.switchThumbnailsOff = listThumbnailsOff;
    hooks.setStatusText = listStatus;
    setPictureListHooks(hooks);
    useStandardDiscoveryDialogs(window, instance);
}

void addPicturesFromDialog(HWND)
{
    addPictureFiles();
}

void addFolderFromDialog(HWND)
{
    addPictureFolder();
}

void showMainPreview(HWND window) { togglePreview(window, false); }
void startMainRun(HWND window) { runMainTool(window, pictureImageList(), pictureListView()); }
void openSatelliteTool(HWND window, int command)
{
    switch (command) {
    case kCmdConvertTool:
        openConvertTool(window);
        break;
    case kCmdPngTool:
        openPngTool(window);
        break;
    case kCmdJoinTool:
        openJoinTool(window);
        break;
    case kCmdSliceTool:
        openSliceTool(window);
        break;
    case kCmdCropTool:
        openCropTool(window);
        break;
    default:
        break;
    }
}
void enterContextHelp(HWND window)
{
    SendMessageA(window, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
}
void showSaveModeDialog(HWND window) { openSaveModeDialog(window); }

void saveSettingsFromPanel(HWND window, HWND panel)
{
    ProcessSettings settings;
    if (!collectSettings(panel, settings))
        return;
    std::string folder = startupConfig().programFolder + "\\sz";
    if (!isDirectory(folder.c_str()) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        MessageBoxA(window, "无法创建[设置]文件夹", "错误", MB_OK | MB_ICONERROR);
        return;
    }
    char path[MAX_PATH] = {};
    std::string filter = dialogFilter({{"图片设置文件 (*.sz)", "*.sz"}});
    if (!chooseSaveFile(GetModuleHandleA(nullptr), window, "保存当前图片处理的相关设置到文件", filter.c_str(),
                        folder.c_str(), path))
        return;
    std::string target = withSettingsExtension(path);
    bool existed = fileExists(target.c_str());
    if (!writeSettingsFile(settings, target)) {
        panelHooks().messageBox(window, formatText("保存图片设置失败，无法写入文件:\r\n%s", target.c_str()).c_str(), "错误",
                                MB_OK | MB_ICONERROR);
        return;
    }
    if (existed)
        touchLastAccess(target);
}

void loadDefaultSettingsIntoPanel(HWND window, HWND panel)
{
    std::string path = startupConfig().programFolder + "\\default_photo_process.sz";
    bool loaded = writeDefaultSettingsFile(path) &&
                  withMainPreviewClosed([panel, &path] { return loadSettingsIntoPanel(panel, path); });
    if (!loaded)
        panelHooks().messageBox(window, formatText("无法写入默认设置文件:\r\n%s", path.c_str()).c_str(), "错误",
                                MB_OK | MB_ICONERROR);
}

void loadChosenSettingsIntoPanel(HWND window, HWND panel)
{
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    lstrcpynA(folder, (startupConfig().programFolder + "\\sz").c_str(), MAX_PATH);
    std::string filter = dialogFilter({{"图片设置文件 (*.sz)", "*.sz"}});
    if (chooseOpenFile(GetModuleHandleA(nullptr), window, "加载图片处理的相关设置", filter.c_str(), folder, path) &&
        !loadSettingsFromSzFolder(panel, path))
        panelHooks().messageBox(window, formatText("读取图片设置文件失败:\r\n%s", path).c_str(), "错误",
                                MB_OK | MB_ICONERROR);
}
