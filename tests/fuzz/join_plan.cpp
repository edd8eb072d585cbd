// The join tool's layout from random picture sizes and settings: one placement
// per picture, each only ever made smaller, across the equalised side within
// the canvas, along it one after the other with the spacing between, and the
// canvas just long enough for all of them.
#include "fuzz_target.h"

#include <climits>
#include <vector>

#include "tools/join/join_job.h"

FUZZ_TARGET(join_plan)
{
    FuzzBytes in(data, size);
    JoinSettings s;
    s.layout = in.flag() ? kJoinHorizontal : kJoinVertical;
    s.sizeRule = int(in.number(0, 4));
    s.customSize = int(in.number(0, 9999));
    s.spacing = int(in.number(0, 128));
    // Sizes as a header may claim them (any positive int), mostly small ones.
    std::vector<JoinSize> sizes;
    while (in.left() > 0 && sizes.size() < 64) {
        const bool huge = in.flag();
        JoinSize z;
        z.width = int(in.number(1, huge ? INT_MAX : 70000));
        z.height = int(in.number(1, huge ? INT_MAX : 70000));
        sizes.push_back(z);
    }

    const JoinPlan plan = planJoin(sizes, s);
    FUZZ_CHECK(plan.placements.size() == sizes.size());
    FUZZ_CHECK(plan.target >= 1);
    const bool vertical = s.layout != kJoinHorizontal;
    long long along = 0;  // where the next picture starts
    for (size_t i = 0; i < sizes.size(); ++i) {
        const JoinPlacement &p = plan.placements[i];
        FUZZ_CHECK(p.width >= 1 && p.height >= 1);
        FUZZ_CHECK(p.width <= sizes[i].width && p.height <= sizes[i].height);
        const int across = vertical ? p.x : p.y, acrossSize = vertical ? p.width : p.height;
        const int at = vertical ? p.y : p.x, length = vertical ? p.height : p.width;
        FUZZ_CHECK(across >= 0 && (long long)across + acrossSize <= plan.target);
        if (i > 0)
            along += s.spacing;
        FUZZ_CHECK(at == (along < INT_MAX ? along : INT_MAX));
        along += length;
    }
    FUZZ_CHECK((vertical ? plan.canvasHeight : plan.canvasWidth) == along);
    FUZZ_CHECK((vertical ? plan.canvasWidth : plan.canvasHeight) == plan.target);
    return 0;
}
