// The main tool's size arithmetic on random picture sizes and settings (in
// their normalised ranges; resolutions as a file may hold them, any double):
// plans give positive sizes, a reduction or a decode hint never grows the
// picture, the inside border's crop stays inside it, and nothing overflows.
#include "fuzz_target.h"

#include <climits>
#include <cstring>

#include "core/resize_geometry.h"

namespace {

int side(FuzzBytes &in) { return int(in.flag() ? in.number(INT_MIN, INT_MAX) : in.number(-1, 70000)); }

double anyDouble(FuzzBytes &in)
{
    const uint64_t bits = in.bits(64);
    double d;
    memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

FUZZ_TARGET(resize_geometry)
{
    FuzzBytes in(data, size);
    const int width = side(in), height = side(in);

    ProcessSettings s;
    s.bSize = in.flag();
    s.zoomUnit = int(in.number(0, 1));
    s.zoomType = int(in.number(0, 2));
    s.sizeType = int(in.number(0, 1));
    s.sizeValue = int(in.number(1, 9999));
    s.fSizeValue = float(in.number(100, 99999)) / 100.0f;
    s.bZoomSameScale = in.flag();
    s.bDpi = in.flag();
    s.bDpiResample = in.flag();
    s.dpi = int(in.number(-1, 65535));
    const int rotation = int(in.number(-720, 720));

    const ResizePlan plan = settingsResizePlan(s, width, height);
    if (plan.resize)
        FUZZ_CHECK(plan.width >= 1 && plan.height >= 1);
    // Both in the stored orientation, whatever the rotation.
    const ResizePlan reduce = jpegReducePlan(s, width, height, rotation);
    if (reduce.resize) {
        FUZZ_CHECK(reduce.width >= 1 && reduce.height >= 1 && reduce.width <= width && reduce.height <= height);
        FUZZ_CHECK(reduce.width < width || reduce.height < height);
    }
    const ResizePlan hint = jpegDecodeHint(s, width, height, rotation);
    if (hint.resize)
        // libjpeg is asked for 6/8 at most: the hint is what that scale keeps or less.
        FUZZ_CHECK(hint.width >= 1 && hint.height >= 1 && 8LL * hint.width <= 6LL * width + 7 &&
                   8LL * hint.height <= 6LL * height + 7);

    const int border = int(in.number(0, 64)), padding = int(in.number(0, 64));
    if (width >= 1 && height >= 1) {
        const InsideBorderPlan b = insideBorderPlan(width, height, border, padding, in.flag());
        FUZZ_CHECK(b.cropWidth >= 1 && b.cropHeight >= 1 && b.x >= 0 && b.y >= 0);
        FUZZ_CHECK((long long)b.x + b.cropWidth <= width && (long long)b.y + b.cropHeight <= height);
        FUZZ_CHECK(b.borderSize >= 0 && b.borderSize <= border && b.padding >= 0 && b.padding <= padding);
    }

    const int markW = side(in), markH = side(in);
    watermarkOffset(width, height, markW, markH, int(in.number(0, 2)), int(in.number(0, 999)), int(in.number(0, 2)),
                    int(in.number(0, 999)));

    const int units = int(in.number(0, 3));
    const double x = anyDouble(in), y = anyDouble(in);
    const ResolutionPlan r = resolutionPlan(units, x, y, in.flag(), int(in.number(-1, 65535)), in.flag(), width, height);
    if (r.resample)
        FUZZ_CHECK(r.resampleTo >= 1);
    roundHalfUp(anyDouble(in));
    FUZZ_CHECK(jpegExtentValue(int(in.number(INT_MIN, INT_MAX))).size() < 16);
    return 0;
}
