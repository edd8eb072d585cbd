#include "app/toolbar.h"

#include "res/resource.h"
#include "app/main_commands.h"

const ToolbarButtonDef kToolbarButtons[] = {
    {kCmdAddPictures, "添加图片", BTNS_BUTTON, true, nullptr, IDI_TB_ADD_PICTURES},
    {kCmdAddFolder, "添文件夹", BTNS_BUTTON, true, "添加图片文件夹", IDI_TB_ADD_FOLDER},
    {kCmdRemoveSelected, "移除图片", BTNS_BUTTON, false, nullptr, IDI_TB_REMOVE},
    {0, nullptr, BTNS_SEP, true, nullptr, 0},
    {kCmdRotateLeft, "图片左转", BTNS_BUTTON, false, nullptr, IDI_TB_ROTATE_LEFT},
    {kCmdRotateRight, "图片右转", BTNS_BUTTON, false, nullptr, IDI_TB_ROTATE_RIGHT},
    {kCmdFlipHorizontal, "水平翻转", BTNS_BUTTON, false, nullptr, IDI_TB_FLIP_H},
    {kCmdFlipVertical, "垂直翻转", BTNS_BUTTON, false, nullptr, IDI_TB_FLIP_V},
    {0, nullptr, BTNS_SEP, true, nullptr, 0},
    {kCmdPreview, "效果预览", BTNS_CHECK, false, "根据图片相关设置，在开始处理前先预览一下效果。", IDI_TB_PREVIEW},
    {kCmdStart, "开始处理", BTNS_BUTTON, false, nullptr, IDI_TB_START},
    {0, nullptr, BTNS_SEP, true, nullptr, 0},
    {kCmdPngTool, "处理PNG", BTNS_BUTTON, true, nullptr, IDI_TB_PNG_TOOL},
    {kCmdJoinTool, "图片拼接", BTNS_BUTTON, true, nullptr, IDI_TB_JOIN_TOOL},
    {kCmdSliceTool, "图片切片", BTNS_BUTTON, true, nullptr, IDI_TB_SLICE_TOOL},
    {kCmdCropTool, "图片裁剪", BTNS_BUTTON, true, nullptr, IDI_TB_CROP_TOOL},
    {kCmdConvertTool, "格式转换", BTNS_BUTTON, true, nullptr, IDI_TB_CONVERT_TOOL},
    {0, nullptr, BTNS_SEP, true, nullptr, 0},
    {kCmdShortcut, "快捷方式", BTNS_BUTTON, true, "在桌面创建一个快捷启动方式", IDI_TB_SHORTCUT},
    {kCmdWebSite, "官方网站", BTNS_BUTTON, true, nullptr, IDI_TB_WEB_SITE},
    {kCmdAbout, "关于", BTNS_BUTTON, true, nullptr, IDI_TB_ABOUT},
    {kCmdContextHelp, "使用指南", BTNS_BUTTON, true,
     "点击按钮后，鼠标指针会含有一个问号。\n这时用鼠标点击界面上的控件(按钮,输入框,滑块等)，将弹出与该控件相关的使用说明。",
     IDI_TB_GUIDE},
    {0, nullptr, BTNS_SEP, true, nullptr, 0},
    {kCmdSettingsMenu, "软件设置", BTNS_WHOLEDROPDOWN, true, nullptr, IDI_TB_SETTINGS},
};
const int kToolbarButtonCount = sizeof kToolbarButtons / sizeof kToolbarButtons[0];

const char *toolbarTooltip(int command)
{
    for (const ToolbarButtonDef &entry : kToolbarButtons)
        if (entry.command == command && entry.command != 0)
            return entry.tooltip;
    return nullptr;
}

HWND createMainToolbar(HWND parent, HINSTANCE instance)
{
    HWND toolbar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                                       TBSTYLE_TOOLTIPS | CCS_TOP | CCS_NODIVIDER,
                                   0, 0, 0, 0, parent, nullptr, instance, nullptr);
    if (!toolbar)
        return nullptr;
    SendMessageA(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);

    HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, kToolbarButtonCount, 0);
    TBBUTTON buttons[32] = {};
    int count = 0;
    for (const ToolbarButtonDef &entry : kToolbarButtons) {
        TBBUTTON &button = buttons[count++];
        button.fsStyle = entry.style;
        if (entry.style == BTNS_SEP)
            continue;
        HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(entry.icon), IMAGE_ICON, 32, 32, 0));
        button.iBitmap = icon ? ImageList_AddIcon(images, icon) : I_IMAGENONE;
        if (icon)
            DestroyIcon(icon);
        button.idCommand = entry.command;
        button.fsState = entry.enabled ? TBSTATE_ENABLED : 0;
        button.iString = reinterpret_cast<INT_PTR>(entry.label);
    }
    SendMessageA(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    SendMessageA(toolbar, TB_SETBUTTONWIDTH, 0, MAKELPARAM(60, 64));
    SendMessageA(toolbar, TB_SETPADDING, 0, MAKELPARAM(0, 8));
    SendMessageA(toolbar, TB_ADDBUTTONSA, count, reinterpret_cast<LPARAM>(buttons));
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

static int toolbarHeight(HWND toolbar)
{
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    RECT box;
    GetWindowRect(toolbar, &box);
    return box.bottom - box.top;
}

void fitToolbarHeight(HWND toolbar, int maximumHeight)
{
    int excess = toolbarHeight(toolbar) - maximumHeight;
    if (excess <= 0)
        return;
    LRESULT size = SendMessageA(toolbar, TB_GETBUTTONSIZE, 0, 0);
    int height = HIWORD(size) - excess;
    if (height < 32 + 12)
        height = 32 + 12;  // icon and one line of label
    SendMessageA(toolbar, TB_SETBUTTONSIZE, 0, MAKELPARAM(LOWORD(size), height));
    toolbarHeight(toolbar);
}

bool handleToolbarNotify(HWND mainWindow, NMHDR *header, LRESULT *result)
{
    if (header->code == TTN_GETDISPINFOA) {
        auto *info = reinterpret_cast<NMTTDISPINFOA *>(header);
        const char *tip = toolbarTooltip(static_cast<int>(header->idFrom));
        // Multi-line tips need a width; the others keep one line.
        SendMessageA(header->hwndFrom, TTM_SETMAXTIPWIDTH, 0, 420);
        info->lpszText = const_cast<char *>(tip ? tip : "");
        *result = 0;
        return true;
    }
    if (header->code == TBN_DROPDOWN) {
        auto *drop = reinterpret_cast<NMTOOLBARA *>(header);
        if (drop->iItem != kCmdSettingsMenu)
            return false;
        RECT button;
        SendMessageA(drop->hdr.hwndFrom, TB_GETRECT, drop->iItem, reinterpret_cast<LPARAM>(&button));
        MapWindowPoints(drop->hdr.hwndFrom, HWND_DESKTOP, reinterpret_cast<POINT *>(&button), 2);
        HMENU menu = buildSettingsMenu();
        int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, button.left,
                                     button.bottom, 0, mainWindow, nullptr);
        DestroyMenu(menu);
        if (command)
            runMainCommand(mainWindow, command);
        *result = TBDDRET_DEFAULT;
        return true;
    }
    return false;
}
