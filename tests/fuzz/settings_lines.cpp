// The reader every settings file shares, on any bytes: the lines put back with
// their ends are the file (less a leading byte-order mark), numbered 1, 2, ...;
// a whole number is one with or without blanks around it, inside its range,
// written out again reads back as itself and reads as the same decimal number.
#include "fuzz_target.h"

#include <cmath>
#include <string>

#include "util/settings_lines.h"

FUZZ_TARGET(settings_lines)
{
    FuzzBytes in(data, size);
    const long long a = (long long)in.bits(64), b = (long long)in.bits(64);
    const long long low = a < b ? a : b, high = a < b ? b : a;
    const std::string bytes = in.rest();

    const std::vector<SettingsLine> lines = splitSettingsLines(bytes);
    size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string &text = lines[i].text;
        FUZZ_CHECK(lines[i].number == int(i) + 1);
        FUZZ_CHECK(bytes.compare(at, text.size(), text) == 0 && text.find('\n') == std::string::npos);
        at += text.size();
        if (at < bytes.size() && bytes[at] == '\r')
            ++at;
        FUZZ_CHECK(at == bytes.size() || bytes[at] == '\n');
        ++at;
    }
    FUZZ_CHECK(at >= bytes.size());

    for (const SettingsLine &line : lines) {
        long long n = 0, again = 0;
        const bool whole = parseWholeNumber(line.text, low, high, n);
        FUZZ_CHECK(whole == parseWholeNumber(" \t" + line.text + "\t ", low, high, again));
        if (!whole)
            continue;
        FUZZ_CHECK(n == again && n >= low && n <= high);
        FUZZ_CHECK(parseWholeNumber(std::to_string(n), low, high, again) && again == n);
        double d = 0;
        const std::string t = trimBlanks(line.text);
        if (t.find_first_of("xX") == std::string::npos && std::llabs(n) < (1LL << 53))
            FUZZ_CHECK(parseDecimalNumber(t, d) && d == double(n));
    }
    for (const SettingsLine &line : lines) {
        double d = 0;
        if (parseDecimalNumber(line.text, d))
            FUZZ_CHECK(std::isfinite(d));
    }
    return 0;
}
