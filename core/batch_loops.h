// The two per-item loops of a main-tool run and what they need on disk: the
// target folder tree, a free target name per picture, and the safe replacement
// of an original. They run on the batch worker and report through BatchReport.
#pragma once
#include <set>
#include <string>
#include <vector>

#include "core/batch_report.h"

struct PipelineInputs;

// Creates target\prefix for every distinct prefix of the items' relative folders,
// parents first. false with a message ("无法创建目标文件夹：[%s]") when a folder
// cannot be created, when a file stands where a folder must be, or when a relative
// folder would leave the target folder; folders made before that stay.
bool prepareTargetFolders(const std::string &targetFolder, const std::vector<BatchItem> &items,
                          std::string &error);

enum class NameSearch { Reserved, Stopped, TooLong, CannotCreate, Exhausted };

// Names the first free candidate(1), candidate(2), ... candidate(highest) and
// reserves it by creating it empty on disk (CREATE_NEW), so that no other program,
// run or worker takes it. A candidate that is on disk in any form (file, folder,
// a file nobody may read) or in taken (may be null) is passed over; taken
// receives (as pathKey) every name met on disk and the name reserved. candidate
// returns empty when its name would not fit (TooLong). Stopped when the stop hook
// says so before a candidate after the first; CannotCreate (target = that name)
// when nothing is there and still nothing can be created.
NameSearch reserveFreeName(const std::function<std::string(int n)> &candidate, int highest,
                           const std::function<bool()> &stopRequested, std::set<std::string> *taken,
                           std::string &target);

enum class Reservation { Reserved, Failed, Stopped };

// The target names handed out during one run. A name is chosen in list order and
// reserved at once by creating it empty on disk, so no other program, run or
// worker takes it; it is remembered here as well, so a name stays used even after
// its placeholder is removed again (its picture failed). The names of a run
// therefore depend only on the list and on what was on disk before, never on
// which pictures fail or in what order pictures finish.
class TargetNameBook {
public:
    static const int kHighestNumber = 99999;
    explicit TargetNameBook(int highestNumber = kHighestNumber) : highest_(highestNumber) {}

    // The first candidate (base.jpg, base(2).jpg, ... up to base(highest).jpg) that
    // is not on disk in any form (file, folder, a file nobody may read) and was not
    // handed out before. Failed with an information-window text when no number is
    // left or the target folder cannot take a new file at all; Stopped when the
    // stop hook says so while numbering.
    Reservation reserve(const std::string &targetFolder, const BatchItem &item, bool keepStructure,
                        const std::function<bool()> &stopRequested, std::string &target, std::string &reason);

private:
    int highest_;
    std::set<std::string> taken_;  // pathKey of every name handed out
};

// Overwrite mode: the files a run has taken on. Processing one file twice would
// apply every change twice, so a file is claimed once, under every name it is
// known by (other spellings, links).
class SourceClaims {
public:
    // true the first time a file is met; false when it came earlier in the list.
    bool claim(const std::string &path);

private:
    std::set<std::string> seen_;
};

// The work on one item, apart from choosing its name or claiming its file: it
// touches only that item's files and reads the inputs, so several items may be
// worked on at once. The loops call the steps as: choose/claim in list order,
// work, then report in list order.
struct ItemOutcome {
    ItemStatus status = ItemStatus::Failed;
    std::string target;  // the file written
    std::string reason;  // the information-window text when not written
    std::string detail;  // ImageMagick's or the system's own words, when known
};
// Save-to mode: processes the item into its reserved name; when that fails the
// placeholder goes again (its name stays taken in the book).
ItemOutcome processIntoTarget(const PipelineInputs &inputs, const BatchItem &item, const std::string &target);
// Overwrite mode: processes the item and replaces its source with the JPEG data.
ItemOutcome processOverSource(const PipelineInputs &inputs, const BatchItem &item);

// Save-to mode: every item in list order gets a free name in the target folder
// (mirroring its relative folder when keepStructure is set) and is written there
// as JPEG. An existing file is never replaced; a failed picture leaves no file.
BatchSummary saveToFolderLoop(const PipelineInputs &inputs, const std::string &targetFolder,
                              bool keepStructure, const std::vector<BatchItem> &items,
                              const BatchReport &report);

// Overwrite mode: every item is processed and its JPEG data replace the source
// file under the same name. The new data are written beside the source and moved
// into place, so when anything fails the original stays as it was. A file that
// came earlier in the list is not processed again. Rotation and flip of every
// item visited are reset to 0: they are now part of the file.
BatchSummary overwriteLoop(const PipelineInputs &inputs, std::vector<BatchItem> &items,
                           const BatchReport &report);

// Replaces the file at path with the given bytes, safely: a temporary file in the
// same folder is written and flushed, then moved over the original. false with an
// information-window text; the original is untouched then and no temporary remains.
// A read-only file is not replaced.
bool replaceFileSafely(const std::string &path, const void *bytes, size_t size, std::string &reason);
