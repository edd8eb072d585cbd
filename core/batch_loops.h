// The two per-item loops of a main-tool run and what they need on disk: the
// target folder tree, a free target name per picture, and the safe replacement
// of an original. They run on the batch worker and report through BatchReport.
#pragma once
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include "core/batch_report.h"
#include "util/safe_file.h"

struct PipelineInputs;

// Creates target\prefix for every distinct prefix of the items' relative folders,
// parents first; one that exists when it is made (another run made it) is fine.
// false with a message ("无法创建目标文件夹：[%s]") when a folder cannot be
// created, when a file stands where a folder must be, or when a relative folder
// would leave the target folder; folders made before that stay. Folders that can
// never be made, their path too long or a part named like a device ("con"), are
// passed over: the pictures below them fail one by one (TargetNameBook::reserve).
bool prepareTargetFolders(const std::string &targetFolder, const std::vector<BatchItem> &items,
                          std::string &error);

enum class Reservation { Reserved, Failed, Stopped };

// The target names handed out during one run. A name is chosen in list order and
// kept in memory; nothing is created on disk before the picture is written, so a
// run that is killed leaves no empty file under a real name. A name stays used
// even when its picture fails, so the names of a run depend only on the list and
// on what was on disk before, never on which pictures fail. Another program may
// still take a name between the choice and the write: the write never replaces a
// file and then asks for the next name (TargetNameBook::reserve again).
class TargetNameBook {
public:
    static const int kHighestNumber = 99999;
    explicit TargetNameBook(int highestNumber = kHighestNumber) : highest_(highestNumber) {}

    // The first candidate (base.jpg, base(2).jpg, ... up to base(highest).jpg) that
    // is not on disk in any form (file, folder, a file nobody may read) and was not
    // handed out before. Failed with an information-window text when no number is
    // left, the name would not fit the path limit (the text names the whole path
    // and its length) or its folder below the target is named like a device;
    // Stopped when the stop hook says so while numbering.
    Reservation reserve(const std::string &targetFolder, const BatchItem &item, bool keepStructure,
                        const std::function<bool()> &stopRequested, std::string &target, std::string &reason);

private:
    int highest_;
    std::set<std::string> taken_;  // pathKey of every name handed out or found taken
};

// Overwrite mode: the files a run has taken on. Processing one file twice would
// apply every change twice, so a file is claimed once, under every name it is
// known by (other spellings, links). Telling links apart opens the file; a file
// that is open cannot be renamed over (Windows and Wine refuse it), so a claim
// and the replacement of an earlier item never overlap: both take the lock.
class SourceClaims {
public:
    SourceClaims();
    ~SourceClaims();
    SourceClaims(const SourceClaims &) = delete;
    SourceClaims &operator=(const SourceClaims &) = delete;

    // true the first time a file is met; false when it came earlier in the list.
    bool claim(const std::string &path);
    // placeOwnTempFile(temp, target, replace) while no claim has a file open.
    PlaceResult replace(const std::string &temp, const std::string &target, DWORD &error);

private:
    std::set<std::string> seen_;
    CRITICAL_SECTION lock_;
};

// The work on one item, apart from choosing its name or claiming its file: it
// touches only that item's files and reads the inputs. The loops call the steps
// as: choose/claim in list order, work, then report in list order.
struct ItemOutcome {
    ItemStatus status = ItemStatus::Failed;
    std::string target;  // the file written
    std::string reason;  // the information-window text when not written
    std::string detail;  // ImageMagick's or the system's own words, when known
    std::string note;    // written, but the user should know (a maximum file size not met)
};
// Another free name after `target` turned out to be taken; false with the reason
// when there is none.
using NextTargetName = std::function<bool(std::string &target, std::string &reason)>;
// Save-to mode: processes the item and moves its JPEG into target, never over an
// existing file; when the name was taken meanwhile, nextName gives the next one.
// A failure leaves nothing in the target folder.
ItemOutcome processIntoTarget(const PipelineInputs &inputs, const BatchItem &item, const std::string &target,
                              const NextTargetName &nextName = NextTargetName());
// Overwrite mode: processes the item and replaces its source with the JPEG data
// (through claims, when the run claims its files while this one is replaced).
ItemOutcome processOverSource(const PipelineInputs &inputs, const BatchItem &item, SourceClaims *claims = nullptr);

// Both loops process pictures on `workers` worker threads (0: one per processor;
// core/batch_workers.h) and report them in list order, so that a run gives the
// same names, lines and files with any number of workers.

// Save-to mode: every item in list order gets a free name in the target folder
// (mirroring its relative folder when keepStructure is set) and is written there
// as JPEG. An existing file is never replaced; a failed picture leaves no file.
// A picture written larger than the maximum file size is reported through logLine
// and counted in the summary.
BatchSummary saveToFolderLoop(const PipelineInputs &inputs, const std::string &targetFolder,
                              bool keepStructure, const std::vector<BatchItem> &items,
                              const BatchReport &report, int workers = 0);

// Overwrite mode: every item is processed and its JPEG data replace the source
// file under the same name. The new data are written beside the source and moved
// into place, so when anything fails the original stays as it was. A file that
// came earlier in the list is not processed again. Rotation and flip of every
// item visited are reset to 0: they are now part of the file.
BatchSummary overwriteLoop(const PipelineInputs &inputs, std::vector<BatchItem> &items,
                           const BatchReport &report, int workers = 0);

// The temporary files of the program's own that a killed run left in the folders
// a run writes into are removed once per folder, before the first write there.
class FolderTidy {
public:
    void before(const std::string &folder);

private:
    std::set<std::string> done_;
};
