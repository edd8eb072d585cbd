#include "tools/join/join_window.h"

#include <commctrl.h>

#include <cstdlib>
#include <vector>

#include "core/settings_rules.h"
#include "ui/output_controls.h"
#include "imaging/palette_png.h"
#include "ui/info_window.h"
#include "ui/run_prompts.h"
#include "ui/web_pages.h"
#include "ui/window_kit.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_window.h"
#include "tools/join/join_job.h"
#include "ui/preview/checker_tile.h"
#include "ui/preview/preview_pane.h"
#include "ui/preview/preview_worker.h"
#include "util/text.h"

const char kJoinWindowClass[] = "Velmora_JOIN";

namespace {

constexpr UINT kJoinPreviewDone = WM_APP + 0x130;
constexpr int kPanelWidth = 400;
constexpr int kPanelHeight = 550;

const char *const kVerticalRules[] = {"使用每组第一张图片的宽度", "使用每组最宽的一张图片宽度",
                                      "使用每组最窄的一张图片宽度", "自定义宽度："};
const char *const kHorizontalRules[] = {"使用每组第一张图片的高度", "使用每组最高的一张图片高度",
                                        "使用每组最矮的一张图片高度", "自定义高度："};
const char *const kFormatBoxes[] = {"jpg", "png", "gif", "bmp", "webp/heic/avif"};
constexpr int kFormatBoxCount = sizeof kFormatBoxes / sizeof kFormatBoxes[0];

// One preview request: the search for a group that gives a picture, the
// picture composed as the output would look, made displayable off the window thread.
class JoinPreviewTask : public PreviewTask {
public:
    std::vector<std::string> groups;
    JoinSettings settings;
    PreviewFit fit;  // the pane's bound while it fits its picture
    int start = 0, direction = 0;
    // results
    int found = -1;
    DisplayPicture picture;
    int width = 0, height = 0;
    std::vector<std::string> notes;
    std::string failure;  // a box to show (caption "错误")

    ~JoinPreviewTask() override { releaseDisplayPicture(picture); }

    void run(const PreviewWorker &worker) override
    {
        for (int index : previewSearchOrder((int)groups.size(), start, direction)) {
            if (worker.superseded(ticket))
                return;
            JoinResult joined = joinGroup(groups[index], settings, fit);
            notes.insert(notes.end(), joined.notes.begin(), joined.notes.end());
            if (!joined.picture) {
                if (!joined.tooFewListed)
                    notes.push_back(joined.problem);
                continue;
            }
            found = index;
            width = (int)joined.width;
            height = (int)joined.height;
            compose(joined.picture);
            return;
        }
    }

private:
    // The joined picture as the output will look: on the checker where a PNG
    // keeps transparency, else on white; a palette PNG through its palette.
    void compose(MagickWand *joined)
    {
        const bool smaller = (int)MagickGetImageWidth(joined) != width || (int)MagickGetImageHeight(joined) != height;
        const OutputOptions &out = settings.output;
        const bool png = out.format == OutputFormat::Png;
        const bool keepsAlpha = out.transparent && (png || out.format == OutputFormat::Webp);
        if (png && out.png8) {
            MagickSetImageFormat(joined, "PNG");
            unsigned char *data = nullptr;
            size_t size = 0;
            bool ok = getPng8Data(joined, out.colours, &data, &size);
            if (ok) {
                ClearMagickWand(joined);
                ok = MagickReadImageBlob(joined, data, size) != MagickFalse;
                freePng8Data(data);
            }
            if (!ok) {
                failure = "getPng8Data() 获取 PNG-8 格式的图片数据时发生错误。\n\n请进入官网联系客服。";
                DestroyMagickWand(joined);
                return;
            }
        }
        if (keepsAlpha)
            layOverChecker(joined);
        else
            flattenShownOnWhite(joined);
        std::string reason;
        if (!makeDisplayPicture(joined, out.format == OutputFormat::Jpg ? out.quality : 91, picture, reason))
            failure = previewLoadFailureText("loadPictureFromMW_join", reason);
        else if (smaller) {
            picture.fullWidth = width;
            picture.fullHeight = height;
        }
    }
};

struct JoinWindow {
    HWND window = nullptr;
    HWND pane = nullptr, status = nullptr;
    HWND sourceLabel = nullptr, helpLink = nullptr, sourceEdit = nullptr, sourceButton = nullptr;
    HWND formatBoxes[kFormatBoxCount] = {};
    HWND vertical = nullptr, horizontal = nullptr, sizeLabel = nullptr, verticalRule = nullptr,
         horizontalRule = nullptr, custom = nullptr;
    HWND spacingLabel = nullptr, spacing = nullptr, spacingValue = nullptr;
    HWND targetLabel = nullptr, targetEdit = nullptr, targetButton = nullptr, formatLabel = nullptr;
    OutputControls output;
    HWND progress = nullptr, start = nullptr;
    struct Placed {
        HWND control;
        int x, y;
    };
    std::vector<Placed> panel;  // panel controls at their place inside the panel
    WNDPROC customProc = nullptr;
    std::string customBefore;   // the custom field when it took the focus
    std::vector<std::string> groups;
    int previewIndex = 0;
    int shown = 0;
    PreviewWorker *worker = nullptr;
    ToolSession session;
    JoinJob job;
};

JoinWindow state;

HWND add(const char *cls, const char *text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0)
{
    HWND control = addToolControl(state.window, cls, text, style, x, y, w, h, id, exStyle);
    state.panel.push_back({control, x, y});
    return control;
}

void setStatus(int part, const std::string &text)
{
    SendMessageA(state.status, SB_SETTEXTA, part, (LPARAM)text.c_str());
}

bool vertical() { return !getCheck(state.horizontal); }
HWND ruleList() { return vertical() ? state.verticalRule : state.horizontalRule; }

unsigned checkedFormats()
{
    unsigned mask = 0;
    for (int i = 0; i < kFormatBoxCount; ++i)
        if (getCheck(state.formatBoxes[i]))
            mask |= 1u << i;
    return mask;
}

// What the panel says now (the preview's settings and a start's).
JoinSettings panelSettings()
{
    JoinSettings s;
    s.sourceFormats = checkedFormats();
    s.layout = vertical() ? kJoinVertical : kJoinHorizontal;
    int rule = comboSelectedIndex(ruleList());
    s.sizeRule = rule < 0 ? 0 : rule;
    std::string custom = toolControlText(state.custom);
    s.customSize = custom.empty() ? 0 : atoi(custom.c_str());
    s.spacing = (int)SendMessageA(state.spacing, TBM_GETPOS, 0, 0);
    s.output = readOutputOptions(state.output);
    s.autoOrient = autoOrientFrom(RegistryValues());
    return s;
}

void refreshRuleControls()
{
    const bool v = vertical();
    SetWindowTextA(state.sizeLabel, v ? "图片宽：" : "图片高：");
    ShowWindow(state.verticalRule, v ? SW_SHOW : SW_HIDE);
    ShowWindow(state.horizontalRule, v ? SW_HIDE : SW_SHOW);
    ShowWindow(state.custom, comboSelectedIndex(ruleList()) == kJoinCustom ? SW_SHOW : SW_HIDE);
}

// ---- Preview -------------------------------------------------------------------------

void requestPreview(int direction)
{
    if (state.session.running || state.groups.empty() || !state.worker)
        return;
    setStatus(0, "生成预览图片...");
    previewPaneSetBusy(state.pane, true);
    JoinPreviewTask *task = new JoinPreviewTask;
    task->groups = state.groups;
    task->settings = panelSettings();
    task->start = state.previewIndex;
    task->direction = direction;
    const SIZE bound = previewPaneFitBound(state.pane);
    task->fit = {(int)bound.cx, (int)bound.cy};
    state.worker->submit(task, state.window, kJoinPreviewDone);
}

void previewArrived(LPARAM lp)
{
    JoinPreviewTask *task = static_cast<JoinPreviewTask *>(state.worker->accept(lp));
    if (!task)
        return;
    previewPaneSetBusy(state.pane, false);
    for (const std::string &note : task->notes)
        showInfoMessage(note);
    if (task->found < 0) {
        // No group gives a picture: a white dot, and say so.
        MagickWand *dot = NewMagickWand();
        PixelWand *white = NewPixelWand();
        PixelSetColor(white, "#FFFFFF");
        MagickNewImage(dot, 1, 1, white);
        DestroyPixelWand(white);
        previewPaneShowPicture(state.pane, dot, 91);
        setStatus(0, "就绪...");
        const std::string &group = state.groups[state.previewIndex < (int)state.groups.size() ? state.previewIndex : 0];
        setStatus(1, formatText("文件夹: %s", group.c_str()));
        runPrompts().messageBox(state.window,
                                formatText("在文件夹 %s 中没有找到需要拼接的图片！", group.c_str()).c_str(), "预览",
                                MB_OK | MB_ICONWARNING);
    } else {
        state.previewIndex = task->found;
        setStatus(1, formatText("文件夹: %s", state.groups[task->found].c_str()));
        if (!task->failure.empty()) {
            setStatus(0, "就绪...");
            previewPaneClear(state.pane);
            runPrompts().messageBox(state.window, task->failure.c_str(), "错误", MB_OK | MB_ICONERROR);
        } else {
            setStatus(0, formatText("图片尺寸: %d x %d", task->width, task->height));
            previewPaneShow(state.pane, task->picture, true);
            ++state.shown;
        }
    }
    delete task;
}

// Left/Up: the previous group (wrapping to the last); Right/Down: the next.
void stepGroup(int delta)
{
    const int count = (int)state.groups.size();
    if (count < 2 || state.session.running)
        return;
    state.previewIndex = (state.previewIndex + delta + count) % count;
    requestPreview(delta);
}

// ---- Panel ---------------------------------------------------------------------------

void layout()
{
    RECT client;
    GetClientRect(state.window, &client);
    SendMessageA(state.status, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(state.status, &bar);
    const int statusHeight = bar.bottom - bar.top;
    const int panelLeft = client.right > kPanelWidth ? client.right - kPanelWidth : 0;
    MoveWindow(state.pane, 0, 0, panelLeft, client.bottom - statusHeight, TRUE);
    HDWP batch = BeginDeferWindowPos((int)state.panel.size());
    for (const JoinWindow::Placed &p : state.panel)
        if (batch)
            batch = DeferWindowPos(batch, p.control, nullptr, panelLeft + p.x, p.y, 0, 0,
                                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (batch)
        EndDeferWindowPos(batch);
    // The quality row is arranged by the chosen format, after the chooser moved.
    refreshOutputControls(state.output);
    int parts[2] = {200, -1};
    SendMessageA(state.status, SB_SETPARTS, 2, (LPARAM)parts);
}

LRESULT CALLBACK customFieldProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CHAR && wp == 13) {
        // Empty or 0 too: the preview is then built at 128.
        state.customBefore = toolControlText(hwnd);
        requestPreview(0);
        return 0;
    }
    return CallWindowProcA(state.customProc, hwnd, msg, wp, lp);
}

void createControls()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    state.sourceLabel = add("STATIC", "源图片文件夹：", 0, 12, 14, 120, 20, kJoinSourceLabelId);
    state.helpLink = add("SysLink", "<a>使用说明</a>", WS_TABSTOP, 310, 14, 76, 20, kJoinHelpLinkId);
    state.sourceEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 12, 38, 290, 23, kJoinSourceEditId, WS_EX_CLIENTEDGE);
    state.sourceButton = add("BUTTON", "选择", BS_PUSHBUTTON | WS_TABSTOP, 310, 37, 76, 25, kJoinSourceButtonId);
    for (int i = 0; i < kFormatBoxCount; ++i)
        state.formatBoxes[i] = add("BUTTON", kFormatBoxes[i], BS_AUTOCHECKBOX | WS_TABSTOP, 12 + i * 62, 74,
                                   i < 4 ? 56 : 120, 22,
                                   kJoinFormatBoxFirstId + i);
    state.vertical =
        add("BUTTON", "竖排", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, 12, 106, 80, 22, kJoinVerticalId);
    state.horizontal = add("BUTTON", "横排", BS_AUTORADIOBUTTON, 100, 106, 80, 22, kJoinHorizontalId);
    state.sizeLabel = add("STATIC", "图片宽：", WS_GROUP, 12, 143, 64, 20, kJoinSizeLabelId);
    state.verticalRule =
        add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 78, 139, 226, 200, kJoinVerticalRuleId);
    state.horizontalRule =
        add("COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 78, 139, 226, 200, kJoinHorizontalRuleId);
    for (int i = 0; i < 4; ++i) {
        addComboEntry(state.verticalRule, kVerticalRules[i]);
        addComboEntry(state.horizontalRule, kHorizontalRules[i]);
    }
    state.custom = add("EDIT", "", ES_NUMBER | ES_AUTOHSCROLL | WS_TABSTOP, 310, 140, 76, 23, kJoinCustomId,
                       WS_EX_CLIENTEDGE);
    SendMessageA(state.custom, EM_LIMITTEXT, 4, 0);
    state.customProc = (WNDPROC)SetWindowLongPtrA(state.custom, GWLP_WNDPROC, (LONG_PTR)customFieldProc);
    state.spacingLabel = add("STATIC", "图片间距：", 0, 12, 182, 76, 20, kJoinSpacingLabelId);
    state.spacing =
        add(TRACKBAR_CLASSA, "", TBS_HORZ | TBS_NOTICKS | WS_TABSTOP, 84, 176, 250, 30, kJoinSpacingId);
    SendMessageA(state.spacing, TBM_SETRANGE, TRUE, MAKELPARAM(0, 128));
    state.spacingValue = add("STATIC", "0", 0, 340, 182, 46, 20, kJoinSpacingValueId);
    state.targetLabel = add("STATIC", "图片拼接后保存到：", 0, 12, 222, 200, 20, kJoinTargetLabelId);
    state.targetEdit =
        add("EDIT", "", ES_READONLY | ES_AUTOHSCROLL, 12, 246, 290, 23, kJoinTargetEditId, WS_EX_CLIENTEDGE);
    state.targetButton = add("BUTTON", "选择", BS_PUSHBUTTON | WS_TABSTOP, 310, 245, 76, 25, kJoinTargetButtonId);
    state.formatLabel = add("STATIC", "格式：", 0, 12, 284, 60, 20, kJoinFormatLabelId);
    createOutputControls(state.output, state.window, instance, 14, 312, kJoinOutputFirstId, true, 372);
    createKeepTimeBox(state.output, state.window, instance, 230, 282, kJoinOutputFirstId);
    for (HWND c : {state.output.format, state.output.qualityLabel, state.output.quality, state.output.qualityValue,
                   state.output.transparent, state.output.png8, state.output.coloursLabel, state.output.colours,
                   state.output.keepTime}) {
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(nullptr, state.window, (POINT *)&r, 2);
        state.panel.push_back({c, r.left, r.top});
    }
    state.progress = add(PROGRESS_CLASSA, "", 0, 12, 360, 374, 24, kJoinProgressId);
    state.start = add("BUTTON", "开始拼接", BS_PUSHBUTTON | WS_TABSTOP, 266, 396, 120, 36, kJoinStartId);

    PreviewPaneOptions options;
    options.className = "Preview_JOIN";
    options.owner = state.window;
    options.routineName = "loadPictureFromMW_join";
    options.fullSizeCommand = kJoinPaneId;
    state.pane = createPreviewPane(state.window, instance, options);
    SetWindowLongPtrA(state.pane, GWLP_ID, kJoinPaneId);
    ShowWindow(state.pane, SW_SHOW);
    state.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, state.window,
                                   (HMENU)(INT_PTR)kJoinStatusId, instance, nullptr);
    showPathEnd(state.sourceEdit);
    showPathEnd(state.targetEdit);
    applyUiFontToChildren(state.window);
}

void enableGroups(bool enable)
{
    for (HWND w : {state.sourceLabel, state.helpLink, state.sourceEdit, state.sourceButton, state.vertical,
                   state.horizontal, state.sizeLabel, state.verticalRule, state.horizontalRule, state.custom,
                   state.spacingLabel, state.spacing, state.spacingValue, state.targetLabel, state.targetEdit,
                   state.targetButton, state.formatLabel})
        EnableWindow(w, enable);
    for (HWND box : state.formatBoxes)
        EnableWindow(box, enable);
    enableOutputControls(state.output, enable);
}

void loadStoredValues()
{
    JoinSettings s;
    loadJoinValues(RegistryValues(), s);
    for (int i = 0; i < kFormatBoxCount; ++i)
        setCheck(state.formatBoxes[i], (s.sourceFormats >> i) & 1);
    setCheck(state.vertical, s.layout != kJoinHorizontal);
    setCheck(state.horizontal, s.layout == kJoinHorizontal);
    selectComboIndex(state.verticalRule, s.sizeRule);
    selectComboIndex(state.horizontalRule, s.sizeRule);
    SetWindowTextA(state.custom, s.customSize > 0 ? formatText("%d", s.customSize).c_str() : "");
    SendMessageA(state.spacing, TBM_SETPOS, TRUE, s.spacing);
    SetWindowTextA(state.spacingValue, formatText("%ld", (long)s.spacing).c_str());
    showOutputOptions(state.output, s.output);
    refreshRuleControls();
}

void chooseSource()
{
    std::string folder = toolControlText(state.sourceEdit);
    for (;;) {
        if (!chooseToolSourceFolder(state.window, folder))
            return;
        std::vector<std::string> groups = joinGroups(folder, checkedFormats());
        if (groups.empty()) {
            runPrompts().messageBox(state.window, formatText(kJoinNoGroupsFormat, folder.c_str()).c_str(), "提示",
                                    MB_OK | MB_ICONWARNING);
            continue;
        }
        state.groups = groups;
        break;
    }
    SetWindowTextA(state.sourceEdit, folder.c_str());
    SetWindowTextA(state.targetEdit, proposeOutputFolder(folder).c_str());
    state.previewIndex = 0;
    requestPreview(0);
}

void chooseTarget()
{
    char path[MAX_PATH] = {};
    lstrcpynA(path, toolControlText(state.targetEdit).c_str(), sizeof path);
    if (runPrompts().chooseFolder(state.window, "图片拼接后保存到：", path) && path[0])
        SetWindowTextA(state.targetEdit, path);
}

void startJoin()
{
    if (state.session.running)
        return;
    const std::string source = toolControlText(state.sourceEdit);
    JoinSettings s = panelSettings();
    JoinProblem problem = joinSourceProblem(source, s.sourceFormats);
    if (problem.field == JoinField::Source) {
        runPrompts().balloon(state.sourceButton, problem.text, problem.title);
        return;
    }
    if (problem.field == JoinField::Formats) {
        runPrompts().balloon(state.formatBoxes[0], problem.text, problem.title);
        return;
    }
    state.groups = joinGroups(source, s.sourceFormats);
    if (state.groups.empty()) {
        runPrompts().balloon(state.sourceButton, "没有可拼接的图片", "请重新选择");
        runPrompts().messageBox(state.window, formatText(kJoinNoGroupsFormat, source.c_str()).c_str(), "提示",
                                MB_OK | MB_ICONWARNING);
        return;
    }
    const std::string target = toolControlText(state.targetEdit);
    std::string message;
    if (!makeJoinTarget(target, message)) {
        runPrompts().messageBox(state.window, message.c_str(), "错误", MB_OK | MB_ICONERROR);
        return;
    }
    problem = joinCustomProblem(s.sizeRule, toolControlText(state.custom));
    if (problem.field == JoinField::Custom) {
        (problem.errorIcon ? runPrompts().errorBalloon : runPrompts().balloon)(state.custom, problem.text,
                                                                              problem.title);
        SetFocus(state.custom);
        return;
    }
    ValueMap values;
    putJoinValues(values, s);
    if (!values.storeInRegistry())
        showInfoMessage("图片拼接的设置没有保存到注册表 (这一次仍按窗口中的设置拼接)");
    JoinJob job;
    loadJoinValues(values, job.settings);
    job.sourceFolder = source;
    job.targetFolder = target;
    state.job = job;
    if (state.worker)
        state.worker->cancel();
    previewPaneSetBusy(state.pane, false);
    startToolRun(state.session, [](const BatchReport &report) { return runJoinJob(state.job, report); });
}

void onCommand(WPARAM wp, LPARAM lp)
{
    const int id = LOWORD(wp), code = HIWORD(wp);
    if (id == kJoinPaneId) {  // shown at its own size: the whole picture, where it was composed smaller
        requestPreview(0);
        return;
    }
    if (outputControlsCommand(state.output, wp, lp)) {
        // The format, transparency, PNG-8 and a colour count change what the output looks like.
        if (id != kJoinOutputFirstId + kOutputQualityOffset)
            requestPreview(0);
        return;
    }
    if (id == kJoinOutputFirstId + kOutputColoursOffset &&
        (code == CBN_SELCHANGE || code == CBN_KILLFOCUS)) {
        requestPreview(0);
        return;
    }
    if ((id == kJoinVerticalRuleId || id == kJoinHorizontalRuleId) && code == CBN_SELCHANGE) {
        int rule = comboSelectedIndex((HWND)lp);
        selectComboIndex(id == kJoinVerticalRuleId ? state.horizontalRule : state.verticalRule, rule);
        refreshRuleControls();
        if (rule == kJoinCustom) {
            SetFocus(state.custom);
            if (atoi(toolControlText(state.custom).c_str()) > 0)
                requestPreview(0);
        } else {
            requestPreview(0);
        }
        return;
    }
    if (id == kJoinCustomId) {
        if (code == EN_SETFOCUS)
            state.customBefore = toolControlText(state.custom);
        else if (code == EN_KILLFOCUS && toolControlText(state.custom) != state.customBefore)
            requestPreview(0);
        return;
    }
    if (id == kJoinOutputFirstId + kOutputTransparentOffset && code == BN_CLICKED) {
        requestPreview(0);
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kJoinSourceButtonId:
        chooseSource();
        break;
    case kJoinTargetButtonId:
        chooseTarget();
        break;
    case kJoinStartId:
        startJoin();
        break;
    case kJoinVerticalId:
    case kJoinHorizontalId:
        refreshRuleControls();
        requestPreview(0);
        break;
    default:
        if (id >= kJoinFormatBoxFirstId && id < kJoinFormatBoxFirstId + kFormatBoxCount)
            requestPreview(0);
        break;
    }
}

void onScroll(WPARAM wp, LPARAM lp)
{
    const int request = LOWORD(wp);
    if ((HWND)lp == state.spacing) {
        long value = (long)SendMessageA(state.spacing, TBM_GETPOS, 0, 0);
        SetWindowTextA(state.spacingValue, formatText("%ld", value).c_str());
        if (request == TB_ENDTRACK)
            requestPreview(0);
        return;
    }
    if (outputControlsScroll(state.output, lp) && request == TB_ENDTRACK)
        requestPreview(0);
}

LRESULT CALLBACK joinWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_COMMAND:
        onCommand(wp, lp);
        return 0;
    case WM_HSCROLL:
        onScroll(wp, lp);
        return 0;
    case WM_NOTIFY: {
        const NMHDR *header = reinterpret_cast<const NMHDR *>(lp);
        if (header->idFrom == kJoinHelpLinkId && (header->code == NM_CLICK || header->code == NM_RETURN))
            openWebPage(helpPageAddress(kHelpSectionJoin).c_str());
        return 0;
    }
    case WM_SIZE:
        if (state.status)
            layout();
        return 0;
    case WM_GETMINMAXINFO: {
        MINMAXINFO *info = reinterpret_cast<MINMAXINFO *>(lp);
        info->ptMinTrackSize.x = 800;
        info->ptMinTrackSize.y = 580;
        return 0;
    }
    case WM_KEYDOWN:
        if (wp == VK_LEFT || wp == VK_UP)
            stepGroup(-1);
        else if (wp == VK_RIGHT || wp == VK_DOWN)
            stepGroup(1);
        return 0;
    case kJoinPreviewDone:
        previewArrived(lp);
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
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LINK_CLASS | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    state.window = createResizableToolWindow(kJoinWindowClass, "Velmora图片批量拼接工具", joinWindowProc, 1000, 640);
    if (!state.window)
        return false;
    createControls();
    state.worker = new PreviewWorker;
    bindToolSession(state.session, state.window, state.progress, state.start, enableGroups,
                    [] { return state.job.targetFolder; });
    layout();
    return true;
}

}  // namespace

HWND openJoinTool(HWND mainWindow)
{
    if (mainWindow)
        setToolHostWindow(mainWindow);
    if (!createWindowOnce())
        return nullptr;
    if (!state.session.running) {
        state.groups.clear();
        state.previewIndex = 0;
        if (state.worker)
            state.worker->cancel();
        SetWindowTextA(state.sourceEdit, "");
        SetWindowTextA(state.targetEdit, "");
        setStatus(0, "就绪...");
        setStatus(1, "");
        previewPaneClear(state.pane);
        previewPaneSetBusy(state.pane, false);
        loadStoredValues();
    }
    showToolWindow(state.window);
    ShowWindow(state.window, SW_MAXIMIZE);
    return state.window;
}

HWND joinToolWindow() { return state.window; }

JoinPreviewState joinPreviewState()
{
    JoinPreviewState s;
    s.index = state.previewIndex;
    s.groups = (int)state.groups.size();
    s.pending = state.worker && state.worker->pending();
    s.shown = state.shown;
    return s;
}
