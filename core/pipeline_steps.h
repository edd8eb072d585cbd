// The single picture steps of processPicture, each on the current image of one
// wand. Tone, colour and metadata steps ignore what ImageMagick reports: such a
// step leaves the picture as it was and the next one still runs. Steps that
// change the size or the placement (re-canvas, resample, rotation, resize,
// watermarks, border) return false when ImageMagick fails them, with the reason
// (GBK) in `reason`: a picture of the wrong size must not be counted as done.
#pragma once
#include <string>
#include <wand/MagickWand.h>

#include "core/process_settings.h"
#include "imaging/picture_read.h"  // takeWandError


// Transparent areas become white, or the declared background colour for PNG and PSD.
void flattenTransparency(MagickWand *picture, const std::string &format);
void removeCameraData(MagickWand *picture);
// Only where the photo was taken: the EXIF GPS data and the XMP location fields.
void removeLocationData(MagickWand *picture);
// Rebuilds a JPEG source on a fresh canvas when a watermark or border would
// otherwise be written at a low quality. picture may be replaced (the old wand
// is then destroyed); on failure it is left as it was.
bool recanvasJpegIfNeeded(MagickWand *&picture, const ProcessSettings &settings, std::string &reason);
bool applyResolution(MagickWand *picture, const ProcessSettings &settings, int units, double x, double y,
                     std::string &reason);
bool rotateAndFlip(MagickWand *picture, int flip, int rotation, std::string &reason);
// width x height: the size the picture has at full resolution, from which the new
// size is worked out (a JPEG decoded with a size hint has fewer pixels).
bool resizePicture(MagickWand *picture, const ProcessSettings &settings, int width, int height, std::string &reason);
void adjustTone(MagickWand *picture, const ProcessSettings &settings);
void setCompression(MagickWand *picture, const ProcessSettings &settings, const std::string &format);
void convertColourspace(MagickWand *picture, const ProcessSettings &settings, const std::string &srgbProfile,
                        const std::string &cmykProfile);
// A grey picture is turned into sRGB so that a coloured watermark keeps its colours.
void makeGreyColourable(MagickWand *picture);
bool addBorder(MagickWand *picture, const ProcessSettings &settings, std::string &reason);
