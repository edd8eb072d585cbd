// The text form of ProcessSettings, without any file access: what the settings
// files hold. Kept apart from the file code so it can be tested on byte buffers.
#pragma once
#include <string>
#include <vector>

#include "core/process_settings.h"

// Every number 0, every text empty (the state the reader starts from).
void clearSettings(ProcessSettings &settings);

// The reader's values for keys a file may lack (applied before parsing).
void presetSettings(ProcessSettings &settings);

// All 61 keys in the fixed order, one "key=value\n" line each.
std::string settingsText(const ProcessSettings &settings);

// Applies the key=value lines of a file's bytes to the record: LF or CR LF lines,
// lines without '=' or with keys over 127 bytes skipped, values cut to 1023 bytes,
// texts cut to their field's size, unknown keys ignored, the last of a repeated key
// wins, then the range rules. Never reads past the buffer.
void applySettingsText(ProcessSettings &settings, const std::string &bytes);

// The keys in the order they are written.
std::vector<std::string> settingsKeys();

// Largest text each text field holds (bytes, without the terminating zero).
enum : size_t {
    kSyTextCapacity = 255,
    kFontNameCapacity = 31,
    kHtmlColorCapacity = 7,
    kSyImageCapacity = 259,
};

// Cuts a GBK text to at most capacity bytes without splitting a double-byte
// character, and at the first NUL, CR or LF (a line break would end the line early).
std::string boundedText(const std::string &text, size_t capacity);
