// What every settings file of the program shares, whoever reads it (the main
// tool's config.dat and *.sz, the folder tools' --settings files): "name=value"
// lines, LF or CR LF, a UTF-8 byte-order mark at the start skipped, and one rule
// for a number: a whole number with nothing but blanks around it. "1,200",
// "1 200", "7.5e2" or "800px" are no numbers at all, never the digits in front.
#pragma once
#include <string>
#include <vector>

struct SettingsLine {
    int number = 0;    // 1-based, as an editor counts lines
    std::string text;  // without its line end (LF, CR LF)
};

// The lines of a file's bytes; the byte-order mark of a file saved as UTF-8
// is not part of the first line's name.
std::vector<SettingsLine> splitSettingsLines(const std::string &bytes);

// Without the blanks (spaces, tabs) at either end.
std::string trimBlanks(const std::string &text);

// A whole number: an optional '-' or '+', decimal digits or "0x" and hexadecimal
// digits, blanks at either end. false for anything else and for a number outside
// low..high.
bool parseWholeNumber(const std::string &text, long long low, long long high, long long &out);

// A decimal number as written with "%f": an optional sign, digits, an optional
// '.' and digits, blanks at either end; no exponent, no "nan" or "inf".
bool parseDecimalNumber(const std::string &text, double &out);

// The texts both kinds of settings files refuse with (GBK).
std::string settingsFileEmptyText(const std::string &path);       // "设置文件是空的: <path>"
std::string settingsFileWithoutKeysText(const std::string &path); // "这不是一个设置文件 (没有一行是设置项): <path>"
std::string repeatedSettingText(int line, const std::string &name);  // "设置文件第 N 行: name 重复出现"
