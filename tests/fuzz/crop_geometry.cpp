// The crop tool's rule on random picture sizes and fields: the kept area is at
// least 1 x 1 and inside the picture (all zeros for a picture without pixels);
// a field's text reads as empty or as the number its leading digits give.
#include "fuzz_target.h"

#include <string>

#include "tools/crop/crop_job.h"

namespace {

// What a field can hold: empty, or up to the seven digits the window reads.
long field(FuzzBytes &in) { return long(in.number(kCropEmpty, 9999999)); }

}  // namespace

FUZZ_TARGET(crop_geometry)
{
    FuzzBytes in(data, size);
    const size_t width = size_t(in.number(0, 0xFFFFFFFFLL)), height = size_t(in.number(0, 0xFFFFFFFFLL));
    CropSettings s;
    s.mode = int(in.number(0, 5));
    s.align = int(in.number(0, 5));
    s.fixedWidth = field(in);
    s.fixedHeight = field(in);
    s.percentWidth = field(in);
    s.percentHeight = field(in);
    s.ratioWidth = field(in);
    s.ratioHeight = field(in);
    s.sidesInPercent = in.flag();
    for (int side = 0; side < 4; ++side) {
        s.sidePixels[side] = field(in);
        s.sidePercents[side] = field(in);
    }

    const CropRect r = computeCropRect(width, height, s);
    if (width == 0 || height == 0) {
        FUZZ_CHECK(r.width == 0 && r.height == 0 && r.x == 0 && r.y == 0);
    } else {
        FUZZ_CHECK(r.width >= 1 && r.height >= 1);
        FUZZ_CHECK(r.x >= 0 && r.y >= 0);
        FUZZ_CHECK(r.x + r.width <= (long long)width && r.y + r.height <= (long long)height);
    }

    const std::string text = in.rest();
    const long value = cropFieldValue(text);
    FUZZ_CHECK(value == kCropEmpty || (value >= 0 && value <= 9999999));
    FUZZ_CHECK((value == kCropEmpty) == (text.empty() || text[0] < '0' || text[0] > '9'));
    return 0;
}
