// Every "folder\name" join of the program goes through here. A path that does not
// fit the platform limit is refused, never cut: a truncated name can name
// another, existing file.
#pragma once
#include <cstddef>
#include <string>

// Longest path the program handles, in bytes without the terminating zero.
constexpr size_t kMaxPathBytes = 259;

// out = folder + "\" + name (no second backslash when folder already ends in one).
// False, with out untouched, when the result would be longer than kMaxPathBytes.
bool joinPath(std::string &out, const std::string &folder, const std::string &name);
// The same into a caller's buffer of size bytes (size includes the terminating zero).
bool joinPath(char *out, size_t size, const char *folder, const char *name);

// A name Windows keeps for a device (CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9,
// in any case, with any extension or trailing spaces: "aux.png", "Con .txt",
// "com1"): a file or folder of that name cannot be opened or made through its
// path. The device part ("AUX") in device when given.
bool isDeviceName(const std::string &name, std::string *device = nullptr);
