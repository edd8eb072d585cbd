#include "gtest.h"
#include "test_util.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/process_settings.h"
#include "core/settings_file.h"
#include "core/settings_text.h"
#include "input/file_helpers.h"
#include "util/text.h"

#ifdef __WINE__
#include <signal.h>
#include <sys/resource.h>
#endif

namespace {

// What readSettingsFile makes of a file's bytes.
ProcessSettings parsed(const std::string &bytes)
{
    ProcessSettings s;
    applySettingsText(s, bytes);
    return s;
}

ProcessSettings readBack(const std::string &path)
{
    ProcessSettings s;
    EXPECT_TRUE(readSettingsFile(s, path)) << path;
    return s;
}

std::string withCrLf(const std::string &text) { return replaceAll(text, "\n", "\r\n"); }

// Leftover temporary files in a folder (the safe writer must clean up after itself).
std::vector<std::string> strayTempFiles(const std::string &folder)
{
    std::vector<std::string> stray;
    for (const std::string &name : folderEntries(folder))
        if (endsWithNoCase(name, ".tmp"))
            stray.push_back(name);
    return stray;
}

// A record in which every field differs from its default, within its range.
ProcessSettings unusualSettings()
{
    ProcessSettings s;
    s.bSize = 1;
    s.zoomType = 2;
    s.sizeType = 1;
    s.zoomUnit = 1;
    s.sizeValue = 1280;
    s.fSizeValue = 123.45f;
    s.bZoomSameScale = 0;
    s.bQuanlity = 1;
    s.quanlity = 77;
    s.qualityMode = 1;
    s.maxFileSize = 4321;
    s.bSYText = 1;
    s.sy_text = "版权所有 Velmora=2026";  // '=' in a value is kept
    s.sy_text_rotate = 135;
    s.sy_text_opacity = 65;
    s.sy_text_w_direction = 1;
    s.sy_text_w_value = 101;
    s.sy_text_h_direction = 0;
    s.sy_text_h_value = 102;
    s.sy_text_fontName = "微软雅黑";
    s.sy_text_fontSize = 48;
    s.sy_text_isItalic = 1;
    s.sy_text_weight = 700;
    s.sy_text_isUnderlineDecoration = 1;
    s.sy_text_isLineThroughDecoration = 1;
    s.sy_text_htmlColor = "#0a0b0c";
    s.sy_text_rgbColors = 0x000c0b0a;
    s.sy_text_background_color = 0x00112233;
    s.sy_text_border_color = 0x00FFFFFF;
    s.sy_text_border_size = 9;
    s.sy_text_border_corner_radius = 85;
    s.sy_text_padding_left_right = 98;
    s.sy_text_padding_top_bottom = 33;
    s.bSYImage = 1;
    s.sy_image = "Z:\\相册\\水印 logo.png";
    s.sy_image_w_direction = 0;
    s.sy_image_w_value = 103;
    s.sy_image_h_direction = 1;
    s.sy_image_h_value = 999;
    s.sy_image_rotate = 315;
    s.sy_image_opacity = 1;
    s.bBorder = 1;
    s.border_location = 1;
    s.border_size = 64;
    s.border_color = 0x00445566;
    s.border_padding = 17;
    s.bLight = 1;
    s.lightValue = -37;
    s.bContrast = 1;
    s.contrastValue = 100;
    s.bClearly = 1;
    s.clearlyValue = -100;
    s.bConvertBlackToWhite = 1;
    s.bRemovePhotoOtherInfo = 1;
    s.bColorspaceTo = 1;
    s.fromColorspace = 3;
    s.toColorspace = 1;
    s.bUseSRGB_ICC = 1;
    s.bDpi = 1;
    s.dpi = 65535;
    s.bDpiResample = 1;
    s.bAutoOrient = 0;
    s.bRemovePhotoGpsInfo = 1;
    s.bKeepFileTime = 1;
    return s;
}

void expectSameSettings(const ProcessSettings &a, const ProcessSettings &b)
{
    // The text form lists every field, so equal texts mean equal records.
    EXPECT_EQ(settingsText(a), settingsText(b));
    EXPECT_EQ(a.sy_text, b.sy_text);
    EXPECT_FLOAT_EQ(a.fSizeValue, b.fSizeValue);
}

}  // namespace

TEST(SettingsText, WritesEveryKeyInFileOrder)
{
    const std::vector<std::string> expected = {
        "bSize", "zoomType", "sizeType", "zoomUnit", "sizeValue", "fSizeValue", "bZoomSameScale", "bQuanlity",
        "quanlity", "qualityMode", "maxFileSize", "bSYText", "sy_text", "sy_text_rotate", "sy_text_opacity",
        "sy_text_w_direction", "sy_text_w_value", "sy_text_h_direction", "sy_text_h_value", "sy_text_fontName",
        "sy_text_fontSize", "sy_text_isItalic", "sy_text_weight", "sy_text_isUnderlineDecoration",
        "sy_text_isLineThroughDecoration", "sy_text_htmlColor", "sy_text_rgbColors", "sy_text_background_color",
        "sy_text_border_color", "sy_text_border_size", "sy_text_border_corner_radius", "sy_text_padding_left_right",
        "sy_text_padding_top_bottom", "bSYImage", "sy_image", "sy_image_w_direction", "sy_image_w_value",
        "sy_image_h_direction", "sy_image_h_value", "sy_image_rotate", "sy_image_opacity", "bBorder",
        "border_location", "border_size", "border_color", "border_padding", "bLight", "lightValue", "bContrast",
        "contrastValue", "bClearly", "clearlyValue", "bConvertBlackToWhite", "bRemovePhotoOtherInfo",
        "bColorspaceTo", "fromColorspace", "toColorspace", "bUseSRGB_ICC", "bDpi", "dpi", "bDpiResample",
        "bAutoOrient", "bRemovePhotoGpsInfo", "bKeepFileTime"};
    EXPECT_EQ(settingsKeys(), expected);

    ProcessSettings s;
    std::vector<std::string> lines = splitText(settingsText(s), '\n');
    ASSERT_EQ(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines.back(), "");  // the last line ends with a line end too
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, lines[i].find('=')), expected[i]);
    EXPECT_EQ(lines[5], "fSizeValue=100.000000");
    EXPECT_EQ(lines[27], "sy_text_background_color=-1");
}

TEST(SettingsText, StoredDpiZeroIsWrittenAsMinusOne)
{
    ProcessSettings s;
    s.dpi = 0;
    EXPECT_NE(settingsText(s).find("\ndpi=-1\n"), std::string::npos);
    s.dpi = 300;
    EXPECT_NE(settingsText(s).find("\ndpi=300\n"), std::string::npos);
}

TEST(SettingsText, DefaultTextIsExact)
{
    std::string text = defaultSettingsText();
    EXPECT_EQ(text.size(), 557u);
    std::vector<std::string> lines = splitText(text, '\n');
    ASSERT_EQ(lines.size(), 35u);
    EXPECT_EQ(lines[0], "bSize=0");
    EXPECT_EQ(lines[5], "fSizeValue=100");
    EXPECT_EQ(lines[11], "sy_text=");
    EXPECT_EQ(lines[18], "sy_text_fontName=宋体");
    EXPECT_EQ(lines[22], "sy_text_htmlColor=#000000");
    EXPECT_EQ(lines[33], "bDpiResample=0");
    EXPECT_EQ(text.find("bSYText"), std::string::npos);
    EXPECT_EQ(text.find("bSYImage"), std::string::npos);
    EXPECT_EQ(text.find("border"), std::string::npos);
}

TEST(SettingsText, DefaultTextGivesTheRecordDefaults)
{
    ProcessSettings s = parsed(defaultSettingsText());
    EXPECT_EQ(s.quanlity, 91);
    EXPECT_EQ(s.sizeValue, 750);
    EXPECT_FLOAT_EQ(s.fSizeValue, 100.0f);
    EXPECT_EQ(s.toColorspace, 2);
    EXPECT_EQ(s.sy_text_background_color, -1);
    EXPECT_EQ(s.bSYText, 0);
    EXPECT_EQ(s.border_size, 0);
    EXPECT_EQ(s.sy_text_fontName, "宋体");
    // A fresh record and the default file must agree, or "restore defaults" and
    // a first start would show different settings.
    expectSameSettings(s, ProcessSettings());
}

TEST(SettingsText, MissingKeysTakeTheDefaults)
{
    ProcessSettings s = parsed("bSize=1\n");
    EXPECT_EQ(s.bSize, 1);
    // The reader's presets.
    EXPECT_EQ(s.bZoomSameScale, 1);
    EXPECT_EQ(s.dpi, -1);
    EXPECT_EQ(s.toColorspace, 2);
    EXPECT_EQ(s.sy_text_background_color, -1);
    EXPECT_FLOAT_EQ(s.fSizeValue, 100.0f);
    // Keys without a preset: the record's defaults, not 0 (quality 0 or opacity 0
    // would spoil every picture of a run).
    EXPECT_EQ(s.quanlity, 91);
    EXPECT_EQ(s.sizeValue, 750);
    EXPECT_EQ(s.sy_text_opacity, 100);
    EXPECT_EQ(s.sy_text_fontSize, 26);
    EXPECT_EQ(s.sy_text_fontName, "宋体");
    EXPECT_EQ(s.sy_text_htmlColor, "#000000");
    EXPECT_EQ(s.border_size, 0);
    // Files from before the photo switches turn photos and keep the rest as it was.
    EXPECT_EQ(s.bAutoOrient, 1);
    EXPECT_EQ(s.bRemovePhotoGpsInfo, 0);
    EXPECT_EQ(s.bKeepFileTime, 0);
}

TEST(SettingsText, ValuesOutsideTheirRangeTakeTheDefault)
{
    // A number outside its range means nothing; the nearest bound would be a
    // plainly wrong result (sizeValue=-5 made 1 x 1 pictures of every original).
    const ProcessSettings d;
    struct Case {
        const char *line;
        int ProcessSettings::*field;
        int expected;
    } cases[] = {
        {"sizeValue=-5", &ProcessSettings::sizeValue, d.sizeValue},
        {"sizeValue=0", &ProcessSettings::sizeValue, d.sizeValue},
        {"sizeValue=10000", &ProcessSettings::sizeValue, d.sizeValue},
        {"sizeValue=9999", &ProcessSettings::sizeValue, 9999},
        {"sizeValue=1", &ProcessSettings::sizeValue, 1},
        {"quanlity=500", &ProcessSettings::quanlity, d.quanlity},
        {"quanlity=9", &ProcessSettings::quanlity, d.quanlity},
        {"quanlity=10", &ProcessSettings::quanlity, 10},
        {"bSize=5", &ProcessSettings::bSize, d.bSize},
        {"bZoomSameScale=-1", &ProcessSettings::bZoomSameScale, d.bZoomSameScale},
        {"zoomType=3", &ProcessSettings::zoomType, d.zoomType},
        {"sizeType=2", &ProcessSettings::sizeType, d.sizeType},
        {"zoomUnit=5", &ProcessSettings::zoomUnit, 0},
        {"qualityMode=2", &ProcessSettings::qualityMode, 0},
        {"maxFileSize=100000", &ProcessSettings::maxFileSize, 0},
        {"maxFileSize=99999", &ProcessSettings::maxFileSize, 99999},
        {"sy_text_fontSize=100000", &ProcessSettings::sy_text_fontSize, d.sy_text_fontSize},
        {"sy_text_fontSize=7", &ProcessSettings::sy_text_fontSize, d.sy_text_fontSize},
        {"sy_text_w_direction=7", &ProcessSettings::sy_text_w_direction, d.sy_text_w_direction},
        {"sy_text_rotate=30", &ProcessSettings::sy_text_rotate, 0},
        {"sy_image_rotate=-45", &ProcessSettings::sy_image_rotate, 0},
        {"sy_image_rotate=315", &ProcessSettings::sy_image_rotate, 315},
        {"sy_text_border_corner_radius=23", &ProcessSettings::sy_text_border_corner_radius, 0},
        {"sy_text_border_corner_radius=95", &ProcessSettings::sy_text_border_corner_radius, 0},
        {"sy_text_border_corner_radius=85", &ProcessSettings::sy_text_border_corner_radius, 85},
        {"sy_text_opacity=0", &ProcessSettings::sy_text_opacity, d.sy_text_opacity},
        {"sy_text_weight=5000", &ProcessSettings::sy_text_weight, d.sy_text_weight},
        {"sy_image_h_value=1000", &ProcessSettings::sy_image_h_value, d.sy_image_h_value},
        {"sy_text_padding_left_right=100", &ProcessSettings::sy_text_padding_left_right, 0},
        {"lightValue=-1000", &ProcessSettings::lightValue, 0},
        {"clearlyValue=101", &ProcessSettings::clearlyValue, 0},
        {"toColorspace=9", &ProcessSettings::toColorspace, d.toColorspace},
        {"fromColorspace=-1", &ProcessSettings::fromColorspace, d.fromColorspace},
        {"border_size=0", &ProcessSettings::border_size, 0},  // what files hold until a border was chosen
        {"border_size=65", &ProcessSettings::border_size, 0},
        {"border_padding=-3", &ProcessSettings::border_padding, 0},
        {"dpi=0", &ProcessSettings::dpi, -1},
        {"dpi=-7", &ProcessSettings::dpi, -1},
        {"dpi=70000", &ProcessSettings::dpi, -1},
        {"dpi=65535", &ProcessSettings::dpi, 65535},
        {"bAutoOrient=0", &ProcessSettings::bAutoOrient, 0},
        {"bAutoOrient=2", &ProcessSettings::bAutoOrient, 1},
        {"bRemovePhotoGpsInfo=-1", &ProcessSettings::bRemovePhotoGpsInfo, 0},
        {"bKeepFileTime=1", &ProcessSettings::bKeepFileTime, 1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(parsed(std::string(c.line) + "\n").*c.field, c.expected) << c.line;

    EXPECT_FLOAT_EQ(parsed("fSizeValue=nan\n").fSizeValue, 100.0f);
    EXPECT_FLOAT_EQ(parsed("fSizeValue=5000\n").fSizeValue, 100.0f);
    EXPECT_FLOAT_EQ(parsed("fSizeValue=0.5\n").fSizeValue, 100.0f);
    EXPECT_FLOAT_EQ(parsed("fSizeValue=999.99\n").fSizeValue, 999.99f);
    // Colours keep their three components; the fourth byte means nothing.
    EXPECT_EQ(parsed("border_color=-2\n").border_color, 0x00FFFFFE);
    EXPECT_EQ(parsed("sy_text_background_color=-1\n").sy_text_background_color, -1);
    EXPECT_EQ(parsed("sy_text_background_color=-2\n").sy_text_background_color, 0x00FFFFFE);
    EXPECT_EQ(parsed("sy_text_fontName=\n").sy_text_fontName, "宋体");
    // A colour text that is not one is made again from the colour.
    EXPECT_EQ(parsed("sy_text_rgbColors=658188\nsy_text_htmlColor=red\n").sy_text_htmlColor, "#0c0b0a");
    EXPECT_EQ(parsed("sy_text_htmlColor=#A0B0C0\n").sy_text_htmlColor, "#A0B0C0");
}

TEST(SettingsText, OldBoldKeyAndRangeRules)
{
    EXPECT_EQ(parsed("sy_text_isWeight=1\n").sy_text_weight, 700);
    EXPECT_EQ(parsed("sy_text_isWeight=0\n").sy_text_weight, 400);
    EXPECT_EQ(parsed("sy_text_isWeight=yes\n").sy_text_weight, 400);
    EXPECT_EQ(parsed("sy_text_weight=900\nsy_text_isWeight=1\n").sy_text_weight, 700);
    EXPECT_EQ(parsed("sy_text_isWeight=1\nsy_text_weight=300\n").sy_text_weight, 300);

    EXPECT_EQ(parsed("zoomUnit=5\n").zoomUnit, 0);
    EXPECT_EQ(parsed("zoomUnit=1\n").zoomUnit, 1);
    EXPECT_EQ(parsed("qualityMode=-1\n").qualityMode, 0);
    EXPECT_EQ(parsed("qualityMode=1\n").qualityMode, 1);
    EXPECT_EQ(parsed("maxFileSize=100000\n").maxFileSize, 0);
    EXPECT_EQ(parsed("maxFileSize=99999\n").maxFileSize, 99999);
    EXPECT_EQ(parsed("maxFileSize=1\n").maxFileSize, 1);
    EXPECT_EQ(parsed("maxFileSize=-3\n").maxFileSize, 0);
    // The range rule judges the last value of a repeated key.
    EXPECT_EQ(parsed("maxFileSize=100000\nmaxFileSize=500\n").maxFileSize, 500);
    EXPECT_EQ(parsed("maxFileSize=500\nmaxFileSize=100000\n").maxFileSize, 0);
}

TEST(SettingsText, KeysAreExactAndOddLinesAreIgnored)
{
    ProcessSettings s = parsed("quanlity=80\nQuanlity=20\n quanlity=30\nquanlity 40\nquality=50\n=60\n"
                               "nonsense\nsizeValue=640\n");
    EXPECT_EQ(s.quanlity, 80);
    EXPECT_EQ(s.sizeValue, 640);
    EXPECT_EQ(parsed("lightValue=-40\n").lightValue, -40);
    // Numbers that do not fit 32 bits are refused rather than wrapped.
    EXPECT_EQ(parsed("sizeValue=99999999999999999999999\n").sizeValue, 750);
    // Colours may be stored signed or unsigned.
    EXPECT_EQ(parsed("sy_text_border_color=4294967295\n").sy_text_border_color, 0x00FFFFFF);
    EXPECT_EQ(parsed("border_color=16777215\n").border_color, 0xFFFFFF);
    // A float that is not a finite number is not taken.
    EXPECT_FLOAT_EQ(parsed("fSizeValue=nan\n").fSizeValue, 100.0f);
    EXPECT_FLOAT_EQ(parsed("fSizeValue=1e999\n").fSizeValue, 100.0f);
    EXPECT_FLOAT_EQ(parsed("fSizeValue=55.5\n").fSizeValue, 55.5f);
}

TEST(SettingsText, ANumberIsAWholeNumberOrNoValueAtAll)
{
    // The digits in front of a typo are no value: "1,200" read as 1 made every
    // picture 1 x 1. The window takes the default, the command line refuses it.
    const std::pair<const char *, int> cases[] = {
        {"1200", 1200}, {" 1200 \t", 1200}, {"0x4B0", 1200}, {"-5", 750},  {"1,200", -1},
        {"1 200", -1},  {"7.5e2", -1},       {"800px", -1},   {"", -1},
    };
    for (const auto &c : cases) {
        ProcessSettings s;
        std::vector<SettingsTextFault> faults;
        applySettingsText(s, std::string("bSize=1\nsizeValue=") + c.first + "\r\n", &faults);
        EXPECT_EQ(s.sizeValue, c.second < 0 ? 750 : c.second) << c.first;
        EXPECT_EQ(faults.empty() ? "" : settingsFaultText(faults[0]),
                  c.second < 0 ? std::string("设置文件第 2 行: sizeValue 的值 '") + c.first + "' 不是一个整数" : "");
    }
    for (const char *text : {"5.55e1", "55,5", "nan", "5..5"})
        EXPECT_FLOAT_EQ(parsed(std::string("fSizeValue=") + text + "\n").fSizeValue, 100.0f) << text;
    EXPECT_FLOAT_EQ(parsed("fSizeValue= 55.50 \n").fSizeValue, 55.5f);
    // A UTF-8 byte-order mark is not part of the first key; a key given twice is a fault.
    std::vector<SettingsTextFault> faults;
    ProcessSettings s;
    applySettingsText(s, "\xEF\xBB\xBF" "bSize=1\nsizeValue=640\nsizeValue=320\n", &faults);
    EXPECT_EQ(s.bSize, 1);
    EXPECT_EQ(s.sizeValue, 320);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(settingsFaultText(faults[0]), "设置文件第 3 行: sizeValue 重复出现");
}

TEST(SettingsText, CrLfAndLfGiveTheSameRecord)
{
    std::string text = settingsText(unusualSettings());
    expectSameSettings(parsed(text), parsed(withCrLf(text)));
    expectSameSettings(parsed(text), unusualSettings());
    // Without the final line end the last key still counts.
    EXPECT_EQ(parsed("bSize=1\r\nbDpiResample=1").bDpiResample, 1);
    // A lone CR inside a line is part of the value, only one trailing CR is dropped.
    EXPECT_EQ(parsed("sy_text=ab\r\r\n").sy_text, "ab");
}

TEST(SettingsText, LongTextsAreCutToTheirFields)
{
    // 200 Chinese characters are 400 bytes; sy_text holds 255, so 127 whole characters fit.
    std::string chinese;
    for (int i = 0; i < 200; ++i)
        chinese += "字";
    ProcessSettings s = parsed("sy_text=" + chinese + "\nsy_text_fontName=" + chinese + "\nsy_image=" +
                               std::string(5000, 'p') + "\nsy_text_htmlColor=#0a0b0c0d0e\n");
    EXPECT_EQ(s.sy_text.size(), 254u);
    EXPECT_EQ(gbkToUtf8(s.sy_text).size(), 127u * 3);
    EXPECT_EQ(s.sy_text_fontName.size(), 30u);
    EXPECT_EQ(s.sy_image, std::string(259, 'p'));
    EXPECT_EQ(s.sy_text_htmlColor, "#0a0b0c");

    // The writer applies the same limits, so what it writes reads back the same.
    ProcessSettings big;
    big.sy_text = chinese;
    big.sy_text_fontName = std::string(100, 'f');
    ProcessSettings back = parsed(settingsText(big));
    EXPECT_EQ(back.sy_text.size(), 254u);
    EXPECT_EQ(back.sy_text_fontName, std::string(31, 'f'));
    EXPECT_EQ(settingsText(back), settingsText(parsed(settingsText(back))));
}

TEST(SettingsText, LineBreaksInsideTextsCannotInjectKeys)
{
    ProcessSettings s;
    s.sy_text = "hello\nbSize=1\nquanlity=10";
    s.sy_image = std::string("a.png\0bDpi=1", 12);
    ProcessSettings back = parsed(settingsText(s));
    EXPECT_EQ(back.sy_text, "hello");
    EXPECT_EQ(back.sy_image, "a.png");
    EXPECT_EQ(back.bSize, 0);
    EXPECT_EQ(back.quanlity, 91);
    EXPECT_EQ(back.bDpi, 0);
}

TEST(SettingsText, MalformedBuffersNeverOverrun)
{
    // Binary junk, NUL bytes, huge lines and keys: the reader takes what it can.
    std::string junk;
    uint32_t x = 12345;
    for (int i = 0; i < 200000; ++i) {
        x = x * 1103515245u + 12345u;
        junk += char(x >> 16);
    }
    ProcessSettings s = parsed(junk);
    EXPECT_EQ(s.toColorspace, 2);

    std::string hugeKey(128, 'k');
    s = parsed(hugeKey + "=1\n" + std::string(127, 'k') + "=1\nsizeValue=12\n" + std::string(3000000, 'x') +
               "\nquanlity=77\nsy_text=a" + std::string("\0b", 2) + "\n=\n==\n\n\r\n");
    EXPECT_EQ(s.sizeValue, 12);
    EXPECT_EQ(s.quanlity, 77);
    EXPECT_EQ(s.sy_text, "a");

    // A 128-byte key that starts like a real one is not that key.
    EXPECT_EQ(parsed("quanlity" + std::string(120, ' ') + "=50\n").quanlity, 91);
    // Values are cut to 1023 bytes before they are read.
    EXPECT_EQ(parsed("sizeValue=" + std::string(1023, ' ') + "7\n").sizeValue, 750);
    EXPECT_EQ(parsed("sizeValue=" + std::string(1022, ' ') + "7\n").sizeValue, 7);
    expectSameSettings(parsed(""), ProcessSettings());
}

TEST(SettingsFile, RoundTripsEveryFieldThroughAChinesePath)
{
    ScratchFolder dir("设置文件");
    std::string path = dir / "我的设置.sz";
    ProcessSettings original = unusualSettings();
    ASSERT_TRUE(writeSettingsFile(original, path));
    ProcessSettings back = readBack(path);
    expectSameSettings(back, original);
    EXPECT_EQ(back.sy_text, "版权所有 Velmora=2026");
    EXPECT_EQ(back.sy_image, "Z:\\相册\\水印 logo.png");
    EXPECT_EQ(back.sy_text_fontName, "微软雅黑");
    EXPECT_EQ(back.sy_text_padding_top_bottom, 33);
    EXPECT_EQ(back.border_color, 0x00445566);

    // On disk: CR LF line ends and GBK bytes (not UTF-8).
    std::string disk = readFileBytes(path);
    EXPECT_EQ(disk, withCrLf(settingsText(original)));
    EXPECT_NE(disk.find("\r\nsy_text=版权所有 Velmora=2026\r\n"), std::string::npos);
    EXPECT_EQ(disk.find(u8"版权所有"), std::string::npos);
    EXPECT_TRUE(strayTempFiles(dir.path()).empty());
}

TEST(SettingsFile, ReadingReplacesWhatTheRecordHeld)
{
    ScratchFolder dir;
    ASSERT_TRUE(writeFileBytes(dir / "a.sz", "bSize=1\r\n"));
    ProcessSettings s = unusualSettings();
    ASSERT_TRUE(readSettingsFile(s, dir / "a.sz"));
    EXPECT_EQ(s.bSize, 1);
    EXPECT_EQ(s.sy_text, "");
    EXPECT_EQ(s.lightValue, 0);
    EXPECT_EQ(s.zoomUnit, 0);
    EXPECT_EQ(s.dpi, -1);
}

TEST(SettingsFile, DefaultFileAndEmptyOrHugeFiles)
{
    ScratchFolder dir;
    std::string path = dir / "default_photo_process.sz";
    ASSERT_TRUE(writeDefaultSettingsFile(path));
    EXPECT_EQ(readFileBytes(path), withCrLf(defaultSettingsText()));
    expectSameSettings(readBack(path), ProcessSettings());

    ASSERT_TRUE(writeFileBytes(dir / "empty.sz", ""));
    expectSameSettings(readBack(dir / "empty.sz"), ProcessSettings());

    // Far too large to be a settings file: only the defaults.
    ASSERT_TRUE(writeFileBytes(dir / "huge.sz", "quanlity=55\n" + std::string(5 * 1024 * 1024, '\n')));
    expectSameSettings(readBack(dir / "huge.sz"), ProcessSettings());

    // A 3 GB file (sparse, so it costs no disk) is neither read nor allocated.
    std::string giant = dir / "giant.sz";
    ASSERT_TRUE(writeFileBytes(giant, "quanlity=55\n"));
    HANDLE file = CreateFileA(giant.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 3LL * 1024 * 1024 * 1024;
    bool grown = SetFilePointerEx(file, size, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(grown);
    ProcessSettings s = unusualSettings();
    ASSERT_TRUE(readSettingsFile(s, giant));
    expectSameSettings(s, ProcessSettings());

    // What the command line asks before it runs on such a file: none of them is a
    // settings file, only the first two are.
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += char((i * 7919) >> 3);
    ASSERT_TRUE(writeFileBytes(dir / "junk.sz", junk));
    ASSERT_TRUE(writeFileBytes(dir / "words.sz", "size=750\nquality=91\n"));
    ASSERT_TRUE(writeFileBytes(dir / "one.sz", "junk\nsizeValue=-5\n"));
    struct Case {
        std::string path;
        SettingsFileState state;
        DWORD error;
    } cases[] = {
        {path, SettingsFileState::Read, 0},
        {dir / "one.sz", SettingsFileState::Read, 0},  // one key is enough (its value is out of range: default)
        {dir / "empty.sz", SettingsFileState::NotRead, 0},
        {dir / "huge.sz", SettingsFileState::NotRead, ERROR_FILE_TOO_LARGE},
        {giant, SettingsFileState::NotRead, ERROR_FILE_TOO_LARGE},
        {dir / "junk.sz", SettingsFileState::NoSettings, 0},
        {dir / "words.sz", SettingsFileState::NoSettings, 0},
        {dir / "missing.sz", SettingsFileState::NotOpened, ERROR_FILE_NOT_FOUND},
    };
    for (const Case &c : cases) {
        ProcessSettings loaded = unusualSettings();
        DWORD error = 12345;
        EXPECT_EQ(loadSettingsFile(loaded, c.path, &error), c.state) << c.path;
        EXPECT_EQ(error, c.error) << c.path;
        if (c.state == SettingsFileState::NotOpened)
            expectSameSettings(loaded, unusualSettings());
    }
    ProcessSettings one;
    ASSERT_EQ(loadSettingsFile(one, dir / "one.sz"), SettingsFileState::Read);
    EXPECT_EQ(one.sizeValue, 750);
}

TEST(SettingsFile, MissingFilesFailAndLeaveTheRecordAlone)
{
    ScratchFolder dir;
    ProcessSettings s = unusualSettings();
    EXPECT_FALSE(readSettingsFile(s, dir / "nothing.sz"));
    EXPECT_FALSE(readSettingsFile(s, dir / "config.dat"));  // only the bare name is recreated
    EXPECT_FALSE(pathExists(dir / "config.dat"));
    EXPECT_FALSE(readSettingsFile(s, ""));
    expectSameSettings(s, unusualSettings());
}

TEST(SettingsFile, MissingConfigDatIsRecreatedInTheCurrentFolder)
{
    ScratchFolder dir("程序目录");
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    ProcessSettings s;
    bool read = readSettingsFile(s, "config.dat");
    std::string disk = readFileBytes(dir / "config.dat");
    // A settings file written by the user is read as it is, not replaced.
    ASSERT_TRUE(writeFileBytes(dir / "config.dat", "quanlity=66\n"));
    ProcessSettings again;
    bool readAgain = readSettingsFile(again, "config.dat");
    SetCurrentDirectoryA(saved);

    EXPECT_TRUE(read);
    EXPECT_EQ(disk, withCrLf(defaultSettingsText()));
    expectSameSettings(s, ProcessSettings());
    EXPECT_TRUE(readAgain);
    EXPECT_EQ(again.quanlity, 66);
    EXPECT_TRUE(strayTempFiles(dir.path()).empty());
}

TEST(SettingsFile, ConfigDatHeldByAnotherProgramIsNotReplacedByDefaults)
{
    ScratchFolder dir;
    char saved[MAX_PATH];
    ASSERT_GT(GetCurrentDirectoryA(sizeof saved, saved), 0u);
    ASSERT_TRUE(writeFileBytes(dir / "config.dat", "quanlity=66\r\n"));
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    // Readers are shut out, but renaming over the file would be allowed.
    HANDLE holder = CreateFileA("config.dat", GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    ProcessSettings s;
    bool read = readSettingsFile(s, "config.dat");
    if (holder != INVALID_HANDLE_VALUE)
        CloseHandle(holder);
    SetCurrentDirectoryA(saved);

    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(read);
    EXPECT_EQ(readFileBytes(dir / "config.dat"), "quanlity=66\r\n");
}

TEST(SettingsFile, FailedWritesKeepTheOldFile)
{
    ScratchFolder dir;
    ProcessSettings s = unusualSettings();

    // A folder where the file should be: nothing written, nothing left behind.
    std::string folderTarget = dir / "config.dat";
    ASSERT_TRUE(CreateDirectoryA(folderTarget.c_str(), nullptr));
    ASSERT_TRUE(writeFileBytes(folderTarget + "\\inside.txt", "keep"));
    EXPECT_FALSE(writeSettingsFile(s, folderTarget));
    EXPECT_TRUE(isDirectory(folderTarget.c_str()));
    EXPECT_EQ(readFileBytes(folderTarget + "\\inside.txt"), "keep");
    EXPECT_TRUE(strayTempFiles(dir.path()).empty());

    // The target folder does not exist.
    EXPECT_FALSE(writeSettingsFile(s, dir / "missing\\a.sz"));
    EXPECT_FALSE(writeDefaultSettingsFile(dir / "missing\\b.sz"));

    // The old file is held open by another program without sharing: the new text
    // cannot replace it, and the old text must survive whole.
    std::string locked = dir / "locked.sz";
    ASSERT_TRUE(writeFileBytes(locked, "quanlity=42\r\n"));
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(writeSettingsFile(s, locked));
    CloseHandle(holder);
    EXPECT_EQ(readFileBytes(locked), "quanlity=42\r\n");
    EXPECT_TRUE(strayTempFiles(dir.path()).empty());

    // Once free, the same write succeeds and replaces the text completely.
    EXPECT_TRUE(writeSettingsFile(s, locked));
    expectSameSettings(readBack(locked), s);
}

TEST(SettingsText, RandomLinesKeepFieldsWithinTheirLimits)
{
    std::vector<std::string> keys = settingsKeys();
    keys.push_back("sy_text_isWeight");
    const std::string pieces[] = {"", "0", "1", "-1", "99999", "100000", "4294967296", "2147483648", "-2147483649",
                                  "1e9", "nan", "  7", "字", std::string(300, 'y'), "=", "\r", std::string("\0", 1),
                                  "\xFF\xFE", "9.5"};
    const size_t pieceCount = sizeof pieces / sizeof pieces[0];
    uint32_t x = 2026;
    auto next = [&x](uint32_t n) {
        x = x * 1664525u + 1013904223u;
        return (x >> 8) % n;
    };
    for (int round = 0; round < 300; ++round) {
        std::string text;
        for (int line = 0; line < 40; ++line) {
            text += keys[next(uint32_t(keys.size()))] + "=";
            for (uint32_t k = next(4); k > 0; --k)
                text += pieces[next(uint32_t(pieceCount))];
            text += next(3) ? "\n" : "\r\n";
        }
        ProcessSettings s = parsed(text);
        ASSERT_TRUE(s.zoomUnit == 0 || s.zoomUnit == 1) << text;
        ASSERT_TRUE(s.qualityMode == 0 || s.qualityMode == 1) << text;
        ASSERT_TRUE(s.maxFileSize == 0 || (s.maxFileSize >= 1 && s.maxFileSize <= 99999)) << text;
        ASSERT_TRUE(s.fSizeValue >= 1.0f && s.fSizeValue <= 999.99f) << text;  // never NaN
        ASSERT_TRUE(s.sy_text_fontSize >= 8 && s.sy_text_fontSize <= 72) << text;
        ASSERT_TRUE(s.sizeValue >= 1 && s.sizeValue <= 9999) << text;
        ASSERT_TRUE(s.dpi == -1 || (s.dpi >= 1 && s.dpi <= 65535)) << text;
        ASSERT_EQ(unsigned(s.border_color) >> 24, 0u) << text;
        ASSERT_LE(s.sy_text.size(), 255u);
        ASSERT_LE(s.sy_text_fontName.size(), 31u);
        ASSERT_LE(s.sy_text_htmlColor.size(), 7u);
        ASSERT_LE(s.sy_image.size(), 259u);
        ASSERT_EQ(s.sy_text.find('\0'), std::string::npos);
        // Whatever was read is written and read back unchanged.
        ASSERT_EQ(settingsText(parsed(settingsText(s))), settingsText(s)) << text;
    }
}

#ifdef __WINE__
namespace {

// While alive, every file of this process stops growing past `bytes`: writes beyond
// fail as they would on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        savedHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, savedHandler_);
    }

private:
    rlimit saved_;
    void (*savedHandler_)(int);
};

}  // namespace

TEST(SettingsFile, DiskFullDuringTheWriteKeepsTheOldFile)
{
    ScratchFolder dir;
    std::string path = dir / "config.dat";
    ASSERT_TRUE(writeFileBytes(path, "quanlity=42\r\n"));
    std::string probe = dir / "probe.bin";
    bool probeWritten;
    bool written;
    {
        FileSizeLimit full(300);
        written = writeSettingsFile(unusualSettings(), path);
        probeWritten = writeFileBytes(probe, std::string(1000, 'p'));
    }
    EXPECT_FALSE(probeWritten) << "the simulated full disk did not stop a plain write";
    EXPECT_FALSE(written);
    EXPECT_EQ(readFileBytes(path), "quanlity=42\r\n");
    EXPECT_EQ(readBack(path).quanlity, 42);
    EXPECT_TRUE(strayTempFiles(dir.path()).empty());
}
#endif
