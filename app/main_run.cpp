#include "app/main_run.h"

#include <commctrl.h>

#include "input/image_list.h"
#include "input/thumbnail_worker.h"
#include "ui/info_window.h"
#include "app/main_preview.h"
#include "app/main_window.h"
#include "app/progress_window.h"
#include "app/run_inputs.h"
#include "app/run_start.h"
#include "app/save_mode_dialog.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup_config.h"

namespace {

// The window's picture list as a run sees it.
class ListOfMainWindow : public RunPictureList {
public:
    ListOfMainWindow(ImageList &pictures, HWND view) : pictures_(pictures), view_(view) {}

    int count() const override { return pictures_.count(); }

    BatchItem item(int index) const override
    {
        ImageList::ScopedLock guard(pictures_);
        BatchItem out;
        if (const ImageItem *it = pictures_.at(index)) {
            out.path = it->path;
            out.relativeFolder = it->relFolder;
            out.rotation = it->rotation;
            out.flip = it->flip;
        }
        return out;
    }

    void afterOverwrite(int index, bool) override
    {
        {
            ImageList::ScopedLock guard(pictures_);
            if (ImageItem *it = pictures_.at(index)) {
                it->rotation = 0;
                it->flip = 0;
            }
        }
        // The thumbnail shows the old file: it is made again from the new one
        // when the thumbnail worker wakes at the end of the run.
        pictures_.markStale(index);
        if (view_) {
            RECT row;
            row.left = LVIR_BOUNDS;
            if (SendMessageA(view_, LVM_GETITEMRECT, (WPARAM)index, (LPARAM)&row))
                InvalidateRect(view_, &row, TRUE);
        }
    }

    void redraw() override
    {
        if (view_)
            InvalidateRect(view_, nullptr, TRUE);
    }

private:
    ImageList &pictures_;
    HWND view_;
};


void logToInfoWindow(const std::string &text) { showInfoMessage(text); }

}  // namespace

bool mainRunActive() { return batchRunBusy(); }

void runMainTool(HWND mainWindow, ImageList &pictures, HWND listView)
{
    if (batchRunBusy())
        return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    createProgressWindow(instance, mainWindow);
    // Thumbnails are not made while the progress window is up.
    thumbnailWorker().setProgressWindow(progressWindowHandle());

    HWND panel = mainSettingsPanel(mainWindow);
    SaveGroup &group = panelSaveGroup(panel);
    group.picSaveMode = (int)normalisedPicSaveMode(startupConfig().picSaveMode);
    ListOfMainWindow list(pictures, listView);
    ProcessSettings settings;

    RunContext context;
    context.mainWindow = mainWindow;
    context.saveGroup = &group;
    context.list = &list;
    context.collectSettings = [panel, &settings](PipelineInputs &inputs) {
        return collectPipelineInputs(panel, settings, inputs);
    };
    context.programFolder = startupConfig().programFolder;
    context.workerEndEvent = thumbnailWorker().wakeEvent();
    context.log = logToInfoWindow;
    context.refreshPreview = refreshMainPreview;
    startRun(context);
}

void openSaveModeDialog(HWND mainWindow)
{
    createSaveModeDialog(GetModuleHandleA(nullptr), mainWindow);
    int mode = (int)normalisedPicSaveMode(startupConfig().picSaveMode);
    if (runSaveModeDialog(mainWindow, mode))
        startupConfig().picSaveMode = (DWORD)mode;
}
