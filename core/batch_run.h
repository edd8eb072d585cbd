// The window-free half of a main-tool run started from the window: the checks
// made before a run (in their fixed order), the batch worker thread with its stop
// flag and end event, and the arithmetic of the progress bar.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "core/pipeline.h"

enum class SaveMode { None, SaveTo, Overwrite };

// ---- Progress bar -------------------------------------------------------------

// A progress bar counts 0..65535 at most; longer lists are counted in steps of
// `scale` pictures.
constexpr int kProgressBarLimit = 65535;

struct ProgressScale {
    int scale = 1;    // pictures per bar step, >= 1
    int maximum = 0;  // the bar's range is 0..maximum
};

// scale 1 and maximum total up to 65535; beyond, the smallest b >= 2 with
// total / b <= 65535 (integer division) and maximum total / b.
ProgressScale progressScaleFor(int total);
// Bar position while item `index` (1-based) is processed.
int progressPositionFor(int index, const ProgressScale &scale);
// "共 %d 张图片，正在处理第 %d 张。"
std::string progressStatusText(int total, int index);

// ---- Checks before a run ------------------------------------------------------

// What the save group and the program say about the run to come.
struct RunRequest {
    SaveMode mode = SaveMode::None;
    std::string folderText;      // the "保存到：" field as the user sees it
    bool keepStructure = false;  // "按原文件夹(子文件夹)结构保存图片"
    std::string programFolder;   // where "config.dat" lives; made the current folder
};

// What a run that passed the checks works with.
struct RunPlan {
    SaveMode mode = SaveMode::None;
    std::string targetFolder;  // save-to mode: the folder text with a trailing backslash
    bool keepStructure = false;
    std::string settingsFile;      // program folder + "config.dat"
    bool settingsWritten = false;  // a failure is logged and does not stop the run
};

// Where the checks stopped. Every verdict but Ready names a message the window
// shows (startRunMessage); SettingsRefused has shown its own.
enum class StartVerdict {
    Ready,
    SettingsRefused,        // the panel refused its values
    NoSaveMode,             // neither save mode selected ("config.dat" not written yet)
    NoTargetFolder,         // save-to with an empty folder text
    TargetFolderMissing,    // save-to with a folder that does not exist
    TargetFolderNotCreated  // a structure folder could not be created
};

// Fills inputs (settings, prepared watermarks) from the panel; false when a value
// was refused (the panel has said why).
typedef std::function<bool(PipelineInputs &inputs)> CollectSettings;

// The checks in their order: collect the settings; a save mode must be chosen;
// write "config.dat" (safely: the old file survives any failure, and a failure does
// not stop the run); make the program folder current; in save-to mode the folder
// must be given and exist, and with the structure kept the sub-folders are made.
// message receives the text of the folder-creation failure; logLine (may be
// empty) receives the text of a settings file that could not be written.
StartVerdict checkRunStart(const RunRequest &request, const CollectSettings &collectSettings,
                           const std::vector<BatchItem> &items, PipelineInputs &inputs, RunPlan &plan,
                           std::string &message, const std::function<void(const std::string &)> &logLine);

// ---- The worker ---------------------------------------------------------------

// Everything one run's worker reads and reports to. Owned by the window thread,
// which keeps it alive until the worker has ended.
struct BatchJob {
    RunPlan plan;
    PipelineInputs inputs;
    std::vector<BatchItem> items;  // a copy of the list taken before the start
    BatchReport report;            // hooks, called on the worker thread (stopRequested is set by the worker)
    HANDLE workerEndEvent = nullptr;  // signalled when the worker ends (the thumbnail worker's wake event)
    BatchSummary summary;             // written by the worker before it ends
    int workers = 0;                  // pictures processed side by side; 0: one per processor
};

// The stop flag of the current run: cleared at every start, set by "停止", read by
// the worker before each picture.
void clearBatchStop();
void requestBatchStop();
bool batchStopRequested();

// Starts the worker on a thread of its own (CreateThread: the worker calls Win32).
// false when no thread could be created. The job must stay alive until
// batchWorkerRunning() is false.
bool startBatchWorker(BatchJob *job);
// The current worker's thread handle (null when none was started); it stays
// valid until the next start.
HANDLE batchWorkerThread();
bool batchWorkerRunning();
