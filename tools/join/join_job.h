// The join tool without its window: the job record, its values (registry or
// settings file), the groups of a source folder, the layout of one joined
// picture, the joining itself (also used by the window's preview) and the
// worker loop that writes one picture per group.
#pragma once
#include <wand/MagickWand.h>

#include <string>
#include <vector>

#include "core/batch_report.h"
#include "input/file_helpers.h"
#include "util/stored_values.h"
#include "imaging/output_options.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_picture.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

enum JoinLayout { kJoinVertical = 1, kJoinHorizontal = 2 };
enum JoinSizeRule { kJoinFirst = 0, kJoinLargest = 1, kJoinSmallest = 2, kJoinCustom = 3 };

struct JoinSettings {
    unsigned sourceFormats = 31;  // join_load_format_option: 1 jpg/jpeg, 2 png, 4 gif, 8 bmp, 16 webp/heic/avif
    int layout = kJoinVertical;   // join_layout
    int sizeRule = kJoinFirst;    // join_width_or_height_index
    int customSize = 0;           // join_width_or_height_value; 0 = the field is empty
    int spacing = 0;              // join_space, 0..128
    OutputOptions output;         // "join" prefix
    bool autoOrient = true;       // auto_orient: the main window's switch
};

struct JoinJob {
    std::string sourceFolder;
    std::string targetFolder;  // created when missing
    int workers = 0;  // pictures side by side (--workers); 0: one per processor
    JoinSettings settings;
};

const std::vector<ToolValueDef> &joinToolValues();
// Read back as the window does: mask missing 31, layout 1 (or missing) vertical
// and anything else horizontal, rule 0..3 else 0, custom size 1..9999 else
// empty, spacing 0..128 else 0.
void loadJoinValues(const StoredValues &values, JoinSettings &settings);
void putJoinValues(ValueMap &values, const JoinSettings &settings);

// The groups of a source folder: its direct sub-folders (names beginning with
// '.' left out), or, without any, the folder itself when it holds at least two
// accepted pictures. Empty: nothing to join. Sub-folders whose paths are too
// long go to leftOut (information-window texts).
std::vector<std::string> joinGroups(const std::string &source, unsigned formats, LeftOutLines *leftOut = nullptr);
// The accepted pictures directly in a group folder, in listing order; what
// cannot be taken (paths too long, device names) to leftOut.
std::vector<std::string> joinGroupFiles(const std::string &folder, unsigned formats,
                                        LeftOutLines *leftOut = nullptr);

// ---- Layout (pure) -------------------------------------------------------------------

struct JoinSize {
    int width = 0, height = 0;
};
struct JoinPlacement {
    int x = 0, y = 0;
    int width = 0, height = 0;  // as composited (a picture is only ever made smaller)
};
struct JoinPlan {
    int target = 0;  // the equalised side: width when vertical, height when horizontal
    long long canvasWidth = 0, canvasHeight = 0;
    std::vector<JoinPlacement> placements;  // one per size, in order
};
// round-half-up(other x target / own), at least 1.
int joinScaleToFit(int other, int target, int own);
// The canvas and where each picture goes, from the sizes of the pictures that
// take part (in order).
JoinPlan planJoin(const std::vector<JoinSize> &sizes, const JoinSettings &settings);

// ---- Joining ---------------------------------------------------------------------------

struct JoinResult {
    MagickWand *picture = nullptr;  // the joined picture (caller destroys), or none
    long long width = 0, height = 0;  // its size; a preview's picture may be composed smaller
    bool tooFewListed = false;      // fewer than two accepted files: nothing to say
    std::string problem;            // why there is no picture (information-window text)
    std::vector<std::string> notes; // pictures left out, for the information window
};
// Joins the pictures of one group folder. Sizes come from the file headers (or
// ImageMagick's ping); a picture whose size cannot be told takes no part at all,
// and neither does one whose pixels then cannot be read (or that the limits
// refuse): the layout is made without it, each with a line in notes. No place
// of the joined picture is ever left blank. The canvas is transparent when the
// output keeps transparency (PNG with 透明度), else white. A JPEG target refuses
// a side over 65500 pixels before anything is read.
// A preview fitted into the pane (tools/common/tool_picture.h) never shows more
// than fit: the picture is then composed at the scale canvasComposeScale gives, each
// photo reduced while it is decoded. The layout, the checks and the notes are
// those of the whole picture; only the pixels are fewer.
JoinResult joinGroup(const std::string &folder, const JoinSettings &settings, PreviewFit fit = PreviewFit());

// The plan of a picture composed at scale: every edge rounded to the nearest
// pixel, so that neighbours still meet and no place is smaller than 1 x 1.
JoinPlan scaleJoinPlan(const JoinPlan &plan, double scale);

// The output file's first name: target\<group folder name><ext> ("a" when the
// group folder has no name).
std::string joinTargetName(const std::string &targetFolder, const std::string &group, const OutputOptions &output);

// Why a run cannot start, in the order the start button checks (the groups and
// the target folder come after these).
enum class JoinField { None, Source, Formats, Custom };
struct JoinProblem {
    JoinField field = JoinField::None;
    const char *title = "";
    const char *text = "";
    bool errorIcon = false;
};
JoinProblem joinSourceProblem(const std::string &source, unsigned formats);
// customText: the custom size field as typed (rule 3 only).
JoinProblem joinCustomProblem(int sizeRule, const std::string &customText);
extern const char kJoinNoGroupsFormat[];  // "文件夹 %s 中没有可拼接的图片，请重新选择。"

// Creates the target folder when it is missing; false with "创建文件夹 %s 失败，错误码：%d".
bool makeJoinTarget(const std::string &folder, std::string &message);

// The worker loop (any thread; no windows): one picture per group, written under
// a free name; groups of fewer than two pictures are passed over silently.
ToolRunOutcome runJoinJob(const JoinJob &job, const BatchReport &report);

// velmora --tool join.
ToolRunOutcome runJoinCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
