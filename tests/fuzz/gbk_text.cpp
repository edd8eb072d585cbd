// GBK <-> UTF-8 on any bytes. The conversions drop what they cannot convert and
// never anything else: a text made of characters that convert one by one
// converts as a whole to the characters' conversions, in both directions; the
// output of one direction goes through the other and back unchanged.
#include "fuzz_target.h"

#include <string>

#include "util/text.h"

namespace {

// The number of bytes of the UTF-8 sequence starting at s[i], or 0 when it is
// not a well-formed one.
size_t utf8Length(const std::string &s, size_t i)
{
    const unsigned char c = (unsigned char)s[i];
    size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > s.size() || (n == 2 && c < 0xC2))
        return 0;
    for (size_t k = 1; k < n; ++k)
        if (((unsigned char)s[i + k] & 0xC0) != 0x80)
            return 0;
    return n;
}

bool wellFormedUtf8(const std::string &s)
{
    for (size_t i = 0; i < s.size();) {
        size_t n = utf8Length(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

}  // namespace

FUZZ_TARGET(gbk_text)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);

    const std::string utf8 = gbkToUtf8(bytes);
    FUZZ_CHECK(wellFormedUtf8(utf8));
    FUZZ_CHECK(gbkToUtf8(utf8ToGbk(utf8)) == utf8);

    const std::string gbk = utf8ToGbk(bytes);
    FUZZ_CHECK(utf8ToGbk(gbkToUtf8(gbk)) == gbk);

    // The input read as GBK characters (an ASCII byte, or a lead byte and the
    // next one): those that convert alone to one character, put together,
    // convert to their parts.
    std::string whole, parts;
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = ((unsigned char)bytes[i] >= 0x81 && i + 1 < bytes.size()) ? 2 : 1;
        const std::string character = bytes.substr(i, n);
        const std::string converted = gbkToUtf8(character);
        if (!converted.empty() && utf8Length(converted, 0) == converted.size() && (n == 2) == (converted.size() > 1)) {
            whole += character;
            parts += converted;
        }
        i += n;
    }
    FUZZ_CHECK(gbkToUtf8(whole) == parts);

    // The same the other way, with the input read as UTF-8 characters.
    whole.clear();
    parts.clear();
    for (size_t i = 0; i < bytes.size();) {
        const size_t n = utf8Length(bytes, i);
        if (n == 0) {
            ++i;
            continue;
        }
        const std::string character = bytes.substr(i, n);
        const std::string converted = utf8ToGbk(character);
        if (!converted.empty()) {
            whole += character;
            parts += converted;
        }
        i += n;
    }
    FUZZ_CHECK(utf8ToGbk(whole) == parts);

    const size_t last = findLastBackslash(bytes);
    FUZZ_CHECK(last == std::string::npos || bytes[last] == '\\');
    FUZZ_CHECK(endsWithBackslash(bytes) == (!bytes.empty() && last == bytes.size() - 1));
    return 0;
}
