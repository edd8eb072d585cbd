// How the folder tools read a picture and write a result, so that every tool
// refuses the same broken files and never replaces a file it did not mean to.
#pragma once
#include <wand/MagickWand.h>

#include <functional>
#include <string>

#include "core/batch_loops.h"
#include "imaging/output_options.h"
#include "tools/common/tool_run.h"
#include "util/file_times.h"

// Reads the picture at path (GBK) through the program's checked read
// (imaging/picture_read.h) and returns a wand holding only its first image (the
// first frame of an animation, the merged picture of a PSD, the first page of a
// TIFF), with autoOrient turned as its orientation tag says. Null with the
// information-window text (lead, "图片读取失败:\r\n%s" unless the tool says
// otherwise, with the path, then "\r\n原因：<reason>") and the reason alone in
// detail when it cannot be read.
// animation (if given) receives animationText() of the file: "GIF 动画 (共 N 帧)",
// "WEBP 动画 ...", "PNG 动画 (共 N 帧)" (an APNG, of which the wand holds the first
// frame), or empty.
MagickWand *readToolPicture(const std::string &path, bool autoOrient, std::string &message, std::string &detail,
                            std::string *animation = nullptr, const char *lead = "图片读取失败:\r\n%s");
// The same where the picture is wanted at width x height only (as shown, after
// turning): a JPEG larger than that is reduced to it while it is decoded, so a
// preview never holds the whole photo; any other picture comes whole, and the
// caller resizes what does not have the size it asked for.
MagickWand *readToolPictureReduced(const std::string &path, bool autoOrient, size_t width, size_t height,
                                   std::string &message, std::string &detail);

// The client area of a preview pane that fits its picture
// (previewPaneFitBound); 0 x 0 when every pixel is shown.
struct PreviewFit {
    int width = 0, height = 0;
};
// A span [start, start + length) of a picture composed at scale: both edges
// rounded to the nearest pixel, so that neighbours still meet; never empty.
void scaleSpan(long long &start, long long &length, double scale);
// readToolPicture for a preview: a JPEG is reduced while decoded to the size
// canvasComposeScale (ui/preview/picture_canvas.h) gives for fit. fullWidth x fullHeight receive the size of the picture
// as shown whole (the wand may be smaller).
MagickWand *readToolPictureFitted(const std::string &path, bool autoOrient, PreviewFit fit, size_t &fullWidth,
                                  size_t &fullHeight, std::string &message, std::string &detail,
                                  std::string *animation, const char *lead);

// "保留原图的修改时间": the dates of a source, read before anything is written for
// it (an overwrite replaces it) and given to every file written for it.
struct SourceTimes {
    bool keep = false;
    FileTimes times;
};
// keep false: nothing is read. false with the picture's skip outcome when the
// dates cannot be read.
bool readSourceTimes(const std::string &source, bool keep, SourceTimes &times, ToolItemOutcome &skipped);
// A written outcome's file (a folder is left alone) takes the dates; when it
// cannot, the run ends with a box that says so.
ToolItemOutcome giveSourceTimes(const ToolItemOutcome &written, const SourceTimes &times);

// Writes the picture as a new file: first, or base(2)ext, base(3)ext, ..., the
// first name that is free when the file is put there. The picture is encoded and
// written to a temporary file beside it, then renamed without replacing, so a
// failure or a killed run leaves no half file and an existing file is never
// touched. Before the first write into a folder in a run, the temporary files a
// killed run left there are removed (tidy). Written, a skipped picture (no name
// left), or the end of the run with the write's box text.
// The same for bytes already encoded: extension is the one of the numbered
// names, failureText makes the box text of a failed write (target, reason).
ToolItemOutcome writeNewToolFile(const std::string &bytes, const std::string &first, const std::string &base,
                                 const std::string &extension, FolderTidy &tidy,
                                 const std::function<std::string(const std::string &, const std::string &)> &failureText);
// The encoding alone, done before a picture's turn to write (tools/common/tool_run.h):
// false with the outcome (too large for the format: skipped; the encoder failed:
// the run ends).
bool encodeNewToolPicture(MagickWand *wand, const OutputOptions &options, const WriteRules &rules,
                          const std::string &first, std::string &bytes, ToolItemOutcome &failed);
ToolItemOutcome writeNewToolPicture(MagickWand *wand, const OutputOptions &options, const WriteRules &rules,
                                    const std::string &first, const std::string &base, FolderTidy &tidy);

// The resolution a tool's new picture takes from its source (units and x, y as
// read): pixels per inch as they are; per centimetre turned into per inch (x 2.54,
// rounded, not truncated: a PNG keeps pixels per metre, and its 300 dpi read back
// as 118.11 per centimetre would otherwise come out as 299; 72 where that gives
// less than 1); undefined with both 0 becomes 72 x 72 per inch, undefined
// otherwise stays undefined with its values.
void applyKeptResolution(MagickWand *to, int units, double x, double y);
