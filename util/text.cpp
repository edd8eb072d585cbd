#include "util/text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <iconv.h>

static std::string convertText(const std::string &in, const char *to, const char *from)
{
    if (in.empty())
        return in;
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return in;
    std::string out;
    out.resize(in.size() * 2 + 16);
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    size_t written = 0;
    while (srcLeft > 0) {
        char *dst = &out[written];
        size_t dstLeft = out.size() - written;
        size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        written = out.size() - dstLeft;
        // glibc's //IGNORE converts everything it can and still reports EILSEQ.
        if (r != (size_t)-1 || srcLeft == 0)
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else if (errno == EILSEQ || errno == EINVAL) {
            // //IGNORE is not honoured the same way by every iconv: skip the byte ourselves.
            ++src;
            --srcLeft;
        } else {
            break;
        }
    }
    out.resize(written);
    iconv_close(cd);
    return out;
}

std::string gbkToUtf8(const std::string &gbk) { return convertText(gbk, "UTF-8//IGNORE", "GBK"); }
std::string utf8ToGbk(const std::string &utf8) { return convertText(utf8, "GBK//IGNORE", "UTF-8"); }

static char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool endsWith(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool equalsNoCase(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

bool endsWithNoCase(const std::string &text, const std::string &tail)
{
    return text.size() >= tail.size() && equalsNoCase(text.substr(text.size() - tail.size()), tail);
}

bool hasHighByte(const std::string &text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return true;
    return false;
}

std::vector<std::string> splitText(const std::string &text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(separator, start);
        if (pos == std::string::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, pos - start));
        start = pos + 1;
    }
}

std::string replaceAll(const std::string &text, const std::string &pattern, const std::string &with)
{
    if (pattern.empty())
        return text;
    std::string out;
    size_t start = 0;
    for (;;) {
        size_t pos = text.find(pattern, start);
        if (pos == std::string::npos)
            break;
        out.append(text, start, pos - start);
        out += with;
        start = pos + pattern.size();
    }
    out.append(text, start, std::string::npos);
    return out;
}

std::string toLowerAscii(std::string text)
{
    for (char &c : text)
        c = lowerAscii(c);
    return text;
}

std::string formatText(const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    char small[512];
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        out.clear();
    } else if ((size_t)n < sizeof small) {
        out.assign(small, (size_t)n);
    } else {
        out.resize((size_t)n + 1);
        vsnprintf(&out[0], out.size(), format, ap);
        out.resize((size_t)n);
    }
    va_end(ap);
    return out;
}

void consoleWrite(const std::string &gbk, bool toStderr)
{
#ifdef __WINE__
    // A Winelib module writes straight to the Unix terminal, which reads UTF-8.
    std::string text = gbkToUtf8(gbk);
#else
    const std::string &text = gbk;
#endif
    FILE *f = toStderr ? stderr : stdout;
    fwrite(text.data(), 1, text.size(), f);
    fflush(f);
}

size_t findLastBackslash(const std::string &gbk)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < gbk.size(); ++i) {
        unsigned char c = (unsigned char)gbk[i];
        if (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size())
            ++i;  // lead byte: the next byte belongs to the same character
        else if (c == '\\')
            last = i;
    }
    return last;
}

bool endsWithBackslash(const std::string &gbk)
{
    return !gbk.empty() && findLastBackslash(gbk) == gbk.size() - 1;
}
