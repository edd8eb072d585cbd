// The panel's one state record, its control table and the lookups and scrolling
// that the window procedure and the behaviour both use.
#include "app/settings_panel/panel_state.h"

#include <commctrl.h>

#include "app/settings_panel/settings_panel.h"

PanelState &panelState()
{
    static PanelState state;
    return state;
}

HWND ctl(int id)
{
    return panelControl(panelState().panel, id);
}

ProcessSettings &panelSettings()
{
    return panelState().settings;
}

// Sections, top to bottom: 基本设置, 文字水印, 图片水印, 边框设置, 其他设置, the save
// group, the start button.
// The group titles are labels of their own (like the group check boxes), so that
// every title is drawn the same way over the frame line.
const char *const kSectionTitles[kPanelSectionCount] = {"", "", "", "", "", "", "开始处理"};

namespace {

const DWORD kCheck = BS_AUTOCHECKBOX | WS_TABSTOP;
const DWORD kCombo = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
const DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
const DWORD kLabel = SS_LEFT;
const DWORD kSlider = TBS_HORZ | TBS_NOTICKS | TBS_BOTH | WS_TABSTOP;
const DWORD kSpin = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
const DWORD kPush = BS_PUSHBUTTON | WS_TABSTOP;
const DWORD kSwatch = SS_OWNERDRAW | SS_NOTIFY;

}  // namespace

const char kButton[] = "button";

namespace {

const char kStatic[] = "static";
const char kEditClass[] = "edit";
const char kComboClass[] = "combobox";

}  // namespace

// Positions inside each section box (239 pixels wide).
const ControlDef kControls[] = {
    // 基本设置
    {kIdBasicTitle, 0, kStatic, "基本设置", kLabel, 8, 0, 52, 16},
    {kIdResize, 0, kButton, "", kCheck, 8, 20, 16, 20},
    {kIdZoomType, 0, kComboClass, "", kCombo, 26, 19, 86, 200},
    {kIdSizeType, 0, kComboClass, "", kCombo, 116, 19, 80, 200},
    {kIdSizeField, 0, kEditClass, "", kEdit, 26, 46, 52, 22},
    {kIdSizeUnit, 0, kStatic, "像素", SS_NOTIFY | SS_CENTERIMAGE, 82, 46, 42, 22},
    {kIdSameScale, 0, kButton, "高度等比例缩小", kCheck, 126, 47, 110, 20},
    {kIdQuality, 0, kButton, "图片质量：", kCheck, 8, 76, 80, 20},
    {kIdQualityMode, 0, kButton, "▼", kPush, 89, 76, 19, 20},
    {kIdQualitySlider, 0, TRACKBAR_CLASSA, "", kSlider, 109, 74, 81, 24},
    {kIdQualityValue, 0, kStatic, "", kLabel | SS_CENTERIMAGE, 190, 76, 46, 20},
    {kIdMaxSizeSign, 0, kStatic, "≤", kLabel | SS_CENTERIMAGE, 112, 76, 14, 20},
    {kIdMaxSizeField, 0, kEditClass, "", kEdit, 126, 75, 52, 22},
    {kIdMaxSizeUnit, 0, kStatic, "KB", kLabel | SS_CENTERIMAGE, 182, 76, 20, 20},
    {kIdMaxSizeHelp, 0, kButton, "?", kPush, 206, 75, 22, 22},

    // 文字水印
    {kIdTextMark, 1, kButton, "文字水印", kCheck, 8, 0, 76, 16},
    {kIdTextLabel, 1, kStatic, "文字：", kLabel, 8, 24, 42, 16},
    {kIdText, 1, kEditClass, "", kEdit, 50, 20, 184, 22},
    {kIdTextAngleLabel, 1, kStatic, "旋转：", kLabel, 8, 50, 42, 16},
    {kIdTextAngle, 1, kComboClass, "", kCombo, 50, 46, 64, 200},
    {kIdTextOpacityLabel, 1, kStatic, "不透明：", kLabel, 120, 50, 50, 16},
    {kIdTextOpacity, 1, TRACKBAR_CLASSA, "", kSlider, 168, 45, 68, 24},
    {kIdTextPosLabel, 1, kStatic, "位置：", kLabel, 8, 76, 42, 16},
    {kIdTextWDirection, 1, kComboClass, "", kCombo, 50, 72, 84, 200},
    {kIdTextWValue, 1, kEditClass, "", kEdit, 138, 72, 56, 22},
    {kIdTextWSpin, 1, UPDOWN_CLASSA, "", kSpin, 0, 0, 0, 0},
    {kIdTextHDirection, 1, kComboClass, "", kCombo, 50, 98, 84, 200},
    {kIdTextHValue, 1, kEditClass, "", kEdit, 138, 98, 56, 22},
    {kIdTextHSpin, 1, UPDOWN_CLASSA, "", kSpin, 0, 0, 0, 0},
    {kIdTextFont, 1, kButton, "字体颜色", kPush, 8, 125, 68, 24},
    {kIdTextBackLabel, 1, kStatic, "背景：", kLabel, 82, 129, 38, 16},
    {kIdTextBackSwatch, 1, kStatic, "", kSwatch, 118, 127, 22, 20},
    {kIdTextBackClear, 1, kButton, "×", kPush, 141, 127, 19, 20},
    {kIdTextFrameLabel, 1, kStatic, "边框：", kLabel, 162, 129, 36, 16},
    {kIdTextFrameSize, 1, kComboClass, "", kCombo, 198, 125, 38, 240},
    {kIdTextFrameColourLabel, 1, kStatic, "边框颜色：", kLabel, 8, 157, 62, 16},
    {kIdTextFrameSwatch, 1, kStatic, "", kSwatch, 70, 155, 22, 20},
    {kIdTextCornerLabel, 1, kStatic, "角的半径：", kLabel, 104, 157, 62, 16},
    {kIdTextCorner, 1, kComboClass, "", kCombo, 166, 153, 50, 240},
    {kIdTextFillLRLabel, 1, kStatic, "左右填充：", kLabel, 8, 183, 62, 16},
    {kIdTextFillLR, 1, kEditClass, "", kEdit, 70, 179, 30, 22},
    {kIdTextFillTBLabel, 1, kStatic, "上下填充：", kLabel, 120, 183, 62, 16},
    {kIdTextFillTB, 1, kEditClass, "", kEdit, 182, 179, 30, 22},
    {kIdTextSummary, 1, kStatic, "", kLabel | SS_ENDELLIPSIS | SS_NOPREFIX, 8, 210, 226, 18},

    // 图片水印
    {kIdImageMark, 2, kButton, "图片水印", kCheck, 8, 0, 76, 16},
    {kIdImageLabel, 2, kStatic, "图片：", kLabel, 8, 24, 42, 16},
    {kIdImagePath, 2, kEditClass, "", kEdit | ES_READONLY, 50, 20, 138, 22},
    {kIdImageChoose, 2, kButton, "选择", kPush, 192, 19, 42, 24},
    {kIdImagePosLabel, 2, kStatic, "位置：", kLabel, 8, 51, 42, 16},
    {kIdImageWDirection, 2, kComboClass, "", kCombo, 50, 47, 84, 200},
    {kIdImageWValue, 2, kEditClass, "", kEdit, 138, 47, 56, 22},
    {kIdImageWSpin, 2, UPDOWN_CLASSA, "", kSpin, 0, 0, 0, 0},
    {kIdImageHDirection, 2, kComboClass, "", kCombo, 50, 73, 84, 200},
    {kIdImageHValue, 2, kEditClass, "", kEdit, 138, 73, 56, 22},
    {kIdImageHSpin, 2, UPDOWN_CLASSA, "", kSpin, 0, 0, 0, 0},
    {kIdImageAngleLabel, 2, kStatic, "旋转：", kLabel, 8, 103, 42, 16},
    {kIdImageAngle, 2, kComboClass, "", kCombo, 50, 99, 64, 200},
    {kIdImageOpacityLabel, 2, kStatic, "不透明：", kLabel, 120, 103, 50, 16},
    {kIdImageOpacity, 2, TRACKBAR_CLASSA, "", kSlider, 168, 98, 68, 24},

    // 边框设置
    {kIdBorder, 3, kButton, "边框设置", kCheck, 8, 0, 76, 16},
    {kIdBorderLocationLabel, 3, kStatic, "位置：", kLabel, 8, 28, 42, 16},
    {kIdBorderLocation, 3, kComboClass, "", kCombo, 50, 24, 70, 200},
    {kIdBorderColourLabel, 3, kStatic, "颜色：", kLabel, 132, 28, 42, 16},
    {kIdBorderSwatch, 3, kStatic, "", kSwatch, 174, 26, 30, 20},
    {kIdBorderSizeLabel, 3, kStatic, "大小：", kLabel, 8, 64, 42, 16},
    {kIdBorderSize, 3, TRACKBAR_CLASSA, "", kSlider, 46, 59, 150, 24},
    {kIdBorderSizeValue, 3, kStatic, "", kLabel, 198, 64, 38, 16},
    {kIdBorderPaddingLabel, 3, kStatic, "填充：", kLabel, 8, 100, 42, 16},
    {kIdBorderPadding, 3, TRACKBAR_CLASSA, "", kSlider, 46, 95, 150, 24},
    {kIdBorderPaddingValue, 3, kStatic, "", kLabel, 198, 100, 38, 16},

    // 其他设置
    {kIdOtherTitle, 4, kStatic, "其他设置", kLabel, 8, 0, 52, 16},
    {kIdLight, 4, kButton, "亮  度：", kCheck, 8, 20, 76, 20},
    {kIdLightSlider, 4, TRACKBAR_CLASSA, "", kSlider, 84, 18, 150, 24},
    {kIdContrast, 4, kButton, "对比度：", kCheck, 8, 46, 76, 20},
    {kIdContrastSlider, 4, TRACKBAR_CLASSA, "", kSlider, 84, 44, 150, 24},
    {kIdClearly, 4, kButton, "清晰度：", kCheck, 8, 72, 76, 20},
    {kIdClearlySlider, 4, TRACKBAR_CLASSA, "", kSlider, 84, 70, 150, 24},
    {kIdBlackWhite, 4, kButton, "将彩色图片转换成黑白图片", kCheck, 8, 98, 226, 20},
    {kIdRemoveExif, 4, kButton, "去除Exif信息(拍照日期,相机型号等)", kCheck, 8, 120, 226, 20},
    {kIdRemoveGps, 4, kButton, "去除GPS位置信息", kCheck, 8, 142, 226, 20},
    {kIdAutoOrient, 4, kButton, "按照片方向自动旋转", kCheck, 8, 164, 226, 20},
    {kIdColorspace, 4, kButton, "", kCheck, 8, 189, 16, 20},
    {kIdFromColorspace, 4, kComboClass, "", kCombo, 26, 188, 58, 200},
    {kIdColorspaceTo, 4, kStatic, "转", kLabel, 88, 192, 14, 16},
    {kIdToColorspace, 4, kComboClass, "", kCombo, 104, 188, 58, 200},
    {kIdSrgbIcc, 4, kButton, "sRGB.icc", kCheck, 166, 189, 70, 20},
    {kIdDpi, 4, kButton, "分辨率(DPI)：", kCheck, 8, 215, 100, 20},
    {kIdDpiField, 4, kEditClass, "", kEdit, 108, 214, 48, 22},
    {kIdResample, 4, kButton, "重新采样", kCheck, 162, 215, 74, 20},

    // Save group
    {kIdSaveTo, 5, kButton, "处理后保存到", BS_RADIOBUTTON | WS_TABSTOP | WS_GROUP, 8, 10, 104, 20},
    {kIdOverwrite, 5, kButton, "直接覆盖原图", BS_RADIOBUTTON | WS_TABSTOP, 124, 10, 104, 20},
    {kIdSaveToLabel, 5, kStatic, "保存到：", kLabel, 8, 38, 50, 16},
    {kIdSaveToFolder, 5, kEditClass, "", kEdit | ES_READONLY | WS_GROUP, 58, 34, 134, 22},
    {kIdSaveToChoose, 5, kButton, "选择", kPush, 196, 33, 38, 24},
    {kIdKeepStructure, 5, kButton, "按原文件夹(子文件夹)结构保存图片", kCheck, 8, 58, 226, 20},
    {kIdKeepFileTime, 5, kButton, "保留原图的修改时间", kCheck, 8, 80, 226, 20},
};

const size_t kControlCount = sizeof kControls / sizeof kControls[0];
const int kSectionWidth = 239;

namespace {

void placeSections()
{
    PanelState &state = panelState();
    HDWP batch = BeginDeferWindowPos(kPanelSectionCount);
    for (int i = 0; i < kPanelSectionCount; ++i)
        if (batch)
            batch = DeferWindowPos(batch, state.sections[i], nullptr, 0, state.sectionTops[i] - state.scrollPosition, 0,
                                   0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (batch)
        EndDeferWindowPos(batch);
}

}  // namespace

PanelScroll currentScroll(HWND panel)
{
    RECT client;
    GetClientRect(panel, &client);
    // The client loses the scroll bar's width but not its height: the height decides.
    return panelScrollFor(client.bottom, panelState().contentHeight);
}

HWND panelControl(HWND panel, int id)
{
    PanelState &state = panelState();
    if (!panel || panel != state.panel)
        return nullptr;
    if (id >= kIdSectionFirst && id <= kIdSectionLast)
        return state.sections[id - kIdSectionFirst];
    if (id == kIdStart)
        return state.sections[kPanelSectionCount - 1];
    for (const ControlDef &entry : kControls)
        if (entry.id == id)
            return GetDlgItem(state.sections[entry.section], id);
    return nullptr;
}

int settingsPanelContentHeight()
{
    int tops[kPanelSectionCount];
    return stackPanelSections(kPanelSectionHeights, kPanelSectionCount, tops);
}

void updateSettingsPanelScroll(HWND panel)
{
    if (!panel || panel != panelState().panel)
        return;
    PanelScroll scroll = currentScroll(panel);
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL};
    if (scroll.shown) {
        info.nMin = 0;
        info.nMax = scroll.maximum;
        info.nPage = scroll.page;
        info.nPos = clampPanelScroll(panelState().scrollPosition, scroll);
        info.fMask &= ~SIF_DISABLENOSCROLL;
        SetScrollInfo(panel, SB_VERT, &info, TRUE);
        ShowScrollBar(panel, SB_VERT, TRUE);
    } else {
        ShowScrollBar(panel, SB_VERT, FALSE);
    }
    panelState().scrollPosition = clampPanelScroll(panelState().scrollPosition, scroll);
    placeSections();
}

int settingsPanelScrollPosition(HWND)
{
    return panelState().scrollPosition;
}

bool settingsPanelCanScroll(HWND panel)
{
    return panel && panel == panelState().panel && currentScroll(panel).shown;
}

void scrollSettingsPanelTo(HWND panel, int position)
{
    if (!panel || panel != panelState().panel)
        return;
    PanelScroll scroll = currentScroll(panel);
    position = clampPanelScroll(position, scroll);
    if (position == panelState().scrollPosition)
        return;
    panelState().scrollPosition = position;
    SCROLLINFO info = {sizeof info, SIF_POS};
    info.nPos = position;
    SetScrollInfo(panel, SB_VERT, &info, TRUE);
    placeSections();
}

std::string fieldText(int id)
{
    HWND control = ctl(id);
    if (!control)
        return std::string();
    int length = GetWindowTextLengthA(control);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(control, &text[0], length + 1);
    text.resize(lstrlenA(text.c_str()));
    return text;
}

void setFieldText(int id, const std::string &text)
{
    PanelState &state = panelState();
    bool was = state.settingText;
    state.settingText = true;
    SetWindowTextA(ctl(id), text.c_str());
    state.lastValidText[id] = text;
    state.settingText = was;
}
