// The headless batch run:
//   velmora --batch [--settings FILE] (--save-to DIR [--keep-structure] | --overwrite) PATH...
// Same loops as the progress window; one line per picture and a summary line.
#pragma once
#include <string>
#include <vector>

#include "core/batch_report.h"

struct BatchCommand {
    std::string settingsFile;  // empty: the default settings
    std::string saveTo;        // target folder (save-to mode)
    bool keepStructure = false;
    bool overwrite = false;
    std::vector<std::string> paths;  // as given (GBK), files or folders
};

// Exit codes of the batch command.
enum BatchExitCode { kBatchAllWritten = 0, kBatchSomeFailed = 1, kBatchUsageError = 2 };

// The arguments after "--batch". false with a message on a usage error.
bool parseBatchArguments(const std::vector<std::string> &args, BatchCommand &command, std::string &error);

// The list a run works on: picture files as given (empty relative folder), and
// every picture of each named folder and its sub-folders with the relative folder
// that adding the folder in the window gives. A path named twice is listed once.
// false with a message when a path is missing, not a picture, or a drive root.
// Folders without pictures add a line to notes.
bool collectBatchItems(const std::vector<std::string> &paths, std::vector<BatchItem> &items,
                       std::string &error, std::vector<std::string> &notes);

// The terminal line of one finished picture and the closing summary line (GBK).
std::string batchItemLine(const BatchItemResult &result);
std::string batchSummaryLine(const BatchSummary &summary);

std::string batchUsageText();

// A path given on the command line as the program uses it: DOS form,
// backslashes, full, no trailing backslash except after a drive.
std::string commandLinePath(const std::string &arg);

// Runs the whole command and returns its exit code (BatchExitCode).
// ImageMagick must be started by the caller.
int runBatchCommand(const std::vector<std::string> &args);
