// Helpers of the picture-step tests: run processPicture, read back what it wrote
// and look at real pixels.
#pragma once
#include <string>
#include <wand/MagickWand.h>

#include "core/pipeline.h"
#include "core/process_settings.h"
#include "ui/preview/display_picture.h"

struct Rgb {
    double r = 0, g = 0, b = 0;  // 0..255
};

// Reads a picture file (GBK path) into a new wand; nullptr when it cannot be read.
MagickWand *readPicture(const std::string &path);
// Writes a solid picture of the given colour text ("#ff0000", "none", ...).
bool makePicture(const std::string &path, int width, int height, const char *colour);
Rgb pixelAt(MagickWand *picture, int x, int y);
double meanLevel(MagickWand *picture);     // 0..255 over all channels
double spreadLevel(MagickWand *picture);   // standard deviation, 0..255
bool hasProfile(MagickWand *picture, const char *name);
std::string readAll(const std::string &path);

// Runs the pipeline on source and writes to target with the given settings.
PictureOutcome runPipeline(const ProcessSettings &settings, const std::string &source, const std::string &target,
                           int flip = 0, int rotation = 0, const MagickWand *textMark = nullptr,
                           const MagickWand *imageMark = nullptr);
// Largest per-channel difference between two pictures of the same size (0..255);
// a negative value when the sizes differ.
double largestDifference(MagickWand *a, MagickWand *b);
double meanDifference(MagickWand *a, MagickWand *b);
// largestDifference of two picture files (GBK paths); 999 when one cannot be read.
double largestFileDifference(const std::string &a, const std::string &b);

// Opacity of a pixel, 0 (transparent) .. 1 (opaque).
double alphaAt(MagickWand *picture, int x, int y);
// A new wand with one solid picture of a colour text.
MagickWand *solid(int width, int height, const char *colour);
bool nearColour(const Rgb &c, double r, double g, double b, double tolerance = 12.0);
std::string describe(const Rgb &c);
size_t sizeOf(MagickWand *w, bool height);

// A pipeline result and the picture it wrote, read back.
struct Written {
    PictureOutcome outcome;
    MagickWand *picture = nullptr;
    Written() = default;
    Written(const Written &) = delete;
    Written &operator=(const Written &) = delete;
    ~Written()
    {
        if (picture)
            DestroyMagickWand(picture);
    }
};
// Processes source into target and reads the result back.
void process(Written &w, const ProcessSettings &s, const std::string &source, const std::string &target,
             int flip = 0, int rotation = 0, const MagickWand *textMark = nullptr,
             const MagickWand *imageMark = nullptr);

// How close two display pictures of a fullWidth x fullHeight picture look fitted
// into a client area as a preview pane shows them (each may hold fewer pixels):
// the PSNR in dB over the colour channels (1000 when equal), the largest
// channel difference in largest.
double fittedPsnr(const DisplayPicture &a, const DisplayPicture &b, int fullWidth, int fullHeight, int clientWidth,
                  int clientHeight, int &largest);
