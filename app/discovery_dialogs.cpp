// The add-pictures dialogs of the main window: the folder browser with the type
// filter, the multi-select open dialog and the message boxes discovery asks.
#include "app/discovery_dialogs.h"

#include "input/discovery.h"
#include "ui/window_kit.h"
#include "util/path_list.h"

namespace {

// The window that owns the dialogs and the type-filter drop-down.
HWND standardOwner = nullptr;
HINSTANCE standardInstance = nullptr;
HWND typeFilterBox = nullptr;

// The type filter lives hidden at (-1000, -1000) in the owner and is lent to the
// folder browser while it is open.
HWND typeFilter()
{
    if (typeFilterBox && IsWindow(typeFilterBox))
        return typeFilterBox;
    typeFilterBox = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                    -1000, -1000, 150, 240, standardOwner, nullptr, standardInstance, nullptr);
    if (!typeFilterBox)
        return nullptr;
    applyUiFont(typeFilterBox);
    for (int row = 0; row < kTypeFilterRows; ++row)
        addComboEntry(typeFilterBox, typeFilterLabel(row));
    return typeFilterBox;
}

bool standardChooseFolder(char *folder, int *filterRow)
{
    HWND filter = typeFilter();
    if (filter)
        selectComboIndex(filter, 0);
    bool ok = chooseFolder(standardOwner, "添加图片文件夹：", folder, false, filter);
    int row = filter ? comboSelectedIndex(filter) : 0;
    *filterRow = row < 0 ? 0 : row;
    return ok;
}

bool standardChooseFiles(char *folder, PathList *list)
{
    std::string filter = pictureFileDialogFilter();
    return chooseOpenFiles(standardInstance, standardOwner, "选择图片 - 支持多选", filter.c_str(), folder, list);
}

int standardMessageBox(const char *text, const char *caption, UINT type)
{
    return MessageBoxA(standardOwner, text, caption, type);
}

int standardAskLargeLoad(const char *text, const char *caption)
{
    return askWithReminderButtons(standardOwner, text, caption, MB_ICONQUESTION);
}

void standardShowBusy(bool on) { SetCursor(LoadCursorA(nullptr, on ? IDC_WAIT : IDC_ARROW)); }

}  // namespace

void useStandardDiscoveryDialogs(HWND owner, HINSTANCE instance)
{
    standardOwner = owner;
    standardInstance = instance;
    DiscoveryDialogs d = {};
    d.chooseFolder = standardChooseFolder;
    d.chooseFiles = standardChooseFiles;
    d.messageBox = standardMessageBox;
    d.askLargeLoad = standardAskLargeLoad;
    d.showBusy = standardShowBusy;
    setDiscoveryDialogs(d);
}
