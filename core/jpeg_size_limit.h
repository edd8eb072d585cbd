// The maximum file size of the quality step: the highest JPEG quality whose
// file stays within a number of bytes, found in memory.
//
// ImageMagick's own "jpeg:extent" bisects the whole range with a temporary file
// per try (seven or eight encodes). Here a mosaic of every sixteenth 16 x 16 tile
// of the picture (whole JPEG blocks, so the same coefficients) is encoded at the
// qualities the search asks about; it costs a sixteenth of an encode and says how
// the size falls with the quality. The whole picture is encoded at the quality
// the mosaic predicts, the prediction is corrected by what that encode weighed,
// and the search goes on until a quality fits and the next one measured over the
// limit or, by the corrected prediction, more than 3 % over it. The bytes handed
// back are always those of a whole encode that was measured: never over the
// limit when some quality fits. About two and a half encodes in all, where
// ImageMagick's search makes seven or eight.
#pragma once
#include <cstddef>
#include <string>
#include <wand/MagickWand.h>

struct JpegSearchCost {
    int encodes = 0;          // whole-picture encodes
    double mosaicShare = 0.0;  // mosaic encodes, in whole-picture encodes (pixels encoded / picture pixels)
};

// Encodes picture (format JPEG) at the highest quality 1..100 whose bytes are at
// most limitBytes (as settled above). fits false: no quality gets there, bytes are those of quality
// 1, the smallest. false with ImageMagick's reason when an encode fails. The
// picture's compression quality is left at the chosen one.
bool encodeJpegWithin(MagickWand *picture, size_t limitBytes, std::string &bytes, bool &fits, std::string &reason,
                      JpegSearchCost *cost = nullptr);
