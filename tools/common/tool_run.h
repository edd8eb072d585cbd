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

// What became of one picture: status, target, reason (information-window text
// of a picture that was skipped), detail, and runError (not empty: the run ends
// at this picture with this box text).
using ToolItemOutcome = ItemOutcome;

extern const char kNothingToDoText[];  // "没有找到需要处理的图片"

ToolItemOutcome toolItemWritten(const std::string &target);
ToolItemOutcome toolItemSkipped(const std::string &reason, const std::string &detail = std::string());
ToolItemOutcome toolRunError(const std::string &message);

// The outcome of the listing when it did not list (folder failure or stop).
ToolRunOutcome toolWalkOutcome(WalkEnd end, const std::string &message);

// Runs process on each file on the batch's workers (`workers`, 0: one per
// processor; core/batch_workers.h): handed out in list order after
// stopRequested, reported in list order with progress, logLine (when not written
// and not ending the run) and itemDone. What a picture writes waits for the
// pictures before it (toolWriteBegins), so names, lines and files are the same
// for every number of workers. An empty list is NothingToDo; a runError ends the
// run as Failed at that picture, and nothing after it is written or reported.
ToolRunOutcome runToolFiles(const std::vector<std::string> &files, const BatchReport &report,
                            const std::function<ToolItemOutcome(const std::string &path)> &process, int workers);

// Before a picture's first change on disk (a file, a folder): its turn in list
// order (awaitListTurn), then the run's tidy of that folder. false when an
// earlier picture ended the run: write nothing and return toolItemDropped().
bool toolWriteBegins(FolderTidy &tidy, const std::string &folder);
// The outcome of a picture that gave way to an earlier one ending the run (never
// reported).
ToolItemOutcome toolItemDropped();

// The whole worker run of a folder tool: the listing (which makes the target
// tree), then process on each file in list order. The FolderTidy is the run's:
// the temporary files a killed run left are removed once per folder written to.
ToolRunOutcome runToolWalk(ToolWalk walk, const BatchReport &report,
                           const std::function<ToolItemOutcome(const std::string &path, FolderTidy &tidy)> &process,
                           int workers);

// A job the window would refuse, as the command line says it: the balloon text
// with the value it is about (" (png_zoom_value)") or with the folder
// (aboutSource: ": <folder>"), or a drive root as the folder browser refuses it.
// true with refused filled (Refused) when there is something to say.
bool refuseToolJob(const std::string &problem, bool aboutSource, const char *valueName, const std::string &source,
                   ToolRunOutcome &refused);
