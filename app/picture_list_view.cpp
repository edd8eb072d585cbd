#include "app/picture_list_view.h"

#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <vector>

#include "util/registry_store.h"
#include "input/header_sniff.h"
#include "input/thumbnail_render.h"
#include "input/thumbnail_worker.h"
#include "ui/info_window.h"
#include "util/text.h"

namespace {

const int kIconSpacingX = 122;
const int kIconSpacingY = 132;
const int kNameColumnWidth = 490;
const int kLocationColumnWidth = 460;
const int kStoreInitial = 4096;
const int kStoreGrowth = 2048;
// Posted to the container after the first of a run of adds: the list is redrawn
// once when the message loop is reached again, not after every single add.
const UINT kEndAddBatchMessage = WM_APP + 0x240;

const char kReadFailedText[] = "图片读取失败:\r\n%s";
const char kAnimationText[] = "不支持%s动画图片:\r\n%s";  // "gif", "webp", "png"
const char kUnrecognisedText[] = "无法识别的图片:\r\n%s";
const char kStoreRefusedText[] = "ImageList_AddIcon() == -1, index:%d, hIcon:0x%p, GetLastError(): %lu";

const int kSelectionCommands[] = {kCmdToolRemove,         kCmdToolRotateLeft,   kCmdToolRotateRight,
                                  kCmdToolFlipHorizontal, kCmdToolFlipVertical, kCmdToolPreview};

// The one picture list of the program (created once, never destroyed).
struct PictureListState {
    HWND container = nullptr;
    HWND list = nullptr;
    HWND tips = nullptr;
    WNDPROC containerBaseProc = nullptr;
    HIMAGELIST store = nullptr;
    std::vector<int> freeSlots;  // store slots of removed items, used again before the store grows
    PictureListHost host;
    ImageList items;
    bool showThumbnails = true;
    bool sniffing = true;
    int previewIndex = 0;
    int quietNotifications = 0;  // > 0 while the view is changed item by item
    bool addBatch = false;       // redraw of the view held back while pictures are added
    bool storeRefusalReported[2] = {false, false};
    bool workerStarted = false;
};

PictureListState &state()
{
    static PictureListState s;
    return s;
}

struct QuietNotifications {
    QuietNotifications() { state().quietNotifications++; }
    ~QuietNotifications() { state().quietNotifications--; }
};

// Holds back the view's redraw while many items change (see addItemToListView).
struct HeldRedraw {
    HeldRedraw();
    ~HeldRedraw();
};

struct WaitCursor {
    WaitCursor() : old(SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(old ? old : LoadCursorA(nullptr, (LPCSTR)IDC_ARROW)); }
    HCURSOR old;
};

void report(const char *format, const char *path) { showInfoMessage(formatText(format, path)); }

bool previewShown()
{
    // The window's own visibility: the preview is open even while the main window is hidden.
    HWND preview = state().host.previewWindow;
    return preview && (GetWindowLongA(preview, GWL_STYLE) & WS_VISIBLE);
}

void setStatusText(int part, const std::string &text)
{
    if (state().host.statusBar)
        SendMessageA(state().host.statusBar, SB_SETTEXTA, (WPARAM)part, (LPARAM)text.c_str());
}

void enableToolbarCommand(int command, bool enable)
{
    if (state().host.toolbar)
        SendMessageA(state().host.toolbar, TB_ENABLEBUTTON, (WPARAM)command, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

void enableSelectionCommands(bool enable)
{
    for (int command : kSelectionCommands)
        enableToolbarCommand(command, enable);
}

// ---- Type icons ---------------------------------------------------------------

struct TypeLook {
    int code;
    const char *label;
    COLORREF band;
};
const TypeLook kTypeLooks[] = {
    {kPictureJpeg, "JPG", RGB(0x2e, 0x7d, 0x32)}, {kPicturePng, "PNG", RGB(0x15, 0x65, 0xc0)},
    {kPictureGif, "GIF", RGB(0x8e, 0x24, 0xaa)},  {kPictureBmp, "BMP", RGB(0x6d, 0x4c, 0x41)},
    {kPicturePsd, "PSD", RGB(0x00, 0x83, 0x8f)},  {kPictureTiff, "TIF", RGB(0xc6, 0x28, 0x28)},
    {kPictureWebp, "WEBP", RGB(0xe6, 0x51, 0x00)}, {kPictureHeic, "HEIC", RGB(0x37, 0x47, 0x4f)},
    {kPictureAvif, "AVIF", RGB(0x5d, 0x40, 0x37)},
};

// A sheet of paper with the type's name on a coloured band, drawn once per type
// in the thumbnail's frame so that the grid does not jump when thumbnails come.
HICON makeTypeIcon(const TypeLook &look)
{
    const int n = kThumbnailSize;
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = n;
    bi.bmiHeader.biHeight = -n;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, screen);
    if (!colour || !dc) {
        if (colour)
            DeleteObject(colour);
        if (dc)
            DeleteDC(dc);
        return nullptr;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, colour);
    RECT all = {0, 0, n, n};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &all, white);
    HBRUSH frame = CreateSolidBrush(RGB(0xd4, 0xd0, 0xc8));
    FrameRect(dc, &all, frame);
    // The sheet with a folded corner.
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x90, 0x90, 0x90));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    HGDIOBJ oldBrush = SelectObject(dc, white);
    POINT sheet[] = {{22, 12}, {62, 12}, {74, 24}, {74, 84}, {22, 84}};
    Polygon(dc, sheet, 5);
    POINT fold[] = {{62, 12}, {62, 24}, {74, 24}};
    Polyline(dc, fold, 3);
    RECT band = {14, 46, 70, 66};
    HBRUSH bandBrush = CreateSolidBrush(look.band);
    FillRect(dc, &band, bandBrush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HFONT font = CreateFontA(-15, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    DrawTextA(dc, look.label, -1, &band, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bandBrush);
    DeleteObject(pen);
    DeleteObject(frame);
    DeleteObject(white);
    DeleteDC(dc);
    GdiFlush();
    unsigned char *px = static_cast<unsigned char *>(bits);
    for (int i = 0; i < n * n; ++i)
        px[i * 4 + 3] = 255;
    return iconFromOpaqueBitmap(colour, n);
}

HICON typeIcon(int code)
{
    static HICON icons[sizeof kTypeLooks / sizeof kTypeLooks[0]] = {};
    for (size_t i = 0; i < sizeof kTypeLooks / sizeof kTypeLooks[0]; ++i)
        if (kTypeLooks[i].code == code) {
            if (!icons[i])
                icons[i] = makeTypeIcon(kTypeLooks[i]);
            return icons[i];
        }
    return nullptr;
}

// ---- Image store slots --------------------------------------------------------

// Puts an icon into the store: into `slot` when that is a valid slot, else into
// a slot freed by a removal, else at the end. -1 when the store refuses it.
int storeIcon(HICON icon, int slot)
{
    PictureListState &s = state();
    if (!s.store || !icon)
        return -1;
    int count = ImageList_GetImageCount(s.store);
    if (slot >= 0 && slot < count)
        return ImageList_ReplaceIcon(s.store, slot, icon);
    while (!s.freeSlots.empty()) {
        int reuse = s.freeSlots.back();
        s.freeSlots.pop_back();
        if (reuse < count)
            return ImageList_ReplaceIcon(s.store, reuse, icon);
    }
    return ImageList_AddIcon(s.store, icon);
}

void reportStoreRefusal(int which, const char *routine, HICON icon)
{
    PictureListState &s = state();
    if (s.storeRefusalReported[which])
        return;
    s.storeRefusalReported[which] = true;
    std::string text = formatText(kStoreRefusedText, s.store ? ImageList_GetImageCount(s.store) : -1, (void *)icon,
                                  (unsigned long)GetLastError());
    showInfoMessage(std::string(routine) + ": " + text);
}

void emptyStore()
{
    PictureListState &s = state();
    if (s.store)
        ImageList_RemoveAll(s.store);
    s.freeSlots.clear();
    for (int i = 0; i < s.items.count(); ++i)
        s.items.at(i)->imageIndex = -1;
}

// ---- View --------------------------------------------------------------------

void setViewMode(bool icons)
{
    HWND list = state().list;
    LONG style = GetWindowLongA(list, GWL_STYLE);
    LONG wanted = (style & ~LVS_TYPEMASK) | (icons ? LVS_ICON : LVS_REPORT);
    if (wanted != style)
        SetWindowLongA(list, GWL_STYLE, wanted);
    ListView_Arrange(list, LVA_DEFAULT);
    InvalidateRect(list, nullptr, TRUE);
}

void setItemImage(int index, int slot)
{
    LVITEMA lv = {};
    lv.mask = LVIF_IMAGE;
    lv.iItem = index;
    lv.iImage = slot;
    SendMessageA(state().list, LVM_SETITEMA, 0, (LPARAM)&lv);
}

int itemImage(int index)
{
    LVITEMA lv = {};
    lv.mask = LVIF_IMAGE;
    lv.iItem = index;
    SendMessageA(state().list, LVM_GETITEMA, 0, (LPARAM)&lv);
    return lv.iImage;
}

void endAddBatch()
{
    PictureListState &s = state();
    if (!s.addBatch)
        return;
    s.addBatch = false;
    SendMessageA(s.list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(s.list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

HeldRedraw::HeldRedraw()
{
    endAddBatch();
    SendMessageA(state().list, WM_SETREDRAW, FALSE, 0);
}

HeldRedraw::~HeldRedraw()
{
    SendMessageA(state().list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(state().list, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void addItemToListView(ImageItem *item, HICON icon)
{
    PictureListState &s = state();
    if (!s.addBatch) {
        // A visible list view repaints its scroll state after every insertion;
        // with thousands of pictures that alone would freeze the window.
        s.addBatch = true;
        SendMessageA(s.list, WM_SETREDRAW, FALSE, 0);
        PostMessageA(s.container, kEndAddBatchMessage, 0, 0);
    }
    if (s.showThumbnails) {
        int slot = storeIcon(icon, -1);
        if (slot < 0)
            reportStoreRefusal(0, "addItemToListView", icon);
        else
            item->imageIndex = slot;
    }
    std::string location = pictureLocationText(item->path);
    LVITEMA lv = {};
    lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    lv.iItem = ListView_GetItemCount(s.list);  // == the item's index in the list
    lv.pszText = item->name;
    lv.iImage = item->imageIndex;
    lv.lParam = (LPARAM)item;
    int at = (int)SendMessageA(s.list, LVM_INSERTITEMA, 0, (LPARAM)&lv);
    if (at < 0)
        return;
    LVITEMA sub = {};
    sub.iSubItem = 1;
    sub.pszText = const_cast<char *>(location.c_str());
    SendMessageA(s.list, LVM_SETITEMTEXTA, (WPARAM)at, (LPARAM)&sub);
}

int typeFromSniff(const char *path, bool reportFailures, bool reportUnrecognised)
{
    int code = sniffPictureType(path);
    if (isPictureTypeCode(code))
        return code;
    if (code == kSniffCannotOpen && reportFailures)
        report(kReadFailedText, path);
    else if ((code == kSniffAnimatedGif || code == kSniffAnimatedWebp || code == kSniffAnimatedPng) && reportFailures)
        showInfoMessage(formatText(kAnimationText,
                                   code == kSniffAnimatedGif ? "gif" : code == kSniffAnimatedWebp ? "webp" : "png", path));
    else if (code == kSniffNotRecognised && reportUnrecognised)
        report(kUnrecognisedText, path);
    return code;
}

void removeSelectedNow()
{
    PictureListState &s = state();
    {
        QuietNotifications quiet;
        HeldRedraw held;
        for (int i = ListView_GetItemCount(s.list) - 1; i >= 0; --i) {
            if (!(ListView_GetItemState(s.list, i, LVIS_SELECTED) & LVIS_SELECTED))
                continue;
            ListView_DeleteItem(s.list, i);
            ImageItem *item = s.items.at(i);
            if (item && item->imageIndex >= 0)
                s.freeSlots.push_back(item->imageIndex);
            s.items.removeAt(i);
        }
    }
    ListView_Arrange(s.list, LVA_DEFAULT);
    if (s.previewIndex >= s.items.count())
        s.previewIndex = 0;
    enableSelectionCommands(ListView_GetSelectedCount(s.list) > 0);
    wakeThumbnailWorker();
    refreshListStatus();
}

void removeAllNow()
{
    PictureListState &s = state();
    {
        QuietNotifications quiet;
        emptyStore();
        ListView_DeleteAllItems(s.list);
        ListView_Arrange(s.list, LVA_DEFAULT);
        s.items.clear();
    }
    s.previewIndex = 0;
    enableSelectionCommands(false);
    refreshListStatus();
}

// ---- Worker results ---------------------------------------------------------------

LRESULT onThumbnailReady(const ThumbnailResult &r)
{
    PictureListState &s = state();
    int index = -1;
    if (!s.items.acceptThumbnail(r.id, r.generation, &index))
        return 0;  // removed or turned meanwhile: the worker drops the icon
    if (r.result == kThumbnailUnreadable) {
        // The reason says what the user can do about it ("不支持此格式 (HEIC)").
        std::string text = formatText(kReadFailedText, r.path);
        if (r.detail[0])
            text += formatText("\r\n原因：%s", r.detail);
        showInfoMessage(text);
        return 0;
    }
    if (r.result == kThumbnailAnimated) {
        showInfoMessage(formatText(kAnimationText, toLowerAscii(r.detail).c_str(), r.path));
        return 0;
    }
    if (!s.showThumbnails || !r.icon)
        return 0;
    ImageItem *item = s.items.at(index);
    int slot = storeIcon(r.icon, item->imageIndex);
    DestroyIcon(r.icon);
    if (slot >= 0 && slot != item->imageIndex) {
        item->imageIndex = slot;
        setItemImage(index, slot);
    }
    ListView_RedrawItems(s.list, index, index);
    return 1;
}

void onThumbnailProgress(int picture)
{
    if (previewShown())
        return;
    PictureListState &s = state();
    if (picture > 0)
        setStatusText(0, formatText("%d 张图片, 正在生成第 %d 张图片的缩略图...", s.items.count(), picture));
    else
        setStatusText(0, formatText("%d 张图片", ListView_GetItemCount(s.list)));
}

void onDeferredOperation(int op)
{
    if (op == kDeferredRemoveAll)
        removeAllNow();
    else if (op == kDeferredRemoveSelected)
        removeSelectedImages();
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
}

// ---- Notifications and the context menu -------------------------------------------

void showContextMenu()
{
    PictureListState &s = state();
    int count = ListView_GetItemCount(s.list);
    int selected = (int)ListView_GetSelectedCount(s.list);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, kCmdListAddPictures, "添加图片");
    AppendMenuA(menu, MF_STRING, kCmdListAddFolder, "添加文件夹");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | (count > 0 && selected > 0 ? 0 : MF_GRAYED), kCmdListRemoveSelected, "移除选中");
    AppendMenuA(menu, MF_STRING | (count > 0 ? 0 : MF_GRAYED), kCmdListRemoveAll, "移除全部");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | (s.showThumbnails ? MF_CHECKED : 0), kCmdListToggleThumbnails, "显示缩略图");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING | (selected > 0 ? 0 : MF_GRAYED), kCmdListViewOriginal, "查看原图");
    POINT pt;
    GetCursorPos(&pt);
    HWND owner = s.host.commandWindow ? s.host.commandWindow : s.container;
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, owner, nullptr);
    DestroyMenu(menu);
    if (command == 0)
        return;
    if (s.host.commandWindow)
        SendMessageA(s.host.commandWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    else
        handlePictureListCommand(command);
}

LRESULT onListNotify(const NMHDR *nm)
{
    PictureListState &s = state();
    if (nm->hwndFrom != s.list || s.quietNotifications > 0)
        return 0;
    switch (nm->code) {
    case LVN_ITEMCHANGED: {
        const NMLISTVIEW *lv = reinterpret_cast<const NMLISTVIEW *>(nm);
        if ((lv->uChanged & LVIF_STATE) && ((lv->uNewState ^ lv->uOldState) & LVIS_SELECTED)) {
            enableSelectionCommands(ListView_GetSelectedCount(s.list) > 0);
            refreshListStatus();
        }
        break;
    }
    case NM_SETFOCUS:
        refreshListStatus();
        break;
    case NM_RCLICK:
        showContextMenu();
        break;
    case NM_DBLCLK:
        if (s.host.commandWindow) {
            int command = ListView_GetSelectedCount(s.list) > 0 ? kCmdToolPreview : kCmdToolAddPictures;
            PostMessageA(s.host.commandWindow, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        }
        break;
    case NM_CLICK:
        SetFocus(s.list);
        break;
    }
    return 0;
}

LRESULT CALLBACK containerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    PictureListState &s = state();
    switch (msg) {
    case WM_NOTIFY:
        return onListNotify(reinterpret_cast<const NMHDR *>(lp));
    case WM_SIZE:
        if (s.list)
            MoveWindow(s.list, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        // The main preview covers the list and follows its size.
        if (s.host.previewWindow && GetParent(s.host.previewWindow) == hwnd)
            MoveWindow(s.host.previewWindow, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        return 0;
    case WM_COMMAND:
        if (handlePictureListCommand(LOWORD(wp)))
            return 0;
        break;
    case kThumbnailReadyMessage:
        return onThumbnailReady(*reinterpret_cast<const ThumbnailResult *>(lp));
    case kThumbnailProgressMessage:
        onThumbnailProgress((int)wp);
        return 0;
    case kThumbnailDeferredMessage:
        onDeferredOperation((int)wp);
        return 0;
    case kEndAddBatchMessage:
        endAddBatch();
        return 0;
    }
    return CallWindowProcA(s.containerBaseProc, hwnd, msg, wp, lp);
}

void turnPictures(TurnCommand command)
{
    PictureListState &s = state();
    WaitCursor wait;
    int count = s.items.count();
    if (previewShown()) {
        int index = s.previewIndex;
        if (index < 0 || index >= count)
            return;
        s.items.turn(index, command);
        if (s.showThumbnails) {
            ImageItem *item = s.items.at(index);
            HICON icon = nullptr;
            if (makeThumbnail(item->path, item->flip, item->rotation, &icon, nullptr, thumbnailWorker().autoOrient()) ==
                kThumbnailRendered) {
                int slot = storeIcon(icon, item->imageIndex);
                DestroyIcon(icon);
                if (slot >= 0 && slot != item->imageIndex) {
                    item->imageIndex = slot;
                    setItemImage(index, slot);
                }
                ListView_RedrawItems(s.list, index, index);
            }
        }
        if (s.host.refreshPreview)
            s.host.refreshPreview();
        return;
    }
    int first = -1, last = -1;
    for (int i = count - 1; i >= 0; --i) {
        if (!(ListView_GetItemState(s.list, i, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        s.items.turn(i, command);
        if (s.showThumbnails)
            s.items.markStale(i);
        if (last < 0)
            last = i;
        first = i;
    }
    if (first < 0)
        return;
    wakeThumbnailWorker();
    ListView_RedrawItems(s.list, first, last);
    refreshListStatus();
}

}  // namespace

// ---- Public interface ------------------------------------------------------------

std::string pictureLocationText(const char *path)
{
    std::string p = path ? path : "";
    // The last backslash that begins a character: a GBK trail byte can be 0x5C.
    size_t slash = std::string::npos;
    for (size_t i = 0; i < p.size(); ++i) {
        unsigned char c = (unsigned char)p[i];
        if (c >= 0x81 && c <= 0xFE && i + 1 < p.size())
            ++i;
        else if (c == '\\')
            slash = i;
    }
    if (slash == std::string::npos)
        return std::string();
    std::string folder = p.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':')
        folder += '\\';
    return folder;
}

int pictureTypeFromExtension(const char *path)
{
    const char *dot = path ? strrchr(path, '.') : nullptr;
    if (!dot || strchr(dot, '\\'))
        return 0;
    struct {
        const char *ext;
        int code;
    } const table[] = {{".jpg", kPictureJpeg}, {".jpeg", kPictureJpeg}, {".jfif", kPictureJpeg},
                       {".png", kPicturePng},  {".gif", kPictureGif},   {".bmp", kPictureBmp},
                       {".psd", kPicturePsd},  {".tif", kPictureTiff},  {".tiff", kPictureTiff},
                       {".webp", kPictureWebp}, {".heic", kPictureHeic}, {".heif", kPictureHeic},
                       {".avif", kPictureAvif}};
    for (const auto &row : table)
        if (equalsNoCase(dot, row.ext))
            return row.code;
    return 0;
}

HWND createPictureList(HWND parent, const RECT &rect, const PictureListHost &host)
{
    PictureListState &s = state();
    s.host = host;
    if (s.list)
        return s.list;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    DWORD shown = 1;
    s.showThumbnails = readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "is_show_thumbnail", &shown) ? shown != 0
                                                                                                           : true;
    s.container = CreateWindowExA(0, "static", "panel", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rect.left, rect.top,
                                  rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, instance, nullptr);
    if (!s.container)
        return nullptr;
    s.containerBaseProc = (WNDPROC)SetWindowLongPtrA(s.container, GWLP_WNDPROC, (LONG_PTR)containerProc);
    s.list = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_SHOWSELALWAYS | LVS_AUTOARRANGE | LVS_REPORT,
                             0, 0, rect.right - rect.left, rect.bottom - rect.top, s.container, nullptr, instance,
                             nullptr);
    if (!s.list)
        return nullptr;
    ListView_SetExtendedListViewStyle(s.list, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = kNameColumnWidth;
    column.pszText = const_cast<char *>("名称");
    SendMessageA(s.list, LVM_INSERTCOLUMNA, 0, (LPARAM)&column);
    column.cx = kLocationColumnWidth;
    column.pszText = const_cast<char *>("位置");
    SendMessageA(s.list, LVM_INSERTCOLUMNA, 1, (LPARAM)&column);
    s.store = ImageList_Create(kThumbnailSize, kThumbnailSize, ILC_COLOR32, kStoreInitial, kStoreGrowth);
    ListView_SetImageList(s.list, s.store, LVSIL_NORMAL);
    ListView_SetIconSpacing(s.list, kIconSpacingX, kIconSpacingY);
    // Created in report view and switched afterwards: Wine's list view makes
    // its header (and so keeps columns) only when it starts out in report view.
    if (s.showThumbnails)
        setViewMode(true);
    // One line, centred both ways in its grey box.
    s.tips = CreateWindowExA(0, "static", "可以把需要处理的图片或图片文件夹直接拖到这里",
                             WS_CHILD | SS_CENTER | SS_CENTERIMAGE, 300, 62, 293, 52, s.list, nullptr, instance,
                             nullptr);
    SendMessageA(s.tips, WM_SETFONT, SendMessageA(s.list, WM_GETFONT, 0, 0), FALSE);

    ThumbnailWorker &worker = thumbnailWorker();
    worker.setThumbnailsShown(s.showThumbnails);
    worker.setProgressWindow(host.progressWindow);
    s.workerStarted = worker.start(&s.items, s.container);
    refreshListStatus();
    return s.list;
}

bool pictureListWorkerStarted() { return state().workerStarted; }
const PictureListHost &pictureListHost() { return state().host; }

void setPictureListHost(const PictureListHost &host)
{
    state().host = host;
    thumbnailWorker().setProgressWindow(host.progressWindow);
}

HWND pictureListView() { return state().list; }
HWND pictureListContainer() { return state().container; }
ImageList &pictureImageList() { return state().items; }
bool thumbnailsShown() { return state().showThumbnails; }
void setPictureTypeSniffing(bool on) { state().sniffing = on; }
bool pictureTypeSniffing() { return state().sniffing; }

int addImageIfNew(const char *path, const char *relFolder)
{
    if (!path || state().items.containsPath(path))
        return 0;
    return addImageItem(path, relFolder);
}

int addImageItem(const char *path, const char *relFolder)
{
    PictureListState &s = state();
    if (!path || !s.list)
        return 0;
    int code = s.sniffing ? 0 : pictureTypeFromExtension(path);
    if (code == 0) {
        code = typeFromSniff(path, true, true);
        if (code <= 0)
            return 0;
    }
    ImageItem *item = s.items.append(path, relFolder ? relFolder : "");
    if (!item)
        return 0;  // listed under another spelling, or not a usable path
    addItemToListView(item, s.showThumbnails ? typeIcon(code) : nullptr);
    return 1;
}

// The file's description as the picture will come out: a quarter turn swaps
// the width and height it gives ("尺寸: W x H, ...").
static std::string turnedDescription(const char *text, int rotation)
{
    int width = 0, height = 0, used = 0;
    if ((rotation != 90 && rotation != 270) || sscanf(text, "尺寸: %d x %d%n", &width, &height, &used) != 2)
        return text;
    return formatText("尺寸: %d x %d", height, width) + (text + used);
}

void refreshListStatus()
{
    PictureListState &s = state();
    if (!s.list)
        return;
    endAddBatch();
    int n = ListView_GetItemCount(s.list);
    int selected = (int)ListView_GetSelectedCount(s.list);
    enableToolbarCommand(kCmdToolStart, n > 0);
    if (s.host.startButton)
        EnableWindow(s.host.startButton, n > 0);
    ShowWindow(s.tips, n == 0 ? SW_SHOW : SW_HIDE);
    bool busy = thumbnailWorker().busy();
    setStatusText(0, busy ? formatText("%d 张图片, 正在生成缩略图...", n) : formatText("%d 张图片", n));
    if (selected == 1) {
        int index = ListView_GetNextItem(s.list, -1, LVNI_SELECTED);
        ImageItem *item = s.items.at(index);
        char text[kPictureDescriptionSize] = {};
        if (item && !describePicture(item->path, text))
            report(kUnrecognisedText, item->path);
        setStatusText(1, item ? turnedDescription(text, item->rotation) : std::string(text));
    } else if (selected > 1) {
        setStatusText(1, formatText("选中了 %d 张图片", selected));
    } else {
        setStatusText(1, "");
    }
}

void removeSelectedImages()
{
    PictureListState &s = state();
    if (!s.list)
        return;
    int count = ListView_GetItemCount(s.list);
    int selected = (int)ListView_GetSelectedCount(s.list);
    if (selected == 0)
        return;
    if (selected == count) {
        removeAllImages();
        return;
    }
    if (thumbnailWorker().deferIfBusy(kDeferredRemoveSelected)) {
        SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
        return;
    }
    removeSelectedNow();
}

void removeAllImages()
{
    if (!state().list)
        return;
    if (thumbnailWorker().deferIfBusy(kDeferredRemoveAll)) {
        SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
        return;
    }
    removeAllNow();
}

void showSystemFileIcon()
{
    PictureListState &s = state();
    if (!s.list)
        return;
    ThumbnailWorker &worker = thumbnailWorker();
    worker.pause();
    {
        QuietNotifications quiet;
        HeldRedraw held;
        for (int i = 0; i < s.items.count(); ++i) {
            ImageItem *item = s.items.at(i);
            s.items.markStale(i);
            int code = pictureTypeFromExtension(item->path);
            if (code == 0)
                code = typeFromSniff(item->path, true, false);
            if (code <= 0)
                continue;
            HICON icon = typeIcon(code);
            int slot = storeIcon(icon, item->imageIndex);
            if (slot < 0) {
                reportStoreRefusal(1, "showSystemFileIcon", icon);
                continue;
            }
            item->imageIndex = slot;
            if (itemImage(i) != slot)
                setItemImage(i, slot);
        }
    }
    InvalidateRect(s.list, nullptr, TRUE);
    worker.resume();
}

void toggleThumbnails()
{
    PictureListState &s = state();
    s.showThumbnails = !s.showThumbnails;
    writeRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "is_show_thumbnail", s.showThumbnails ? 1 : 0);
    thumbnailWorker().setThumbnailsShown(s.showThumbnails);
    if (!s.list)
        return;
    if (s.showThumbnails) {
        showSystemFileIcon();
        setViewMode(true);
        wakeThumbnailWorker();
    } else {
        setViewMode(false);
        emptyStore();
    }
}

void setPicturesAutoOrient(bool on)
{
    PictureListState &s = state();
    ThumbnailWorker &worker = thumbnailWorker();
    if (worker.autoOrient() == on)
        return;
    worker.pause();
    worker.setAutoOrient(on);
    // The thumbnails on show keep their place until the new ones are made.
    if (s.showThumbnails)
        for (int i = 0; i < s.items.count(); ++i)
            s.items.markStale(i);
    worker.resume();
    if (s.showThumbnails)
        wakeThumbnailWorker();
}

bool picturesAutoOrient() { return thumbnailWorker().autoOrient(); }

void rotateLeft() { turnPictures(TurnCommand::RotateLeft); }
void rotateRight() { turnPictures(TurnCommand::RotateRight); }
void flipHorizontal() { turnPictures(TurnCommand::FlipHorizontal); }
void flipVertical() { turnPictures(TurnCommand::FlipVertical); }

void selectAllPictures()
{
    if (state().list)
        ListView_SetItemState(state().list, -1, LVIS_SELECTED, LVIS_SELECTED);
}

bool handlePictureListCommand(int command)
{
    switch (command) {
    case kCmdToolRemove:
    case kCmdListRemoveSelected:
        removeSelectedImages();
        return true;
    case kCmdListRemoveAll:
        removeAllImages();
        return true;
    case kCmdListToggleThumbnails:
        toggleThumbnails();
        return true;
    case kCmdToolRotateLeft:
        rotateLeft();
        return true;
    case kCmdToolRotateRight:
        rotateRight();
        return true;
    case kCmdToolFlipHorizontal:
        flipHorizontal();
        return true;
    case kCmdToolFlipVertical:
        flipVertical();
        return true;
    }
    return false;
}

int pictureListPreviewIndex() { return state().previewIndex; }

void setPictureListPreviewIndex(int index)
{
    int count = state().items.count();
    state().previewIndex = index >= 0 && index < count ? index : 0;
}

void selectPreviewedPicture()
{
    PictureListState &s = state();
    const int index = s.previewIndex;
    if (!s.list || index < 0 || index >= ListView_GetItemCount(s.list) ||
        (ListView_GetItemState(s.list, index, LVIS_SELECTED) & LVIS_SELECTED))
        return;
    ListView_SetItemState(s.list, -1, 0, LVIS_SELECTED);
    ListView_SetItemState(s.list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(s.list, index, FALSE);
}

void nextPreviewIndex()
{
    int count = state().items.count();
    if (count < 2)
        return;
    state().previewIndex = (state().previewIndex + 1) % count;
}

void previousPreviewIndex()
{
    int count = state().items.count();
    if (count < 2)
        return;
    state().previewIndex = (state().previewIndex + count - 1) % count;
}

HWND pictureListPreviewWindow() { return state().host.previewWindow; }
bool pictureListPreviewShown() { return previewShown(); }

bool stepPreview(int delta)
{
    if (state().items.count() < 2)
        return false;
    if (delta < 0)
        previousPreviewIndex();
    else
        nextPreviewIndex();
    if (state().host.refreshPreview)
        state().host.refreshPreview();
    return true;
}

bool pictureListBusy() { return thumbnailWorker().deferredPending(); }

bool pictureListBlocksMessage(const MSG &msg)
{
    if (!pictureListBusy())
        return false;
    if (msg.message == kEndAddBatchMessage && msg.hwnd == state().container)
        return false;
    switch (msg.message) {
    case WM_SYSCOMMAND:
    case WM_TIMER:
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    // Painting is no input; a dropped WM_PAINT would only come back at once and
    // keep the loop spinning while the worker finishes its picture.
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_ERASEBKGND:
        return false;
    }
    SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_WAIT));
    return true;
}

bool pictureListSelfCheck(std::string *why)
{
    PictureListState &s = state();
    std::string problem;
    if (!s.items.selfCheck(&problem)) {
    } else if (!s.list) {
        problem = "no list view";
    } else if (ListView_GetItemCount(s.list) != s.items.count()) {
        problem = formatText("view holds %d items, list %d", ListView_GetItemCount(s.list), s.items.count());
    } else {
        for (int i = 0; i < s.items.count() && problem.empty(); ++i) {
            LVITEMA lv = {};
            lv.mask = LVIF_PARAM | LVIF_IMAGE;
            lv.iItem = i;
            SendMessageA(s.list, LVM_GETITEMA, 0, (LPARAM)&lv);
            ImageItem *item = s.items.at(i);
            if ((ImageItem *)lv.lParam != item)
                problem = formatText("view item %d carries another picture", i);
            else if (s.showThumbnails && lv.iImage != item->imageIndex)
                problem = formatText("view item %d shows slot %d, the picture has %d", i, lv.iImage, item->imageIndex);
        }
    }
    if (why)
        *why = problem;
    return problem.empty();
}
