#include "app/context_help.h"

#include <vector>

#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "ui/window_kit.h"

namespace {

// Controls without a panel identifier of their own.
enum { kHelpPictureList = 1, kHelpPreview = 2 };

struct HelpEntry {
    std::vector<int> controls;
    const char *text;
};

// The help text of every control of the main window that has one. The panel's
// spin buttons belong to their offset fields.
const HelpEntry kHelpTable[] = {
    {{kIdResize}, "如果需要对图片尺寸(宽与高)进行缩放，请勾选此项。"},
    {{kIdZoomType}, "选择对图片尺寸(宽与高)进行缩放。\n\n【图片缩小】：\n"
     "当原图尺寸大于设置的值时，会将原图的尺寸缩小到设置\n"
     "的值。如果原图尺寸小于设置的值时,图片尺寸保持不变。\n\n【图片放大】：\n"
     "当原图尺寸小于设置的值时，会将原图的尺寸放大到设置\n"
     "的值。如果原图尺寸大于设置的值时,图片尺寸保持不变。\n\n【图片缩放】：\n"
     "当原图尺寸小于设置的值时，会将原图的尺寸放大到设置\n"
     "的值。如果原图尺寸大于设置的值时,会将原图的尺寸缩小\n到设置的值。"},
    {{kIdSizeType}, "可以选择指定图片宽度或高度进行缩放。"},
    {{kIdSizeField}, "图片宽或高设置一个新的值。"},
    {{kIdSizeUnit}, "图片缩放时，宽或高的值的说明：像素或百分比。"},
    {{kIdSameScale}, "图片是否等比例缩放，可通过此项设置。"},
    {{kIdQuality}, "如果需要对图片进行压缩，请勾选此项。"},
    {{kIdQualityMode}, "图片质量的设置方式有两种，点击可选择。"},
    {{kIdQualitySlider}, "拖动滑块调整图片压缩后的质量。\n\n"
     "图片质量高，图片清晰度就高，图片占用空间会大一些。\n"
     "反之，图片质量低一些，图片清晰度就低一些，但图片占\n"
     "用的空间小，可以节省图片存储空间。\n\n"
     "可以从图片清晰度和图片占用的空间之间寻找一个平衡点\n"
     "，图片质量建议设置： 80 至 95。"},
    {{kIdMaxSizeField}, "设置图片压缩后生成的文件大小最大值，这只是一个预期\n"
     "值，软件无法保证图片经过压缩后生成的文件大小一定会\n"
     "是这个值，只会尽可能得接近这个值。\n\n"
     "例如：设置文件大小【最大值】为 1KB，对于一张大尺寸\n"
     "的图片进行最大程度压缩后生成的文件大小还是会大于1KB\n\n"
     "因此，这个值不能随意的去设置，需要参考图片的尺寸。"},
    {{kIdTextMark}, "如果需要将一行文字印在图片上，请勾选此项。"},
    {{kIdText}, "在这里输入的文字，将印在图片上。"},
    {{kIdTextFont}, "设置印在图片上的文字的字体与颜色。\n\n"
     "注意：如果文字中含有中文，需要选择一个中文字体，例\n"
     "如 \"宋体\" 、\"黑体\" 等，否则中文会显示乱码。"},
    {{kIdTextWDirection, kIdTextWValue, kIdTextWSpin, kIdTextHDirection, kIdTextHValue, kIdTextHSpin}, "设置文字在图片上显示的位置，例如在图片右下角显示，\n或在图片中间位置显示文字。"},
    {{kIdTextAngle}, "拖动滑块设置文字水印的旋转度。"},
    {{kIdTextOpacity}, "拖动滑块设置文字水印的透明度。\n\n0：完全透明   100：不透明"},
    {{kIdImageMark}, "如果需要将一张图片印在其他的图片上，请勾选此项。"},
    {{kIdImagePath}, "水印图片的路径，这张图片将印在左侧图片列表中所有的\n图片上。"},
    {{kIdImageChoose}, "选择一张图片，这张图片将印在左侧图片列表中所有的图\n片上。"},
    {{kIdImageWDirection, kIdImageWValue, kIdImageWSpin, kIdImageHDirection, kIdImageHValue, kIdImageHSpin}, "设置这张图片在左侧图片列表中所有图片上显示的位置，\n"
     "例如在图片右下角显示，或在图片中间位置显示。"},
    {{kIdImageOpacity}, "拖动滑块设置图片水印的透明度。\n\n0：完全透明   100：不透明"},
    {{kIdBorder}, "如果需要给图片添加边框，请勾选此项。"},
    {{kIdBorderLocation}, "外部：将边框添加到图片的外围，图片尺寸会变大一些。 \n\n"
     "内部：将边框添加到图片的内侧，图片尺寸不会改变。"},
    {{kIdBorderSize}, "拖动滑块调整图片边框的大小。"},
    {{kIdBorderSwatch}, "图片边框的颜色，点击可以选择一个新的边框颜色。"},
    {{kIdTextBackSwatch}, "文字水印的背景色，点击可以选择一个新的背景色。"},
    {{kIdTextFrameSwatch}, "文字水印的边框颜色，点击可以选择一个新的边框颜色。"},
    {{kIdTextBackClear}, "清除当前选中的背景色，使背景变透明。"},
    {{kIdTextFrameSize}, "设置【文字水印】的【边框大小】，单位：像素。"},
    {{kIdTextCorner}, "设置【文字水印】的【边界角的半径】。\n\n0：直角，其他值为圆角。"},
    {{kIdTextFillLR}, "设置【文字水印】的左右填充，值范围：0 - 99\n\n"
     "提示：当设置了背景色或边框颜色后该选项才有意义。"},
    {{kIdTextFillTB}, "设置【文字水印】的上下填充，值范围：0 - 99\n\n"
     "提示：当设置了背景色或边框颜色后该选项才有意义。"},
    {{kIdBorderPadding}, "拖动滑块调整图片边框填充的内边距。"},
    {{kIdLight}, "如果需要调整图片的亮度，请勾选此项。"},
    {{kIdLightSlider}, "拖动滑块调整图片的亮度。"},
    {{kIdContrast}, "如果需要调整图片的对比度，请勾选此项。"},
    {{kIdContrastSlider}, "拖动滑块调整图片的对比度。"},
    {{kIdClearly}, "如果需要调整图片的清晰度，请勾选此项。"},
    {{kIdClearlySlider}, "拖动滑块调整图片的清晰度。"},
    {{kIdBlackWhite}, "如果需要将彩色图片转换成黑白图片，请勾选此项。"},
    {{kIdRemoveExif}, "如果需要去除图片相关的Exif信息，请勾选此项。\n\n"
     "Exif信息中可能含有：图片拍摄时间，相机型号等信息。"},
    {{kIdRemoveGps}, "如果只需要去除照片的拍摄地点(GPS位置信息)，请勾选\n此项，拍照日期、相机型号等其他Exif信息会保留。\n\n"
     "提示：勾选【去除Exif信息】时，GPS位置信息会一起\n去除。"},
    {{kIdAutoOrient}, "手机和相机拍摄的竖向照片，通常保存为横向的图片，\n"
     "再用一个方向标记告诉看图软件如何旋转显示。\n\n"
     "勾选此项后，软件按照片的方向标记先把照片摆正，缩略\n"
     "图、预览和处理后的图片都与看图软件中显示的一致。\n\n"
     "提示：格式转换、图片裁剪、拼接、切片和处理PNG等工\n具也按此项处理照片。"},
    {{kIdColorspace}, "如果需要转换图片的颜色空间，请勾选此项。"},
    {{kIdFromColorspace}, "选择将使用某种颜色空间的图片转换成另一种颜色空间。\n"
     "也可以选择将所有图片颜色空间转换成另一种颜色空间。"},
    {{kIdToColorspace}, "选择将图片的颜色空间转换成的目标颜色空间。"},
    {{kIdSrgbIcc}, "转换成sRGB颜色空间时，是否使用 sRGB.icc 配置文件。"},
    {{kIdDpi}, "如果需要设置图片分辨率(DPI)，请勾选此项。\n\n单位：像素/英寸"},
    {{kIdDpiField}, "图片分辨率(DPI)值范围：1 - 65535，单位：像素/英寸"},
    {{kIdResample}, "如果需要按当前设置的分辨率对图片进行重新采样，请勾\n选此项。\n\n"
     "提示：勾选此项后，如果设置的新分辨率与图片原分辨率\n"
     "不同时，会对图片尺寸(宽与高)进行缩放。"},
    {{kIdSaveTo}, "如果需要将处理后的图片另存到一个文件夹，请选此项。\n\n"
     "保存到目标文件夹时，如果遇到文件名重名情况，将按：\n"
     "文件名[数字编号+].jpg 这样的格式保存。\n\n"
     "注意：处理后的图片将采用JPG格式保存。"},
    {{kIdOverwrite}, "如果需要将处理后的图片直接覆盖原图，请选此项。\n\n"
     "注意：处理后的图片将采用JPG格式保存。"},
    {{kIdSaveToFolder}, "处理后的图片保存到的位置。\n\n"
     "保存到目标文件夹时，如果遇到文件名重名情况，将按：\n"
     "文件名[数字编号+].jpg 这样的格式保存。\n\n"
     "注意：处理后的图片将采用JPG格式保存。"},
    {{kIdSaveToChoose}, "选择一个文件夹，处理后的图片将保存到这里。\n\n"
     "保存到目标文件夹时，如果遇到文件名重名情况，将按：\n"
     "文件名[数字编号+].jpg 这样的格式保存。\n\n"
     "注意：处理后的图片将采用JPG格式保存。"},
    {{kIdKeepStructure}, "当您拖动一个包含子文件夹的文件夹到软件中进行处理，\n"
     "如果需要按原来的文件夹结构保存图片，请钩选此项。"},
    {{kIdKeepFileTime}, "如果需要处理后的图片保留原图的修改时间，请勾\n选此项。\n\n"
     "勾选后，在文件夹中按修改时间排序时，处理后的照片\n与原图的顺序相同。"},
    {{kHelpPictureList}, "这是一个图片列表框，准备处理的图片将排列在这里。\n\n提示：\n"
     "可以把需要处理的图片或图片文件夹直接拖到这里。"},
    {{kHelpPreview}, "这是根据图片相关设置对图片处理后的效果预览窗口。\n\n"
     "1.按ESC键或点右键菜单中的“退出预览”退出预览窗口。\n2.按方向键预览上一张或下一张图片。\n"
     "3.按数字键1或双击图片，在“适合窗口”和“实际大小”之间切换。"},
    {{kIdStart}, "根据图片相关设置，开始对图片进行处理。"},
};

const COLORREF kFill = RGB(254, 255, 237);
const COLORREF kInnerFrame = RGB(192, 192, 192);
const int kBoxWidth = 320;

struct PopupState {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::string text;
    int lineHeight = 12;
    bool helpMode = false;
    HWND modeWindow = nullptr;
};

PopupState &popup()
{
    static PopupState state;
    return state;
}

std::vector<std::string> textLines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return lines;
        start = end + 1;
    }
}

int measureLineHeight(HWND window, const std::string &line)
{
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, uiFont());
    SIZE size = {};
    GetTextExtentPoint32A(dc, line.empty() ? " " : line.c_str(), line.empty() ? 1 : (int)line.size(), &size);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return size.cy > 0 ? size.cy : 12;
}

void paintPopup(HWND window)
{
    PopupState &s = popup();
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT client;
    GetClientRect(window, &client);
    int height = client.bottom;
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));  // the transparent colour key
    // Box with a black outline, the fill inside a grey frame.
    HBRUSH black = (HBRUSH)GetStockObject(BLACK_BRUSH);
    RECT box = {0, 0, kBoxWidth, height - 6};
    FrameRect(dc, &box, black);
    RECT inner = {1, 1, kBoxWidth - 1, height - 7};
    HBRUSH fill = CreateSolidBrush(kFill);
    FillRect(dc, &inner, fill);
    DeleteObject(fill);
    HBRUSH grey = CreateSolidBrush(kInnerFrame);
    FrameRect(dc, &inner, grey);
    DeleteObject(grey);
    // A dotted shadow: every second pixel of the six rows below and the six
    // columns right of the box.
    for (int y = height - 6; y < height; ++y)
        for (int x = 6 - (y & 1); x < kBoxWidth; x += 2)
            SetPixel(dc, x, y, RGB(0, 0, 0));
    for (int x = kBoxWidth; x < kBoxWidth + 6; ++x)
        for (int y = 6 + (x & 1); y < height - 6; y += 2)
            SetPixel(dc, x, y, RGB(0, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, uiFont());
    SetBkColor(dc, kFill);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    std::vector<std::string> lines = textLines(s.text);
    for (size_t i = 0; i < lines.size(); ++i)
        TextOutA(dc, 8, (int)i * (s.lineHeight + 3) + 9, lines[i].c_str(), (int)lines[i].size());
    SelectObject(dc, oldFont);
    EndPaint(window, &ps);
}

void hidePopup(HWND window)
{
    ShowWindow(window, SW_HIDE);
    popup().text.clear();
}

LRESULT CALLBACK popupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paintPopup(window);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE)
            hidePopup(window);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        hidePopup(window);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// The deepest visible window under a screen point, disabled or not.
HWND controlAt(HWND root, POINT screen)
{
    HWND at = root;
    for (;;) {
        POINT client = screen;
        ScreenToClient(at, &client);
        HWND child = ChildWindowFromPointEx(at, client, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
        if (!child || child == at)
            return at;
        at = child;
    }
}

const char *entryText(int control)
{
    for (const HelpEntry &entry : kHelpTable)
        for (int id : entry.controls)
            if (id == control)
                return entry.text;
    return nullptr;
}

}  // namespace

int helpTextLines(const char *text)
{
    int lines = 1;
    for (const char *p = text; p && *p; ++p)
        lines += *p == '\n';
    return lines;
}

HelpPopupBox helpPopupBox(int lines, int lineHeight, int x, int y, int screenWidth, int workHeight)
{
    HelpPopupBox box;
    box.width = kBoxWidth + 6;
    box.height = lines * (lineHeight + 3) + 22;
    if (box.height % 2 == 0)
        box.height += 1;
    if (x < 160)
        box.x = 6;
    else if (x + 165 < screenWidth)
        box.x = x - 160;
    else
        box.x = screenWidth - 332;
    box.y = y + 16;
    if (y + box.height + 31 >= workHeight)
        box.y = y - box.height - 16;
    if (y + 16 < 0)
        box.y = 6;
    return box;
}

HWND createContextHelpPopup(HINSTANCE instance, HWND owner)
{
    PopupState &s = popup();
    if (s.window)
        return s.window;
    // The main window's class; its procedure leaves every other window of the
    // class to DefWindowProc until it gets a procedure of its own.
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, kMainWindowClass, "context_window", WS_POPUP, 0, 0, kBoxWidth + 6,
                                  60, owner, nullptr, instance, nullptr);
    if (!window)
        return nullptr;
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(popupProc));
    setWindowTransparency(window, GetSysColor(COLOR_BTNFACE), 255, LWA_COLORKEY);
    s.window = window;
    s.owner = owner;
    return window;
}

HWND contextHelpPopup() { return popup().window; }

std::string contextHelpText()
{
    HWND window = popup().window;
    return window && IsWindowVisible(window) ? popup().text : std::string();
}

void showContextHelp(const char *text, int x, int y)
{
    PopupState &s = popup();
    if (!s.window || !text)
        return;
    s.text = text;
    std::vector<std::string> lines = textLines(s.text);
    s.lineHeight = measureLineHeight(s.window, lines[0]);
    RECT work;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HelpPopupBox box = helpPopupBox((int)lines.size(), s.lineHeight, x, y, GetSystemMetrics(SM_CXSCREEN),
                                    work.bottom - work.top);
    SetWindowPos(s.window, HWND_TOP, box.x, box.y, box.width, box.height, 0);
    ShowWindow(s.window, SW_SHOW);
    SetForegroundWindow(s.window);
    InvalidateRect(s.window, nullptr, TRUE);
    UpdateWindow(s.window);
}

const char *helpTextFor(HWND control)
{
    if (!control)
        return nullptr;
    if (control == pictureListView())
        return entryText(kHelpPictureList);
    HWND preview = pictureListPreviewWindow();
    if (preview && control == preview)
        return entryText(kHelpPreview);
    HWND panel = mainSettingsPanel(theMainWindow());
    int id = GetDlgCtrlID(control);
    if (panel && id >= kIdResize && panelControl(panel, id) == control)
        return entryText(id);
    return nullptr;
}

bool requestHelpAt(HWND root, POINT screen)
{
    if (!root)
        return false;
    // The control itself, or the window it is part of (the list's header, a
    // picture inside the preview).
    for (HWND at = controlAt(root, screen); at && at != root; at = GetParent(at)) {
        if (const char *text = helpTextFor(at)) {
            showContextHelp(text, screen.x, screen.y);
            return true;
        }
    }
    return false;
}

void beginContextHelpMode(HWND mainWindow)
{
    PopupState &s = popup();
    s.helpMode = true;
    s.modeWindow = mainWindow;
    SetCapture(mainWindow);
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HELP)));
}

void endContextHelpMode()
{
    PopupState &s = popup();
    if (!s.helpMode)
        return;
    s.helpMode = false;
    if (GetCapture() == s.modeWindow)
        ReleaseCapture();
    SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

bool contextHelpModeActive() { return popup().helpMode; }

// The screen point of a mouse message (client messages carry client coordinates
// of the window they are addressed to).
static POINT messagePoint(const MSG &msg)
{
    POINT p = {(short)LOWORD(msg.lParam), (short)HIWORD(msg.lParam)};
    bool client = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    if (client)
        ClientToScreen(msg.hwnd, &p);
    return p;
}

bool contextHelpTakesMessage(const MSG &msg)
{
    PopupState &s = popup();
    HWND root = s.modeWindow ? s.modeWindow : theMainWindow();
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && root && GetAncestor(msg.hwnd, GA_ROOT) == root) {
        endContextHelpMode();
        POINT pointer;
        GetCursorPos(&pointer);
        requestHelpAt(root, pointer);
        return true;
    }
    if (!s.helpMode)
        return false;
    switch (msg.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HELP)));
        return true;
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN: {
        POINT at = messagePoint(msg);
        endContextHelpMode();
        requestHelpAt(root, at);
        return true;
    }
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
        return true;
    case WM_RBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        endContextHelpMode();
        return true;
    case WM_KEYDOWN:
        if (msg.wParam == VK_ESCAPE) {
            endContextHelpMode();
            return true;
        }
        return false;
    }
    return false;
}
