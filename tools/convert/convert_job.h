// The format conversion tool without its window: the job record, its values
// (registry or settings file), the names it gives, and the worker loop that
// converts every accepted picture of a folder (optionally of all its
// sub-folders) to JPG or PNG in a mirrored target tree.
#pragma once
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "util/stored_values.h"
#include "imaging/output_options.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

struct ConvertJob {
    std::string sourceFolder;        // chosen folder, never a drive root
    unsigned sourceFormats = 0;      // convert_load_format_option: bit per extension set
    bool includeSubfolders = false;  // not stored (the window's check box, --subfolders)
    std::string targetFolder;        // created when missing
    OutputOptions output;            // "convert" prefix
    bool keepOriginalExtension = false;  // 123.bmp -> 123.bmp.jpg
    bool autoOrient = true;              // auto_orient: the main window's switch
};

// The registry values of the tool, as the command line's settings file names them.
const std::vector<ToolValueDef> &convertToolValues();

// The stored part of the job (formats, output, keep-extension); missing values
// take their defaults (mask 0, i.e. nothing ticked).
void loadConvertValues(const StoredValues &values, ConvertJob &job);
// The values a start stores.
void putConvertValues(ValueMap &values, const ConvertJob &job);

// Source format bits, in the order of the window's check boxes.
struct ConvertFormatBox {
    const char *label;  // "jpg", "png", ...
    int bit;
};
const std::vector<ConvertFormatBox> &convertFormatBoxes();


// The result's file name: stem + extension, or with keepOriginalExtension the
// whole name plus the extension unless it already ends in it (photo.JPG stays).
std::string convertTargetName(const std::string &fileName, const OutputOptions &output, bool keepOriginalExtension);

// Why a job cannot start, in the order the start button checks: the balloon's
// anchor, title and text, as the window shows them and the command line prints them.
enum class ConvertField { None, Source, Formats };
struct ConvertProblem {
    ConvertField field = ConvertField::None;
    const char *title = "";
    const char *text = "";
};
ConvertProblem convertJobProblem(const ConvertJob &job);

// The worker loop (any thread; no windows).
ToolRunOutcome runConvertJob(const ConvertJob &job, const BatchReport &report);

// velmora --tool convert: the job from the settings file's values and the command
// line (--save-to only), refused with the window's balloon text when it cannot start.
ToolRunOutcome runConvertCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
