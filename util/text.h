// Text helpers shared by every subsystem. Texts inside the program are GBK
// (code page 936); only the boundary to ImageMagick and the terminal uses UTF-8.
#pragma once
#include <string>
#include <vector>

// GBK (code page 936) -> UTF-8 and back with the system's code-page tables:
// characters that cannot be converted, and broken byte sequences, are dropped.
std::string gbkToUtf8(const std::string &gbk);
std::string utf8ToGbk(const std::string &utf8);

// Byte-string tests (GBK texts: ASCII case folding only, multibyte bytes compared as is).
bool endsWith(const std::string &text, const std::string &tail);
bool endsWithNoCase(const std::string &text, const std::string &tail);
bool equalsNoCase(const std::string &a, const std::string &b);
// True when any byte is 0x80 or above (the text is not plain ASCII).
bool hasHighByte(const std::string &text);
std::vector<std::string> splitText(const std::string &text, char separator);
std::string replaceAll(const std::string &text, const std::string &pattern, const std::string &with);
std::string toLowerAscii(std::string text);

// Position of the last path separator '\\' in a GBK text, or npos. GBK trail
// bytes can be 0x5C (the backslash byte), so the text is walked character by
// character instead of searched byte by byte.
size_t findLastBackslash(const std::string &gbk);
bool endsWithBackslash(const std::string &gbk);

// snprintf into a std::string; never writes past its own buffer.
std::string formatText(const char *format, ...)
#if defined(__MINGW32__)
    __attribute__((format(gnu_printf, 1, 2)))  // MinGW's C99 printf, not msvcrt's
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Writes a GBK text to the terminal that started the program (stdout or stderr),
// converted to what that terminal reads.
void consoleWrite(const std::string &gbk, bool toStderr = false);
