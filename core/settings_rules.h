// Validation and display rules of the main tool's settings panel, without windows:
// the panel hands over its texts and switch states, the rules fill ProcessSettings
// and say what to show when something is wrong. Anything that needs a window or
// ImageMagick (font tests, the font dialog, reading the watermark picture) is asked
// through callbacks or returned as a follow-up for the caller.
#pragma once
#include <string>
#include <vector>

#include "core/process_settings.h"

// Controls a message can point at (the panel maps them to its windows).
enum class SettingsControl {
    None,
    ResizeBox,
    SizeField,
    MaxFileSizeField,
    TextField,
    FontButton,
    TextWValueField,
    TextHValueField,
    TextFillLeftRightField,
    TextFillTopBottomField,
    ImagePathField,
    ImageChooseButton,
    ImageWValueField,
    ImageHValueField,
    DpiBox,
    DpiField,
    ResampleBox,
};

// What the caller does after showing the messages.
enum class SettingsFollowUp {
    None,
    ChooseChineseFont,  // open the font dialog; call again with fontDialogShown set
    ChooseUsableFont,   // the same, for a font ImageMagick cannot use
    UndoResizeTick,     // clear the resize box again
    ClearResample,      // clear "重新采样"
    RestoreFieldText,   // put back the last valid text of the field
    SetFieldText,       // the field becomes replacementText ("0" for the fill fields)
};

enum class NoticeKind { None, Balloon, Box, BalloonAndBox };

// The outcome of a rule. ok false means: show the balloon (anchored at control)
// and/or the box, then move the focus to focus, then do followUp.
struct SettingsVerdict {
    bool ok = true;
    int step = 0;  // the collecting step (1..9) that stopped; 0 for the field rules
    SettingsControl control = SettingsControl::None;
    bool balloon = false;
    std::string balloonTitle;
    std::string balloonText;
    bool box = false;
    std::string boxCaption;  // "提示" unless the rule names another
    std::string boxText;
    bool boxErrorIcon = false;
    SettingsControl focus = SettingsControl::None;
    SettingsFollowUp followUp = SettingsFollowUp::None;
    std::string replacementText;

    NoticeKind kind() const;
};

// What the panel hands over. Values chosen through menus and dialogs (zoomUnit,
// qualityMode, the font, the colours) are already in the record and read from it.
struct SettingsPanelInput {
    // 基本设置
    bool resize = false;
    int zoomType = 0;
    int sizeType = 0;
    std::string sizeText;
    bool sameScale = true;
    bool quality = false;
    int qualitySlider = 91;
    std::string maxFileSizeText;
    // 文字水印
    bool textMark = false;
    std::string text;
    int textWDirection = 2;
    std::string textWValueText = "16";
    int textHDirection = 2;
    std::string textHValueText = "16";
    int textBorderSize = 0;     // chooser "0".."9"
    int textCornerRadius = 0;   // chooser "0", "5", ..., "90" (the value, not the index)
    std::string textFillLeftRightText = "0";
    std::string textFillTopBottomText = "0";
    int textAngleIndex = 0;
    int textOpacity = 100;
    bool fontDialogShown = false;  // second pass, after the font dialog was offered
    // 图片水印
    bool imageMark = false;
    std::string imagePath;
    int imageWDirection = 2;
    std::string imageWValueText = "16";
    int imageHDirection = 2;
    std::string imageHValueText = "16";
    int imageAngleIndex = 0;
    int imageOpacity = 100;
    // 边框设置
    bool border = false;
    int borderLocation = 0;
    int borderSize = 3;
    int borderPadding = 0;
    // 其他设置
    bool light = false;
    int lightValue = 0;
    bool contrast = false;
    int contrastValue = 0;
    bool clearly = false;
    int clearlyValue = 0;
    bool blackWhite = false;
    bool removeExif = false;
    bool removeGps = false;
    bool autoOrient = true;
    bool colorspace = false;
    int fromColorspace = 0;
    int toColorspace = 2;
    bool useSrgbIcc = false;
    bool dpi = false;
    std::string dpiText;
    bool dpiResample = false;
    // The save group
    bool keepFileTime = false;
};

// Tests that need fonts, files or ImageMagick. A null test passes.
struct SettingsChecks {
    bool (*fontShowsChinese)(const std::string &fontName, void *context) = nullptr;
    bool (*fontUsable)(const std::string &fontName, void *context) = nullptr;
    bool (*pictureExists)(const std::string &path, void *context) = nullptr;
    bool (*pictureUsable)(const std::string &path, void *context) = nullptr;  // readable, not animated
    void *context = nullptr;
};

// Fills the record from the panel in the fixed order of the groups and stops at the
// first problem; the groups before it keep what was taken. Does not render the
// watermark pictures: on success the caller builds the text watermark (when
// bSYText) and prepares the picture watermark (when bSYImage), and reports a read
// failure there with watermarkReadError().
SettingsVerdict collectPanelSettings(const SettingsPanelInput &input, ProcessSettings &settings,
                                     const SettingsChecks &checks = SettingsChecks());

// The box shown when the picture watermark cannot be read while it is prepared;
// reason (may be empty) follows the path.
SettingsVerdict watermarkReadError(const std::string &path, const std::string &reason = std::string());
// The box shown when the text watermark cannot be drawn in the chosen face.
SettingsVerdict textWatermarkFontError(const std::string &fontName);
// The texts about a face that cannot show Chinese or cannot be used at all.
std::string fontWithoutChineseText(const std::string &fontName);
std::string unsupportedFontText(const std::string &fontName);

// --- Rules while the user edits --------------------------------------------

// The numeric fields checked while typing and when they lose the focus.
enum class NumericField {
    SizePixels,     // by sizeType: width or height
    SizePercent,
    MaxFileSize,
    TextLeft, TextRight, TextTop, TextBottom,
    TextFillLeftRight, TextFillTopBottom,
    ImageLeft, ImageRight, ImageTop, ImageBottom,
};
// A typed text that is not digits only (percent: not a number in 1.0..999.99)
// is refused with its message; an empty text is left for the focus rule.
SettingsVerdict checkTypedNumber(NumericField field, int sizeType, const std::string &text);
// An empty field that loses the focus: balloon "此项不能为空" (the fill fields become "0").
SettingsVerdict checkNumberOnLeave(NumericField field, const std::string &text);

// Resizing and resampling exclude each other.
SettingsVerdict onResizeTicked(bool dpi, bool dpiResample);
SettingsVerdict onDpiTicked(bool resize, bool dpiResample, int zoomType);
SettingsVerdict onResampleTicked(bool resize, int zoomType);

// --- Display texts -----------------------------------------------------------

// 0x00BBGGRR -> "#rrggbb" (lowercase).
std::string colorText(int bgr);
// Angle chooser: index 0..7 -> 0, 45, ..., 315; other indexes give 0.
int angleFromIndex(int index);
// The index of a stored angle, or -1 when it is not in the list.
int angleIndex(int degrees);
// "", "45度", ..., "315度".
std::vector<std::string> angleChoiceLabels();
// "%ld(高)" from 90, "%ld(中)" 60..89, "%ld(低)" below.
std::string qualityLabel(long quality);
// Label of the keep-proportions box, e.g. "高度等比例缩小".
std::string sameScaleLabel(int sizeType, int zoomType);
// "字体:%s, 大小:%d, 颜色:%s" plus style and decorations.
std::string textWatermarkSummary(const ProcessSettings &settings);
// "图片缩小", "图片放大", "图片缩放".
std::string zoomTypeLabel(int zoomType);
