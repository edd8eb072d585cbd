// The output settings the satellite tools share (target format JPG, PNG or WEBP,
// quality, transparency, palette PNG and its colour count), how each tool
// keeps them under its own prefix ("convert", "crop", "join", "slice"), and the
// one way a finished picture held in a wand becomes a file.
#pragma once
#include <wand/MagickWand.h>

#include <string>

#include "util/stored_values.h"

enum class OutputFormat { Jpg = 0, Png = 1, Webp = 2 };  // also the format chooser's index

// The largest width and height a WebP file can hold.
constexpr size_t kWebpMaxSide = 16383;

struct OutputOptions {
    OutputFormat format = OutputFormat::Jpg;
    int quality = 90;         // 10..100, JPG and WEBP (WEBP at 100 is lossless)
    bool transparent = true;  // PNG and WEBP: keep the alpha channel
    bool png8 = false;        // PNG only: palette PNG
    int colours = 256;        // 2..256 with png8, else 256
    bool keepFileTime = false;  // a written file takes its source's dates ("保留原图的修改时间")

    // ".jpg", ".png" or ".webp", always lower case.
    const char *extension() const
    {
        return format == OutputFormat::Png ? ".png" : format == OutputFormat::Webp ? ".webp" : ".jpg";
    }
    // The format chooser's text and the stored value: "JPG", "PNG", "WEBP".
    const char *formatName() const
    {
        return format == OutputFormat::Png ? "PNG" : format == OutputFormat::Webp ? "WEBP" : "JPG";
    }
    // True when the picture's alpha channel must go before the write.
    bool flattens() const { return format == OutputFormat::Jpg || !transparent; }
    // True when the slider's quality is used (JPG and WEBP).
    bool usesQuality() const { return format != OutputFormat::Png; }
    // True when palette PNG is written.
    bool palette() const { return format == OutputFormat::Png && png8; }
};

// ---- Stored values (prefix + "_format", "_quality", "_transparent", "_png8", "_png8_color_count",
// "_keep_file_time")

// Read back as the window does: a format text of exactly "PNG" is PNG, of
// exactly "WEBP" WEBP, anything else (or nothing) JPG; quality 10..100 else 90;
// transparency missing = on; PNG-8 missing = off; colour count 2..256 else 256;
// file times missing = not kept.
OutputOptions outputOptionsFrom(const StoredValues &values, const std::string &prefix);
// The format named by a chooser text or stored value (as above).
OutputFormat outputFormatFromText(const std::string &text);
// The values a start stores: the format as its chooser text ("JPG"/"PNG"/"WEBP"), the
// quality, the switches, and the colour count (256 unless PNG-8 is on with a
// count in 2..256).
void putOutputOptions(ValueMap &values, const std::string &prefix, const OutputOptions &options);

// ---- Rules shared with the controls --------------------------------------------------

int qualityFromStored(bool present, DWORD value);      // 10..100, else 90
int colourCountFromStored(bool present, DWORD value);  // 2..256, else 256
// The colour list's text as a count: its number when PNG-8 is ticked and the
// number lies in 2..256, else 256.
int colourCountFromText(const std::string &text, bool png8);
// The quality value text is qualityLabel (core/settings_rules.h), as in the main panel.

// ---- Writing ---------------------------------------------------------------------------

// Composites the picture over an opaque white canvas of its own size (background
// "#ffffff", MagickExtentImage at 0,0).
bool flattenOnWhite(MagickWand *wand);
// The same for a picture that is only shown (a preview): an opaque one is left
// as it is, since flattening it would change no pixel (and cost a whole canvas).
bool flattenShownOnWhite(MagickWand *wand);

// What the convert tool adds to the JPEG write: a JPEG source whose own quality
// is not above the slider keeps its quality (a conversion never raises it), and
// a failed JPEG write names ImageMagick's own reason.
struct WriteRules {
    bool convertTool = false;
};

// Encodes the wand's current image as options say: JPG (CMYK turned into sRGB
// first; the quality set, or kept under the convert tool's rule), palette PNG
// through getPng8Data (imaging/palette_png.h), PNG, or WEBP (sRGB, the quality
// set; lossless at 100; the alpha channel as the picture has it). false with the
// reason (ImageMagick's words; a palette PNG failure is reported by getPng8Data).
bool encodePicture(MagickWand *wand, const OutputOptions &options, const WriteRules &rules, std::string &bytes,
                   std::string &reason);

// Empty when the output format can hold a picture of width x height, else the
// reason (a WebP is at most kWebpMaxSide pixels a side).
std::string outputSizeProblem(const OutputOptions &options, size_t width, size_t height);

// The wand's current image encoded as its format says, its camera data made
// true first (imaging/camera_data.h: no EXIF thumbnail, the orientation tags as
// the image's orientation). false with ImageMagick's reason (or
// "MagickGetImageBlob()") when no bytes come.
bool takeImageBlob(MagickWand *wand, std::string &bytes, std::string &reason);

// The box text (caption "错误") of a write to target that failed for reason:
// "保存图片时发生错误，…" for palette PNG, the convert tool's longer JPEG text
// with the reason, else "MagickWriteImage() 发生错误，…".
std::string writeFailureText(const OutputOptions &options, const WriteRules &rules, const std::string &target,
                             const std::string &reason);

// Writes the wand's current image over target (GBK) as options say — palette
// PNG through writePng8File, the rest encoded and written by the safe writer —
// so the file at target is the new picture or, when anything fails, exactly as
// it was (a read-only file is not replaced). false with the box text.
bool writePicture(MagickWand *wand, const OutputOptions &options, const std::string &target, std::string &message,
                  const WriteRules &rules = WriteRules());
