#include "util/text.h"
#include "util/wine_host.h"

#include <windows.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

// The conversions use the system's own code-page tables, the ones the A-API and
// every file name of the program go through, so that a character means the same
// on both sides of the boundary. What cannot be converted is dropped.
static const UINT kGbk = 936;

static void appendWide(std::vector<WCHAR> &out, UINT codePage, const char *bytes, int length)
{
    WCHAR wide[4];
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, length, wide, 4);
    out.insert(out.end(), wide, wide + (n > 0 ? n : 0));
}

// Bytes of one character starting at `lead`: GBK lead bytes start two-byte
// characters, UTF-8 lead bytes announce their length.
static int characterLength(UINT codePage, unsigned char lead)
{
    if (codePage == kGbk)
        return IsDBCSLeadByteEx(kGbk, lead) ? 2 : 1;
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

static std::vector<WCHAR> toWide(const std::string &in, UINT codePage)
{
    std::vector<WCHAR> out;
    int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), nullptr, 0);
    if (n > 0) {
        out.resize((size_t)n);
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, in.data(), (int)in.size(), out.data(), n);
        return out;
    }
    // Something does not convert: character by character, a broken one losing
    // only its first byte.
    for (size_t i = 0; i < in.size();) {
        int length = characterLength(codePage, (unsigned char)in[i]);
        size_t before = out.size();
        if (i + (size_t)length <= in.size())
            appendWide(out, codePage, in.data() + i, length);
        i += out.size() > before ? (size_t)length : 1;
    }
    return out;
}

static std::string fromWide(const std::vector<WCHAR> &wide, UINT codePage)
{
    std::string out;
    if (wide.empty())
        return out;
    // Only GBK has characters it cannot take; UTF-8 takes everything.
    BOOL usedDefault = FALSE;
    BOOL *check = codePage == CP_UTF8 ? nullptr : &usedDefault;
    DWORD flags = codePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    int n = WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), nullptr, 0, nullptr, check);
    if (n > 0 && !usedDefault) {
        out.resize((size_t)n);
        WideCharToMultiByte(codePage, flags, wide.data(), (int)wide.size(), &out[0], n, nullptr, nullptr);
        return out;
    }
    for (size_t i = 0; i < wide.size();) {
        int units = (IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1])) ? 2 : 1;
        char bytes[8];
        usedDefault = FALSE;
        int got = WideCharToMultiByte(codePage, flags, &wide[i], units, bytes, sizeof bytes, nullptr, check);
        if (got > 0 && !usedDefault)
            out.append(bytes, (size_t)got);
        i += (size_t)units;
    }
    return out;
}

std::string gbkToUtf8(const std::string &gbk) { return fromWide(toWide(gbk, kGbk), CP_UTF8); }
std::string utf8ToGbk(const std::string &utf8) { return fromWide(toWide(utf8, CP_UTF8), kGbk); }

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
    char buffer[512];
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(buffer, sizeof buffer, format, copy);
    va_end(copy);
    std::string out;
    if (n < 0) {
        out.clear();
    } else if ((size_t)n < sizeof buffer) {
        out.assign(buffer, (size_t)n);
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
    HANDLE handle = GetStdHandle(toStderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 whatever its code page: Chinese stays readable
        // after "chcp 65001".
        std::vector<WCHAR> wide = toWide(gbk, kGbk);
        if (!wide.empty())
            WriteConsoleW(handle, wide.data(), (DWORD)wide.size(), &written, nullptr);
        return;
    }
    // A file or pipe gets what its reader expects: under Wine a Unix program in
    // UTF-8, on Windows the program's own GBK, as every program of a Chinese
    // Windows writes there.
    std::string text = runningUnderWine() ? gbkToUtf8(gbk) : gbk;
    const char *data = text.data();
    size_t left = text.size();
    while (left > 0 && WriteFile(handle, data, (DWORD)left, &written, nullptr) && written > 0) {
        data += written;
        left -= written;
    }
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
