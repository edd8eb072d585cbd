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

bool isPng(const OutputControls &c) { return !c.format || comboSelectedIndex(c.format) == (int)OutputFormat::Png; }

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

}  // namespace

void createOutputControls(OutputControls &c, HWND parent, HINSTANCE instance, int x, int y, int firstId,
                          bool withFormat)
{
    c = OutputControls();
    int pngX = x;
    if (withFormat) {
        c.format = child(parent, instance, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, x, y - 3, 70,
                         200, firstId + kOutputFormatOffset);
        addComboEntry(c.format, "JPG");
        addComboEntry(c.format, "PNG");
        c.qualityLabel =
            child(parent, instance, "STATIC", "质量：", SS_RIGHT, x + 80, y, 44, 20, firstId + kOutputQualityLabelOffset);
        c.quality = child(parent, instance, TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, x + 126, y - 4,
                          170, 26, firstId + kOutputQualityOffset);
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
    o.format = isPng(c) ? OutputFormat::Png : OutputFormat::Jpg;
    o.quality = qualityFromStored(true, (DWORD)sliderValue(c));
    o.transparent = getCheck(c.transparent);
    o.png8 = getCheck(c.png8);
    o.colours = colourCountFromText(windowText(c.colours), o.png8);
    o.keepFileTime = c.keepTime && getCheck(c.keepTime);
    return o;
}

void refreshOutputControls(const OutputControls &c)
{
    bool png = isPng(c);
    show(c.qualityLabel, !png);
    show(c.quality, !png);
    show(c.qualityValue, !png);
    show(c.transparent, png);
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
