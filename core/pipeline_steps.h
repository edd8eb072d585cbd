// The single picture steps of processPicture, each on the current image of one
// wand. Steps ignore what ImageMagick reports: a step it cannot perform leaves the
// picture as it was and the next step still runs.
#pragma once
#include <string>
#include <wand/MagickWand.h>

#include "core/process_settings.h"

// Transparent areas become white, or the declared background colour for PNG and PSD.
void flattenTransparency(MagickWand *picture, const std::string &format);
void removeCameraData(MagickWand *picture);
// Rebuilds a JPEG source on a fresh canvas when a watermark or border would
// otherwise be written at a low quality. Returns the wand to go on with (the
// given one is destroyed when it is replaced).
MagickWand *recanvasJpegIfNeeded(MagickWand *picture, const ProcessSettings &settings);
void applyResolution(MagickWand *picture, const ProcessSettings &settings, int units, double x, double y);
void rotateAndFlip(MagickWand *picture, int flip, int rotation);
void resizePicture(MagickWand *picture, const ProcessSettings &settings);
void adjustTone(MagickWand *picture, const ProcessSettings &settings);
void setCompression(MagickWand *picture, const ProcessSettings &settings, const std::string &format);
void convertColourspace(MagickWand *picture, const ProcessSettings &settings, const std::string &srgbProfile,
                        const std::string &cmykProfile);
// A grey picture is turned into sRGB so that a coloured watermark keeps its colours.
void makeGreyColourable(MagickWand *picture);
void addBorder(MagickWand *picture, const ProcessSettings &settings);
