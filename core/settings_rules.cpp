#include "core/settings_rules.h"

#include <cmath>
#include <cstdlib>

#include "core/settings_text.h"
#include "util/text.h"

namespace {

const char *const kCaptionNotice = "提示";
const char *const kCaptionError = "错误";
const char *const kTitleLookHere = "看这里";
const char *const kTitleEnter = "请输入";
const char *const kTitleEnterAgain = "请重新输入";
const char *const kNotEmpty = "此项不能为空";

std::string trimLeadingBlanks(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return text.substr(i);
}

bool digitsOnly(const std::string &text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

// Digits only and at most `high`; a long run of digits is not parsed at all.
bool digitsInRange(const std::string &text, long low, long high, long &out)
{
    if (!digitsOnly(text) || text.size() > 9)
        return false;
    long v = strtol(text.c_str(), nullptr, 10);
    if (v < low || v > high)
        return false;
    out = v;
    return true;
}

// A decimal number (digits with at most one '.') in 1.0..999.99.
bool percentInRange(const std::string &text, double &out)
{
    if (text.empty() || text.size() > 16)
        return false;
    int dots = 0;
    int digits = 0;
    for (char c : text) {
        if (c == '.')
            ++dots;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return false;
    }
    if (dots > 1 || digits == 0)
        return false;
    double v = strtod(text.c_str(), nullptr);
    if (!(v >= 1.0 && v <= 999.99))
        return false;
    out = v;
    return true;
}

int clampInt(int v, int low, int high) { return v < low ? low : (v > high ? high : v); }

SettingsVerdict balloonAt(int step, SettingsControl control, const std::string &title, const std::string &text)
{
    SettingsVerdict v;
    v.ok = false;
    v.step = step;
    v.control = control;
    v.focus = control;
    v.balloon = true;
    v.balloonTitle = title;
    v.balloonText = text;
    return v;
}

SettingsVerdict boxFor(int step, SettingsControl control, const std::string &text, bool errorIcon,
                       const char *caption = kCaptionNotice)
{
    SettingsVerdict v;
    v.ok = false;
    v.step = step;
    v.control = control;
    v.focus = control;
    v.box = true;
    v.boxCaption = caption;
    v.boxText = text;
    v.boxErrorIcon = errorIcon;
    return v;
}

const char *sideName(bool horizontal, int code)
{
    if (horizontal)
        return code == 1 ? "左" : "右";
    return code == 1 ? "上" : "下";
}

// One distance of a watermark. Code 0 (centred) takes the field only when it holds
// digits, else 16; codes 1 and 2 need a value.
bool readDistance(int step, const char *group, bool horizontal, int code, const std::string &text,
                  SettingsControl control, int &out, SettingsVerdict &verdict)
{
    long value = 0;
    if (code != 1 && code != 2) {
        out = digitsInRange(text, 0, 999, value) ? int(value) : 16;
        return true;
    }
    if (text.empty()) {
        verdict = boxFor(step, control, formatText("%s的%s边距不能为空", group, sideName(horizontal, code)), true);
        return false;
    }
    if (!digitsInRange(text, 0, 999, value)) {
        verdict = boxFor(step, control,
                         formatText("%s的%s边距必须为整数,取值范围: 0 - 999", group, sideName(horizontal, code)),
                         true);
        return false;
    }
    out = int(value);
    return true;
}

int fillValue(const std::string &text)
{
    long value = 0;
    return digitsInRange(text, 0, 99, value) ? int(value) : 0;
}

std::string sizeSide(int sizeType) { return sizeType == 1 ? "图片高" : "图片宽"; }

bool collectResize(const SettingsPanelInput &in, ProcessSettings &s, SettingsVerdict &verdict)
{
    s.bZoomSameScale = in.sameScale ? 1 : 0;
    if (!in.resize) {
        s.bSize = 0;
        return true;
    }
    s.bSize = 1;
    s.zoomType = clampInt(in.zoomType, 0, 2);
    s.sizeType = clampInt(in.sizeType, 0, 1);
    std::string text = trimLeadingBlanks(in.sizeText);
    std::string side = sizeSide(s.sizeType);
    if (text.empty()) {
        verdict = balloonAt(1, SettingsControl::SizeField, kTitleEnter, side + "不能为空");
        return false;
    }
    if (s.zoomUnit == 1) {
        double percent = 0;
        if (!percentInRange(text, percent)) {
            verdict = balloonAt(1, SettingsControl::SizeField, kTitleEnterAgain,
                                side + "的取值范围: 1.0 - 999.9 (百分比)");
            return false;
        }
        s.fSizeValue = float(percent);
        return true;
    }
    long pixels = 0;
    if (digitsOnly(text) && digitsInRange(text, 0, 0x7fffffff, pixels) && pixels == 0) {
        verdict = balloonAt(1, SettingsControl::SizeField, kTitleEnterAgain, side + "不能为 0");
        return false;
    }
    if (!digitsInRange(text, 1, 9999, pixels)) {
        verdict = balloonAt(1, SettingsControl::SizeField, kTitleEnterAgain,
                            side + "必须为整数,取值范围: 1 - 9999 (像素)");
        return false;
    }
    s.sizeValue = int(pixels);
    return true;
}

bool collectQuality(const SettingsPanelInput &in, ProcessSettings &s, SettingsVerdict &verdict)
{
    if (!in.quality) {
        s.bQuanlity = 0;
        return true;
    }
    s.bQuanlity = 1;
    if (s.qualityMode != 1) {
        s.quanlity = clampInt(in.qualitySlider, 10, 100);
        return true;
    }
    const std::string &text = in.maxFileSizeText;
    long kb = 0;
    if (text.empty()) {
        s.maxFileSize = 0;
        verdict = balloonAt(2, SettingsControl::MaxFileSizeField, kTitleEnter, kNotEmpty);
        return false;
    }
    if (digitsOnly(text) && text.find_first_not_of('0') == std::string::npos) {
        s.maxFileSize = 0;
        verdict = balloonAt(2, SettingsControl::MaxFileSizeField, kTitleEnterAgain, "值不能为 0");
        return false;
    }
    if (!digitsInRange(text, 1, 99999, kb)) {
        s.maxFileSize = 0;
        verdict = balloonAt(2, SettingsControl::MaxFileSizeField, kTitleEnterAgain, "必须为整数,取值范围: 1 - 99999");
        return false;
    }
    s.maxFileSize = int(kb);
    return true;
}

bool fontPasses(bool (*test)(const std::string &, void *), const std::string &font, void *context)
{
    return !test || test(font, context);
}

bool collectTextMark(const SettingsPanelInput &in, ProcessSettings &s, const SettingsChecks &checks,
                     SettingsVerdict &verdict)
{
    if (!in.textMark) {
        s.bSYText = 0;
        return true;
    }
    s.bSYText = 1;
    std::string text = boundedText(trimLeadingBlanks(in.text), kSyTextCapacity);
    bool chinese = hasHighByte(text);
    bool fontOk = chinese ? fontPasses(checks.fontShowsChinese, s.sy_text_fontName, checks.context)
                          : fontPasses(checks.fontUsable, s.sy_text_fontName, checks.context);
    if (!fontOk) {
        SettingsControl at = chinese ? SettingsControl::TextField : SettingsControl::FontButton;
        if (in.fontDialogShown) {
            // The user was already offered the font dialog and kept an unusable font.
            verdict = SettingsVerdict();
            verdict.ok = false;
            verdict.step = 3;
            verdict.control = at;
            verdict.focus = at;
            return false;
        }
        verdict = balloonAt(3, at, kTitleLookHere, chinese ? "含有中文，请选择一个中文字体" : "重新选择一个字体");
        verdict.box = true;
        verdict.boxCaption = kCaptionNotice;
        verdict.boxText = chinese ? fontWithoutChineseText(s.sy_text_fontName) : unsupportedFontText(s.sy_text_fontName);
        verdict.followUp = chinese ? SettingsFollowUp::ChooseChineseFont : SettingsFollowUp::ChooseUsableFont;
        return false;
    }
    s.sy_text = text;

    s.sy_text_w_direction = clampInt(in.textWDirection, 0, 2);
    s.sy_text_h_direction = clampInt(in.textHDirection, 0, 2);
    if (!readDistance(3, "文字水印", true, s.sy_text_w_direction, in.textWValueText, SettingsControl::TextWValueField,
                      s.sy_text_w_value, verdict))
        return false;
    if (!readDistance(3, "文字水印", false, s.sy_text_h_direction, in.textHValueText, SettingsControl::TextHValueField,
                      s.sy_text_h_value, verdict))
        return false;
    s.sy_text_border_size = clampInt(in.textBorderSize, 0, 9);
    s.sy_text_border_corner_radius = clampInt(in.textCornerRadius, 0, 90) / 5 * 5;
    s.sy_text_padding_left_right = fillValue(in.textFillLeftRightText);
    s.sy_text_padding_top_bottom = fillValue(in.textFillTopBottomText);
    s.sy_text_rotate = angleFromIndex(in.textAngleIndex);
    s.sy_text_opacity = clampInt(in.textOpacity, 1, 100);
    return true;
}

bool collectImageMark(const SettingsPanelInput &in, ProcessSettings &s, const SettingsChecks &checks,
                      SettingsVerdict &verdict)
{
    std::string path = trimLeadingBlanks(in.imagePath);
    s.sy_image = boundedText(path, kSyImageCapacity);
    if (!in.imageMark) {
        s.bSYImage = 0;
        return true;
    }
    s.bSYImage = 1;
    if (!path.empty()) {
        const char *problem = nullptr;
        if (checks.pictureExists && !checks.pictureExists(path, checks.context))
            problem = "水印图片不存在，请重新选择";
        else if (checks.pictureUsable && !checks.pictureUsable(path, checks.context))
            problem = "水印图片格式不对，请重新选择";
        if (problem) {
            verdict = balloonAt(4, SettingsControl::ImagePathField, kTitleLookHere, problem);
            verdict.box = true;
            verdict.boxCaption = kCaptionNotice;
            verdict.boxText = problem;
            verdict.boxErrorIcon = true;
            verdict.focus = SettingsControl::ImageChooseButton;
            return false;
        }
    }
    s.sy_image_w_direction = clampInt(in.imageWDirection, 0, 2);
    s.sy_image_h_direction = clampInt(in.imageHDirection, 0, 2);
    if (!readDistance(4, "图片水印", true, s.sy_image_w_direction, in.imageWValueText,
                      SettingsControl::ImageWValueField, s.sy_image_w_value, verdict))
        return false;
    if (!readDistance(4, "图片水印", false, s.sy_image_h_direction, in.imageHValueText,
                      SettingsControl::ImageHValueField, s.sy_image_h_value, verdict))
        return false;
    s.sy_image_rotate = angleFromIndex(in.imageAngleIndex);
    s.sy_image_opacity = clampInt(in.imageOpacity, 1, 100);
    return true;
}

void collectOthers(const SettingsPanelInput &in, ProcessSettings &s)
{
    s.bBorder = in.border ? 1 : 0;
    if (in.border) {
        s.border_location = clampInt(in.borderLocation, 0, 1);
        s.border_size = clampInt(in.borderSize, 1, 64);
        s.border_padding = clampInt(in.borderPadding, 0, 64);
    }
    s.bLight = in.light ? 1 : 0;
    if (in.light)
        s.lightValue = clampInt(in.lightValue, -100, 100);
    s.bContrast = in.contrast ? 1 : 0;
    if (in.contrast)
        s.contrastValue = clampInt(in.contrastValue, -100, 100);
    s.bClearly = in.clearly ? 1 : 0;
    if (in.clearly)
        s.clearlyValue = clampInt(in.clearlyValue, -100, 100);
    s.bConvertBlackToWhite = in.blackWhite ? 1 : 0;
    s.bRemovePhotoOtherInfo = in.removeExif ? 1 : 0;
    s.bRemovePhotoGpsInfo = in.removeGps ? 1 : 0;
    s.bAutoOrient = in.autoOrient ? 1 : 0;
    s.bKeepFileTime = in.keepFileTime ? 1 : 0;
    s.bColorspaceTo = in.colorspace ? 1 : 0;
    if (in.colorspace) {
        s.fromColorspace = clampInt(in.fromColorspace, 0, 3);
        s.toColorspace = clampInt(in.toColorspace, 0, 2);
        s.bUseSRGB_ICC = in.useSrgbIcc ? 1 : 0;
    }
}

bool collectDpi(const SettingsPanelInput &in, ProcessSettings &s, SettingsVerdict &verdict)
{
    s.bDpi = in.dpi ? 1 : 0;
    if (!in.dpi || in.dpiText.empty()) {
        s.dpi = -1;
        s.bDpiResample = 0;
        return true;
    }
    long dpi = 0;
    if (!digitsInRange(in.dpiText, 1, 65535, dpi)) {
        verdict = boxFor(9, SettingsControl::DpiField, "图片分辨率(DPI)的值范围: 1 - 65535, 请重新输入", false);
        return false;
    }
    s.dpi = int(dpi);
    s.bDpiResample = in.dpiResample ? 1 : 0;
    return true;
}

}  // namespace

NoticeKind SettingsVerdict::kind() const
{
    if (balloon && box)
        return NoticeKind::BalloonAndBox;
    if (balloon)
        return NoticeKind::Balloon;
    if (box)
        return NoticeKind::Box;
    return NoticeKind::None;
}

SettingsVerdict collectPanelSettings(const SettingsPanelInput &input, ProcessSettings &settings,
                                     const SettingsChecks &checks)
{
    SettingsVerdict verdict;
    if (!collectResize(input, settings, verdict) || !collectQuality(input, settings, verdict) ||
        !collectTextMark(input, settings, checks, verdict) || !collectImageMark(input, settings, checks, verdict))
        return verdict;
    collectOthers(input, settings);
    collectDpi(input, settings, verdict);
    return verdict;
}

SettingsVerdict watermarkReadError(const std::string &path, const std::string &reason)
{
    std::string text = formatText("读取水印图片出错：\n\n%s", path.c_str());
    if (!reason.empty())
        text += "\n\n" + reason;
    return boxFor(4, SettingsControl::ImagePathField, text, true, kCaptionError);
}

SettingsVerdict textWatermarkFontError(const std::string &fontName)
{
    return boxFor(3, SettingsControl::FontButton, unsupportedFontText(fontName), false);
}

std::string fontWithoutChineseText(const std::string &fontName)
{
    return formatText("当前选择的字体: '%s' 不支持显示中文。\n\n请选择一个中文字体，例如：宋体, 楷体, 黑体。",
                      fontName.c_str());
}

std::string unsupportedFontText(const std::string &fontName)
{
    return formatText("当前选择的字体: '%s' 不受支持，请重新选择一个字体。", fontName.c_str());
}

SettingsVerdict checkTypedNumber(NumericField field, int sizeType, const std::string &text)
{
    SettingsVerdict v;
    if (text.empty())
        return v;
    SettingsControl control = SettingsControl::None;
    std::string message;
    bool digits = digitsOnly(text);
    switch (field) {
    case NumericField::SizePixels:
        control = SettingsControl::SizeField;
        if (!digits)
            message = sizeSide(sizeType) + "必须为整数,取值范围: 1 - 9999 (像素)";
        break;
    case NumericField::SizePercent: {
        control = SettingsControl::SizeField;
        double percent = 0;
        if (!percentInRange(text, percent))
            message = sizeSide(sizeType) + "的取值范围: 1.0 - 999.9 (百分比)";
        break;
    }
    case NumericField::MaxFileSize:
        control = SettingsControl::MaxFileSizeField;
        if (!digits)
            message = "必须为整数,取值范围: 1 - 99999";
        break;
    case NumericField::TextLeft:
    case NumericField::TextRight:
    case NumericField::TextTop:
    case NumericField::TextBottom:
    case NumericField::ImageLeft:
    case NumericField::ImageRight:
    case NumericField::ImageTop:
    case NumericField::ImageBottom: {
        bool image = field >= NumericField::ImageLeft;
        int side = int(field) - int(image ? NumericField::ImageLeft : NumericField::TextLeft);
        static const char *const sides[] = {"左", "右", "上", "下"};
        control = image ? (side < 2 ? SettingsControl::ImageWValueField : SettingsControl::ImageHValueField)
                        : (side < 2 ? SettingsControl::TextWValueField : SettingsControl::TextHValueField);
        if (!digits)
            message = formatText("%s的%s边距必须为整数,取值范围: 0 - 999", image ? "图片水印" : "文字水印", sides[side]);
        break;
    }
    case NumericField::TextFillLeftRight:
        control = SettingsControl::TextFillLeftRightField;
        if (!digits)
            message = "文字水印的左右填充必须为整数,取值范围: 0 - 99";
        break;
    case NumericField::TextFillTopBottom:
        control = SettingsControl::TextFillTopBottomField;
        if (!digits)
            message = "文字水印的上下填充必须为整数,取值范围: 0 - 99";
        break;
    }
    if (message.empty())
        return v;
    v = balloonAt(0, control, kTitleEnterAgain, message);
    v.followUp = SettingsFollowUp::RestoreFieldText;
    return v;
}

SettingsVerdict checkNumberOnLeave(NumericField field, const std::string &text)
{
    SettingsVerdict v;
    if (!text.empty())
        return v;
    if (field == NumericField::TextFillLeftRight || field == NumericField::TextFillTopBottom) {
        v.ok = false;
        v.control = field == NumericField::TextFillLeftRight ? SettingsControl::TextFillLeftRightField
                                                              : SettingsControl::TextFillTopBottomField;
        v.followUp = SettingsFollowUp::SetFieldText;
        v.replacementText = "0";
        return v;
    }
    SettingsControl control = SettingsControl::None;
    switch (field) {
    case NumericField::SizePixels:
    case NumericField::SizePercent: control = SettingsControl::SizeField; break;
    case NumericField::MaxFileSize: control = SettingsControl::MaxFileSizeField; break;
    case NumericField::TextLeft:
    case NumericField::TextRight: control = SettingsControl::TextWValueField; break;
    case NumericField::TextTop:
    case NumericField::TextBottom: control = SettingsControl::TextHValueField; break;
    case NumericField::ImageLeft:
    case NumericField::ImageRight: control = SettingsControl::ImageWValueField; break;
    default: control = SettingsControl::ImageHValueField; break;
    }
    return balloonAt(0, control, kTitleEnter, kNotEmpty);
}

SettingsVerdict onResizeTicked(bool dpi, bool dpiResample)
{
    SettingsVerdict v;
    if (!(dpi && dpiResample))
        return v;
    v = balloonAt(0, SettingsControl::ResampleBox, kTitleLookHere, "勾选了【重新采样】选项");
    v.box = true;
    v.boxCaption = kCaptionNotice;
    v.boxText = "勾选了【重新采样】选项后，不能同时再勾选这个选项。";
    v.focus = SettingsControl::ResizeBox;
    v.followUp = SettingsFollowUp::UndoResizeTick;
    return v;
}

SettingsVerdict onDpiTicked(bool resize, bool dpiResample, int zoomType)
{
    SettingsVerdict v;
    if (!(resize && dpiResample))
        return v;
    std::string option = zoomTypeLabel(zoomType);
    v = balloonAt(0, SettingsControl::ResizeBox, kTitleLookHere, "勾选了【" + option + "】选项");
    v.box = true;
    v.boxCaption = kCaptionNotice;
    v.boxText = "勾选了【" + option + "】选项后，不能同时再勾选【重新采样】选项。\n\n【重新采样】选项将自动取消勾选。";
    v.focus = SettingsControl::DpiBox;
    v.followUp = SettingsFollowUp::ClearResample;
    return v;
}

SettingsVerdict onResampleTicked(bool resize, int zoomType)
{
    SettingsVerdict v;
    if (!resize)
        return v;
    std::string option = zoomTypeLabel(zoomType);
    v = balloonAt(0, SettingsControl::ResizeBox, kTitleLookHere, "勾选了【" + option + "】选项");
    v.box = true;
    v.boxCaption = kCaptionNotice;
    v.boxText = "勾选了【" + option + "】选项后，不能同时再勾选这个选项。";
    v.focus = SettingsControl::ResampleBox;
    v.followUp = SettingsFollowUp::ClearResample;
    return v;
}

std::string colorText(int bgr)
{
    unsigned v = unsigned(bgr);
    return formatText("#%02x%02x%02x", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

int angleFromIndex(int index) { return (index >= 0 && index <= 7) ? index * 45 : 0; }

int angleIndex(int degrees)
{
    if (degrees < 0 || degrees > 315 || degrees % 45 != 0)
        return -1;
    return degrees / 45;
}

std::vector<std::string> angleChoiceLabels()
{
    std::vector<std::string> labels{""};
    for (int i = 1; i <= 7; ++i)
        labels.push_back(formatText("%d度", i * 45));
    return labels;
}

std::string qualityLabel(long quality)
{
    if (quality >= 90)
        return formatText("%ld(高)", quality);
    if (quality >= 60)
        return formatText("%ld(中)", quality);
    return formatText("%ld(低)", quality);
}

std::string zoomTypeLabel(int zoomType)
{
    switch (zoomType) {
    case 1: return "图片放大";
    case 2: return "图片缩放";
    default: return "图片缩小";
    }
}

std::string sameScaleLabel(int sizeType, int zoomType)
{
    static const char *const verbs[] = {"缩小", "放大", "缩放"};
    return std::string(sizeType == 1 ? "宽度" : "高度") + "等比例" + verbs[clampInt(zoomType, 0, 2)];
}

std::string textWatermarkSummary(const ProcessSettings &s)
{
    std::string line = formatText("字体:%s, 大小:%d, 颜色:%s", s.sy_text_fontName.c_str(), s.sy_text_fontSize,
                                  s.sy_text_htmlColor.c_str());
    bool bold = s.sy_text_weight > 400;
    if (s.sy_text_isItalic && bold)
        line += ", 粗斜体";
    else if (s.sy_text_isItalic)
        line += ", 斜体";
    else if (bold)
        line += ", 粗体";
    if (s.sy_text_isUnderlineDecoration)
        line += ", 下划线";
    if (s.sy_text_isLineThroughDecoration)
        line += ", 中划线";
    return line;
}
