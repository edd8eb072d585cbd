// The slice tool's grid, names and page parts from random sizes, settings and
// texts: the spans cover the side once, in order, as the division asks; a tile
// name carries its number back; an address and an escaped text hold only what
// a page may hold and decode to what they were made from.
#include "fuzz_target.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/slice/slice_job.h"
#include "util/text.h"

namespace {

void checkSpans(int size, const SliceDivision &d)
{
    const std::vector<SliceSpan> spans = sliceSpans(size, d);
    int next = 0;
    for (const SliceSpan &s : spans) {
        FUZZ_CHECK(s.start == next && s.length >= 1);
        next = s.start + s.length;
    }
    FUZZ_CHECK(next == (size > 0 ? size : 0));
    if (size <= 0 || spans.empty())
        return;
    const long long count = (long long)spans.size();
    if (d.on && d.byCount && d.count > 0) {
        FUZZ_CHECK(count == (d.count < size ? d.count : size));
        for (size_t i = 1; i < spans.size(); ++i)  // the first ones one pixel longer
            FUZZ_CHECK(spans[i].length == spans[i - 1].length || spans[i].length + 1 == spans[i - 1].length);
    } else if (d.on && !d.byCount && d.pixels > 0) {
        FUZZ_CHECK(count == (size + d.pixels - 1) / d.pixels);
        for (size_t i = 0; i + 1 < spans.size(); ++i)
            FUZZ_CHECK(spans[i].length == d.pixels);
    } else {
        FUZZ_CHECK(count == 1);
    }
}

// "%XX" back to bytes; false at anything an address may not hold.
bool percentDecode(const std::string &address, std::string &out)
{
    for (size_t i = 0; i < address.size(); ++i) {
        const char c = address[i];
        if (c == '%' && i + 2 < address.size() && isxdigit((unsigned char)address[i + 1]) &&
            isxdigit((unsigned char)address[i + 2])) {
            out += char(strtol(address.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else if (isalnum((unsigned char)c) || (c && strchr("-._~()/", c))) {
            out += c;
        } else {
            return false;
        }
    }
    return true;
}

std::string htmlUnescape(const std::string &text)
{
    return replaceAll(replaceAll(replaceAll(replaceAll(text, "&lt;", "<"), "&gt;", ">"), "&quot;", "\""), "&amp;",
                      "&");
}

}  // namespace

FUZZ_TARGET(slice_grid)
{
    FuzzBytes in(data, size);
    const int side = int(in.number(-1, 1 << 20));
    SliceDivision d;
    d.on = in.flag();
    d.byCount = in.flag();
    d.count = int(in.number(0, 999));
    d.pixels = int(in.number(0, 9999));
    checkSpans(side, d);

    const int total = int(in.number(1, kSliceMaxTiles));
    const int number = int(in.number(1, total));
    const std::string stem = in.text(), folder = in.text(), text = in.rest();
    const std::string name = sliceTileName(stem, number, total, ".jpg");
    FUZZ_CHECK(name.compare(0, stem.size() + 1, stem + "-") == 0 && endsWith(name, ".jpg"));
    const std::string digits = name.substr(stem.size() + 1, name.size() - stem.size() - 5);
    FUZZ_CHECK(digits.size() == std::to_string(total).size() && atoi(digits.c_str()) == number);
    const std::string base = sliceTileCollisionBase(stem, number, total);
    FUZZ_CHECK(base.size() + 4 == name.size());

    std::string decoded;
    FUZZ_CHECK(percentDecode(sliceTileAddress(folder, name), decoded));
    FUZZ_CHECK(decoded == gbkToUtf8(folder) + "/" + gbkToUtf8(name));

    const std::string escaped = htmlEscape(text);
    FUZZ_CHECK(escaped.find_first_of("<>\"") == std::string::npos);
    FUZZ_CHECK(htmlUnescape(escaped) == text);
    return 0;
}
