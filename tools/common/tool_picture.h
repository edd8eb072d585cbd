// How the folder tools read a picture: one function, so that every tool refuses
// the same broken files the same way.
#pragma once
#include <wand/MagickWand.h>

#include <string>

// Reads the picture at path (GBK) and returns a wand holding only its first image
// (the first frame of an animation, the merged picture of a PSD, the first page of
// a TIFF). Null when it cannot be read: the file cannot be opened, ImageMagick
// reports an error (warnings about a damaged but readable file are no error), or
// the result is empty. detail receives ImageMagick's words when it gave any.
MagickWand *readToolPicture(const std::string &path, std::string &detail);
