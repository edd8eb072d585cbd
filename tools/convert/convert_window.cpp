#include "tools/convert/convert_window.h"

#include <commctrl.h>

#include <cstring>

#include <vector>

#include "ui/output_controls.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_window.h"
#include "tools/convert/convert_job.h"
#include "util/text.h"

const char kConvertWindowClass[] = "Velmora_Convert";

namespace {

struct ConvertWindow {
    HWND window = nullptr;
    HWND sourceGroup = nullptr, sourceEdit = nullptr, sourceButton = nullptr, formatsLabel = nullptr;
    std::vector<HWND> formatBoxes;
    HWND subfolders = nullptr;
    HWND targetGroup = nullptr, targetEdit = nullptr, targetButton = nullptr, convertToLabel = nullptr;
    OutputControls output;
    HWND keepExtension = nullptr, progress = nullptr, start = nullptr;
    ToolSession session;
    ConvertJob job;  // the running job; unchanged while the worker reads it
};

ConvertWindow state;

HWND add(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0)
{
    return addToolControl(state.window, cls, text, style, x, y, w, h, id, exStyle);
}

void updateKeepExtensionLabel()
{
    const char *extension = readOutputOptions(state.output).extension() + 1;  // "jpg", "png", "webp"
    SetWindowTextA(state.keepExtension,
                   formatText("新的文件名保留原文件名的扩展名部分，举例：123.bmp 转换成 %s 后新的文件名：123.bmp.%s",
                              extension, extension)
                       .c_str());
}

void createControls()
{
    state.sourceGroup = add("BUTTON", "源图片文件夹", BS_GROUPBOX, 10, 6, 645, 112, kConvertSourceGroupId);
    state.sourceEdit = add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 22, 28, 520, 23, kConvertSourceEditId,
                           WS_EX_CLIENTEDGE);
    state.sourceButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 552, 27, 90, 25, kConvertSourceButtonId);
    state.formatsLabel = add("STATIC", "原格式：", 0, 22, 64, 62, 20, kConvertFormatsLabelId);
    int x = 86, i = 0;
    for (const ConvertFormatBox &box : convertFormatBoxes()) {
        // Eleven boxes share the row: each as wide as its label needs.
        const size_t letters = strlen(box.label);
        const int width = letters <= 3 ? 44 : letters == 4 ? 50 : 80;
        state.formatBoxes.push_back(add("BUTTON", box.label, BS_AUTOCHECKBOX | WS_TABSTOP, x, 62, width, 22,
                                        kConvertFormatBoxFirstId + i++));
        x += width + 3;
    }
    state.subfolders =
        add("BUTTON", "同时处理所有子文件夹里的图片", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 90, 320, 22, kConvertSubfoldersId);

    state.targetGroup = add("BUTTON", "格式转换后保存到", BS_GROUPBOX, 10, 126, 645, 176, kConvertTargetGroupId);
    state.targetEdit = add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 22, 148, 520, 23, kConvertTargetEditId,
                           WS_EX_CLIENTEDGE);
    state.targetButton = add("BUTTON", "选择...", BS_PUSHBUTTON | WS_TABSTOP, 552, 147, 90, 25, kConvertTargetButtonId);
    state.convertToLabel = add("STATIC", "格式转换为：", 0, 22, 186, 84, 20, kConvertToLabelId);
    createOutputControls(state.output, state.window, GetModuleHandleA(nullptr), 108, 186, kConvertOutputFirstId, true,
                         530);
    // The format row is full (WEBP's quality and box share it): the date box
    // starts the progress row.
    createKeepTimeBox(state.output, state.window, GetModuleHandleA(nullptr), 22, 259, kConvertOutputFirstId);
    state.keepExtension = add("BUTTON", "", BS_AUTOCHECKBOX | WS_TABSTOP, 22, 216, 620, 22, kConvertKeepExtensionId);
    state.progress = add(PROGRESS_CLASSA, "", 0, 190, 258, 332, 24, kConvertProgressId);
    state.start = add("BUTTON", "开始转换", BS_PUSHBUTTON | WS_TABSTOP, 532, 254, 110, 32, kConvertStartId);
    showPathEnd(state.sourceEdit);
    showPathEnd(state.targetEdit);
    applyUiFontToChildren(state.window);
}

void enableGroups(bool enable)
{
    for (HWND w : {state.sourceGroup, state.sourceEdit, state.sourceButton, state.formatsLabel, state.subfolders,
                   state.targetGroup, state.targetEdit, state.targetButton, state.convertToLabel, state.keepExtension})
        EnableWindow(w, enable);
    for (HWND box : state.formatBoxes)
        EnableWindow(box, enable);
    enableOutputControls(state.output, enable);
}

unsigned checkedFormats() { return checkedBits(state.formatBoxes, convertFormatBoxes()); }

// The stored values into the controls (bit 7 has no box and is kept as stored).
void loadStoredValues()
{
    ConvertJob stored;
    loadConvertValues(RegistryValues(), stored);
    checkBits(state.formatBoxes, convertFormatBoxes(), stored.sourceFormats);
    state.job.sourceFormats = stored.sourceFormats;
    setCheck(state.keepExtension, stored.keepOriginalExtension);
    showOutputOptions(state.output, stored.output);
    updateKeepExtensionLabel();
}

void chooseSource()
{
    std::string folder = toolControlText(state.sourceEdit);
    if (!chooseToolSourceFolder(state.window, folder))
        return;
    SetWindowTextA(state.sourceEdit, folder.c_str());
    SetWindowTextA(state.targetEdit, proposeOutputFolder(folder).c_str());
}

void chooseTarget()
{
    std::string folder = toolControlText(state.targetEdit);
    if (chooseToolOutputFolder(state.window, folder))
        SetWindowTextA(state.targetEdit, folder.c_str());
}

void startConversion()
{
    if (state.session.running)
        return;
    ConvertJob job;
    job.sourceFolder = toolControlText(state.sourceEdit);
    // Bit 7 has no box: it stays as it was stored.
    job.sourceFormats = checkedFormats() | (state.job.sourceFormats & 0x80u);
    job.output = readOutputOptions(state.output);
    job.keepOriginalExtension = getCheck(state.keepExtension);
    ConvertProblem problem = convertJobProblem(job);
    if (problem.field != ConvertField::None) {
        runPrompts().balloon(problem.field == ConvertField::Source ? state.sourceButton : state.formatsLabel,
                             problem.text, problem.title);
        return;
    }
    ValueMap values;
    putConvertValues(values, job);
    if (!values.storeInRegistry())
        showInfoMessage("格式转换的设置没有保存到注册表 (这一次仍按窗口中的设置转换)");
    // The run works with exactly what was stored, as a command line run with the same values would.
    loadConvertValues(values, job);
    job.autoOrient = autoOrientFrom(RegistryValues());
    job.includeSubfolders = getCheck(state.subfolders);
    job.targetFolder = toolControlText(state.targetEdit);
    state.job = job;

    startToolRun(state.session, [](const BatchReport &report) { return runConvertJob(state.job, report); });
}

void onCommand(WPARAM wp, LPARAM lp)
{
    if (outputControlsCommand(state.output, wp, lp)) {
        updateKeepExtensionLabel();
        return;
    }
    if (HIWORD(wp) != BN_CLICKED)
        return;
    switch (LOWORD(wp)) {
    case kConvertSourceButtonId:
        chooseSource();
        break;
    case kConvertTargetButtonId:
        chooseTarget();
        break;
    case kConvertStartId:
        startConversion();
        break;
    }
}

LRESULT CALLBACK convertWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
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
    state.window =
        createToolWindow(kConvertWindowClass, "Velmora图片批量格式转换工具", convertWindowProc, 671, 339, false);
    if (!state.window)
        return false;
    createControls();
    bindToolSession(state.session, state.window, state.progress, state.start, enableGroups,
                    [] { return state.job.targetFolder; });
    return true;
}

}  // namespace

HWND openConvertTool(HWND mainWindow)
{
    if (mainWindow)
        setToolHostWindow(mainWindow);
    if (!createWindowOnce())
        return nullptr;
    if (!state.session.running) {
        SetWindowTextA(state.sourceEdit, "");
        setCheck(state.subfolders, false);
        SetWindowTextA(state.targetEdit, "");
        loadStoredValues();
    }
    showToolWindow(state.window);
    return state.window;
}

HWND convertToolWindow() { return state.window; }
