#include "tools/png/png_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "core/settings_rules.h"
#include "ui/output_controls.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_window.h"
#include "tools/png/png_job.h"
#include "util/text.h"

const char kPngWindowClass[] = "Velmora_Png";

const char kPngHelpText[] =
    "【图片缩小】：\n当原图尺寸大于设置的值时，会将原图的尺寸缩小到设置的值。如果原图尺寸小于设置的值时,图片尺寸保持不变。"
    "\n\n【图片放大】：\n当原图尺寸小于设置的值时，会将原图的尺寸放大到设置的值。如果原图尺寸大于设置的值时,图片尺寸保持不变。"
    "\n\n【图片缩放】：\n当原图尺寸小于设置的值时，会将原图的尺寸放大到设置的值。如果原图尺寸大于设置的值时,会将原图的尺寸缩小到设置的值。"
    "\n\n\n提示：如果想压缩PNG图片，请保持勾选【PNG-8】选项。\n　　　如果原图已经是PNG-8格式，将无法再进一步压缩。"
    "\n\n注意：图片处理后将采用PNG格式保存。";

namespace {

struct PngWindow {
    HWND window = nullptr;
    HWND banner = nullptr;
    HWND sourceGroup = nullptr, sourceEdit = nullptr, sourceButton = nullptr, subfolders = nullptr;
    HWND zoomGroup = nullptr, zoomCheck = nullptr, rule = nullptr, side = nullptr, size = nullptr,
         pixelsLabel = nullptr, proportions = nullptr, help = nullptr;
    HWND saveGroup = nullptr, saveTo = nullptr, outputEdit = nullptr, outputButton = nullptr, overwrite = nullptr;
    OutputControls output;
    HWND progress = nullptr, start = nullptr;
    HFONT bannerFont = nullptr, bannerSmallFont = nullptr;
    std::string proposal;  // the last proposed or chosen output folder since the window opened
    ToolSession session;
    PngJob job;  // the running job
};

PngWindow state;

HWND add(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0)
{
    return addToolControl(state.window, cls, text, style, x, y, w, h, id, exStyle);
}

void createControls()
{
    state.banner = add("STATIC", "", SS_OWNERDRAW, 0, 0, 600, 100, kPngBannerId);

    state.sourceGroup = add("BUTTON", "源图片文件夹", BS_GROUPBOX, 10, 108, 580, 88, kPngSourceGroupId);
    state.sourceEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 22, 132, 446, 23, kPngSourceEditId, WS_EX_CLIENTEDGE);
    state.sourceButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 478, 131, 100, 25, kPngSourceButtonId);
    state.subfolders =
        add("BUTTON", "同时处理所有子文件夹里的图片", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 164, 320, 22, kPngSubfoldersId);

    // The zoom check box stands in the group's title.
    state.zoomGroup = add("BUTTON", "", BS_GROUPBOX, 10, 204, 580, 72, kPngZoomGroupId);
    state.zoomCheck = add("BUTTON", "图片缩放", BS_AUTOCHECKBOX | WS_TABSTOP, 20, 202, 84, 18, kPngZoomCheckId);
    state.rule = add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 22, 232, 100, 200, kPngZoomRuleId);
    for (const char *entry : {"图片缩小", "图片放大", "图片缩放"})
        addComboEntry(state.rule, entry);
    state.side = add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 132, 232, 90, 200, kPngZoomSideId);
    for (const char *entry : {"图片宽：", "图片高："})
        addComboEntry(state.side, entry);
    state.size = add("EDIT", "", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 232, 233, 62, 22, kPngZoomSizeId,
                     WS_EX_CLIENTEDGE);
    SendMessageA(state.size, EM_LIMITTEXT, 4, 0);
    state.pixelsLabel = add("STATIC", "像素", 0, 300, 236, 34, 20, kPngPixelsLabelId);
    state.proportions =
        add("BUTTON", "高度等比例缩小", BS_AUTOCHECKBOX | WS_TABSTOP, 344, 233, 150, 22, kPngProportionsId);
    state.help = add("BUTTON", "?", BS_PUSHBUTTON | WS_TABSTOP, 544, 231, 34, 26, kPngHelpId);

    state.saveGroup = add("BUTTON", "保存设置", BS_GROUPBOX, 10, 284, 580, 128, kPngSaveGroupId);
    state.saveTo = add("BUTTON", "处理后保存到", BS_RADIOBUTTON | WS_TABSTOP | WS_GROUP, 22, 308, 110, 22, kPngSaveToId);
    state.outputEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 136, 308, 332, 23, kPngOutputEditId, WS_EX_CLIENTEDGE);
    state.outputButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 478, 307, 100, 25, kPngOutputButtonId);
    state.overwrite = add("BUTTON", "直接覆盖原图", BS_RADIOBUTTON | WS_TABSTOP, 22, 340, 110, 22, kPngOverwriteId);
    createOutputControls(state.output, state.window, GetModuleHandleA(nullptr), 22, 378, kPngOutputFirstId, false);
    createKeepTimeBox(state.output, state.window, GetModuleHandleA(nullptr), 300, 377, kPngOutputFirstId);

    state.progress = add(PROGRESS_CLASSA, "", 0, 10, 432, 444, 26, kPngProgressId);
    state.start = add("BUTTON", "开始处理", BS_PUSHBUTTON | WS_TABSTOP, 464, 426, 126, 38, kPngStartId);
    showPathEnd(state.sourceEdit);
    showPathEnd(state.outputEdit);
    applyUiFontToChildren(state.window);

    LOGFONTA lf = {};
    GetObjectA(uiFont(), sizeof lf, &lf);
    lf.lfHeight = -26;
    lf.lfWeight = FW_BOLD;
    state.bannerFont = CreateFontIndirectA(&lf);
    lf.lfHeight = -17;
    lf.lfWeight = FW_NORMAL;
    state.bannerSmallFont = CreateFontIndirectA(&lf);
}

// The banner: a blue gradient with the tool's name and what it does.
void drawBanner(const DRAWITEMSTRUCT *item)
{
    HDC dc = item->hDC;
    RECT r = item->rcItem;
    const int height = r.bottom - r.top;
    for (int y = 0; y < height; y += 2) {
        int t = y * 255 / (height > 1 ? height - 1 : 1);
        HBRUSH b = CreateSolidBrush(RGB(24 + t / 8, 86 + t / 5, 170 + t / 4));
        RECT line = {r.left, r.top + y, r.right, r.top + y + 2};
        FillRect(dc, &line, b);
        DeleteObject(b);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(255, 255, 255));
    HGDIOBJ old = SelectObject(dc, state.bannerFont);
    RECT title = {r.left + 24, r.top + 18, r.right - 16, r.top + 56};
    DrawTextA(dc, "PNG图片批量处理", -1, &title, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, state.bannerSmallFont);
    SetTextColor(dc, RGB(224, 236, 255));
    RECT line = {r.left + 26, r.top + 60, r.right - 16, r.top + 84};
    DrawTextA(dc, "缩放尺寸 · 去除透明 · PNG-8 调色板压缩 · 结果保存为 PNG", -1, &line,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, old);
}

void refreshZoomControls()
{
    bool on = getCheck(state.zoomCheck);
    for (HWND w : {state.rule, state.side, state.size, state.pixelsLabel, state.proportions})
        EnableWindow(w, on);
    int rule = comboSelectedIndex(state.rule), side = comboSelectedIndex(state.side);
    SetWindowTextA(state.proportions, sameScaleLabel(side < 0 ? 0 : side, rule < 0 ? 0 : rule).c_str());
}

void selectSaveMode(bool saveTo, bool overwrite)
{
    setCheck(state.saveTo, saveTo);
    setCheck(state.overwrite, overwrite);
}

void enableOutputFolder(bool enable)
{
    EnableWindow(state.outputEdit, enable);
    EnableWindow(state.outputButton, enable);
}

void enableGroups(bool enable)
{
    for (HWND w : {state.sourceGroup, state.sourceEdit, state.sourceButton, state.subfolders, state.zoomGroup,
                   state.zoomCheck, state.help, state.saveGroup, state.saveTo, state.overwrite})
        EnableWindow(w, enable);
    enableOutputControls(state.output, enable);
    enableOutputFolder(enable && !getCheck(state.overwrite));
    if (enable)
        refreshZoomControls();
    else
        for (HWND w : {state.rule, state.side, state.size, state.pixelsLabel, state.proportions})
            EnableWindow(w, FALSE);
}

void loadStoredValues()
{
    PngJob stored;
    loadPngValues(RegistryValues(), stored);
    setCheck(state.zoomCheck, stored.zoom);
    selectComboIndex(state.rule, stored.zoomRule);
    selectComboIndex(state.side, stored.zoomSide);
    SetWindowTextA(state.size, stored.zoomSize > 0 ? formatText("%d", stored.zoomSize).c_str() : "");
    setCheck(state.proportions, stored.keepProportions);
    OutputOptions output;
    output.format = OutputFormat::Png;
    output.transparent = stored.transparent;
    output.png8 = stored.png8;
    output.colours = stored.colours;
    output.keepFileTime = stored.keepFileTime;
    showOutputOptions(state.output, output);
    refreshZoomControls();
}

void chooseSource()
{
    std::string folder = toolControlText(state.sourceEdit);
    if (!chooseToolSourceFolder(state.window, folder))
        return;
    SetWindowTextA(state.sourceEdit, folder.c_str());
    state.proposal = proposeOutputFolder(folder);
    if (!getCheck(state.overwrite))
        SetWindowTextA(state.outputEdit, state.proposal.c_str());
}

void chooseOutput()
{
    std::string folder = toolControlText(state.outputEdit);
    if (!chooseToolOutputFolder(state.window, folder))
        return;
    state.proposal = folder;
    SetWindowTextA(state.outputEdit, folder.c_str());
    selectSaveMode(true, false);
    enableOutputFolder(true);
}

void onSaveTo()
{
    selectSaveMode(true, false);
    enableOutputFolder(true);
    std::string source = toolControlText(state.sourceEdit);
    if (state.proposal.empty() && !source.empty())
        state.proposal = proposeOutputFolder(source);
    SetWindowTextA(state.outputEdit, state.proposal.c_str());
}

// Asked whenever the choice moves to overwriting (also after a run cleared both
// buttons): that is the one choice that cannot be undone.
void onOverwrite()
{
    if (getCheck(state.overwrite))
        return;
    if (!confirmOverwriteOriginals(state.window)) {
        onSaveTo();
        return;
    }
    selectSaveMode(false, true);
    enableOutputFolder(false);
    SetWindowTextA(state.outputEdit, "");
}

void startRun()
{
    if (state.session.running)
        return;
    std::string source = toolControlText(state.sourceEdit);
    bool zoom = getCheck(state.zoomCheck);
    std::string sizeText = toolControlText(state.size);
    PngProblem problem = pngStartProblem(source, zoom, sizeText);
    if (problem.field == PngField::Source) {
        runPrompts().balloon(state.sourceButton, problem.text, problem.title);
        return;
    }
    if (problem.field == PngField::Size) {
        (problem.errorIcon ? runPrompts().errorBalloon : runPrompts().balloon)(state.size, problem.text, problem.title);
        SetFocus(state.size);
        return;
    }
    if (!getCheck(state.saveTo) && !getCheck(state.overwrite)) {
        runPrompts().balloon(state.saveTo, "请选择图片处理后保存的方式", "请选择");
        return;
    }
    PngJob job;
    job.zoom = zoom;
    job.zoomRule = comboSelectedIndex(state.rule);
    job.zoomSide = comboSelectedIndex(state.side);
    job.zoomSize = sizeText.empty() ? 0 : atoi(sizeText.c_str());
    job.keepProportions = getCheck(state.proportions);
    OutputOptions output = readOutputOptions(state.output);
    job.transparent = output.transparent;
    job.png8 = output.png8;
    job.colours = output.colours;
    job.keepFileTime = output.keepFileTime;
    ValueMap values;
    putPngValues(values, job);
    if (!values.storeInRegistry())
        showInfoMessage("处理PNG的设置没有保存到注册表 (这一次仍按窗口中的设置处理)");
    loadPngValues(values, job);
    job.autoOrient = autoOrientFrom(RegistryValues());
    job.sourceFolder = source;
    job.includeSubfolders = getCheck(state.subfolders);
    job.overwrite = getCheck(state.overwrite);
    job.outputFolder = job.overwrite ? std::string() : toolControlText(state.outputEdit);
    state.job = job;

    startToolRun(state.session, [](const BatchReport &report) { return runPngJob(state.job, report); });
}

void onCommand(WPARAM wp, LPARAM lp)
{
    if (outputControlsCommand(state.output, wp, lp))
        return;
    const int id = LOWORD(wp), code = HIWORD(wp);
    if ((id == kPngZoomRuleId || id == kPngZoomSideId) && code == CBN_SELCHANGE) {
        refreshZoomControls();
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kPngSourceButtonId:
        chooseSource();
        break;
    case kPngZoomCheckId:
        refreshZoomControls();
        if (getCheck(state.zoomCheck))
            SetFocus(state.size);
        break;
    case kPngHelpId:
        runPrompts().messageBox(state.window, kPngHelpText, "提示", MB_OK | MB_ICONINFORMATION);
        break;
    case kPngSaveToId:
        onSaveTo();
        break;
    case kPngOverwriteId:
        onOverwrite();
        break;
    case kPngOutputButtonId:
        chooseOutput();
        break;
    case kPngStartId:
        startRun();
        break;
    }
}

LRESULT CALLBACK pngWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        onCommand(wp, lp);
        return 0;
    case WM_DRAWITEM:
        if (wp == kPngBannerId) {
            drawBanner(reinterpret_cast<const DRAWITEMSTRUCT *>(lp));
            return TRUE;
        }
        break;
    }
    LRESULT result = 0;
    if (handleToolWindowMessage(state.session, msg, result))
        return result;
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool createWindowOnce()
{
    if (state.window)
        return true;
    state.window = createToolWindow(kPngWindowClass, "VelmoraPNG图片批量处理工具", pngWindowProc, 600, 478, true);
    if (!state.window)
        return false;
    createControls();
    bindToolSession(state.session, state.window, state.progress, state.start, enableGroups,
                    [] { return state.job.overwrite ? state.job.sourceFolder : state.job.outputFolder; });
    state.session.afterRun = [] {
        // The next run must choose again how to save.
        selectSaveMode(false, false);
        enableOutputFolder(true);
        if (state.job.overwrite)
            state.proposal.clear();
    };
    return true;
}

}  // namespace

HWND openPngTool(HWND mainWindow)
{
    if (mainWindow)
        setToolHostWindow(mainWindow);
    if (!createWindowOnce())
        return nullptr;
    if (!state.session.running) {
        SetWindowTextA(state.sourceEdit, "");
        setCheck(state.subfolders, false);
        SetWindowTextA(state.outputEdit, "");
        state.proposal.clear();
        loadStoredValues();
        selectSaveMode(true, false);
        enableOutputFolder(true);
    }
    showToolWindow(state.window);
    return state.window;
}

HWND pngToolWindow() { return state.window; }
