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

// All 64 keys in the fixed order, one "key=value\n" line each.
std::string settingsText(const ProcessSettings &settings);

// A line the reader could not take as it stands.
struct SettingsTextFault {
    enum Kind { NotANumber, Repeated };
    int line = 0;       // 1-based
    std::string key;
    std::string value;  // as written
    Kind kind = NotANumber;
};

// Applies the key=value lines of a file's bytes to the record: LF or CR LF lines,
// a UTF-8 byte-order mark at the start skipped, lines without '=' or with keys
// over 127 bytes skipped, values cut to 1023 bytes, texts cut to their field's
// size, unknown keys ignored, the last of a repeated key wins; then
// normaliseSettings(). A number field whose value is not a whole number (a
// decimal one for fSizeValue; blanks around it allowed) takes its default, as a
// value outside its range does. Keys the text lacks keep the record's values, so
// start from ProcessSettings() for the defaults. faults (if given) receives every
// value that was no number and every key given a second time, in line order.
// Never reads past the buffer. Returns the number of lines whose key is a
// settings key (0: the bytes are no settings file).
int applySettingsText(ProcessSettings &settings, const std::string &bytes,
                      std::vector<SettingsTextFault> *faults = nullptr);

// "设置文件第 N 行: key 的值 'v' 不是一个整数" / "设置文件第 N 行: key 重复出现".
std::string settingsFaultText(const SettingsTextFault &fault);

// Every number outside its range takes its default (ProcessSettings()): switches
// outside 0/1, zoomUnit and qualityMode outside 0/1, maxFileSize outside 1..99999
// (0, not set), sizeValue outside 1..9999 (750), quanlity outside 10..100 (91),
// border_size outside 0..64, dpi outside 1..65535 (-1), angles not in the list,
// corner radii not in steps of 5, ... Colours keep only their three components
// (background -1 stays); an empty font name becomes "宋体"; a malformed colour
// text is made from the colour.
void normaliseSettings(ProcessSettings &settings);

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
