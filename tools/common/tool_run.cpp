#include "tools/common/tool_run.h"

#include "core/batch_workers.h"
#include "input/discovery.h"
#include "util/text.h"

const char kNothingToDoText[] = "没有找到需要处理的图片";

ToolItemOutcome toolItemWritten(const std::string &target)
{
    ToolItemOutcome o;
    o.status = ItemStatus::Written;
    o.target = target;
    return o;
}

ToolItemOutcome toolItemSkipped(const std::string &reason, const std::string &detail)
{
    ToolItemOutcome o;
    o.reason = reason;
    o.detail = detail;
    return o;
}

ToolItemOutcome toolRunError(const std::string &message)
{
    ToolItemOutcome o;
    o.reason = message;
    o.runError = message;
    return o;
}

ToolRunOutcome toolWalkOutcome(WalkEnd end, const std::string &message)
{
    ToolRunOutcome o;
    o.end = end == WalkEnd::Stopped ? ToolRunEnd::Stopped : ToolRunEnd::Failed;
    o.message = message;
    o.summary.stopped = end == WalkEnd::Stopped;
    return o;
}

ToolRunOutcome runToolFiles(const std::vector<std::string> &files, const BatchReport &report,
                            const std::function<ToolItemOutcome(const std::string &path)> &process, int workers)
{
    ToolRunOutcome run;
    run.summary.total = (int)files.size();
    if (files.empty()) {
        run.end = ToolRunEnd::NothingToDo;
        run.message = kNothingToDoText;
        return run;
    }
    ListRunHooks hooks;
    hooks.stopNow = report.stopRequested;
    hooks.progress = [&](int shown) {
        if (report.progress)
            report.progress(shown, run.summary.total);
    };
    hooks.pictureStarting = report.pictureStarting;
    hooks.work = [&](size_t i) { return process(files[i]); };
    hooks.report = [&](size_t i, ToolItemOutcome &item) {
        countItem(run.summary, item.status, false);
        if (item.status != ItemStatus::Written && item.runError.empty() && report.logLine)
            report.logLine(item.reason);
        if (report.itemDone) {
            BatchItemResult result;
            result.index = (int)i + 1;
            result.total = run.summary.total;
            result.status = item.status;
            result.source = files[i];
            result.target = item.target;
            result.reason = item.reason;
            result.detail = item.detail;
            report.itemDone(result);
        }
        if (item.runError.empty())
            return true;
        run.end = ToolRunEnd::Failed;
        run.message = item.runError;
        return false;
    };
    bool stopped = runListOnWorkers(files.size(), workers, hooks);
    if (run.end == ToolRunEnd::Failed)
        return run;
    // A stop asked for during the last pictures still counts: the window has
    // been told the run would end early.
    if (stopped || (report.stopRequested && report.stopRequested())) {
        run.end = ToolRunEnd::Stopped;
        run.summary.stopped = true;
    }
    return run;
}

bool toolWriteBegins(FolderTidy &tidy, const std::string &folder)
{
    // The tidy is the run's: only the picture whose turn it is uses it.
    if (!awaitListTurn())
        return false;
    tidy.before(folder);
    return true;
}

ToolItemOutcome toolItemDropped() { return toolRunError("-"); }

ToolRunOutcome runToolWalk(ToolWalk walk, const BatchReport &report,
                           const std::function<ToolItemOutcome(const std::string &path, FolderTidy &tidy)> &process,
                           int workers)
{
    walk.stopRequested = report.stopRequested;
    std::vector<std::string> files;
    std::string message;
    WalkEnd listed = collectToolFiles(walk, files, message);
    if (listed != WalkEnd::Listed)
        return toolWalkOutcome(listed, message);
    FolderTidy tidy;
    return runToolFiles(
        files, report, [&](const std::string &path) { return process(path, tidy); }, workers);
}

bool refuseToolJob(const std::string &problem, bool aboutSource, const char *valueName, const std::string &source,
                   ToolRunOutcome &refused)
{
    std::string message;
    if (!problem.empty())
        message = aboutSource ? problem + ": " + source : problem + " (" + valueName + ")";
    else if (isDriveRoot(source.c_str()))
        message = formatText("暂不支持添加根目录：[%s]，请选择下一级文件夹。", source.c_str());
    if (message.empty())
        return false;
    refused = ToolRunOutcome();
    refused.end = ToolRunEnd::Refused;
    refused.message = message;
    return true;
}
