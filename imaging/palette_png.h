// Palette PNG ("PNG-8"): the current image of a wand quantised to at most N
// colours by libimagequant (alpha included, so transparency survives as palette
// alpha), remapped with full dithering and encoded by LodePNG. ImageMagick's own
// PNG-8 writer is not used.
#pragma once
#include <wand/MagickWand.h>

#include <cstddef>
#include <string>

// The encoded PNG of the wand's current image with at most colourCount colours
// (only 2..256 is applied; any other count leaves libimagequant's 256). Sets the
// wand's format to "PNG". On success *outData (free it with freePng8Data) and
// *outSize receive the file's bytes; on failure the reason is reported to the
// information window and false returned, with nothing allocated. Reentrant: no
// state is kept between calls.
bool getPng8Data(MagickWand *wand, int colourCount, unsigned char **outData, size_t *outSize);
void freePng8Data(unsigned char *data);

// getPng8Data, then the bytes replace whatever is at path through the safe
// writer (util/safe_file.h: a temporary file beside it, renamed into place): the
// file is complete or not there, and a file already at path stays as it was when
// anything fails (a read-only one is not replaced). Failures are reported
// ("fopen() error: %s", "fwrite() error: %s" for a full disk).
bool writePng8File(MagickWand *wand, int colourCount, const std::string &path);

// The working buffers for a width x height picture: RGBA (4 bytes per pixel) and
// indices (1 byte per pixel), computed without overflow. False when the picture
// is empty or the RGBA buffer would be larger than libimagequant takes
// (INT_MAX bytes): such a picture is refused before anything is allocated.
bool png8BufferSizes(size_t width, size_t height, size_t &rgbaBytes, size_t &indexBytes);

// The information-window text of a palette PNG failure: the operation's own line,
// then the line that sends the user to the web site's customer service.
std::string png8FailureText(const std::string &what);
