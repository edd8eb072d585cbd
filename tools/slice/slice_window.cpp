#include "tools/slice/slice_window.h"

#include <commctrl.h>

#include <cstdlib>

#include "ui/output_controls.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_window.h"
#include "tools/slice/slice_job.h"
#include "util/text.h"

const char kSliceWindowClass[] = "Velmora_Slice";

namespace {

const char *const kFormatBoxes[] = {"jpg", "png", "gif", "bmp", "webp/heic/avif"};
constexpr int kFormatBoxCount = sizeof kFormatBoxes / sizeof kFormatBoxes[0];

// One direction's controls: the check box, then by count and by pixels.
struct DirectionControls {
    HWND on = nullptr, avg = nullptr, avgValue = nullptr, avgLabel = nullptr, pixel = nullptr, pixelValue = nullptr,
         pixelLabel = nullptr;
};

struct SliceWindow {
    HWND window = nullptr;
    HWND sourceGroup = nullptr, sourceEdit = nullptr, sourceButton = nullptr, subfolders = nullptr;
    HWND formatBoxes[kFormatBoxCount] = {};
    HWND gridGroup = nullptr;
    DirectionControls horizontal, vertical;
    HWND html = nullptr;
    HWND outputGroup = nullptr, outputEdit = nullptr, outputButton = nullptr, formatLabel = nullptr;
    OutputControls output;
    HWND progress = nullptr, start = nullptr;
    ToolSession session;
    SliceJob job;
};

SliceWindow state;

HWND add(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0)
{
    return addToolControl(state.window, cls, text, style, x, y, w, h, id, exStyle);
}

DirectionControls addDirection(int firstId, int y, const char *label, const char *countText)
{
    DirectionControls d;
    d.on = add("BUTTON", label, BS_AUTOCHECKBOX | WS_TABSTOP, 22, y, 104, 22, firstId);
    d.avg = add("BUTTON", "", BS_RADIOBUTTON | WS_TABSTOP, 132, y, 18, 22, firstId + 1);
    d.avgValue = add("EDIT", "", ES_NUMBER | WS_TABSTOP, 152, y, 44, 22, firstId + 2, WS_EX_CLIENTEDGE);
    SendMessageA(d.avgValue, EM_LIMITTEXT, 3, 0);
    d.avgLabel = add("STATIC", countText, 0, 200, y + 3, 150, 20, firstId + 3);
    d.pixel = add("BUTTON", "", BS_RADIOBUTTON | WS_TABSTOP, 362, y, 18, 22, firstId + 4);
    d.pixelValue = add("EDIT", "", ES_NUMBER | WS_TABSTOP, 382, y, 52, 22, firstId + 5, WS_EX_CLIENTEDGE);
    SendMessageA(d.pixelValue, EM_LIMITTEXT, 4, 0);
    d.pixelLabel = add("STATIC", "像素/切片", 0, 440, y + 3, 90, 20, firstId + 6);
    return d;
}

void createControls()
{
    state.sourceGroup = add("BUTTON", "源图片文件夹", BS_GROUPBOX, 10, 6, 581, 110, kSliceSourceGroupId);
    state.sourceEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 22, 28, 456, 23, kSliceSourceEditId, WS_EX_CLIENTEDGE);
    state.sourceButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 488, 27, 90, 25, kSliceSourceButtonId);
    for (int i = 0; i < kFormatBoxCount; ++i)
        state.formatBoxes[i] = add("BUTTON", kFormatBoxes[i], BS_AUTOCHECKBOX | WS_TABSTOP, 22 + i * 62, 60,
                                   i < 4 ? 56 : 120, 22,
                                   kSliceFormatBoxFirstId + i);
    state.subfolders = add("BUTTON", "同时处理所有子文件夹里的图片", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 86, 320, 22,
                           kSliceSubfoldersId);

    state.gridGroup = add("BUTTON", "切片设置", BS_GROUPBOX, 10, 122, 581, 114, kSliceGridGroupId);
    state.horizontal = addDirection(kSliceHorizontalId, 144, "水平划分为", "个纵向切片，均匀分隔");
    state.vertical = addDirection(kSliceVerticalId, 174, "垂直划分为", "个横向切片，均匀分隔");
    state.html = add("BUTTON", "生成HTML代码", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 206, 200, 22, kSliceHtmlId);

    state.outputGroup = add("BUTTON", "处理后保存到", BS_GROUPBOX, 10, 242, 581, 118, kSliceOutputGroupId);
    state.outputEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 22, 264, 456, 23, kSliceOutputEditId, WS_EX_CLIENTEDGE);
    state.outputButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 488, 263, 90, 25, kSliceOutputButtonId);
    state.formatLabel = add("STATIC", "格式：", 0, 22, 306, 44, 20, kSliceFormatLabelId);
    createOutputControls(state.output, state.window, GetModuleHandleA(nullptr), 70, 306, kSliceOutputFirstId, true,
                         500);
    createKeepTimeBox(state.output, state.window, GetModuleHandleA(nullptr), 22, 332, kSliceOutputFirstId);

    state.progress = add(PROGRESS_CLASSA, "", 0, 10, 384, 440, 26, kSliceProgressId);
    state.start = add("BUTTON", "开始处理", BS_PUSHBUTTON | WS_TABSTOP, 460, 378, 131, 38, kSliceStartId);
    showPathEnd(state.sourceEdit);
    showPathEnd(state.outputEdit);
    applyUiFontToChildren(state.window);
}

// Within a direction the boxes follow the radio buttons; all four are off while its check box is clear.
void refreshDirection(const DirectionControls &d, bool enable = true)
{
    bool on = enable && getCheck(d.on);
    EnableWindow(d.on, enable);
    EnableWindow(d.avg, on);
    EnableWindow(d.pixel, on);
    EnableWindow(d.avgValue, on && getCheck(d.avg));
    EnableWindow(d.pixelValue, on && getCheck(d.pixel));
    EnableWindow(d.avgLabel, on);
    EnableWindow(d.pixelLabel, on);
}

void selectMode(const DirectionControls &d, bool byCount)
{
    setCheck(d.avg, byCount);
    setCheck(d.pixel, !byCount);
    refreshDirection(d);
}

void enableGroups(bool enable)
{
    for (HWND w : {state.sourceGroup, state.sourceEdit, state.sourceButton, state.subfolders, state.gridGroup,
                   state.html, state.outputGroup, state.outputEdit, state.outputButton, state.formatLabel})
        EnableWindow(w, enable);
    for (HWND box : state.formatBoxes)
        EnableWindow(box, enable);
    refreshDirection(state.horizontal, enable);
    refreshDirection(state.vertical, enable);
    enableOutputControls(state.output, enable);
}

void loadDirection(const DirectionControls &c, const SliceDivision &d)
{
    setCheck(c.on, d.on);
    SetWindowTextA(c.avgValue, d.count > 0 ? formatText("%d", d.count).c_str() : "");
    SetWindowTextA(c.pixelValue, d.pixels > 0 ? formatText("%d", d.pixels).c_str() : "");
    selectMode(c, d.byCount);
}

void loadStoredValues()
{
    SliceSettings s;
    loadSliceValues(RegistryValues(), s);
    for (int i = 0; i < kFormatBoxCount; ++i)
        setCheck(state.formatBoxes[i], (s.sourceFormats >> i) & 1);
    loadDirection(state.horizontal, s.horizontal);
    loadDirection(state.vertical, s.vertical);
    setCheck(state.html, s.html);
    showOutputOptions(state.output, s.output);
}

SliceDivisionInput directionInput(const DirectionControls &c)
{
    SliceDivisionInput in;
    in.on = getCheck(c.on);
    in.byCount = getCheck(c.avg);
    in.text = toolControlText(in.byCount ? c.avgValue : c.pixelValue);
    return in;
}

SliceDivision directionSettings(const DirectionControls &c)
{
    SliceDivision d;
    d.on = getCheck(c.on);
    d.byCount = getCheck(c.avg);
    d.count = atoi(toolControlText(c.avgValue).c_str());
    d.pixels = atoi(toolControlText(c.pixelValue).c_str());
    return d;
}

void chooseSource()
{
    std::string folder = toolControlText(state.sourceEdit);
    if (!chooseToolSourceFolder(state.window, folder))
        return;
    SetWindowTextA(state.sourceEdit, folder.c_str());
    SetWindowTextA(state.outputEdit, proposeOutputFolder(folder).c_str());
}

void chooseOutput()
{
    std::string folder = toolControlText(state.outputEdit);
    if (chooseToolOutputFolder(state.window, folder))
        SetWindowTextA(state.outputEdit, folder.c_str());
}

void startSlicing()
{
    if (state.session.running)
        return;
    unsigned formats = 0;
    for (int i = 0; i < kFormatBoxCount; ++i)
        if (getCheck(state.formatBoxes[i]))
            formats |= 1u << i;
    const std::string source = toolControlText(state.sourceEdit);
    SliceProblem problem =
        sliceStartProblem(source, formats, directionInput(state.horizontal), directionInput(state.vertical));
    switch (problem.field) {
    case SliceField::None:
        break;
    case SliceField::Source:
        runPrompts().balloon(state.sourceButton, problem.text, problem.title);
        return;
    case SliceField::Formats:
        runPrompts().balloon(state.formatBoxes[0], problem.text, problem.title);
        return;
    case SliceField::Divisions:
        // One balloon for both boxes: a second one under the next box would cover the first.
        runPrompts().balloon(state.horizontal.on, problem.text, problem.title);
        return;
    case SliceField::Horizontal:
    case SliceField::Vertical: {
        const DirectionControls &d = problem.field == SliceField::Horizontal ? state.horizontal : state.vertical;
        HWND box = getCheck(d.avg) ? d.avgValue : d.pixelValue;
        (problem.errorIcon ? runPrompts().errorBalloon : runPrompts().balloon)(box, problem.text, problem.title);
        SetFocus(box);
        return;
    }
    }
    SliceSettings s;
    s.sourceFormats = formats;
    s.horizontal = directionSettings(state.horizontal);
    s.vertical = directionSettings(state.vertical);
    s.output = readOutputOptions(state.output);
    s.html = getCheck(state.html);
    s.autoOrient = autoOrientFrom(RegistryValues());
    ValueMap values;
    putSliceValues(values, s);
    if (!values.storeInRegistry())
        showInfoMessage("图片切片的设置没有保存到注册表 (这一次仍按窗口中的设置切片)");
    SliceJob job;
    loadSliceValues(values, job.settings);
    job.settings.autoOrient = s.autoOrient;
    job.sourceFolder = source;
    job.includeSubfolders = getCheck(state.subfolders);
    job.outputFolder = toolControlText(state.outputEdit);
    state.job = job;
    startToolRun(state.session, [](const BatchReport &report) { return runSliceJob(state.job, report); });
}

void onCommand(WPARAM wp, LPARAM lp)
{
    if (outputControlsCommand(state.output, wp, lp))
        return;
    if (HIWORD(wp) != BN_CLICKED)
        return;
    const int id = LOWORD(wp);
    for (const DirectionControls *d : {&state.horizontal, &state.vertical}) {
        if ((HWND)lp == d->on) {
            refreshDirection(*d);
            return;
        }
        if ((HWND)lp == d->avg || (HWND)lp == d->pixel) {
            selectMode(*d, (HWND)lp == d->avg);
            SetFocus((HWND)lp == d->avg ? d->avgValue : d->pixelValue);
            return;
        }
    }
    switch (id) {
    case kSliceSourceButtonId:
        chooseSource();
        break;
    case kSliceOutputButtonId:
        chooseOutput();
        break;
    case kSliceStartId:
        startSlicing();
        break;
    }
}

LRESULT CALLBACK sliceWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        onCommand(wp, lp);
        return 0;
    case WM_HSCROLL:
        outputControlsScroll(state.output, lp);
        return 0;
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
    state.window = createToolWindow(kSliceWindowClass, "Velmora图片批量切片工具", sliceWindowProc, 601, 431, true);
    if (!state.window)
        return false;
    createControls();
    bindToolSession(state.session, state.window, state.progress, state.start, enableGroups,
                    [] { return state.job.outputFolder; });
    return true;
}

}  // namespace

HWND openSliceTool(HWND mainWindow)
{
    if (mainWindow)
        setToolHostWindow(mainWindow);
    if (!createWindowOnce())
        return nullptr;
    if (!state.session.running) {
        SetWindowTextA(state.sourceEdit, "");
        setCheck(state.subfolders, false);
        SetWindowTextA(state.outputEdit, "");
        loadStoredValues();
    }
    showToolWindow(state.window);
    return state.window;
}

HWND sliceToolWindow() { return state.window; }
