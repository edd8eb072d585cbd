// The slice tool without its window: the job record, its values (registry or
// settings file), the grid of one picture, the tile and page names, the HTML
// page that puts the tiles back together, and the worker loop that cuts every
// accepted picture of a folder (optionally of all its sub-folders).
#pragma once
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "util/stored_values.h"
#include "imaging/output_options.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

// One direction: horizontal lines cut rows, vertical lines cut columns.
struct SliceDivision {
    bool on = false;
    bool byCount = true;  // else a number of pixels per slice
    int count = 0;        // 1..999, 0 = the box is empty
    int pixels = 0;       // 1..9999, 0 = the box is empty
};

struct SliceSettings {
    unsigned sourceFormats = 31;  // slice_load_format_option: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 webp/heic/avif
    SliceDivision horizontal;     // slice_horizontal*
    SliceDivision vertical;       // slice_vertical*
    OutputOptions output;         // "slice" prefix
    bool html = true;             // slice_save_html
    bool autoOrient = true;       // auto_orient: the main window's switch
};

struct SliceJob {
    std::string sourceFolder;
    bool includeSubfolders = false;  // not stored (check box, --subfolders)
    std::string outputFolder;        // created when missing
    SliceSettings settings;
};

const std::vector<ToolValueDef> &sliceToolValues();
void loadSliceValues(const StoredValues &values, SliceSettings &settings);
void putSliceValues(ValueMap &values, const SliceSettings &settings);

// ---- Grid (pure) ---------------------------------------------------------------------

struct SliceSpan {
    int start = 0, length = 0;
};
// The rows of a picture size pixels high (or the columns of one that wide): one
// span when the division is off; N spans by count (the first ones one pixel
// longer; one-pixel spans when N >= size); spans of P pixels and a shorter last one.
std::vector<SliceSpan> sliceSpans(int size, const SliceDivision &division);

// Most tiles one picture may give; a finer grid is refused for that picture.
constexpr long long kSliceMaxTiles = 9999;

// "stem-<n>ext", the number zero-padded to the digits of total (1, 2, 3 or 4).
std::string sliceTileName(const std::string &stem, int number, int total, const char *extension);
// The part before "(k)ext" of a taken name: "stem-<n>" padded with spaces instead.
std::string sliceTileCollisionBase(const std::string &stem, int number, int total);

// ---- The page ------------------------------------------------------------------------

// A relative address from the page to a tile: each part UTF-8 and percent-encoded
// (every byte but letters, digits and "-._~()"), joined by '/'.
std::string sliceTileAddress(const std::string &tileFolderName, const std::string &tileFileName);
// Text made safe inside an HTML element or attribute ('&', '<', '>', '"').
std::string htmlEscape(const std::string &text);
// The page's opening (through the table tag) for a picture stem written as extension.
std::string slicePageHead(const std::string &stem, const char *extension);
std::string slicePageCell(const std::string &address, int width, int height);
extern const char kSlicePageTail[];  // "</table>\r\n</body>\r\n</html>"

// ---- Start checks --------------------------------------------------------------------

// What the window's boxes say for one direction (the text of the selected box).
struct SliceDivisionInput {
    bool on = false;
    bool byCount = true;
    std::string text;
};
enum class SliceField { None, Source, Formats, Divisions, Horizontal, Vertical };
struct SliceProblem {
    SliceField field = SliceField::None;
    const char *title = "";
    const char *text = "";
    bool errorIcon = false;
};
SliceProblem sliceStartProblem(const std::string &source, unsigned formats, const SliceDivisionInput &horizontal,
                               const SliceDivisionInput &vertical);

// The worker loop (any thread; no windows).
ToolRunOutcome runSliceJob(const SliceJob &job, const BatchReport &report);

// velmora --tool slice.
ToolRunOutcome runSliceCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
