#include "app/main_preview.h"

#include <commctrl.h>

#include <memory>
#include <utility>
#include <vector>

#include "app/main_preview_job.h"
#include "input/image_list.h"
#include "util/app_info.h"
#include "ui/info_window.h"
#include "app/main_commands.h"
#include "app/run_inputs.h"
#include "app/main_window.h"
#include "app/picture_list_view.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "ui/window_kit.h"
#include "ui/preview/preview_pane.h"
#include "util/text.h"

namespace {

const UINT kPreviewDoneMessage = WM_APP + 0x310;     // a picture came back from the worker
const UINT kPreviewRefreshMessage = WM_APP + 0x311;  // settings changed meanwhile
const char kNotifyClass[] = "VelmoraPreviewNotify";
const char kEnterTip[] = "修改此项后，按回车键(Enter)使之生效。";
// The fields whose change is applied with Enter while the preview is open.
const int kEnterTipFields[] = {kIdSizeField,   kIdMaxSizeField, kIdText,       kIdTextWValue, kIdTextHValue,
                               kIdTextFillLR,  kIdTextFillTB,   kIdImageWValue, kIdImageHValue};

struct MainPreview {
    HWND mainWindow = nullptr;
    HWND pane = nullptr;
    HWND notify = nullptr;  // receives the worker's results
    PreviewWorker worker;
    bool opening = false;     // an opening request is on its way (the pane is still hidden)
    bool remembered = false;  // pictureListPreviewIndex() names the picture to show
    bool refreshPosted = false;
    std::vector<std::pair<HWND, HWND>> tips;  // field, its Enter tooltip
    MainPreviewStats stats;
};

MainPreview &preview()
{
    static MainPreview p;
    return p;
}

// The pane's own visibility: it counts as open even while the main window is hidden.
bool paneShown() { return preview().pane && (GetWindowLongA(preview().pane, GWL_STYLE) & WS_VISIBLE); }

void setStatus(int part, const std::string &text)
{
    SendMessageA(mainStatusBar(preview().mainWindow), SB_SETTEXTA, (WPARAM)part, (LPARAM)text.c_str());
}

// The toolbar's check button follows the preview: checked while it is open or opening.
void syncToolbar()
{
    MainPreview &p = preview();
    SendMessageA(mainToolbar(p.mainWindow), TB_CHECKBUTTON, kCmdPreview,
                 MAKELPARAM(paneShown() || p.opening ? TRUE : FALSE, 0));
}

void attachEnterTips()
{
    MainPreview &p = preview();
    if (!p.tips.empty())
        return;
    HWND panel = mainSettingsPanel(p.mainWindow);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int id : kEnterTipFields) {
        HWND field = panelControl(panel, id);
        HWND tip = field ? attachWindowBalloon(field, kEnterTip, "提示:", kBalloonInfo, instance) : nullptr;
        if (tip)
            p.tips.push_back({field, tip});
    }
}

void detachEnterTips()
{
    for (const auto &tip : preview().tips)
        detachWindowBalloon(tip.first, tip.second);
    preview().tips.clear();
}

void fitPaneToContainer()
{
    MainPreview &p = preview();
    RECT area = {};
    GetClientRect(pictureListContainer(), &area);
    MoveWindow(p.pane, 0, 0, area.right, area.bottom, FALSE);
}

void closePreview(bool forgetPicture)
{
    MainPreview &p = preview();
    p.worker.cancel();
    p.opening = false;
    p.stats.closes++;
    if (forgetPicture)
        p.remembered = false;
    previewPaneSetBusy(p.pane, false);
    bool wasShown = paneShown();
    ShowWindow(p.pane, SW_HIDE);
    previewPaneClear(p.pane);
    detachEnterTips();
    SetWindowTextA(p.mainWindow, programTitle().c_str());
    syncToolbar();
    if (wasShown) {
        selectPreviewedPicture();
        ShowWindow(pictureListView(), SW_SHOW);
        SetFocus(pictureListView());
    }
    refreshListStatus();
}

// Asks the worker for the picture at the list index, with the settings of the moment.
bool requestPicture(int index, const PipelineInputs &inputs)
{
    MainPreview &p = preview();
    std::string path;
    int flip = 0, rotation = 0;
    {
        ImageList &list = pictureImageList();
        ImageList::ScopedLock guard(list);
        const ImageItem *item = list.at(index);
        if (!item)
            return false;
        path = item->path;
        flip = item->flip;
        rotation = item->rotation;
    }
    MainPreviewJob *job = new MainPreviewJob(inputs, path, flip, rotation);
    job->listIndex = index;
    if (!p.worker.submit(job, p.notify, kPreviewDoneMessage))
        return false;
    p.stats.requests++;
    p.stats.lastRequestThread = GetCurrentThreadId();
    previewPaneSetBusy(p.pane, true);
    return true;
}

int firstSelectedIndex()
{
    HWND list = pictureListView();
    return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

void showResult(MainPreviewJob &job)
{
    MainPreview &p = preview();
    bool wasShown = paneShown();
    if (!job.sourceRecognised)
        showInfoMessage(formatText("无法识别的图片:\r\n%s", job.sourcePath.c_str()));
    if (!wasShown) {
        fitPaneToContainer();
        ShowWindow(pictureListView(), SW_HIDE);
    }
    previewPaneShow(p.pane, job.picture, wasShown);
    setStatus(0, job.sourceText);
    setStatus(1, job.processedText);
    std::string name = job.sourcePath.substr(findLastBackslash(job.sourcePath) + 1);
    SetWindowTextA(p.mainWindow, mainPreviewTitle(pictureImageList().count(), name).c_str());
    if (!wasShown)
        attachEnterTips();
}

void onPictureDone(LPARAM lParam)
{
    MainPreview &p = preview();
    std::unique_ptr<MainPreviewJob> job(static_cast<MainPreviewJob *>(p.worker.accept(lParam)));
    if (!job)
        return;  // a newer request is on its way
    previewPaneSetBusy(p.pane, false);
    bool wasShown = paneShown();
    p.opening = false;
    switch (job->outcome) {
    case MainPreviewJob::Outcome::Shown:
        showResult(*job);
        break;
    case MainPreviewJob::Outcome::PipelineFailed:
        // The picture cannot be processed with these settings: nothing to show.
        showInfoMessage(job->failure);
        if (wasShown)
            closePreview(true);
        p.remembered = false;
        refreshListStatus();
        break;
    case MainPreviewJob::Outcome::DisplayFailed:
        previewPaneShowFailure(p.pane, job->failure);
        if (!wasShown) {
            p.remembered = false;
            refreshListStatus();
        }
        break;
    case MainPreviewJob::Outcome::NotRun:
        break;
    }
    syncToolbar();
}

LRESULT CALLBACK notifyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kPreviewDoneMessage:
        onPictureDone(lParam);
        return 0;
    case kPreviewRefreshMessage:
        preview().refreshPosted = false;
        togglePreview(preview().mainWindow, true);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND createNotifyWindow(HINSTANCE instance)
{
    WNDCLASSEXA wc = {sizeof wc};
    if (!GetClassInfoExA(instance, kNotifyClass, &wc)) {
        wc = WNDCLASSEXA();
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = notifyProc;
        wc.hInstance = instance;
        wc.lpszClassName = kNotifyClass;
        if (!RegisterClassExA(&wc))
            return nullptr;
    }
    return CreateWindowExA(0, kNotifyClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
}

}  // namespace

std::string mainPreviewTitle(int listCount, const std::string &fileName)
{
    const char *format = listCount >= 2
                             ? "%s(V%0.1f) - 效果预览(提示:按ESC退出预览,按方向键可预览上一张,下一张图片) - %s"
                             : "%s(V%0.1f) - 效果预览 - %s";
    return formatText(format, "Velmora图片批量处理工具", kProgramVersion, fileName.c_str());
}

HWND createMainPreview(HWND mainWindow, HINSTANCE instance)
{
    MainPreview &p = preview();
    if (p.pane || !mainWindow)
        return p.pane;
    HWND container = pictureListContainer();
    if (!container)
        return nullptr;
    PreviewPaneOptions options;
    options.className = "Preview";
    options.owner = mainWindow;
    options.routineName = "loadPictureFromMW";
    options.exitMenu = true;
    options.closeCommand = kCmdPreview;
    options.wheelPartner = mainSettingsPanel(mainWindow);
    p.notify = createNotifyWindow(instance);
    p.pane = p.notify ? createPreviewPane(container, instance, options) : nullptr;
    if (!p.pane)
        return nullptr;
    p.mainWindow = mainWindow;
    applyUiFontToChildren(p.pane);
    // The list covers the same area; its container keeps the pane sized with it.
    PictureListHost host = pictureListHost();
    host.previewWindow = p.pane;
    host.refreshPreview = refreshMainPreview;
    setPictureListHost(host);
    setPanelChangeListener(mainSettingsPanel(mainWindow), scheduleMainPreviewRefresh);
    return p.pane;
}

HWND mainPreviewPane() { return preview().pane; }

bool mainPreviewShown() { return paneShown(); }

void togglePreview(HWND mainWindow, bool refresh)
{
    MainPreview &p = preview();
    if (!createMainPreview(mainWindow, GetModuleHandleA(nullptr)))
        return;
    bool shown = paneShown();
    if (!refresh && shown) {
        closePreview(true);
        return;
    }
    if (!refresh && p.opening) {  // the picture is on its way already
        syncToolbar();
        return;
    }
    if (refresh && !shown && !p.opening)
        return;

    ProcessSettings settings;
    PipelineInputs inputs;
    if (!collectPipelineInputs(mainSettingsPanel(mainWindow), settings, inputs)) {
        syncToolbar();
        return;
    }
    int index = pictureListPreviewIndex();
    if (!shown && !p.opening) {
        if (!p.remembered) {
            index = firstSelectedIndex();
            if (index < 0) {  // nothing selected, nothing remembered: nothing to show
                syncToolbar();
                return;
            }
            setPictureListPreviewIndex(index);
            p.remembered = true;
        }
        if (!requestPicture(index, inputs)) {
            p.remembered = false;
            syncToolbar();
            return;
        }
        p.opening = true;
        setStatus(1, "生成预览图片...");
    } else {
        requestPicture(index, inputs);
    }
    syncToolbar();
}

void refreshMainPreview()
{
    if (preview().mainWindow)
        togglePreview(preview().mainWindow, true);
}

void scheduleMainPreviewRefresh()
{
    MainPreview &p = preview();
    if (!p.notify || (!paneShown() && !p.opening) || p.refreshPosted)
        return;
    p.refreshPosted = PostMessageA(p.notify, kPreviewRefreshMessage, 0, 0) != FALSE;
}

bool withMainPreviewClosed(const std::function<bool()> &load)
{
    MainPreview &p = preview();
    bool wasOpen = paneShown() || p.opening;
    if (wasOpen)
        closePreview(false);
    bool loaded = load();
    if (wasOpen)
        togglePreview(p.mainWindow, false);
    return loaded;
}

MainPreviewStats mainPreviewStats()
{
    MainPreviewStats stats = preview().stats;
    stats.pending = preview().worker.pending();
    return stats;
}
