// The crop tool without its window: the crop rules as geometry, the values it
// stores (registry or settings file), the per-picture crop, and the worker loop
// that crops every accepted picture of a folder (optionally of all its
// sub-folders) into a mirrored target tree or over the pictures themselves.
#pragma once
#include <wand/MagickWand.h>

#include <cstddef>
#include <string>
#include <vector>

#include "core/batch_report.h"
#include "util/stored_values.h"
#include "imaging/output_options.h"
#include "tools/common/tool_cli.h"
#include "tools/common/tool_folders.h"
#include "tools/common/tool_picture.h"
#include "tools/common/tool_run.h"
#include "tools/common/tool_values.h"

enum CropMode { kCropFixedSize = 0, kCropPercent = 1, kCropAspectRatio = 2, kCropSides = 3 };
enum CropAlign { kCropCentre = 0, kCropTopLeft = 1, kCropBottomLeft = 2, kCropTopRight = 3, kCropBottomRight = 4 };
enum CropSide { kCropLeft = 0, kCropRight = 1, kCropTop = 2, kCropBottom = 3 };

// A field left empty.
constexpr long kCropEmpty = -1;

// The crop rule as the window's fields give it; every amount is kCropEmpty or
// what the field says (digits only, so never negative).
struct CropSettings {
    int mode = kCropFixedSize;
    int align = kCropCentre;
    long fixedWidth = kCropEmpty, fixedHeight = kCropEmpty;
    long percentWidth = kCropEmpty, percentHeight = kCropEmpty;
    long ratioWidth = kCropEmpty, ratioHeight = kCropEmpty;
    bool sidesInPercent = false;                                         // "按百分比", else "按像素"
    long sidePixels[4] = {kCropEmpty, kCropEmpty, kCropEmpty, kCropEmpty};  // CropSide order
    long sidePercents[4] = {kCropEmpty, kCropEmpty, kCropEmpty, kCropEmpty};
};

// A field's text as the rule reads it: its first 7 characters, leading digits
// as a decimal number; kCropEmpty when there are none.
long cropFieldValue(const std::string &text);

// The kept area of a width x height picture: at least 1 x 1, inside the picture
// (all 0 for a picture without pixels). Trimming a whole side away keeps a
// 1-pixel strip at offset 0 on that axis.
struct CropRect {
    long long width = 0, height = 0, x = 0, y = 0;
};
CropRect computeCropRect(size_t width, size_t height, const CropSettings &settings);

// Source types, in the order of the window's check boxes.
struct CropTypeBox {
    const char *label;  // "jpg", "png", "gif", "bmp", "webp/heic/avif"
    int bit;
};
const std::vector<CropTypeBox> &cropTypeBoxes();

struct CropJob {
    std::string sourceFolder;
    unsigned sourceTypes = 31;       // crop_load_format_option (tools/common/tool_folders.h)
    bool includeSubfolders = false;  // not stored (check box, --subfolders)
    int workers = 0;  // pictures side by side (--workers); 0: one per processor
    CropSettings crop;
    bool overwrite = false;          // not stored (radio button, --overwrite)
    std::string targetFolder;        // save-to mode; created when missing
    bool keepFormat = false;         // not stored: each picture keeps its own format and extension
    OutputOptions output;            // "crop" prefix
    bool autoOrient = true;          // auto_orient: the main window's switch
};

const std::vector<ToolValueDef> &cropToolValues();
// Read back as the window shows them: sizes and ratios 1..9999, percentages
// 1..100, side pixels 0..9999, anything else (or nothing) empty; a mode above 3
// or an alignment above 4 is 0; types missing: all four.
void loadCropValues(const StoredValues &values, CropJob &job);
// What a start stores: every field, 0 for an empty one.
void putCropValues(ValueMap &values, const CropJob &job);

// Why a run cannot start, in the order the start button checks (the save mode,
// a window-only choice, comes after these): the balloon's anchor, title, text.
enum class CropField { None, Source, Types, FirstField, SecondField, LeftField };
struct CropProblem {
    CropField field = CropField::None;
    const char *title = "";
    const char *text = "";
};
CropProblem cropJobProblem(const CropJob &job);

// Reads the picture at path and crops it by the rule. Returns the cropped wand
// (no page offset; a BMP flattened on white; resolution in pixels per inch as
// the tool writes it) with the picture's size and the kept area, or nullptr with
// the information-window text: unreadable ("无法识别的图片:\r\n%s" and the
// reason) or an animated GIF ("不支持裁剪动态gif图片:\r\n%s").
struct CroppedPicture {
    MagickWand *wand = nullptr;
    size_t sourceWidth = 0, sourceHeight = 0;
    CropRect rect;
    // Where rect lies in the picture read: rect itself, unless a preview's fit
    // had the picture reduced while decoded (the wand is then as much smaller).
    CropRect heldRect;
    std::string format;  // the source's format name ("JPEG", "GIF", ...)
};
// uncropped (if given) receives a copy of the picture as read (its first image);
// the caller destroys it.
// autoOrient: the rule applies to the photo as people see it (orientation tag).
// fit (a preview's): the picture is read reduced (readToolPictureFitted); the
// rule still works on its whole size.
bool cropPicture(const std::string &path, const CropSettings &settings, bool autoOrient, CroppedPicture &out,
                 std::string &message, std::string &detail, MagickWand **uncropped = nullptr,
                 PreviewFit fit = PreviewFit());

// The cropped picture in its own format (a JPEG at quality 100), as the
// overwrite and keep-format modes write it. false with ImageMagick's reason.
bool encodeOwnFormat(MagickWand *wand, std::string &bytes, std::string &reason);

// The worker loop (any thread; no windows).
ToolRunOutcome runCropJob(const CropJob &job, const BatchReport &report);

// velmora --tool crop: the job from the settings file's values and the command line.
ToolRunOutcome runCropCommand(const ValueMap &values, const ToolCommandLine &command, const BatchReport &report);
