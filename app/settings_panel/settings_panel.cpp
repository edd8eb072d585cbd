#include "app/settings_panel/settings_panel.h"

#include <commctrl.h>
#include <windowsx.h>

#include "app/settings_panel/panel_state.h"
#include "ui/window_kit.h"

namespace {

void fillCombo(int id, std::initializer_list<const char *> entries)
{
    for (const char *entry : entries)
        addComboEntry(ctl(id), entry);
}

void setSlider(int id, int low, int high, int position)
{
    SendMessageA(ctl(id), TBM_SETRANGE, FALSE, MAKELPARAM(low, high));
    SendMessageA(ctl(id), TBM_SETPOS, TRUE, position);
}

void fillChoices()
{
    fillCombo(kIdZoomType, {"图片缩小", "图片放大", "图片缩放"});
    fillCombo(kIdSizeType, {"图片宽：", "图片高："});
    for (int id : {kIdTextAngle, kIdImageAngle})
        for (const std::string &label : angleChoiceLabels())
            addComboEntry(ctl(id), label.c_str());
    for (int id : {kIdTextWDirection, kIdImageWDirection})
        fillCombo(id, {"水平距中", "左边距", "右边距"});
    for (int id : {kIdTextHDirection, kIdImageHDirection})
        fillCombo(id, {"垂直距中", "上边距", "下边距"});
    for (int size = 0; size <= 9; ++size)
        addComboEntry(ctl(kIdTextFrameSize), std::to_string(size).c_str());
    for (int radius = 0; radius <= 90; radius += 5)
        addComboEntry(ctl(kIdTextCorner), std::to_string(radius).c_str());
    fillCombo(kIdBorderLocation, {"外部", "内部"});
    fillCombo(kIdFromColorspace, {"CMYK", "RGB", "sRGB", "全部"});
    fillCombo(kIdToColorspace, {"CMYK", "RGB", "sRGB"});

    setSlider(kIdQualitySlider, 10, 100, 91);
    setSlider(kIdTextOpacity, 1, 100, 100);
    setSlider(kIdImageOpacity, 1, 100, 100);
    setSlider(kIdBorderSize, 1, 64, 3);
    setSlider(kIdBorderPadding, 0, 64, 0);
    for (int id : {kIdLightSlider, kIdContrastSlider, kIdClearlySlider})
        setSlider(id, -100, 100, 0);

    struct Limit {
        int id;
        int chars;
    } limits[] = {{kIdSizeField, 4},     {kIdMaxSizeField, 5}, {kIdText, 127},  {kIdTextWValue, 3},
                  {kIdTextHValue, 3},    {kIdTextFillLR, 2},   {kIdTextFillTB, 2}, {kIdImageWValue, 3},
                  {kIdImageHValue, 3},   {kIdDpiField, 5}};
    for (const Limit &limit : limits)
        SendMessageA(ctl(limit.id), EM_SETLIMITTEXT, limit.chars, 0);

    struct Spin {
        int spin, buddy;
    } spins[] = {{kIdTextWSpin, kIdTextWValue},
                 {kIdTextHSpin, kIdTextHValue},
                 {kIdImageWSpin, kIdImageWValue},
                 {kIdImageHSpin, kIdImageHValue}};
    for (const Spin &spin : spins) {
        SendMessageA(ctl(spin.spin), UDM_SETBUDDY, reinterpret_cast<WPARAM>(ctl(spin.buddy)), 0);
        SendMessageA(ctl(spin.spin), UDM_SETRANGE32, 0, 999);
    }
    HINSTANCE instance = panelState().instance;
    attachTooltip(ctl(kIdTextBackClear), "清除背景色", instance);
    attachTooltip(ctl(kIdSrgbIcc), "转换成sRGB颜色空间时，是否使用 sRGB.icc 配置文件", instance);
    setCheck(ctl(kIdSaveTo), true);
}

// Section boxes pass what their controls report on to the panel, which does the work.
LRESULT CALLBACK sectionProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_DRAWITEM:
    case WM_MOUSEWHEEL:
        return SendMessageA(GetParent(box), message, wParam, lParam);
    case WM_NCHITTEST:
        return HTCLIENT;  // a group box is transparent to the pointer; its controls are not
    case WM_ERASEBKGND: {
        RECT area;
        GetClientRect(box, &area);
        FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    }
    return CallWindowProcA(panelState().sectionProc, box, message, wParam, lParam);
}

void onVerticalScroll(HWND panel, int request)
{
    PanelState &state = panelState();
    PanelScroll scroll = currentScroll(panel);
    int position = state.scrollPosition;
    switch (request) {
    case SB_LINEUP: position -= 21; break;
    case SB_LINEDOWN: position += 21; break;
    case SB_PAGEUP: position -= scroll.page; break;
    case SB_PAGEDOWN: position += scroll.page; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = scroll.maximum; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {sizeof info, SIF_TRACKPOS};
        GetScrollInfo(panel, SB_VERT, &info);
        position = info.nTrackPos;
        break;
    }
    default: return;
    }
    scrollSettingsPanelTo(panel, position);
}

void drawSwatch(const DRAWITEMSTRUCT *item)
{
    const ProcessSettings &s = panelState().settings;
    int colour = 0;
    bool none = false;
    switch (item->CtlID) {
    case kIdTextBackSwatch:
        colour = s.sy_text_background_color;
        none = colour == -1;
        break;
    case kIdTextFrameSwatch: colour = s.sy_text_border_color; break;
    case kIdBorderSwatch: colour = s.border_color; break;
    default: return;
    }
    RECT area = item->rcItem;
    bool enabled = IsWindowEnabled(item->hwndItem) != FALSE;
    HBRUSH fill = CreateSolidBrush(none ? RGB(255, 255, 255) : static_cast<COLORREF>(colour & 0xFFFFFF));
    FillRect(item->hDC, &area, fill);
    DeleteObject(fill);
    if (none) {  // no background: a red diagonal, as a "none" swatch usually shows
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(220, 0, 0));
        HGDIOBJ old = SelectObject(item->hDC, pen);
        MoveToEx(item->hDC, area.left, area.bottom - 1, nullptr);
        LineTo(item->hDC, area.right, area.top - 1);
        SelectObject(item->hDC, old);
        DeleteObject(pen);
    }
    FrameRect(item->hDC, &area, GetSysColorBrush(enabled ? COLOR_3DDKSHADOW : COLOR_GRAYTEXT));
}

bool isSwatch(HWND control)
{
    int id = GetDlgCtrlID(control);
    return id == kIdTextBackSwatch || id == kIdTextFrameSwatch || id == kIdBorderSwatch;
}

LRESULT CALLBACK panelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (lParam)
            panelOnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_HSCROLL:
        if (lParam)
            panelOnSlider(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return 0;
    case WM_VSCROLL:
        if (!lParam)
            onVerticalScroll(panel, LOWORD(wParam));
        return 0;
    case WM_MOUSEWHEEL: {
        int delta = GET_WHEEL_DELTA_WPARAM(wParam);
        scrollSettingsPanelTo(panel, panelState().scrollPosition + (delta > 0 ? -50 : 50));
        return 0;
    }
    case WM_SIZE:
        updateSettingsPanelScroll(panel);
        return 0;
    case WM_DRAWITEM:
        drawSwatch(reinterpret_cast<const DRAWITEMSTRUCT *>(lParam));
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        HWND control = reinterpret_cast<HWND>(lParam);
        HDC dc = reinterpret_cast<HDC>(wParam);
        int id = GetDlgCtrlID(control);
        // The read-only path fields stay white while they can be used.
        if ((id == kIdImagePath || id == kIdSaveToFolder) && IsWindowEnabled(control)) {
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        if (id == kIdSizeUnit) {
            SetTextColor(dc, IsWindowEnabled(control) ? RGB(0, 0, 204) : GetSysColor(COLOR_GRAYTEXT));
        }
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_CTLCOLORBTN:
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_SETCURSOR: {
        HWND over = reinterpret_cast<HWND>(wParam);
        if (isSwatch(over) || GetDlgCtrlID(over) == kIdSizeUnit) {
            SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
            return TRUE;
        }
        break;
    }
    case WM_CHAR:  // Enter in a field (the message loop sends it with the field)
        if (wParam == 13 && lParam)
            panelOnEnter(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_APP:  // a field that was left empty gets the focus back
        if (IsWindow(reinterpret_cast<HWND>(wParam)))
            SetFocus(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    return DefWindowProcA(panel, message, wParam, lParam);
}

}  // namespace

HWND createSettingsPanel(HWND parent, HINSTANCE instance, int x, int y, int width, int height)
{
    PanelState &state = panelState();
    char mainClass[64] = {};
    GetClassNameA(parent, mainClass, sizeof mainClass);
    HWND panel = CreateWindowExA(WS_EX_COMPOSITED, mainClass, "panel",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, x, y, width, height, parent,
                                 nullptr, instance, nullptr);
    if (!panel)
        return nullptr;
    SetWindowLongPtrA(panel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(panelProc));
    state.panel = panel;
    state.instance = instance;
    state.settings = ProcessSettings();
    state.settings.border_size = 3;  // the panel starts with a visible border width
    state.scrollPosition = 0;
    state.contentHeight = stackPanelSections(kPanelSectionHeights, kPanelSectionCount, state.sectionTops);

    for (int i = 0; i < kPanelSectionCount; ++i) {
        bool start = i == kPanelSectionCount - 1;
        state.sections[i] =
            CreateWindowExA(0, kButton, kSectionTitles[i],
                            WS_CHILD | WS_VISIBLE | (start ? BS_PUSHBUTTON | WS_TABSTOP : BS_GROUPBOX | WS_CLIPCHILDREN),
                            0, state.sectionTops[i], kSectionWidth, kPanelSectionHeights[i], panel,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(start ? kIdStart : kIdSectionFirst + i)),
                            instance, nullptr);
        if (!start) {
            WNDPROC old = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(state.sections[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sectionProc)));
            state.sectionProc = old;
        }
    }
    for (size_t i = 0; i < kControlCount; ++i) {
        const ControlDef &entry = kControls[i];
        CreateWindowExA(0, entry.cls, entry.text, WS_CHILD | WS_VISIBLE | entry.style, entry.x, entry.y, entry.width,
                        entry.height, state.sections[entry.section],
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(entry.id)), instance, nullptr);
    }
    applyUiFontToChildren(panel);
    showPathEnd(ctl(kIdImagePath));
    showPathEnd(ctl(kIdSaveToFolder));
    SaveGroupControls &group = state.saveGroup.controls;
    group.saveToRadio = ctl(kIdSaveTo);
    group.overwriteRadio = ctl(kIdOverwrite);
    group.folderField = ctl(kIdSaveToFolder);
    group.chooseButton = ctl(kIdSaveToChoose);
    group.structureCheck = ctl(kIdKeepStructure);
    fillChoices();
    showSettingsInPanel(panel, state.settings);
    updateSettingsPanelScroll(panel);
    return panel;
}
