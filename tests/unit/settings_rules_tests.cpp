#include "gtest.h"

#include <string>
#include <vector>

#include "core/process_settings.h"
#include "core/settings_rules.h"

namespace {

// Stand-ins for the font and picture tests: a font "LatinOnly" cannot show
// Chinese, a font "Broken" cannot be used at all; pictures named in the record.
struct FakeWorld {
    std::vector<std::string> missingPictures;
    std::vector<std::string> badPictures;
    int fontQuestions = 0;
};

bool fakeFontShowsChinese(const std::string &font, void *context)
{
    ++static_cast<FakeWorld *>(context)->fontQuestions;
    return font != "LatinOnly" && font != "Broken";
}

bool fakeFontUsable(const std::string &font, void *context)
{
    ++static_cast<FakeWorld *>(context)->fontQuestions;
    return font != "Broken";
}

bool contains(const std::vector<std::string> &list, const std::string &item)
{
    for (const std::string &s : list)
        if (s == item)
            return true;
    return false;
}

bool fakeExists(const std::string &path, void *context)
{
    return !contains(static_cast<FakeWorld *>(context)->missingPictures, path);
}

bool fakeUsable(const std::string &path, void *context)
{
    return !contains(static_cast<FakeWorld *>(context)->badPictures, path);
}

SettingsChecks checksFor(FakeWorld &world)
{
    SettingsChecks checks;
    checks.fontShowsChinese = fakeFontShowsChinese;
    checks.fontUsable = fakeFontUsable;
    checks.pictureExists = fakeExists;
    checks.pictureUsable = fakeUsable;
    checks.context = &world;
    return checks;
}

SettingsVerdict collect(const SettingsPanelInput &in, ProcessSettings &s, FakeWorld &world)
{
    return collectPanelSettings(in, s, checksFor(world));
}

}  // namespace

TEST(SettingsRules, ResizeFieldOnlyMattersWhenResizing)
{
    FakeWorld world;
    ProcessSettings s;
    SettingsPanelInput in;
    in.resize = false;
    in.sizeText = "";
    in.sameScale = false;
    SettingsVerdict v = collect(in, s, world);
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(s.bSize, 0);
    EXPECT_EQ(s.sizeValue, 750);          // kept
    EXPECT_EQ(s.bZoomSameScale, 0);       // always taken

    in.resize = true;
    in.sizeText = "   ";
    v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.step, 1);
    EXPECT_EQ(v.kind(), NoticeKind::Balloon);
    EXPECT_EQ(v.control, SettingsControl::SizeField);
    EXPECT_EQ(v.balloonText, "图片宽不能为空");
    in.sizeType = 1;
    EXPECT_EQ(collect(in, s, world).balloonText, "图片高不能为空");

    in.sizeText = "0";
    EXPECT_EQ(collect(in, s, world).balloonText, "图片高不能为 0");
    in.sizeText = "  1024";
    in.zoomType = 2;
    v = collect(in, s, world);
    EXPECT_TRUE(v.ok);
    EXPECT_EQ(s.bSize, 1);
    EXPECT_EQ(s.sizeType, 1);
    EXPECT_EQ(s.zoomType, 2);
    EXPECT_EQ(s.sizeValue, 1024);
}

TEST(SettingsRules, PercentBounds)
{
    FakeWorld world;
    ProcessSettings s;
    s.zoomUnit = 1;
    SettingsPanelInput in;
    in.resize = true;
    const char *accepted[] = {"999.99", "1", "1.0", "100", "12.5"};
    for (const char *text : accepted) {
        in.sizeText = text;
        EXPECT_TRUE(collect(in, s, world).ok) << text;
    }
    EXPECT_FLOAT_EQ(s.fSizeValue, 12.5f);
    EXPECT_EQ(s.sizeValue, 750);  // pixel value untouched in percent mode

    const char *refused[] = {"1000", "0.5", "999.991", "0", "abc", "1.2.3", "."};
    for (const char *text : refused) {
        in.sizeText = text;
        SettingsVerdict v = collect(in, s, world);
        EXPECT_FALSE(v.ok) << text;
        EXPECT_EQ(v.balloonText, "图片宽的取值范围: 1.0 - 999.9 (百分比)") << text;
    }
    EXPECT_FLOAT_EQ(s.fSizeValue, 12.5f);
}

TEST(SettingsRules, MaximumFileSize)
{
    FakeWorld world;
    ProcessSettings s;
    s.qualityMode = 1;
    s.maxFileSize = 300;
    SettingsPanelInput in;
    in.quality = true;
    in.maxFileSizeText = "";
    SettingsVerdict v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.step, 2);
    EXPECT_EQ(v.balloonTitle, "请输入");
    EXPECT_EQ(v.balloonText, "此项不能为空");
    EXPECT_EQ(s.maxFileSize, 0);

    s.maxFileSize = 300;
    in.maxFileSizeText = "00";
    v = collect(in, s, world);
    EXPECT_EQ(v.balloonTitle, "请重新输入");
    EXPECT_EQ(v.balloonText, "值不能为 0");
    EXPECT_EQ(s.maxFileSize, 0);

    in.maxFileSizeText = "250";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.maxFileSize, 250);
    EXPECT_EQ(s.bQuanlity, 1);

    // Quality mode takes the slider, and never outside 10..100.
    s.qualityMode = 0;
    in.qualitySlider = 75;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.quanlity, 75);
    in.quality = false;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.bQuanlity, 0);
}

TEST(SettingsRules, ChineseTextNeedsAChineseFont)
{
    FakeWorld world;
    ProcessSettings s;
    s.sy_text_fontName = "LatinOnly";
    SettingsPanelInput in;
    in.textMark = true;
    in.text = "  版权所有";
    SettingsVerdict v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.step, 3);
    EXPECT_EQ(v.kind(), NoticeKind::BalloonAndBox);
    EXPECT_EQ(v.control, SettingsControl::TextField);
    EXPECT_EQ(v.balloonTitle, "看这里");
    EXPECT_EQ(v.balloonText, "含有中文，请选择一个中文字体");
    EXPECT_EQ(v.boxCaption, "提示");
    EXPECT_EQ(v.boxText, "当前选择的字体: 'LatinOnly' 不支持显示中文。\n\n请选择一个中文字体，例如：宋体, 楷体, 黑体。");
    EXPECT_EQ(v.followUp, SettingsFollowUp::ChooseChineseFont);
    EXPECT_EQ(s.sy_text, "");  // not stored before the font passes

    // The user kept the font in the dialog: stop without asking again.
    in.fontDialogShown = true;
    v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.kind(), NoticeKind::None);
    EXPECT_EQ(v.followUp, SettingsFollowUp::None);

    // The user chose a Chinese font: collecting goes on.
    s.sy_text_fontName = "黑体";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.sy_text, "版权所有");

    // ASCII text with the same Latin font passes.
    in.fontDialogShown = false;
    s.sy_text_fontName = "LatinOnly";
    in.text = "Velmora 2026";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.sy_text, "Velmora 2026");

    // A font nobody can use is refused at the font button.
    s.sy_text_fontName = "Broken";
    v = collect(in, s, world);
    EXPECT_EQ(v.control, SettingsControl::FontButton);
    EXPECT_EQ(v.balloonText, "重新选择一个字体");
    EXPECT_EQ(v.boxText, "当前选择的字体: 'Broken' 不受支持，请重新选择一个字体。");
    EXPECT_EQ(v.followUp, SettingsFollowUp::ChooseUsableFont);

    // Fonts are not asked about when the text watermark is off.
    world.fontQuestions = 0;
    in.textMark = false;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(world.fontQuestions, 0);
    EXPECT_EQ(s.bSYText, 0);
}

TEST(SettingsRules, WatermarkDistances)
{
    FakeWorld world;
    ProcessSettings s;
    SettingsPanelInput in;
    in.textMark = true;
    in.text = "abc";
    in.textWDirection = 0;  // 水平距中
    in.textWValueText = "";
    in.textHDirection = 2;
    in.textHValueText = "35";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.sy_text_w_value, 16);
    EXPECT_EQ(s.sy_text_h_value, 35);

    in.textWDirection = 1;  // 左边距
    SettingsVerdict v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.kind(), NoticeKind::Box);
    EXPECT_TRUE(v.boxErrorIcon);
    EXPECT_EQ(v.boxCaption, "提示");
    EXPECT_EQ(v.boxText, "文字水印的左边距不能为空");
    EXPECT_EQ(v.focus, SettingsControl::TextWValueField);
    in.textWDirection = 2;
    EXPECT_EQ(collect(in, s, world).boxText, "文字水印的右边距不能为空");
    in.textWValueText = "0";
    in.textHValueText = "";
    in.textHDirection = 1;
    EXPECT_EQ(collect(in, s, world).boxText, "文字水印的上边距不能为空");
    in.textHDirection = 2;
    EXPECT_EQ(collect(in, s, world).boxText, "文字水印的下边距不能为空");

    in.textHValueText = "999";
    in.textFillLeftRightText = "12";
    in.textFillTopBottomText = "";
    in.textAngleIndex = 3;
    in.textCornerRadius = 25;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.sy_text_w_value, 0);
    EXPECT_EQ(s.sy_text_h_value, 999);
    EXPECT_EQ(s.sy_text_padding_left_right, 12);
    EXPECT_EQ(s.sy_text_padding_top_bottom, 0);
    EXPECT_EQ(s.sy_text_rotate, 135);
    EXPECT_EQ(s.sy_text_border_corner_radius, 25);

    // The picture watermark uses its own texts.
    in.imageMark = true;
    in.imagePath = "a.png";
    in.imageWDirection = 1;
    in.imageWValueText = "";
    EXPECT_EQ(collect(in, s, world).boxText, "图片水印的左边距不能为空");
    in.imageWValueText = "5";
    in.imageHDirection = 2;
    in.imageHValueText = "";
    v = collect(in, s, world);
    EXPECT_EQ(v.step, 4);
    EXPECT_EQ(v.boxText, "图片水印的下边距不能为空");
    EXPECT_EQ(v.focus, SettingsControl::ImageHValueField);
}

TEST(SettingsRules, PictureWatermarkMustExistAndBeUsable)
{
    FakeWorld world;
    world.missingPictures = {"Z:\\gone.png"};
    world.badPictures = {"Z:\\anim.gif"};
    ProcessSettings s;
    SettingsPanelInput in;
    in.imageMark = true;
    in.imagePath = " Z:\\gone.png";
    SettingsVerdict v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.step, 4);
    EXPECT_EQ(v.kind(), NoticeKind::BalloonAndBox);
    EXPECT_EQ(v.control, SettingsControl::ImagePathField);
    EXPECT_EQ(v.focus, SettingsControl::ImageChooseButton);
    EXPECT_EQ(v.balloonTitle, "看这里");
    EXPECT_EQ(v.balloonText, "水印图片不存在，请重新选择");
    EXPECT_EQ(v.boxText, "水印图片不存在，请重新选择");
    EXPECT_TRUE(v.boxErrorIcon);

    in.imagePath = "Z:\\anim.gif";
    EXPECT_EQ(collect(in, s, world).balloonText, "水印图片格式不对，请重新选择");

    in.imagePath = "Z:\\logo.png";
    in.imageAngleIndex = 7;
    in.imageOpacity = 40;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.bSYImage, 1);
    EXPECT_EQ(s.sy_image, "Z:\\logo.png");
    EXPECT_EQ(s.sy_image_rotate, 315);
    EXPECT_EQ(s.sy_image_opacity, 40);

    SettingsVerdict read = watermarkReadError("Z:\\logo.png");
    EXPECT_EQ(read.boxCaption, "错误");
    EXPECT_EQ(read.boxText, "读取水印图片出错：\n\nZ:\\logo.png");
}

TEST(SettingsRules, DpiField)
{
    FakeWorld world;
    ProcessSettings s;
    SettingsPanelInput in;
    in.dpi = true;
    in.dpiResample = true;
    const char *refused[] = {"0", "70000", "65536", "72a", "-5"};
    for (const char *text : refused) {
        in.dpiText = text;
        SettingsVerdict v = collect(in, s, world);
        EXPECT_FALSE(v.ok) << text;
        EXPECT_EQ(v.step, 9);
        EXPECT_EQ(v.kind(), NoticeKind::Box);
        EXPECT_EQ(v.boxText, "图片分辨率(DPI)的值范围: 1 - 65535, 请重新输入");
        EXPECT_EQ(v.focus, SettingsControl::DpiField);
    }
    in.dpiText = "65535";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.dpi, 65535);
    EXPECT_EQ(s.bDpiResample, 1);

    // Empty with the box ticked: no resolution, no resampling.
    in.dpiText = "";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.bDpi, 1);
    EXPECT_EQ(s.dpi, -1);
    EXPECT_EQ(s.bDpiResample, 0);

    in.dpi = false;
    in.dpiText = "300";
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.bDpi, 0);
    EXPECT_EQ(s.dpi, -1);
}

TEST(SettingsRules, EarlierGroupsKeepTheirValuesWhenALaterOneFails)
{
    FakeWorld world;
    ProcessSettings s;
    SettingsPanelInput in;
    in.resize = true;
    in.sizeText = "640";
    in.border = true;
    in.borderSize = 7;
    in.light = true;
    in.lightValue = -20;
    in.colorspace = true;
    in.toColorspace = 1;
    in.useSrgbIcc = true;
    in.blackWhite = true;
    in.dpi = true;
    in.dpiText = "0";
    SettingsVerdict v = collect(in, s, world);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(s.sizeValue, 640);
    EXPECT_EQ(s.bBorder, 1);
    EXPECT_EQ(s.border_size, 7);
    EXPECT_EQ(s.lightValue, -20);
    EXPECT_EQ(s.toColorspace, 1);
    EXPECT_EQ(s.bUseSRGB_ICC, 1);
    EXPECT_EQ(s.bConvertBlackToWhite, 1);

    // A step that stops early leaves the later groups as they were.
    ProcessSettings t;
    in.sizeText = "";
    EXPECT_FALSE(collect(in, t, world).ok);
    EXPECT_EQ(t.bBorder, 0);
    EXPECT_EQ(t.lightValue, 0);

    // Cleared switches keep their values but turn off.
    in.sizeText = "640";
    in.dpiText = "";
    in.light = false;
    in.lightValue = 99;
    in.colorspace = false;
    EXPECT_TRUE(collect(in, s, world).ok);
    EXPECT_EQ(s.bLight, 0);
    EXPECT_EQ(s.lightValue, -20);
    EXPECT_EQ(s.bColorspaceTo, 0);
    EXPECT_EQ(s.toColorspace, 1);
}

TEST(SettingsRules, FieldsWhileTyping)
{
    EXPECT_TRUE(checkTypedNumber(NumericField::SizePixels, 0, "120").ok);
    EXPECT_TRUE(checkTypedNumber(NumericField::SizePixels, 0, "").ok);
    SettingsVerdict v = checkTypedNumber(NumericField::SizePixels, 1, "12a");
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.balloonText, "图片高必须为整数,取值范围: 1 - 9999 (像素)");
    EXPECT_EQ(v.followUp, SettingsFollowUp::RestoreFieldText);
    EXPECT_EQ(checkTypedNumber(NumericField::SizePixels, 0, "-1").balloonText,
              "图片宽必须为整数,取值范围: 1 - 9999 (像素)");
    EXPECT_TRUE(checkTypedNumber(NumericField::SizePercent, 0, "99.5").ok);
    EXPECT_EQ(checkTypedNumber(NumericField::SizePercent, 0, "1000").balloonText,
              "图片宽的取值范围: 1.0 - 999.9 (百分比)");
    EXPECT_EQ(checkTypedNumber(NumericField::MaxFileSize, 0, "1 2").balloonText, "必须为整数,取值范围: 1 - 99999");
    EXPECT_EQ(checkTypedNumber(NumericField::TextRight, 0, "x").balloonText,
              "文字水印的右边距必须为整数,取值范围: 0 - 999");
    EXPECT_EQ(checkTypedNumber(NumericField::TextTop, 0, "x").control, SettingsControl::TextHValueField);
    EXPECT_EQ(checkTypedNumber(NumericField::ImageBottom, 0, "x").balloonText,
              "图片水印的下边距必须为整数,取值范围: 0 - 999");
    EXPECT_EQ(checkTypedNumber(NumericField::TextFillTopBottom, 0, "x").balloonText,
              "文字水印的上下填充必须为整数,取值范围: 0 - 99");

    v = checkNumberOnLeave(NumericField::ImageLeft, "");
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.balloonTitle, "请输入");
    EXPECT_EQ(v.balloonText, "此项不能为空");
    EXPECT_EQ(v.control, SettingsControl::ImageWValueField);
    v = checkNumberOnLeave(NumericField::TextFillLeftRight, "");
    EXPECT_EQ(v.kind(), NoticeKind::None);
    EXPECT_EQ(v.followUp, SettingsFollowUp::SetFieldText);
    EXPECT_EQ(v.replacementText, "0");
    EXPECT_TRUE(checkNumberOnLeave(NumericField::MaxFileSize, "5").ok);
}

TEST(SettingsRules, ResizeAndResampleExcludeEachOther)
{
    SettingsVerdict v = onResampleTicked(true, 2);
    EXPECT_FALSE(v.ok);
    EXPECT_EQ(v.followUp, SettingsFollowUp::ClearResample);
    EXPECT_EQ(v.control, SettingsControl::ResizeBox);
    EXPECT_EQ(v.balloonText, "勾选了【图片缩放】选项");
    EXPECT_EQ(v.boxText, "勾选了【图片缩放】选项后，不能同时再勾选这个选项。");
    EXPECT_TRUE(onResampleTicked(false, 2).ok);

    v = onDpiTicked(true, true, 0);
    EXPECT_EQ(v.followUp, SettingsFollowUp::ClearResample);
    EXPECT_EQ(v.balloonText, "勾选了【图片缩小】选项");
    EXPECT_EQ(v.boxText, "勾选了【图片缩小】选项后，不能同时再勾选【重新采样】选项。\n\n【重新采样】选项将自动取消勾选。");
    EXPECT_TRUE(onDpiTicked(true, false, 0).ok);
    EXPECT_EQ(onDpiTicked(true, true, 1).balloonText, "勾选了【图片放大】选项");

    v = onResizeTicked(true, true);
    EXPECT_EQ(v.followUp, SettingsFollowUp::UndoResizeTick);
    EXPECT_EQ(v.control, SettingsControl::ResampleBox);
    EXPECT_EQ(v.balloonText, "勾选了【重新采样】选项");
    EXPECT_EQ(v.boxText, "勾选了【重新采样】选项后，不能同时再勾选这个选项。");
    EXPECT_TRUE(onResizeTicked(true, false).ok);
}

TEST(SettingsLabels, ColoursAnglesQualityAndProportions)
{
    EXPECT_EQ(colorText(10 | (11 << 8) | (12 << 16)), "#0a0b0c");
    EXPECT_EQ(colorText(10 | (200 << 8) | (255 << 16)), "#0ac8ff");
    EXPECT_EQ(colorText(0x00FFFFFF), "#ffffff");
    EXPECT_EQ(colorText(-1), "#ffffff");  // "no colour" never reaches the high byte

    EXPECT_EQ(angleFromIndex(0), 0);
    EXPECT_EQ(angleFromIndex(7), 315);
    EXPECT_EQ(angleFromIndex(8), 0);
    EXPECT_EQ(angleIndex(270), 6);
    EXPECT_EQ(angleIndex(30), -1);
    EXPECT_EQ(angleIndex(360), -1);
    EXPECT_EQ(angleChoiceLabels(),
              (std::vector<std::string>{"", "45度", "90度", "135度", "180度", "225度", "270度", "315度"}));

    EXPECT_EQ(qualityLabel(100), "100(高)");
    EXPECT_EQ(qualityLabel(90), "90(高)");
    EXPECT_EQ(qualityLabel(89), "89(中)");
    EXPECT_EQ(qualityLabel(60), "60(中)");
    EXPECT_EQ(qualityLabel(59), "59(低)");

    EXPECT_EQ(sameScaleLabel(0, 0), "高度等比例缩小");
    EXPECT_EQ(sameScaleLabel(0, 2), "高度等比例缩放");
    EXPECT_EQ(sameScaleLabel(1, 1), "宽度等比例放大");
}

TEST(SettingsLabels, TextWatermarkSummary)
{
    ProcessSettings s;
    EXPECT_EQ(textWatermarkSummary(s), "字体:宋体, 大小:26, 颜色:#000000");
    s.sy_text_isItalic = 1;
    s.sy_text_weight = 700;
    s.sy_text_isLineThroughDecoration = 1;
    EXPECT_EQ(textWatermarkSummary(s), "字体:宋体, 大小:26, 颜色:#000000, 粗斜体, 中划线");
    s.sy_text_weight = 400;
    s.sy_text_isUnderlineDecoration = 1;
    EXPECT_EQ(textWatermarkSummary(s), "字体:宋体, 大小:26, 颜色:#000000, 斜体, 下划线, 中划线");
    s.sy_text_isItalic = 0;
    s.sy_text_weight = 401;
    s.sy_text_isUnderlineDecoration = 0;
    s.sy_text_isLineThroughDecoration = 0;
    EXPECT_EQ(textWatermarkSummary(s), "字体:宋体, 大小:26, 颜色:#000000, 粗体");
}
