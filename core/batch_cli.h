// The headless batch run:
//   velmora --batch [--settings FILE] [--workers N] (--save-to DIR [--keep-structure] | --overwrite) PATH...
// Same loops as the progress window; one line per picture and a summary line.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "core/watermark_render.h"

struct BatchCommand {
    std::string settingsFile;  // empty: the default settings
    std::string saveTo;        // target folder (save-to mode)
    bool keepStructure = false;
    bool overwrite = false;
    int workers = 0;                 // --workers N; 0: one per processor
    std::vector<std::string> paths;  // as given (GBK), files or folders
};

// Exit codes of the batch command.
enum BatchExitCode { kBatchAllWritten = 0, kBatchSomeFailed = 1, kBatchUsageError = 2, kBatchCutOff = 3 };

// The arguments after "--batch". false with a message on a usage error.
bool parseBatchArguments(const std::vector<std::string> &args, BatchCommand &command, std::string &error);

// The list a run works on: picture files as given (empty relative folder), and
// every picture of each named folder and its sub-folders with the relative folder
// that adding the folder in the window gives. A path named twice is listed once.
// false with a message when a path is missing, not a picture, or a drive root.
// Folders without pictures add a line to notes, and so does every picture or
// folder a listing left out (paths too long, names of devices). A sub-folder that
// is targetFolder or lies in it holds the run's own results and is passed over.
bool collectBatchItems(const std::vector<std::string> &paths, std::vector<BatchItem> &items,
                       std::string &error, std::vector<std::string> &notes,
                       const std::string &targetFolder = std::string());

// The terminal line of one finished picture and the closing summary line (GBK).
std::string batchItemLine(const BatchItemResult &result);
std::string batchSummaryLine(const BatchSummary &summary);

std::string batchUsageText();

// A path given on the command line as the program uses it: DOS form,
// backslashes, full, no trailing backslash except after a drive.
std::string commandLinePath(const std::string &arg);

// What the command line takes from the program around it: where the "icc"
// folder is, and the fonts of text watermarks (the tables are built only when a
// text watermark is drawn).
struct BatchEnvironment {
    std::string programFolder;
    void (*loadFonts)() = nullptr;
    WatermarkFontSelector selectFont = nullptr;
    bool (*fontUsable)(const std::string &face, bool needChinese) = nullptr;
};

// Without a screen, text watermarks are sized for this DPI.
constexpr int kBatchScreenDpi = 96;

// Prepares what the settings need besides the pictures: both watermark pictures
// (a watermark picture path may be a Unix or a DOS path; it is made a full DOS
// path in settings) and the ICC profiles. false with the message when a
// watermark or the sRGB profile cannot be prepared; notes receives warnings that
// do not stop the run (a CMYK profile that could not be loaded).
bool prepareBatchInputs(ProcessSettings &settings, const BatchEnvironment &environment, PreparedWatermarks &marks,
                        PipelineInputs &inputs, std::string &error, std::vector<std::string> &notes);

// Runs the whole command and returns its exit code (BatchExitCode).
// ImageMagick must be started by the caller. beforePicture (tests only) is called
// on the picture's worker thread with the 1-based index before it is processed.
int runBatchCommand(const std::vector<std::string> &args, const BatchEnvironment &environment,
                    const std::function<void(int index)> &beforePicture = std::function<void(int)>());

// What the terminal is told when the process faults in the middle of a run (a
// hardware fault inside a decoder, say): a failure line for the picture being
// worked on, the summary so far, and that the run was cut off. For the fault
// handler of the command line (exit code kBatchCutOff); does nothing outside a run.
void reportBatchCutOff(unsigned long exceptionCode);
