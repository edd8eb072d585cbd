// What a batch run works on and how it reports. The loops call these hooks on
// the worker thread; the progress window answers them by sending messages to its
// own thread, the command line by printing. Every hook may be left empty.
#pragma once
#include <atomic>
#include <functional>
#include <string>

// One picture of a run (the list item's part that the loops need).
struct BatchItem {
    std::string path;            // full source path, GBK
    std::string relativeFolder;  // e.g. "2019\trip": no leading or trailing backslash; empty when added directly
    int rotation = 0;            // degrees clockwise: 0, 90, 180, 270
    int flip = 0;                // non-zero mirrors top to bottom
};

enum class ItemStatus {
    Written,  // target holds the processed picture
    Failed,   // nothing written; reason says why; the source is untouched
    Skipped,  // overwrite mode: the same file came earlier in the list
};

struct BatchItemResult {
    int index = 0;   // 1-based position in the list
    int total = 0;
    ItemStatus status = ItemStatus::Failed;
    std::string source;
    std::string target;  // the file written (Written only)
    std::string reason;  // the information-window text (Failed, Skipped)
    std::string detail;  // ImageMagick's or the system's own words for a failure, when known
    std::string note;    // Written only: what the user should know about the file (a maximum file size not met)
};

struct BatchSummary {
    int total = 0;
    int written = 0;
    int failed = 0;
    int skipped = 0;
    int oversize = 0;      // written, but larger than the maximum file size asked for
    bool stopped = false;  // the stop hook said yes during the run
    const char *unit = "张";  // what is counted: pictures ("张"), or groups ("组") for the join tool
};

// Counts one finished item into a summary.
inline void countItem(BatchSummary &summary, ItemStatus status, bool withNote)
{
    if (status == ItemStatus::Written)
        ++summary.written;
    else if (status == ItemStatus::Failed)
        ++summary.failed;
    else
        ++summary.skipped;
    if (status == ItemStatus::Written && withNote)
        ++summary.oversize;
}

// The loops hand items to their workers in list order, asking stopRequested
// before each one (and again while a save-to name is being numbered); an item is
// handed out only when a worker is free, so nothing starts after a stop is seen
// and every item handed out is finished. Finished items are reported in list
// order: logLine when the item was not written or was written with a note, then
// itemDone. progress counts finished pictures: progress(n) means n - 1 are
// finished, it starts at 1 and never goes backwards. After the last item:
// stopRequested once more, then completed unless a stop was seen. Every hook but
// pictureStarting is called on the loop's own thread.
struct BatchReport {
    // Finished pictures so far plus one ("正在处理第 index 张"), of `total`.
    std::function<void(int index, int total)> progress;
    // A text for the information window ("reason:\r\npath"); one per item not
    // written, and one per item written with a note.
    std::function<void(const std::string &text)> logLine;
    // An item is finished; called in list order, after its logLine.
    std::function<void(const BatchItemResult &result)> itemDone;
    // Asked before every item is handed out; true ends the run once the items
    // handed out are finished. Must be cheap and callable from a worker (a name
    // taken meanwhile is numbered on the worker); stopHookFor below reads an
    // atomic flag.
    std::function<bool()> stopRequested;
    // The loop went through the whole list (not called after a stop).
    std::function<void(const BatchSummary &summary)> completed;
    // On the worker thread, right before it processes item `index` (1-based):
    // tests and the command line's fault report.
    std::function<void(int index)> pictureStarting;
};

// The usual stop hook: a flag the window thread sets and the worker reads.
inline std::function<bool()> stopHookFor(const std::atomic<bool> &flag)
{
    return [&flag] { return flag.load(); };
}
