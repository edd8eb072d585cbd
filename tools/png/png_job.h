// The PNG tool without its window: the job record, its values (registry or
// settings file), the zoom rule, and the worker loop that re-encodes every PNG of
// a folder (optionally of all its sub-folders), resized and flattened as asked,
// as palette PNG or ordinary PNG, into a mirrored output tree or over the files.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "util/stored_values.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

enum PngZoomRule { kPngShrink = 0, kPngEnlarge = 1, kPngResizeBothWays = 2 };
enum PngZoomSide { kPngWidth = 0, kPngHeight = 1 };

struct PngJob {
    std::string sourceFolder;
    bool includeSubfolders = false;  // not stored (check box, --subfolders)
    bool overwrite = false;          // not stored (radio button, --overwrite)
    std::string outputFolder;        // save-to mode; created when missing
    bool zoom = false;               // png_zoom_status
    int zoomRule = kPngShrink;       // png_zoom_1
    int zoomSide = kPngWidth;        // png_zoom_2
    int zoomSize = 0;                // png_zoom_value, 1..9999; 0 = empty
    bool keepProportions = true;     // png_zoom_scale
    bool transparent = true;         // png_transparent
    bool png8 = true;                // png_png8
    int colours = 256;               // png_png8_color_count, 2..256
    bool keepFileTime = false;       // png_keep_file_time
    bool autoOrient = true;          // auto_orient: the main window's switch
};

const std::vector<ToolValueDef> &pngToolValues();
// Missing or out-of-range values take their defaults (rule above 2 and side
// above 1 give 0, size outside 1..9999 is empty, colours outside 2..256 give 256).
void loadPngValues(const StoredValues &values, PngJob &job);
void putPngValues(ValueMap &values, const PngJob &job);

// The new size of a width x height picture under the zoom rule; changed is false
// when the rule leaves the picture as it is. Rounding adds one from a fraction
// of .5; a shrunk side never becomes 0.
struct PngZoomResult {
    size_t width = 0, height = 0;
    bool changed = false;
};
PngZoomResult pngZoomSize(size_t width, size_t height, int size, int rule, int side, bool keepProportions);

// The proportions check box's label is sameScaleLabel (core/settings_rules.h).

// Why a run cannot start, in the order the start button checks (the save mode,
// a window-only choice, comes after these): the balloon's anchor, title, text
// and icon, as the window shows them and the command line prints them.
enum class PngField { None, Source, Size };
struct PngProblem {
    PngField field = PngField::None;
    const char *title = "";
    const char *text = "";
    bool errorIcon = false;  // "这里不能小于1"
};
// sizeText: the size box as typed (with zoom on it must hold a number of 1 or more).
PngProblem pngStartProblem(const std::string &source, bool zoom, const std::string &sizeText);

ToolRunOutcome runPngJob(const PngJob &job, const BatchReport &report);

// velmora --tool png: the job from the settings file's values and the command line.
ToolRunOutcome runPngCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
