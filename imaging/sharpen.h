// The sharpening step: the pixels of ImageMagick's MagickSharpenImage, computed
// faster for the pictures the program sharpens (opaque, not CMYK).
//
// ImageMagick's sharpen is a convolution with a square kernel (7 x 7 at the
// slider's 30, 21 x 21 at its end). Its loop converts every neighbour of every
// pixel from 16 bits to double again, for four channels, and checks every
// kernel value for NaN: on a 12 MP photo it took 1.6 s, most of a preview. This
// one converts each row once, sums the three colour channels only, in the same
// order and in double precision, so every sum and every rounding is the same and
// so is every pixel; it uses as many threads as ImageMagick may.
#pragma once
#include <wand/MagickWand.h>

// Sharpens the wand's current picture as MagickSharpenImage(wand, radius, sigma)
// does. Pictures this code does not cover (an alpha or a black channel, a bias
// or scale set for convolutions, other edge rules) go to
// ImageMagick itself. false, with the wand's exception set, when it fails.
bool sharpenPicture(MagickWand *wand, double radius, double sigma);
