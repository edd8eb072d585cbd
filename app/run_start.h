// "开始处理": the checks with their messages, the worker, the progress window,
// and what the user sees and keeps after the run.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "core/batch_run.h"
#include "app/save_group.h"

// The picture list as a run sees it; the main window's picture list implements it.
// Every call comes on the window thread.
class RunPictureList {
public:
    virtual ~RunPictureList() {}
    virtual int count() const = 0;
    // Item `index` (0-based): path, relative folder, rotation, flip.
    virtual BatchItem item(int index) const = 0;
    // Overwrite mode: the file of item `index` has been processed (written) or
    // failed. Either way its rotation and flip are now 0; when written, its
    // outdated thumbnail is replaced.
    virtual void afterOverwrite(int index, bool written) = 0;
    // After an overwrite run: the list is drawn again.
    virtual void redraw() {}
};

struct RunContext {
    HWND mainWindow = nullptr;      // disabled during the run; owner of the messages
    SaveGroup *saveGroup = nullptr;
    RunPictureList *list = nullptr;
    CollectSettings collectSettings;  // the panel's values (and prepared watermarks)
    std::string programFolder;        // "config.dat" is written here, and it becomes the current folder
    HANDLE workerEndEvent = nullptr;  // the thumbnail worker's wake event; signalled when the worker ends
    // The information window (may be called on the worker thread).
    std::function<void(const std::string &text)> log;
    // After an overwrite run, on the window thread: refresh the preview if it is
    // open (it shows a file that has just changed). Empty: no preview.
    std::function<void()> refreshPreview;
    // Called on the picture worker's thread right before item `index` (1-based)
    // is processed. Empty in the program.
    std::function<void(int index)> beforeItem;
    // Pictures processed side by side; 0 (the program): one per processor.
    int workers = 0;
};

enum class RunOutcome {
    NotStarted,  // a check stopped it (its message was shown) or a run is still active
    Completed,
    Stopped
};

// The whole "开始处理": checks in their order, "config.dat", the worker, the modal
// progress window, the end message, remembering the folder and pic_save_mode.
// Returns after the worker has ended. The progress window must exist
// (createProgressWindow); without it nothing starts. A thread that cannot be
// created ends the program.
RunOutcome startRun(RunContext &context);

// True from the start of a run until its worker has ended: the main window
// refuses to close and nothing may start in that time.
bool batchRunBusy();
// The information window's line after a stopped run.
std::string stoppedRunText(int total, int written);

