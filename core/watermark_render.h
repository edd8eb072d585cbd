// The two watermark pictures a run stamps on every picture. They are built once,
// when the settings are collected, and only composited by the pipeline
// (compositeWatermark); the window and the command line build them the same way.
#pragma once
#include <string>
#include <wand/MagickWand.h>

#include "core/pipeline.h"
#include "core/process_settings.h"

// Puts a face on a drawing wand. The face and family tables belong to start-up,
// so the caller hands in how a face is chosen.
typedef void (*WatermarkFontSelector)(DrawingWand *draw, const std::string &face);

// Pixel font size of the text watermark: points at the screen's horizontal DPI.
int textWatermarkPixelSize(int points, int dpi);

// The text watermark: the text centred in its box (fill, frame, rounded corners),
// in the colour, face, style and opacity of the settings, turned by
// sy_text_rotate with transparent corners. true with *mark null when the text is
// empty; false when ImageMagick cannot measure or draw the text in that face
// (nothing is built then). The caller owns *mark.
bool buildTextWatermark(const ProcessSettings &settings, int dpi, WatermarkFontSelector selectFont,
                        MagickWand **mark);

// Largest watermark picture taken: a mark is composited onto every picture of a run.
constexpr unsigned long kWatermarkMaxSide = 20000;
constexpr unsigned long long kWatermarkMaxPixels = 50000000ULL;

// Reads a watermark picture file (GBK path): a still picture of at most
// kWatermarkMaxSide per side and kWatermarkMaxPixels in all. Anything ImageMagick
// reports with an error severity is a failure. nullptr with the reason (GBK) when
// it cannot be used.
MagickWand *readWatermarkFile(const std::string &path, std::string &reason);

// The picture watermark: sy_image read, turned by sy_image_rotate with transparent
// corners, sy_image_opacity multiplied into its alpha (or set as a uniform alpha).
// true with *mark null when sy_image is empty; false with the reason when the file
// cannot be used. The caller owns *mark.
bool buildPictureWatermark(const ProcessSettings &settings, MagickWand **mark, std::string &reason);

// The prepared pair. Replaced on the collecting thread while no run is active;
// a run only reads them (through PipelineInputs).
struct PreparedWatermarks {
    MagickWand *text = nullptr;
    MagickWand *picture = nullptr;

    PreparedWatermarks() = default;
    PreparedWatermarks(const PreparedWatermarks &) = delete;
    PreparedWatermarks &operator=(const PreparedWatermarks &) = delete;
    ~PreparedWatermarks();

    // Release the old picture and keep the new one (may be null).
    void replaceText(MagickWand *mark);
    void replacePicture(MagickWand *mark);
    // Hand both to a run.
    void handTo(PipelineInputs &inputs) const;
};
