#include "util/settings_lines.h"

#include <cstdlib>

#include "util/text.h"

std::vector<SettingsLine> splitSettingsLines(const std::string &bytes)
{
    std::vector<SettingsLine> lines;
    size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    int number = 0;
    while (start < bytes.size()) {
        size_t lf = bytes.find('\n', start);
        size_t end = lf == std::string::npos ? bytes.size() : lf;
        SettingsLine line;
        line.number = ++number;
        line.text = bytes.substr(start, end - start);
        if (!line.text.empty() && line.text.back() == '\r')
            line.text.pop_back();
        lines.push_back(std::move(line));
        start = lf == std::string::npos ? bytes.size() : lf + 1;
    }
    return lines;
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string trimBlanks(const std::string &text)
{
    size_t a = 0, b = text.size();
    while (a < b && isBlank(text[a]))
        ++a;
    while (b > a && isBlank(text[b - 1]))
        --b;
    return text.substr(a, b - a);
}

static int digitValue(char c, bool hex)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (hex && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (hex && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool parseWholeNumber(const std::string &text, long long low, long long high, long long &out)
{
    const std::string t = trimBlanks(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        negative = t[i++] == '-';
    const bool hex = t.size() > i + 2 && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X');
    if (hex)
        i += 2;
    if (i >= t.size())
        return false;
    long long n = 0;
    for (; i < t.size(); ++i) {
        int d = digitValue(t[i], hex);
        if (d < 0)
            return false;
        n = n * (hex ? 16 : 10) + d;
        if (n > 0xFFFFFFFFFFLL)  // far outside every range; stop before it could overflow
            return false;
    }
    if (negative)
        n = -n;
    if (n < low || n > high)
        return false;
    out = n;
    return true;
}

bool parseDecimalNumber(const std::string &text, double &out)
{
    const std::string t = trimBlanks(text);
    size_t i = 0;
    if (i < t.size() && (t[i] == '-' || t[i] == '+'))
        ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (t[i] >= '0' && t[i] <= '9')
            ++digits;
        else if (t[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    if (digits == 0 || digits > 40)
        return false;
    out = strtod(t.c_str(), nullptr);
    return true;
}

std::string settingsFileEmptyText(const std::string &path) { return formatText("设置文件是空的: %s", path.c_str()); }

std::string settingsFileWithoutKeysText(const std::string &path)
{
    return formatText("这不是一个设置文件 (没有一行是设置项): %s", path.c_str());
}

std::string repeatedSettingText(int line, const std::string &name)
{
    return formatText("设置文件第 %d 行: %s 重复出现", line, name.c_str());
}
