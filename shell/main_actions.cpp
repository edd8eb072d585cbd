// The main window's commands whose work sits beside the window: the picture list
// and dropped paths, settings files, and the tools that open from the toolbar.
#include <windows.h>
#include <commctrl.h>

#include "core/settings_file.h"
#include "input/file_helpers.h"
#include "input/image_list.h"
#include "shell/main_commands.h"
#include "shell/main_run.h"
#include "shell/main_window.h"
#include "shell/settings_panel/settings_panel.h"
#include "shell/startup.h"
#include "shell/window_kit.h"
#include "util/path_list.h"
#include "util/text.h"

namespace {

ImageList &pictures()
{
    static ImageList list;
    return list;
}

void setToolbarState(HWND window, int command, bool enabled)
{
    SendMessageA(mainToolbar(window), TB_ENABLEBUTTON, command, MAKELONG(enabled ? TRUE : FALSE, 0));
}

// Status bar count, toolbar states and the drop hint follow the list.
void refreshListState(HWND window)
{
    HWND list = mainPictureList(window);
    int count = pictures().count();
    bool selected = list && ListView_GetSelectedCount(list) > 0;
    for (int command = kCmdRemoveSelected; command <= kCmdPreview; ++command)
        setToolbarState(window, command, selected);
    setToolbarState(window, kCmdStart, count > 0);
    SendMessageA(mainStatusBar(window), SB_SETTEXTA, 0,
                 reinterpret_cast<LPARAM>(formatText("%d 张图片", count).c_str()));
    HWND tips = list ? FindWindowExA(list, nullptr, "static", "tips") : nullptr;
    if (tips)
        ShowWindow(tips, count == 0 ? SW_SHOW : SW_HIDE);
}

void appendPicture(HWND window, const std::string &path, const std::string &location)
{
    ImageItem *item = pictures().append(path, location);
    if (!item)
        return;
    HWND list = mainPictureList(window);
    LVITEMA row = {};
    row.mask = LVIF_TEXT;
    row.iItem = pictures().count() - 1;
    row.pszText = item->name;
    int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row)));
    LVITEMA cell = {};
    cell.iSubItem = 1;
    cell.pszText = item->relFolder;
    SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&cell));
}

void infoMessage(HWND window, const std::string &text)
{
    MessageBoxA(window, text.c_str(), "提示", MB_OK | MB_ICONINFORMATION);
}

void addFolderPictures(HWND window, const std::string &folder, int &subfolderAnswer)
{
    PathList *found = PathList::createDefault();
    listPictures(folder.c_str(), found);
    bool withSubfolders = subfolderAnswer == IDYES;
    if (subfolderAnswer == 0 && hasSubfolder(folder.c_str())) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        subfolderAnswer = MessageBoxA(window, "是否需要加载所有子文件夹中的图片？", "确认", MB_YESNO | MB_ICONQUESTION);
        withSubfolders = subfolderAnswer == IDYES;
    }
    if (withSubfolders) {
        PathList *folders = PathList::createDefault();
        listSubfolders(folder.c_str(), folders, true);
        for (int i = 0; i < folders->count; ++i)
            listPictures(folders->text(i), found);
        folders = folders->destroy(true);
    }
    if (found->count == 0)
        infoMessage(window, formatText("在文件夹中没有找到可处理的图片:\r\n%s", folder.c_str()));
    for (int i = 0; i < found->count; ++i) {
        std::string path = found->text(i);
        appendPicture(window, path, dropLocation(folder, path));
    }
    found = found->destroy(true);
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
        for (const std::string &path : paths) {
            if (isDirectory(path.c_str())) {
                if (path.size() == 3) {
                    infoMessage(window, formatText("暂不支持拖动根目录:[%s]", path.c_str()));
                    continue;
                }
                addFolderPictures(window, path, subfolderAnswer);
            } else {
                appendPicture(window, path, "");
            }
        }
        SendMessageA(mainStatusBar(window), SB_SETTEXTA, 1, reinterpret_cast<LPARAM>(""));
        SetCursor(old ? old : LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    refreshListState(window);
}

void addPicturesFromDialog(HWND window)
{
    StartupConfig &config = startupConfig();
    char folder[MAX_PATH] = {};
    lstrcpynA(folder, config.fileDlgChooseImage.c_str(), MAX_PATH);
    PathList *chosen = PathList::createDefault();
    std::string filter = dialogFilter({{"图片文件", "*.jpg;*.jpeg;*.jfif;*.png;*.gif;*.bmp;*.tif;*.tiff;*.tbi;*.psd"}});
    if (chooseOpenFiles(GetModuleHandleA(nullptr), window, "添加图片", filter.c_str(), folder, chosen)) {
        config.fileDlgChooseImage = folder;
        std::vector<std::string> paths;
        for (int i = 0; i < chosen->count; ++i)
            paths.push_back(chosen->text(i));
        addDroppedPaths(window, paths);
    }
    chosen = chosen->destroy(true);
}

void addFolderFromDialog(HWND window)
{
    char folder[MAX_PATH] = {};
    lstrcpynA(folder, startupConfig().fileDlgChooseImage.c_str(), MAX_PATH);
    if (chooseFolder(window, "添加图片文件夹", folder, false, mainExtensionFilter(window)))
        addDroppedPaths(window, {folder});
}

void removeSelectedPictures(HWND window)
{
    HWND list = mainPictureList(window);
    for (int i = ListView_GetItemCount(list) - 1; i >= 0; --i) {
        if (ListView_GetItemState(list, i, LVIS_SELECTED)) {
            ListView_DeleteItem(list, i);
            pictures().removeAt(i);
        }
    }
    refreshListState(window);
}

void removeAllPictures(HWND window)
{
    ListView_DeleteAllItems(mainPictureList(window));
    pictures().clear();
    refreshListState(window);
}

void turnSelectedPictures(HWND window, TurnCommand command)
{
    HWND list = mainPictureList(window);
    for (int i = ListView_GetItemCount(list) - 1; i >= 0; --i)
        if (ListView_GetItemState(list, i, LVIS_SELECTED))
            pictures().turn(i, command);
    InvalidateRect(list, nullptr, TRUE);
}

void showThumbnails(HWND window, bool on)
{
    (void)window;
    (void)on;
}

void viewOriginalPicture(HWND window) { (void)window; }
void showMainPreview(HWND window) { (void)window; }
void startMainRun(HWND window) { runMainTool(window, pictures(), mainPictureList(window)); }
void openSatelliteTool(HWND window, int command)
{
    (void)window;
    (void)command;
}
void enterContextHelp(HWND window) { (void)window; }
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
    if (writeSettingsFile(settings, target) && existed)
        touchLastAccess(target);
}

void loadDefaultSettingsIntoPanel(HWND window, HWND panel)
{
    (void)window;
    std::string path = startupConfig().programFolder + "\\default_photo_process.sz";
    if (writeDefaultSettingsFile(path))
        loadSettingsIntoPanel(panel, path);
}

void loadChosenSettingsIntoPanel(HWND window, HWND panel)
{
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    lstrcpynA(folder, (startupConfig().programFolder + "\\sz").c_str(), MAX_PATH);
    std::string filter = dialogFilter({{"图片设置文件 (*.sz)", "*.sz"}});
    if (chooseOpenFile(GetModuleHandleA(nullptr), window, "加载图片处理的相关设置", filter.c_str(), folder, path))
        loadSettingsFromSzFolder(panel, path);
}
