// The per-picture loop every folder tool runs, window or command line alike: in
// list order, a stop honoured between pictures, pictures that cannot be read
// reported and skipped, and a failure that ends the run (a write or a folder that
// cannot be made) ending it at that picture. Reports through the main tool's
// BatchReport hooks, so a window and the terminal see the same run.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/batch_loops.h"
#include "core/batch_report.h"
#include "tools/common/tool_folders.h"

enum class ToolRunEnd {
    Completed,    // every listed picture was taken in turn
    Stopped,      // the stop hook said yes
    Failed,       // a failure ended the run; message holds the box text (caption "错误")
    NothingToDo,  // no picture listed: "没有找到需要处理的图片" (caption "提示")
    Refused,      // the job's values were refused before anything was done (command line)
};

struct ToolRunOutcome {
    ToolRunEnd end = ToolRunEnd::Completed;
    std::string message;
    BatchSummary summary;
};

// What became of one picture.
struct ToolItemOutcome {
    ItemStatus status = ItemStatus::Failed;
    std::string target;    // the file written
    std::string reason;    // information-window text of a picture that was skipped
    std::string detail;    // ImageMagick's or the system's words, when known
    std::string runError;  // not empty: the run ends at this picture with this box text
};

extern const char kNothingToDoText[];  // "没有找到需要处理的图片"

ToolItemOutcome toolItemWritten(const std::string &target);
ToolItemOutcome toolItemSkipped(const std::string &reason, const std::string &detail = std::string());
ToolItemOutcome toolRunError(const std::string &message);

// The outcome of the listing when it did not list (folder failure or stop).
ToolRunOutcome toolWalkOutcome(WalkEnd end, const std::string &message);

// Runs process on each file in order. Per file: stopRequested, progress,
// process, logLine (when not written and not ending the run), itemDone. An empty
// list is NothingToDo; a runError ends the run as Failed.
ToolRunOutcome runToolFiles(const std::vector<std::string> &files, const BatchReport &report,
                            const std::function<ToolItemOutcome(const std::string &path)> &process);

// The whole worker run of a folder tool: the listing (which makes the target
// tree), then process on each file in list order. The FolderTidy is the run's:
// the temporary files a killed run left are removed once per folder written to.
ToolRunOutcome runToolWalk(ToolWalk walk, const BatchReport &report,
                           const std::function<ToolItemOutcome(const std::string &path, FolderTidy &tidy)> &process);

// A job the window would refuse, as the command line says it: the balloon text
// with the value it is about (" (png_zoom_value)") or with the folder
// (aboutSource: ": <folder>"), or a drive root as the folder browser refuses it.
// true with refused filled (Refused) when there is something to say.
bool refuseToolJob(const std::string &problem, bool aboutSource, const char *valueName, const std::string &source,
                   ToolRunOutcome &refused);
