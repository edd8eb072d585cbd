// Per-user preferences in the registry. Every helper returns true on success and
// false on any failure, without showing anything: callers fall back to their defaults.
#pragma once
#include <windows.h>

#include <string>

// HKEY_CURRENT_USER key of the program.
extern const char *const kProgramRegistryKey;  // "SOFTWARE\Velmora"

// Queries a REG_SZ (or REG_EXPAND_SZ) value into buffer. size is the buffer size in
// bytes on entry and the number of bytes stored (terminating zero included) on
// return. The text in buffer is always zero-terminated; a value that does not fit,
// or that is not a string, fails.
bool readRegString(HKEY root, const char *key, const char *valueName, char *buffer, DWORD *size);
// Opens or creates the key and sets a REG_SZ of byteCount bytes (callers pass the
// length including the terminating zero; a larger count is cut to that length).
bool writeRegString(HKEY root, const char *key, const char *valueName, const char *text, DWORD byteCount);
// Reads a REG_DWORD value (exactly 4 bytes).
bool readRegDword(HKEY root, const char *key, const char *valueName, DWORD *out);
// Opens or creates the key and sets a REG_DWORD.
bool writeRegDword(HKEY root, const char *key, const char *valueName, DWORD value);

// The same under HKCU "SOFTWARE\Velmora", with the default returned when the value
// is missing or unreadable.
std::string readProgramString(const char *valueName, const std::string &fallback = std::string());
bool writeProgramString(const char *valueName, const std::string &text);
DWORD readProgramDword(const char *valueName, DWORD fallback);
bool writeProgramDword(const char *valueName, DWORD value);
