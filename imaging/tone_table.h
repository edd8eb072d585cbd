// Brightness and contrast: the pixels of ImageMagick's
// MagickBrightnessContrastImage, through a table.
//
// ImageMagick works the polynomial out in double precision for every channel of
// every pixel (0.14 s for one setting on a 12 MP photo, and the main preview
// applies two). The result depends on nothing but the channel's value, so
// ImageMagick itself maps each of the 65536 values once, on a ramp, and
// the picture's channels are looked up: the same numbers, by construction.
#pragma once
#include <wand/MagickWand.h>

// As MagickBrightnessContrastImage(wand, brightness, contrast) on the wand's
// current picture. CMYK pictures, and pictures too small for the table to pay,
// go to ImageMagick itself.
bool brightnessContrastPicture(MagickWand *wand, double brightness, double contrast);
