#include "ui/output_controls.h"

#include <commctrl.h>

#include "core/settings_rules.h"
#include "ui/window_kit.h"
#include "util/text.h"

namespace {

const char *const kColourEntries[] = {"2", "4", "8", "16", "32", "64", "128", "256"};

HWND child(HWND parent, HINSTANCE instance, const char *cls, const char *text, DWORD style, int x, int y, int w,
           int h, int id, DWORD exStyle = 0)
{
    return CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                           (HMENU)(INT_PTR)id, instance, nullptr);
}

// Places in the row, from its start.
constexpr int kQualityLabelX = 80, kQualityLabelWidth = 44;
constexpr int kSliderX = 126;
constexpr int kValueWidth = 56;
constexpr int kBoxWidth = 72;
constexpr int kGap = 4;

OutputFormat chosenFormat(const OutputControls &c)
{
    if (!c.format)
        return OutputFormat::Png;
    int index = comboSelectedIndex(c.format);
    return index == (int)OutputFormat::Png ? OutputFormat::Png
           : index == (int)OutputFormat::Webp ? OutputFormat::Webp
                                               : OutputFormat::Jpg;
}


void show(HWND control, bool visible)
{
    if (control)
        ShowWindow(control, visible ? SW_SHOW : SW_HIDE);
}

int sliderValue(const OutputControls &c) { return c.quality ? (int)SendMessageA(c.quality, TBM_GETPOS, 0, 0) : 90; }

void updateQualityText(const OutputControls &c)
{
    if (c.qualityValue)
        SetWindowTextA(c.qualityValue, qualityLabel(sliderValue(c)).c_str());
}

std::string windowText(HWND w)
{
    char text[64] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

// The quality slider and its value text take what the row leaves them; WEBP
// keeps room for the transparency box after the value. The row starts where
// the format chooser is now (a tool may have moved the block).
void placeQualityControls(const OutputControls &c, bool withBox)
{
    if (!c.quality || !c.format)
        return;
    RECT chooser;
    GetWindowRect(c.format, &chooser);
    MapWindowPoints(nullptr, GetParent(c.format), (POINT *)&chooser, 2);
    const int x = chooser.left, y = chooser.top + 3;
    int slider = c.width - kSliderX - kGap - kValueWidth - (withBox ? kGap + kBoxWidth : 0);
    if (slider < 60)
        slider = 60;
    const int valueX = x + kSliderX + slider + kGap;
    MoveWindow(c.qualityLabel, x + kQualityLabelX, y, kQualityLabelWidth, 20, TRUE);
    MoveWindow(c.quality, x + kSliderX, y - 4, slider, 26, TRUE);
    MoveWindow(c.qualityValue, valueX, y, kValueWidth, 20, TRUE);
    if (withBox)
        MoveWindow(c.transparent, valueX + kValueWidth + kGap, y - 1, kBoxWidth, 22, TRUE);
    else
        MoveWindow(c.transparent, x + 84, y - 1, kBoxWidth, 22, TRUE);
}

}  // namespace

void createOutputControls(OutputControls &c, HWND parent, HINSTANCE instance, int x, int y, int firstId,
                          bool withFormat, int width)
{
    c = OutputControls();
    c.width = width;
    int pngX = x;
    if (withFormat) {
        c.format = child(parent, instance, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, y - 3, 70,
                         200, firstId + kOutputFormatOffset);
        addComboEntry(c.format, "JPG");
        addComboEntry(c.format, "PNG");
        addComboEntry(c.format, "WEBP");
        c.qualityLabel = child(parent, instance, "STATIC", "质量：", SS_RIGHT, x + kQualityLabelX, y,
                               kQualityLabelWidth, 20, firstId + kOutputQualityLabelOffset);
        c.quality = child(parent, instance, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, x + kSliderX,
                          y - 4, 170, 26, firstId + kOutputQualityOffset);
        SendMessageA(c.quality, TBM_SETRANGE, TRUE, MAKELPARAM(10, 100));
        SendMessageA(c.quality, TBM_SETPAGESIZE, 0, 10);
        SendMessageA(c.quality, TBM_SETPOS, TRUE, 90);
        c.qualityValue =
            child(parent, instance, "STATIC", "90(高)", 0, x + 300, y, 70, 20, firstId + kOutputQualityValueOffset);
        pngX = x + 84;
    }
    c.transparent = child(parent, instance, "BUTTON", "透明度", BS_AUTOCHECKBOX | WS_TABSTOP, pngX, y - 1, 72, 22,
                          firstId + kOutputTransparentOffset);
    c.png8 = child(parent, instance, "BUTTON", "PNG-8", BS_AUTOCHECKBOX | WS_TABSTOP, pngX + 78, y - 1, 72, 22,
                   firstId + kOutputPng8Offset);
    c.coloursLabel = child(parent, instance, "STATIC", "颜色：", SS_RIGHT, pngX + 152, y, 44, 20,
                           firstId + kOutputColoursLabelOffset);
    c.colours = child(parent, instance, "COMBOBOX", "", CBS_DROPDOWN | WS_VSCROLL | WS_TABSTOP, pngX + 198, y - 3, 64,
                      220, firstId + kOutputColoursOffset);
    for (const char *entry : kColourEntries)
        addComboEntry(c.colours, entry);
    SendMessageA(c.colours, CB_LIMITTEXT, 3, 0);
    placeQualityControls(c, false);
    applyUiFontToChildren(parent);
}

void createKeepTimeBox(OutputControls &c, HWND parent, HINSTANCE instance, int x, int y, int firstId)
{
    c.keepTime = child(parent, instance, "BUTTON", "保留原图的修改时间", BS_AUTOCHECKBOX | WS_TABSTOP, x, y, 150, 22,
                       firstId + kOutputKeepTimeOffset);
    applyUiFontToChildren(parent);
}

void showOutputOptions(const OutputControls &c, const OutputOptions &o)
{
    if (c.format)
        selectComboIndex(c.format, (int)o.format);
    if (c.quality)
        SendMessageA(c.quality, TBM_SETPOS, TRUE, qualityFromStored(true, (DWORD)o.quality));
    setCheck(c.transparent, o.transparent);
    setCheck(c.png8, o.png8);
    // A stored count that the list lacks (say 100) is shown as its own text.
    std::string count = formatText("%d", colourCountFromStored(true, (DWORD)o.colours));
    if (selectComboText(c.colours, count.c_str()) < 0)
        SetWindowTextA(c.colours, count.c_str());
    if (c.keepTime)
        setCheck(c.keepTime, o.keepFileTime);
    refreshOutputControls(c);
}

OutputOptions readOutputOptions(const OutputControls &c)
{
    OutputOptions o;
    o.format = chosenFormat(c);
    o.quality = qualityFromStored(true, (DWORD)sliderValue(c));
    o.transparent = getCheck(c.transparent);
    o.png8 = getCheck(c.png8);
    o.colours = colourCountFromText(windowText(c.colours), o.png8);
    o.keepFileTime = c.keepTime && getCheck(c.keepTime);
    return o;
}

void refreshOutputControls(const OutputControls &c)
{
    const OutputFormat format = chosenFormat(c);
    const bool png = format == OutputFormat::Png, webp = format == OutputFormat::Webp;
    placeQualityControls(c, webp);
    show(c.qualityLabel, !png);
    show(c.quality, !png);
    show(c.qualityValue, !png);
    show(c.transparent, png || webp);
    show(c.png8, png);
    bool colours = png && getCheck(c.png8);
    show(c.coloursLabel, colours);
    show(c.colours, colours);
    updateQualityText(c);
}

bool outputControlsCommand(const OutputControls &c, WPARAM wParam, LPARAM lParam)
{
    HWND from = (HWND)lParam;
    if ((from && from == c.format && HIWORD(wParam) == CBN_SELCHANGE) ||
        (from && from == c.png8 && HIWORD(wParam) == BN_CLICKED)) {
        refreshOutputControls(c);
        return true;
    }
    return false;
}

bool outputControlsScroll(const OutputControls &c, LPARAM lParam)
{
    if (!c.quality || (HWND)lParam != c.quality)
        return false;
    updateQualityText(c);
    return true;
}

void enableOutputControls(const OutputControls &c, bool enable)
{
    for (HWND w : {c.format, c.qualityLabel, c.quality, c.qualityValue, c.transparent, c.png8, c.coloursLabel,
                   c.colours, c.keepTime})
        if (w)
            EnableWindow(w, enable);
}
