#include "core/settings_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>

#include "util/settings_lines.h"
#include "util/text.h"

namespace {

enum class Kind { Int, Float, Color, Text };

struct Field {
    const char *key;
    Kind kind;
    int ProcessSettings::*intField;
    float ProcessSettings::*floatField;
    std::string ProcessSettings::*textField;
    size_t capacity;
};

constexpr Field intKey(const char *key, int ProcessSettings::*f) { return {key, Kind::Int, f, nullptr, nullptr, 0}; }
constexpr Field colorKey(const char *key, int ProcessSettings::*f) { return {key, Kind::Color, f, nullptr, nullptr, 0}; }
constexpr Field floatKey(const char *key, float ProcessSettings::*f) { return {key, Kind::Float, nullptr, f, nullptr, 0}; }
constexpr Field textKey(const char *key, std::string ProcessSettings::*f, size_t capacity)
{
    return {key, Kind::Text, nullptr, nullptr, f, capacity};
}

using S = ProcessSettings;

// The order is the order of the lines in a written file.
const Field kFields[] = {
    intKey("bSize", &S::bSize),
    intKey("zoomType", &S::zoomType),
    intKey("sizeType", &S::sizeType),
    intKey("zoomUnit", &S::zoomUnit),
    intKey("sizeValue", &S::sizeValue),
    floatKey("fSizeValue", &S::fSizeValue),
    intKey("bZoomSameScale", &S::bZoomSameScale),
    intKey("bQuanlity", &S::bQuanlity),
    intKey("quanlity", &S::quanlity),
    intKey("qualityMode", &S::qualityMode),
    intKey("maxFileSize", &S::maxFileSize),
    intKey("bSYText", &S::bSYText),
    textKey("sy_text", &S::sy_text, kSyTextCapacity),
    intKey("sy_text_rotate", &S::sy_text_rotate),
    intKey("sy_text_opacity", &S::sy_text_opacity),
    intKey("sy_text_w_direction", &S::sy_text_w_direction),
    intKey("sy_text_w_value", &S::sy_text_w_value),
    intKey("sy_text_h_direction", &S::sy_text_h_direction),
    intKey("sy_text_h_value", &S::sy_text_h_value),
    textKey("sy_text_fontName", &S::sy_text_fontName, kFontNameCapacity),
    intKey("sy_text_fontSize", &S::sy_text_fontSize),
    intKey("sy_text_isItalic", &S::sy_text_isItalic),
    intKey("sy_text_weight", &S::sy_text_weight),
    intKey("sy_text_isUnderlineDecoration", &S::sy_text_isUnderlineDecoration),
    intKey("sy_text_isLineThroughDecoration", &S::sy_text_isLineThroughDecoration),
    textKey("sy_text_htmlColor", &S::sy_text_htmlColor, kHtmlColorCapacity),
    colorKey("sy_text_rgbColors", &S::sy_text_rgbColors),
    colorKey("sy_text_background_color", &S::sy_text_background_color),
    colorKey("sy_text_border_color", &S::sy_text_border_color),
    intKey("sy_text_border_size", &S::sy_text_border_size),
    intKey("sy_text_border_corner_radius", &S::sy_text_border_corner_radius),
    intKey("sy_text_padding_left_right", &S::sy_text_padding_left_right),
    intKey("sy_text_padding_top_bottom", &S::sy_text_padding_top_bottom),
    intKey("bSYImage", &S::bSYImage),
    textKey("sy_image", &S::sy_image, kSyImageCapacity),
    intKey("sy_image_w_direction", &S::sy_image_w_direction),
    intKey("sy_image_w_value", &S::sy_image_w_value),
    intKey("sy_image_h_direction", &S::sy_image_h_direction),
    intKey("sy_image_h_value", &S::sy_image_h_value),
    intKey("sy_image_rotate", &S::sy_image_rotate),
    intKey("sy_image_opacity", &S::sy_image_opacity),
    intKey("bBorder", &S::bBorder),
    intKey("border_location", &S::border_location),
    intKey("border_size", &S::border_size),
    colorKey("border_color", &S::border_color),
    intKey("border_padding", &S::border_padding),
    intKey("bLight", &S::bLight),
    intKey("lightValue", &S::lightValue),
    intKey("bContrast", &S::bContrast),
    intKey("contrastValue", &S::contrastValue),
    intKey("bClearly", &S::bClearly),
    intKey("clearlyValue", &S::clearlyValue),
    intKey("bConvertBlackToWhite", &S::bConvertBlackToWhite),
    intKey("bRemovePhotoOtherInfo", &S::bRemovePhotoOtherInfo),
    intKey("bColorspaceTo", &S::bColorspaceTo),
    intKey("fromColorspace", &S::fromColorspace),
    intKey("toColorspace", &S::toColorspace),
    intKey("bUseSRGB_ICC", &S::bUseSRGB_ICC),
    intKey("bDpi", &S::bDpi),
    intKey("dpi", &S::dpi),
    intKey("bDpiResample", &S::bDpiResample),
    intKey("bAutoOrient", &S::bAutoOrient),
    intKey("bRemovePhotoGpsInfo", &S::bRemovePhotoGpsInfo),
    intKey("bKeepFileTime", &S::bKeepFileTime),
};

const size_t kMaxKeyBytes = 127;
const size_t kMaxValueBytes = 1023;

const ProcessSettings kFieldDefaults;

// false when the value is not one: a number field's text must be a whole number
// (a decimal one for fSizeValue) with nothing but blanks around it. The field
// then takes its default, as a number outside its range does: "1,200" read as 1
// would make every picture 1 pixel wide.
bool applyValue(ProcessSettings &s, const Field &f, const std::string &value)
{
    long long n = 0;
    switch (f.kind) {
    case Kind::Int:
        if (!parseWholeNumber(value, INT32_MIN, INT32_MAX, n)) {
            s.*f.intField = kFieldDefaults.*f.intField;
            return false;
        }
        s.*f.intField = int(n);
        return true;
    case Kind::Color:
        // Colours are 0x00BBGGRR or -1; files written elsewhere may hold them unsigned.
        if (!parseWholeNumber(value, INT32_MIN, 0xFFFFFFFFLL, n)) {
            s.*f.intField = kFieldDefaults.*f.intField;
            return false;
        }
        s.*f.intField = int(uint32_t(n));
        return true;
    case Kind::Float: {
        double d = 0;
        if (!parseDecimalNumber(value, d) || std::fabs(d) > 3.0e38) {
            s.*f.floatField = kFieldDefaults.*f.floatField;
            return false;
        }
        s.*f.floatField = float(d);
        return true;
    }
    case Kind::Text:
        s.*f.textField = boundedText(value, f.capacity);
        return true;
    }
    return true;
}

struct LineResult {
    const char *key = nullptr;  // the settings key of the line, or null
    bool valueOk = true;
};

LineResult applyLine(ProcessSettings &s, const std::string &line)
{
    LineResult result;
    size_t eq = line.find('=');
    if (eq == std::string::npos || eq > kMaxKeyBytes)
        return result;
    const std::string key = line.substr(0, eq);
    const std::string value = line.substr(eq + 1, kMaxValueBytes);

    if (key == "sy_text_isWeight") {
        long long n = 0;
        result.key = "sy_text_isWeight";
        result.valueOk = parseWholeNumber(value, INT32_MIN, INT32_MAX, n);
        s.sy_text_weight = (result.valueOk && n == 1) ? 700 : 400;
        return result;
    }
    for (const Field &f : kFields) {
        if (key == f.key) {
            result.key = f.key;
            result.valueOk = applyValue(s, f, value);
            return result;
        }
    }
    return result;
}

}  // namespace

void clearSettings(ProcessSettings &s)
{
    for (const Field &f : kFields) {
        switch (f.kind) {
        case Kind::Int:
        case Kind::Color: s.*f.intField = 0; break;
        case Kind::Float: s.*f.floatField = 0.0f; break;
        case Kind::Text: (s.*f.textField).clear(); break;
        }
    }
}

void presetSettings(ProcessSettings &s)
{
    s.zoomType = 0;
    s.bZoomSameScale = 1;
    s.bDpi = 0;
    s.dpi = -1;
    s.bDpiResample = 0;
    s.bColorspaceTo = 0;
    s.fromColorspace = 0;
    s.toColorspace = 2;
    s.bUseSRGB_ICC = 0;
    s.sy_text_rotate = 0;
    s.sy_image_rotate = 0;
    s.sy_text_background_color = -1;
    s.sy_text_border_color = 0;
    s.sy_text_border_size = 0;
    s.sy_text_border_corner_radius = 0;
    s.sy_text_padding_left_right = 0;
    s.sy_text_padding_top_bottom = 0;
    s.zoomUnit = 0;
    s.fSizeValue = 100.0f;
    s.qualityMode = 0;
    s.maxFileSize = 0;
    // Files from before the switch existed turn photos, as the program now does.
    s.bAutoOrient = 1;
}

std::string settingsText(const ProcessSettings &s)
{
    std::string text;
    text.reserve(2048);
    for (const Field &f : kFields) {
        text += f.key;
        text += '=';
        switch (f.kind) {
        case Kind::Int: {
            int v = s.*f.intField;
            // dpi 0 means "not given" as much as -1 does; the file only knows -1.
            if (f.intField == &S::dpi && v == 0)
                v = -1;
            text += formatText("%d", v);
            break;
        }
        case Kind::Color: text += formatText("%ld", long(s.*f.intField)); break;
        case Kind::Float: text += formatText("%f", double(s.*f.floatField)); break;
        case Kind::Text: text += boundedText(s.*f.textField, f.capacity); break;
        }
        text += '\n';
    }
    return text;
}

int applySettingsText(ProcessSettings &s, const std::string &bytes, std::vector<SettingsTextFault> *faults)
{
    int keys = 0;
    std::set<std::string> seen;
    for (const SettingsLine &line : splitSettingsLines(bytes)) {
        LineResult result = applyLine(s, line.text);
        if (!result.key)
            continue;
        ++keys;
        if (!faults)
            continue;
        std::string value = line.text.substr(line.text.find('=') + 1);
        if (!result.valueOk)
            faults->push_back({line.number, result.key, value, SettingsTextFault::NotANumber});
        else if (!seen.insert(result.key).second)
            faults->push_back({line.number, result.key, value, SettingsTextFault::Repeated});
        if (!result.valueOk)
            seen.insert(result.key);
    }
    normaliseSettings(s);
    return keys;
}

std::string settingsFaultText(const SettingsTextFault &fault)
{
    if (fault.kind == SettingsTextFault::Repeated)
        return repeatedSettingText(fault.line, fault.key);
    std::string value = fault.value.size() > 40 ? fault.value.substr(0, 40) + "..." : fault.value;
    const char *what = fault.key == "fSizeValue" ? "数" : "整数";
    return formatText("设置文件第 %d 行: %s 的值 '%s' 不是一个%s", fault.line, fault.key.c_str(), value.c_str(), what);
}

namespace {

const ProcessSettings kDefaults;

// A value outside its range takes the field's default: a settings file that says
// sizeValue=-5 means nothing, and the nearest bound (1 pixel) would be a
// plainly wrong picture.
void rangeField(int &v, int low, int high, int ProcessSettings::*field)
{
    if (v < low || v > high)
        v = kDefaults.*field;
}
void switchField(int &v, int ProcessSettings::*field) { rangeField(v, 0, 1, field); }
void angleField(int &degrees)
{
    if (degrees < 0 || degrees > 315 || degrees % 45 != 0)
        degrees = 0;
}
int maskedColor(int bgr) { return int(unsigned(bgr) & 0x00FFFFFFu); }

bool isColorText(const std::string &text)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    for (size_t i = 1; i < 7; ++i) {
        char c = text[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

}  // namespace

void normaliseSettings(ProcessSettings &s)
{
    for (int S::*flag : {&S::bSize, &S::bZoomSameScale, &S::bQuanlity, &S::bSYText, &S::sy_text_isItalic,
                         &S::sy_text_isUnderlineDecoration, &S::sy_text_isLineThroughDecoration, &S::bSYImage,
                         &S::bBorder, &S::bLight, &S::bContrast, &S::bClearly, &S::bConvertBlackToWhite,
                         &S::bRemovePhotoOtherInfo, &S::bColorspaceTo, &S::bUseSRGB_ICC, &S::bDpi, &S::bDpiResample,
                         &S::bAutoOrient, &S::bRemovePhotoGpsInfo, &S::bKeepFileTime})
        switchField(s.*flag, flag);
    rangeField(s.zoomType, 0, 2, &S::zoomType);
    rangeField(s.sizeType, 0, 1, &S::sizeType);
    rangeField(s.zoomUnit, 0, 1, &S::zoomUnit);
    rangeField(s.sizeValue, 1, 9999, &S::sizeValue);
    if (!(s.fSizeValue >= 1.0f && s.fSizeValue <= 999.99f))  // NaN too
        s.fSizeValue = kDefaults.fSizeValue;
    rangeField(s.quanlity, 10, 100, &S::quanlity);
    rangeField(s.qualityMode, 0, 1, &S::qualityMode);
    rangeField(s.maxFileSize, 1, 99999, &S::maxFileSize);  // 0 (not set) is the default

    angleField(s.sy_text_rotate);
    rangeField(s.sy_text_opacity, 1, 100, &S::sy_text_opacity);
    rangeField(s.sy_text_w_direction, 0, 2, &S::sy_text_w_direction);
    rangeField(s.sy_text_w_value, 0, 999, &S::sy_text_w_value);
    rangeField(s.sy_text_h_direction, 0, 2, &S::sy_text_h_direction);
    rangeField(s.sy_text_h_value, 0, 999, &S::sy_text_h_value);
    if (s.sy_text_fontName.empty())
        s.sy_text_fontName = kDefaults.sy_text_fontName;
    rangeField(s.sy_text_fontSize, 8, 72, &S::sy_text_fontSize);
    rangeField(s.sy_text_weight, 0, 1000, &S::sy_text_weight);
    // Colours keep their three components; the fourth byte has no meaning.
    s.sy_text_rgbColors = maskedColor(s.sy_text_rgbColors);
    if (!isColorText(s.sy_text_htmlColor)) {
        unsigned v = unsigned(s.sy_text_rgbColors);
        s.sy_text_htmlColor = formatText("#%02x%02x%02x", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
    }
    if (s.sy_text_background_color != -1)
        s.sy_text_background_color = maskedColor(s.sy_text_background_color);
    s.sy_text_border_color = maskedColor(s.sy_text_border_color);
    rangeField(s.sy_text_border_size, 0, 9, &S::sy_text_border_size);
    if (s.sy_text_border_corner_radius % 5 != 0)
        s.sy_text_border_corner_radius = kDefaults.sy_text_border_corner_radius;
    rangeField(s.sy_text_border_corner_radius, 0, 90, &S::sy_text_border_corner_radius);
    rangeField(s.sy_text_padding_left_right, 0, 99, &S::sy_text_padding_left_right);
    rangeField(s.sy_text_padding_top_bottom, 0, 99, &S::sy_text_padding_top_bottom);

    rangeField(s.sy_image_w_direction, 0, 2, &S::sy_image_w_direction);
    rangeField(s.sy_image_w_value, 0, 999, &S::sy_image_w_value);
    rangeField(s.sy_image_h_direction, 0, 2, &S::sy_image_h_direction);
    rangeField(s.sy_image_h_value, 0, 999, &S::sy_image_h_value);
    angleField(s.sy_image_rotate);
    rangeField(s.sy_image_opacity, 1, 100, &S::sy_image_opacity);

    rangeField(s.border_location, 0, 1, &S::border_location);
    rangeField(s.border_size, 0, 64, &S::border_size);  // 0 is what files hold until a border was set
    s.border_color = maskedColor(s.border_color);
    rangeField(s.border_padding, 0, 64, &S::border_padding);

    rangeField(s.lightValue, -100, 100, &S::lightValue);
    rangeField(s.contrastValue, -100, 100, &S::contrastValue);
    rangeField(s.clearlyValue, -100, 100, &S::clearlyValue);
    rangeField(s.fromColorspace, 0, 3, &S::fromColorspace);
    rangeField(s.toColorspace, 0, 2, &S::toColorspace);
    if (s.dpi != -1)
        rangeField(s.dpi, 1, 65535, &S::dpi);  // a stored 0 means "not given" as much as -1
}

std::vector<std::string> settingsKeys()
{
    std::vector<std::string> keys;
    for (const Field &f : kFields)
        keys.push_back(f.key);
    return keys;
}

std::string boundedText(const std::string &text, size_t capacity)
{
    size_t stop = text.size();
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\0' || c == '\r' || c == '\n') {
            stop = i;
            break;
        }
    }
    if (stop <= capacity)
        return text.substr(0, stop);
    // Walk whole characters: a GBK lead byte (0x81..0xFE) takes the next byte with it.
    size_t i = 0;
    while (i < stop) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        size_t width = (c >= 0x81 && c <= 0xFE && i + 1 < stop) ? 2 : 1;
        if (i + width > capacity)
            break;
        i += width;
    }
    return text.substr(0, i);
}
