// The folder tools without a window:
//   velmora --tool NAME [--settings FILE] [--subfolders] [--workers N] (--save-to DIR | --overwrite) SOURCE_FOLDER
//   velmora --tool NAME --help
// FILE holds the tool's stored values as "name=value" lines under their registry
// names; a value the file lacks takes its default. The same job and worker loop
// as the tool's window; one line per picture, a summary, exit code 0 (every
// picture written), 1 (some failed, or a failure ended the run), 2 (usage,
// refused values, nothing to do).
#pragma once
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "util/stored_values.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

// What the command line says beside the stored values: the window's choices
// that are not stored.
struct ToolCommandLine {
    std::string tool;
    std::string settingsFile;
    bool help = false;
    bool subfolders = false;
    bool saveToGiven = false;
    std::string saveTo;  // as given
    bool overwrite = false;
    std::string source;  // as given
    int workers = 0;     // --workers N; 0: one per processor
};

struct ToolCommand {
    const char *name;   // "convert", "png"
    const char *title;  // the tool's name in the window's toolbar
    const std::vector<ToolValueDef> &(*values)();
    bool overwriteAllowed;
    // Builds the job from the values and the command line (paths already in the
    // program's form) and runs it; Refused with a message when the job cannot start.
    ToolRunOutcome (*run)(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
};

// The arguments after "--tool". false with a message on a usage error.
bool parseToolArguments(const std::vector<std::string> &args, ToolCommandLine &command, std::string &error);

// The exit code of a finished run.
int toolExitCode(const ToolRunOutcome &outcome);
