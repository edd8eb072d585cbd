#include "tools/crop/crop_window.h"

#include <commctrl.h>

#include <cstring>

#include <memory>
#include <vector>

#include "ui/output_controls.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_window.h"
#include "tools/crop/crop_job.h"
#include "tools/crop/crop_preview.h"
#include "ui/preview/preview_pane.h"
#include "ui/preview/preview_worker.h"
#include "util/text.h"

const char kCropWindowClass[] = "Velmora_Crop";

const char kCropPreviewHelpText[] =
    "图片裁剪预览时，最多会从【源图片文件夹】中加载 32 张图片。\n\n可以按键盘方向键来切换图片，查看不同的图片裁剪效果。"
    "\n\n提示：如果按方向键不能切换图片，请先用鼠标点击一下图片预览区。\n\n注意：如果勾选了【PNG-8】选项，"
    "生成预览图片将需要更多的时间。";

namespace {

const char kPanelClass[] = "Velmora_CropPanel";
const UINT kPreviewDoneMessage = WM_APP + 0x130;
const UINT kFieldEnterMessage = WM_APP + 0x131;
const int kPanelWidth = 400;

struct FieldSpec {
    const char *label;
    bool percent;  // "%" rather than "像素" after it; ratio fields have nothing
    bool ratio;
    int row, column;
};
const FieldSpec kFields[kCropFieldCount] = {
    {"宽：", false, false, 0, 0}, {"高：", false, false, 0, 1}, {"宽：", true, false, 0, 0},
    {"高：", true, false, 0, 1},  {"宽：", false, true, 0, 0},  {"高：", false, true, 0, 1},
    {"左：", false, false, 0, 0}, {"右：", false, false, 0, 1}, {"上：", false, false, 1, 0},
    {"下：", false, false, 1, 1}, {"左：", true, false, 0, 0},  {"右：", true, false, 0, 1},
    {"上：", true, false, 1, 0},  {"下：", true, false, 1, 1},
};

struct CropWindow {
    HWND window = nullptr, panel = nullptr, pane = nullptr, status = nullptr;
    HWND sourceGroup = nullptr, sourceEdit = nullptr, sourceButton = nullptr, subfolders = nullptr;
    std::vector<HWND> typeBoxes;
    HWND settingsGroup = nullptr, mode = nullptr, align = nullptr, unitPixels = nullptr, unitPercent = nullptr;
    HWND fields[kCropFieldCount] = {};
    HWND fieldLabels[kCropFieldCount][2] = {};
    HWND saveGroup = nullptr, saveTo = nullptr, targetEdit = nullptr, targetButton = nullptr, overwrite = nullptr;
    HWND keepFormat = nullptr, formatLabel = nullptr;
    OutputControls output;
    HWND progress = nullptr, start = nullptr, helpLink = nullptr;
    WNDPROC editProc = nullptr;
    std::string fieldTextOnFocus;

    std::vector<std::string> previewList;
    size_t previewIndex = 0;
    PreviewWorker worker;

    ToolSession session;
    CropJob job;  // the running job
};

CropWindow state;

HWND add(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0)
{
    return addToolControl(state.panel, cls, text, style, x, y, w, h, id, exStyle);
}

void setStatus(int part, const std::string &text)
{
    SendMessageA(state.status, SB_SETTEXTA, (WPARAM)part, (LPARAM)text.c_str());
}

void showControl(HWND control, bool visible) { ShowWindow(control, visible ? SW_SHOW : SW_HIDE); }

// Enter in a field applies it, as leaving it with a changed text does.
LRESULT CALLBACK fieldProc(HWND field, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CHAR && wp == VK_RETURN) {
        PostMessageA(state.window, kFieldEnterMessage, 0, (LPARAM)field);
        return 0;
    }
    return CallWindowProcA(state.editProc, field, msg, wp, lp);
}

void createFields(int top)
{
    for (int i = 0; i < kCropFieldCount; ++i) {
        const FieldSpec &f = kFields[i];
        const int x = 16 + f.column * 180, y = top + f.row * 30;
        state.fieldLabels[i][0] = add("STATIC", f.label, SS_RIGHT, x, y + 3, 30, 20, kCropFieldLabelFirstId + 2 * i);
        state.fields[i] = add("EDIT", "", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, x + 32, y, 80, 23,
                              kCropFieldFirstId + i, WS_EX_CLIENTEDGE);
        SendMessageA(state.fields[i], EM_LIMITTEXT, 7, 0);
        state.fieldLabels[i][1] = add("STATIC", f.ratio ? "" : f.percent ? "%" : "像素", 0, x + 116, y + 3, 40, 20,
                                      kCropFieldLabelFirstId + 2 * i + 1);
        WNDPROC old = (WNDPROC)SetWindowLongPtrA(state.fields[i], GWLP_WNDPROC, (LONG_PTR)fieldProc);
        if (!state.editProc)
            state.editProc = old;
    }
}

void createControls()
{
    state.sourceGroup = add("BUTTON", "源图片文件夹", BS_GROUPBOX, 6, 4, 388, 106, kCropSourceGroupId);
    state.sourceEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 16, 26, 286, 23, kCropSourceEditId, WS_EX_CLIENTEDGE);
    state.sourceButton = add("BUTTON", "选择", BS_PUSHBUTTON | WS_TABSTOP, 310, 25, 74, 25, kCropSourceButtonId);
    int x = 16, i = 0;
    for (const CropTypeBox &box : cropTypeBoxes()) {
        const int width = strlen(box.label) > 4 ? 116 : 56;  // "webp/heic/avif"
        state.typeBoxes.push_back(
            add("BUTTON", box.label, BS_AUTOCHECKBOX | WS_TABSTOP, x, 56, width, 22,
                i < 4 ? kCropTypeBoxFirstId + i : kCropModernTypeBoxId));
        ++i;
        x += width + 8;
    }
    state.subfolders =
        add("BUTTON", "同时处理所有子文件夹里的图片", BS_AUTOCHECKBOX | WS_TABSTOP, 16, 82, 320, 22, kCropSubfoldersId);

    state.settingsGroup = add("BUTTON", "裁剪参数设置", BS_GROUPBOX, 6, 116, 388, 112, kCropSettingsGroupId);
    state.mode = add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 16, 138, 150, 200, kCropModeId);
    for (const char *entry : {"裁剪固定尺寸", "裁剪百分比", "裁剪宽高比", "裁掉四周"})
        addComboEntry(state.mode, entry);
    state.align = add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 196, 138, 150, 200, kCropAlignId);
    for (const char *entry : {"裁剪正中间", "裁剪左上角", "裁剪左下角", "裁剪右上角", "裁剪右下角"})
        addComboEntry(state.align, entry);
    state.unitPixels =
        add("BUTTON", "按像素", BS_RADIOBUTTON | WS_TABSTOP | WS_GROUP, 196, 139, 80, 22, kCropUnitPixelsId);
    state.unitPercent = add("BUTTON", "按百分比", BS_RADIOBUTTON | WS_TABSTOP, 280, 139, 96, 22, kCropUnitPercentId);
    createFields(170);

    state.saveGroup = add("BUTTON", "保存设置", BS_GROUPBOX, 6, 234, 388, 134, kCropSaveGroupId);
    state.saveTo =
        add("BUTTON", "处理后保存到", BS_RADIOBUTTON | WS_TABSTOP | WS_GROUP, 16, 254, 130, 22, kCropSaveToId);
    state.targetEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 16, 280, 286, 23, kCropTargetEditId, WS_EX_CLIENTEDGE);
    state.targetButton = add("BUTTON", "选择", BS_PUSHBUTTON | WS_TABSTOP, 310, 279, 74, 25, kCropTargetButtonId);
    state.overwrite = add("BUTTON", "直接覆盖原图", BS_RADIOBUTTON | WS_TABSTOP, 16, 310, 130, 22, kCropOverwriteId);
    state.keepFormat =
        add("BUTTON", "图片格式保持不变", BS_AUTOCHECKBOX | WS_TABSTOP, 196, 310, 180, 22, kCropKeepFormatId);
    state.formatLabel = add("STATIC", "格式：", 0, 12, 340, 38, 20, kCropFormatLabelId);
    // The panel is 400 pixels wide: the row ends inside its group box.
    createOutputControls(state.output, state.panel, GetModuleHandleA(nullptr), 50, 340, kCropOutputFirstId, true, 336);
    createKeepTimeBox(state.output, state.panel, GetModuleHandleA(nullptr), 196, 254, kCropOutputFirstId);

    state.progress = add(PROGRESS_CLASSA, "", 0, 8, 382, 256, 24, kCropProgressId);
    state.start = add("BUTTON", "开始裁剪", BS_PUSHBUTTON | WS_TABSTOP, 274, 378, 120, 32, kCropStartId);
    state.helpLink = add("STATIC", "预览说明", SS_NOTIFY, 8, 422, 80, 20, kCropHelpLinkId);
    showPathEnd(state.sourceEdit);
    showPathEnd(state.targetEdit);
    applyUiFontToChildren(state.panel);
}

int currentMode()
{
    int mode = comboSelectedIndex(state.mode);
    return mode < 0 ? kCropFixedSize : mode;
}

bool sidesInPercent() { return getCheck(state.unitPercent); }

// The fields of the sub-panel shown: first and count.
void visibleFields(int &first, int &count)
{
    switch (currentMode()) {
    case kCropPercent:
        first = kCropPercentWidthField, count = 2;
        break;
    case kCropAspectRatio:
        first = kCropRatioWidthField, count = 2;
        break;
    case kCropSides:
        first = sidesInPercent() ? kCropSidePercentField : kCropSidePixelsField, count = 4;
        break;
    default:
        first = kCropFixedWidthField, count = 2;
        break;
    }
}

bool overwriteChosen() { return getCheck(state.overwrite); }

void refreshVisibility()
{
    const bool sides = currentMode() == kCropSides;
    showControl(state.align, !sides);
    showControl(state.unitPixels, sides);
    showControl(state.unitPercent, sides);
    int first = 0, count = 0;
    visibleFields(first, count);
    for (int i = 0; i < kCropFieldCount; ++i) {
        bool on = i >= first && i < first + count;
        showControl(state.fields[i], on);
        showControl(state.fieldLabels[i][0], on);
        showControl(state.fieldLabels[i][1], on);
    }
    const bool targetRow = !overwriteChosen();
    for (HWND w : {state.targetEdit, state.targetButton, state.keepFormat})
        showControl(w, targetRow);
    const bool formatRow = targetRow && !getCheck(state.keepFormat);
    showControl(state.formatLabel, formatRow);
    if (formatRow) {
        showControl(state.output.format, true);
        refreshOutputControls(state.output);
    } else {
        for (HWND w : {state.output.format, state.output.qualityLabel, state.output.quality, state.output.qualityValue,
                       state.output.transparent, state.output.png8, state.output.coloursLabel, state.output.colours})
            showControl(w, false);
    }
}

CropSettings settingsFromFields()
{
    CropSettings s;
    s.mode = currentMode();
    int align = comboSelectedIndex(state.align);
    s.align = align < 0 ? kCropCentre : align;
    long values[kCropFieldCount];
    for (int i = 0; i < kCropFieldCount; ++i)
        values[i] = cropFieldValue(toolControlText(state.fields[i]));
    s.fixedWidth = values[kCropFixedWidthField];
    s.fixedHeight = values[kCropFixedHeightField];
    s.percentWidth = values[kCropPercentWidthField];
    s.percentHeight = values[kCropPercentHeightField];
    s.ratioWidth = values[kCropRatioWidthField];
    s.ratioHeight = values[kCropRatioHeightField];
    s.sidesInPercent = sidesInPercent();
    for (int side = 0; side < 4; ++side) {
        s.sidePixels[side] = values[kCropSidePixelsField + side];
        s.sidePercents[side] = values[kCropSidePercentField + side];
    }
    return s;
}

void showField(int index, long value) { SetWindowTextA(state.fields[index], value < 0 ? "" : formatText("%ld", value).c_str()); }

unsigned checkedTypes() { return checkedBits(state.typeBoxes, cropTypeBoxes()); }

void loadStoredValues()
{
    CropJob stored;
    loadCropValues(RegistryValues(), stored);
    checkBits(state.typeBoxes, cropTypeBoxes(), stored.sourceTypes);
    const CropSettings &s = stored.crop;
    selectComboIndex(state.mode, s.mode);
    selectComboIndex(state.align, s.align);
    setCheck(state.unitPixels, !s.sidesInPercent);
    setCheck(state.unitPercent, s.sidesInPercent);
    showField(kCropFixedWidthField, s.fixedWidth);
    showField(kCropFixedHeightField, s.fixedHeight);
    showField(kCropPercentWidthField, s.percentWidth);
    showField(kCropPercentHeightField, s.percentHeight);
    showField(kCropRatioWidthField, s.ratioWidth);
    showField(kCropRatioHeightField, s.ratioHeight);
    for (int side = 0; side < 4; ++side) {
        showField(kCropSidePixelsField + side, s.sidePixels[side]);
        showField(kCropSidePercentField + side, s.sidePercents[side]);
    }
    showOutputOptions(state.output, stored.output);
}

// ---- Preview ------------------------------------------------------------------------

void showReady()
{
    setStatus(0, "就绪...");
    setStatus(1, "");
    setStatus(2, "");
}

// buildCropPreview: a new picture for the settings of the moment (never during a run).
void composePreview(CropPreviewDirection direction)
{
    if (state.session.running || !state.window)
        return;
    if (state.previewList.empty()) {
        state.worker.cancel();
        previewPaneSetBusy(state.pane, false);
        showReady();
        previewPaneClear(state.pane);
        return;
    }
    CropPreviewJob *job = new CropPreviewJob;
    job->pictures = state.previewList;
    job->startIndex = state.previewIndex < state.previewList.size() ? state.previewIndex : 0;
    job->direction = direction;
    job->crop = settingsFromFields();
    job->simulateOutput = !overwriteChosen() && !getCheck(state.keepFormat);
    job->output = readOutputOptions(state.output);
    job->autoOrient = autoOrientFrom(RegistryValues());
    const SIZE bound = previewPaneFitBound(state.pane);
    job->fit = {(int)bound.cx, (int)bound.cy};
    if (!state.worker.submit(job, state.window, kPreviewDoneMessage))
        return;
    setStatus(1, "生成预览图片...");
    previewPaneSetBusy(state.pane, true);
}

void rebuildPreviewList()
{
    state.previewList = cropPreviewList(toolControlText(state.sourceEdit), checkedTypes(), getCheck(state.subfolders));
    if (state.previewIndex >= state.previewList.size())
        state.previewIndex = 0;
}

void onPreviewDone(LPARAM lp)
{
    std::unique_ptr<CropPreviewJob> job(static_cast<CropPreviewJob *>(state.worker.accept(lp)));
    if (!job)
        return;  // a newer picture is on its way
    previewPaneSetBusy(state.pane, false);
    for (const std::string &line : job->skipped)
        showInfoMessage(line);
    switch (job->outcome) {
    case CropPreviewJob::Outcome::Shown:
        state.previewIndex = job->index;
        previewPaneShow(state.pane, job->picture, true, job->outline);
        setStatus(0, job->sourceSizeText);
        setStatus(1, job->croppedSizeText);
        setStatus(2, job->pathText);
        if (job->png8Failed)
            runPrompts().messageBox(
                state.window,
                formatText("转换成 PNG-8 格式时发生错误。\n\n图片地址：%s", job->pictures[job->index].c_str()).c_str(),
                "预览", MB_OK | MB_ICONERROR);
        break;
    case CropPreviewJob::Outcome::NoneFound: {
        showReady();
        MagickWand *white = NewMagickWand();
        PixelWand *colour = NewPixelWand();
        PixelSetColor(colour, "#ffffff");
        MagickNewImage(white, 1, 1, colour);
        DestroyPixelWand(colour);
        previewPaneShowPicture(state.pane, white, 91);
        runPrompts().messageBox(
            state.window,
            formatText("在文件夹 %s 中没有找到需要裁剪的图片！", toolControlText(state.sourceEdit).c_str()).c_str(),
            "预览", MB_OK | MB_ICONWARNING);
        break;
    }
    case CropPreviewJob::Outcome::DisplayFailed:
        showReady();
        previewPaneShowFailure(state.pane, job->failure);
        break;
    case CropPreviewJob::Outcome::NotRun:
        break;
    }
}

void stepPreview(int delta)
{
    if (state.session.running || state.previewList.size() < 2)
        return;
    const size_t n = state.previewList.size();
    state.previewIndex = delta < 0 ? (state.previewIndex + n - 1) % n : (state.previewIndex + 1) % n;
    composePreview(delta < 0 ? CropPreviewDirection::Backwards : CropPreviewDirection::Forwards);
}

// ---- Folders, save mode, start --------------------------------------------------

void selectSaveMode(bool saveTo, bool overwrite)
{
    setCheck(state.saveTo, saveTo);
    setCheck(state.overwrite, overwrite);
}

void chooseSource()
{
    std::string folder = toolControlText(state.sourceEdit);
    if (!chooseToolSourceFolder(state.window, folder))
        return;
    SetWindowTextA(state.sourceEdit, folder.c_str());
    SetWindowTextA(state.targetEdit, proposeOutputFolder(folder).c_str());
    state.previewIndex = 0;
    rebuildPreviewList();
    composePreview(CropPreviewDirection::None);
}

void chooseTarget()
{
    std::string folder = toolControlText(state.targetEdit);
    if (chooseToolOutputFolder(state.window, folder))
        SetWindowTextA(state.targetEdit, folder.c_str());
}

void onSaveTo()
{
    selectSaveMode(true, false);
    refreshVisibility();
    composePreview(CropPreviewDirection::None);
}

void onOverwrite()
{
    // Asked while the target row shows, i.e. whenever the choice moves to overwriting.
    if (overwriteChosen())
        return;
    if (!confirmOverwriteOriginals(state.window)) {
        onSaveTo();
        return;
    }
    selectSaveMode(false, true);
    refreshVisibility();
    composePreview(CropPreviewDirection::None);
}

HWND problemAnchor(CropField field)
{
    int first = 0, count = 0;
    visibleFields(first, count);
    switch (field) {
    case CropField::Source:
        return state.sourceButton;
    case CropField::Types:
        return state.typeBoxes[0];
    case CropField::FirstField:
    case CropField::LeftField:
        return state.fields[first];
    case CropField::SecondField:
        return state.fields[first + 1];
    default:
        return state.window;
    }
}

void startCrop()
{
    if (state.session.running)
        return;
    CropJob job;
    job.sourceFolder = toolControlText(state.sourceEdit);
    job.sourceTypes = checkedTypes();
    job.crop = settingsFromFields();
    CropProblem problem = cropJobProblem(job);
    if (problem.field != CropField::None) {
        HWND anchor = problemAnchor(problem.field);
        runPrompts().balloon(anchor, problem.text, problem.title);
        if (anchor != state.sourceButton && anchor != state.typeBoxes[0])
            SetFocus(anchor);
        return;
    }
    if (!getCheck(state.saveTo) && !overwriteChosen()) {
        runPrompts().balloon(state.saveTo, "请选择图片处理后保存的方式", "请选择");
        return;
    }
    job.includeSubfolders = getCheck(state.subfolders);
    job.overwrite = overwriteChosen();
    job.keepFormat = !job.overwrite && getCheck(state.keepFormat);
    job.targetFolder = job.overwrite ? std::string() : toolControlText(state.targetEdit);
    job.output = readOutputOptions(state.output);
    job.autoOrient = autoOrientFrom(RegistryValues());
    std::string message;
    if (!job.overwrite && !makeTargetFolder(job.targetFolder, message)) {
        runPrompts().messageBox(state.window, message.c_str(), "错误", MB_OK | MB_ICONERROR);
        return;
    }
    // Nothing to crop: said at once, before anything is stored.
    ToolWalk walk;
    walk.source = job.sourceFolder;
    walk.includeSubfolders = job.includeSubfolders;
    walk.writesToTarget = false;
    walk.accept = [&job](const char *name) { return pictureTypeAccepts(name, job.sourceTypes); };
    std::vector<std::string> files;
    collectToolFiles(walk, files, message);
    if (files.empty()) {
        runPrompts().balloon(state.sourceButton, "没有可裁剪的图片", "请重新选择");
        runPrompts().messageBox(
            state.window, formatText("文件夹 %s 中没有可裁剪的图片，请重新选择。", job.sourceFolder.c_str()).c_str(),
            "提示", MB_OK | MB_ICONWARNING);
        return;
    }
    ValueMap values;
    putCropValues(values, job);
    if (!values.storeInRegistry())
        showInfoMessage("图片裁剪的设置没有保存到注册表 (这一次仍按窗口中的设置裁剪)");
    state.job = job;
    state.worker.cancel();
    previewPaneSetBusy(state.pane, false);
    startToolRun(state.session, [](const BatchReport &report) { return runCropJob(state.job, report); });
}

void enablePanel(bool enable)
{
    for (HWND w = GetWindow(state.panel, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (w != state.start)
            EnableWindow(w, enable);
}

// ---- Messages -------------------------------------------------------------------

bool isField(HWND control)
{
    for (HWND f : state.fields)
        if (f == control)
            return true;
    return false;
}

void onCommand(WPARAM wp, LPARAM lp)
{
    const int id = LOWORD(wp), code = HIWORD(wp);
    HWND control = (HWND)lp;
    if (isField(control)) {
        if (code == EN_SETFOCUS)
            state.fieldTextOnFocus = toolControlText(control);
        else if (code == EN_KILLFOCUS && toolControlText(control) != state.fieldTextOnFocus)
            composePreview(CropPreviewDirection::None);
        return;
    }
    if (outputControlsCommand(state.output, wp, lp)) {
        composePreview(CropPreviewDirection::None);
        return;
    }
    if (id == kCropOutputFirstId + kOutputTransparentOffset && code == BN_CLICKED) {
        composePreview(CropPreviewDirection::None);
        return;
    }
    if (id == kCropOutputFirstId + kOutputColoursOffset && (code == CBN_SELCHANGE || code == CBN_KILLFOCUS)) {
        composePreview(CropPreviewDirection::None);
        return;
    }
    if ((id == kCropModeId || id == kCropAlignId) && code == CBN_SELCHANGE) {
        refreshVisibility();
        composePreview(CropPreviewDirection::None);
        return;
    }
    if (id == kCropHelpLinkId && code == STN_CLICKED) {
        runPrompts().messageBox(state.window, kCropPreviewHelpText, "关于裁剪预览", MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (code != BN_CLICKED)
        return;
    if ((id >= kCropTypeBoxFirstId && id < kCropTypeBoxFirstId + 4) || id == kCropModernTypeBoxId) {
        rebuildPreviewList();
        composePreview(CropPreviewDirection::None);
        return;
    }
    switch (id) {
    case kCropSourceButtonId:
        chooseSource();
        break;
    case kCropSubfoldersId:
        rebuildPreviewList();
        composePreview(CropPreviewDirection::None);
        break;
    case kCropUnitPixelsId:
    case kCropUnitPercentId:
        setCheck(state.unitPixels, id == kCropUnitPixelsId);
        setCheck(state.unitPercent, id == kCropUnitPercentId);
        refreshVisibility();
        composePreview(CropPreviewDirection::None);
        break;
    case kCropSaveToId:
        onSaveTo();
        break;
    case kCropOverwriteId:
        onOverwrite();
        break;
    case kCropTargetButtonId:
        chooseTarget();
        break;
    case kCropKeepFormatId:
        refreshVisibility();
        composePreview(CropPreviewDirection::None);
        break;
    case kCropStartId:
        startCrop();
        break;
    }
}

LRESULT CALLBACK panelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        onCommand(wp, lp);
        return 0;
    case WM_HSCROLL:
        outputControlsScroll(state.output, lp);
        // The slider's value text follows every move; the preview its release.
        if (LOWORD(wp) == TB_ENDTRACK)
            composePreview(CropPreviewDirection::None);
        return 0;
    case WM_CTLCOLORSTATIC:
        if ((HWND)lp == state.helpLink) {
            HDC dc = (HDC)wp;
            SetTextColor(dc, RGB(0, 0, 238));
            SetBkMode(dc, TRANSPARENT);
            return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
        }
        break;
    case WM_SETCURSOR:
        if ((HWND)wp == state.helpLink && !state.session.running) {
            SetCursor(LoadCursorA(nullptr, (LPCSTR)IDC_HAND));
            return TRUE;
        }
        break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

void layout()
{
    RECT client;
    GetClientRect(state.window, &client);
    SendMessageA(state.status, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(state.status, &bar);
    const int barHeight = bar.bottom - bar.top;
    const int width = client.right, height = client.bottom - barHeight;
    const int paneWidth = width > kPanelWidth ? width - kPanelWidth : 0;
    MoveWindow(state.pane, 0, 0, paneWidth, height, TRUE);
    MoveWindow(state.panel, paneWidth, 0, width - paneWidth, height, TRUE);
    int parts[3] = {200, 400, -1};
    SendMessageA(state.status, SB_SETPARTS, 3, (LPARAM)parts);
    // A move copies the panel's old pixels, the window's former edge among them:
    // everything is drawn afresh for the new size.
    RedrawWindow(state.window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

LRESULT CALLBACK cropWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        if (state.panel)
            layout();
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO *info = reinterpret_cast<MINMAXINFO *>(lp);
        info->ptMinTrackSize.x = 800;
        info->ptMinTrackSize.y = 600;
        return 0;
    }
    case WM_KEYDOWN:
        if (wp == VK_LEFT || wp == VK_UP || wp == VK_RIGHT || wp == VK_DOWN) {
            stepPreview(wp == VK_LEFT || wp == VK_UP ? -1 : 1);
            return 0;
        }
        break;
    case WM_COMMAND:
        // The pane wants more pixels than the picture was read with.
        if (LOWORD(wp) == kCropPreviewPaneId)
            composePreview(CropPreviewDirection::None);
        break;
    case kPreviewDoneMessage:
        onPreviewDone(lp);
        return 0;
    case kFieldEnterMessage:
        state.fieldTextOnFocus = toolControlText((HWND)lp);
        composePreview(CropPreviewDirection::None);
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
    HINSTANCE instance = GetModuleHandleA(nullptr);
    // Resizable: the preview takes what the panel leaves.
    state.window = createResizableToolWindow(kCropWindowClass, "Velmora图片批量裁剪工具", cropWindowProc, 1024, 720);
    if (!state.window)
        return false;

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = panelProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    RegisterClassExA(&wc);
    // The group boxes draw only their frames: the panel itself paints the grey
    // under them (no WS_CLIPCHILDREN), or their insides stay black.
    state.panel = CreateWindowExA(WS_EX_CONTROLPARENT, kPanelClass, "", WS_CHILD | WS_VISIBLE, 0, 0,
                                  kPanelWidth, 600, state.window, (HMENU)(INT_PTR)kCropPanelId, instance, nullptr);
    state.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                   state.window, (HMENU)(INT_PTR)kCropStatusBarId, instance, nullptr);
    PreviewPaneOptions options;
    options.className = "Preview_Crop";
    options.owner = state.window;
    options.routineName = "loadPictureFromMW_crop";
    options.fullSizeCommand = kCropPreviewPaneId;
    state.pane = createPreviewPane(state.window, instance, options);
    if (!state.panel || !state.status || !state.pane)
        return false;
    SetWindowLongPtrA(state.pane, GWLP_ID, kCropPreviewPaneId);
    ShowWindow(state.pane, SW_SHOW);
    applyUiFont(state.status);
    createControls();
    layout();
    bindToolSession(state.session, state.window, state.progress, state.start, enablePanel,
                    [] { return state.job.overwrite ? state.job.sourceFolder : state.job.targetFolder; });
    state.session.afterRun = [] {
        // The next run must choose again how to save.
        selectSaveMode(false, false);
        refreshVisibility();
    };
    return true;
}

}  // namespace

HWND openCropTool(HWND mainWindow)
{
    if (mainWindow)
        setToolHostWindow(mainWindow);
    if (!createWindowOnce())
        return nullptr;
    if (!state.session.running) {
        state.worker.cancel();
        previewPaneSetBusy(state.pane, false);
        SetWindowTextA(state.sourceEdit, "");
        SetWindowTextA(state.targetEdit, "");
        setCheck(state.subfolders, false);
        setCheck(state.keepFormat, false);
        selectSaveMode(false, false);
        showReady();
        previewPaneClear(state.pane);
        state.previewList.clear();
        state.previewIndex = 0;
        loadStoredValues();
        refreshVisibility();
    }
    showToolWindow(state.window, true);
    return state.window;
}

HWND cropToolWindow() { return state.window; }
HWND cropToolPanel() { return state.panel; }
HWND cropToolPreviewPane() { return state.pane; }
size_t cropPreviewCount() { return state.previewList.size(); }
size_t cropPreviewIndex() { return state.previewIndex; }
bool cropPreviewPending() { return state.worker.pending(); }

HWND cropFieldAfterTab(HWND field)
{
    // Field groups by their first index; the last entry ends the table.
    static const int kGroupStarts[] = {kCropFixedWidthField, kCropPercentWidthField, kCropRatioWidthField,
                                       kCropSidePixelsField, kCropSidePercentField,  kCropFieldCount};
    for (int i = 0; field && i < kCropFieldCount; ++i) {
        if (state.fields[i] != field)
            continue;
        int g = 0;
        while (kGroupStarts[g + 1] <= i)
            ++g;
        const int first = kGroupStarts[g], size = kGroupStarts[g + 1] - first;
        return state.fields[first + (i - first + 1) % size];
    }
    return nullptr;
}
