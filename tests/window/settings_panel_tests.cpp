#include "gtest.h"

#include <windows.h>
#include <commctrl.h>

#include <cmath>

#include "main_window_fixture.h"
#include "core/settings_file.h"
#include "imaging/colour_profiles.h"
#include "app/main_commands.h"
#include "app/main_window.h"
#include "app/run_inputs.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/picture_list_view.h"
#include "app/startup.h"
#include "util/registry_store.h"
#include "ui/window_kit.h"
#include "test_util.h"

namespace {

HWND panel() { return mainSettingsPanel(sharedMainWindow()); }
HWND control(int id) { return panelControl(panel(), id); }

std::string text(int id)
{
    char buffer[512] = {};
    GetWindowTextA(control(id), buffer, sizeof buffer);
    return buffer;
}

// Clicks like the user: the box changes and its parent hears about it.
void click(int id)
{
    SendMessageA(control(id), BM_CLICK, 0, 0);
    pumpMainWindowMessages();
}

void tick(int id, bool on)
{
    if (getCheck(control(id)) != on)
        click(id);
}

// Typing: the text changes and the field reports EN_CHANGE to the panel.
void type(int id, const char *value)
{
    SetWindowTextA(control(id), value);
    pumpMainWindowMessages();
}

void leave(int id)
{
    SendMessageA(GetParent(control(id)), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(control(id)));
    pumpMainWindowMessages();
}

void choose(int id, int index)
{
    SendMessageA(control(id), CB_SETCURSEL, index, 0);
    SendMessageA(GetParent(control(id)), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control(id)));
    pumpMainWindowMessages();
}

void slide(int id, int position)
{
    SendMessageA(control(id), TBM_SETPOS, TRUE, position);
    SendMessageA(GetParent(control(id)), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(control(id)));
}

// Every test starts from the default record with every switch off.
class SettingsPanel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(panel(), nullptr);
        ProcessSettings defaults;
        defaults.border_size = 3;
        showSettingsInPanel(panel(), defaults);
        settingsPanelMenuCommand(panel(), kCmdUnitPixels);
        settingsPanelMenuCommand(panel(), kCmdQualityMode);
        pumpMainWindowMessages();
        recorder().clear();
    }

    bool collect(ProcessSettings &out)
    {
        recorder().clear();
        return collectSettings(panel(), out);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Resizing and resampling exclude each other

TEST_F(SettingsPanel, TickingResizeWhileResamplingIsUndone)
{
    tick(kIdDpi, true);
    tick(kIdResample, true);
    recorder().clear();
    click(kIdResize);
    EXPECT_FALSE(getCheck(control(kIdResize)));
    EXPECT_TRUE(getCheck(control(kIdResample)));
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].control, control(kIdResample));
    EXPECT_EQ(recorder().balloons[0].title, "看这里");
    EXPECT_EQ(recorder().balloons[0].text, "勾选了【重新采样】选项");
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "提示");
    EXPECT_EQ(recorder().boxes[0].text, "勾选了【重新采样】选项后，不能同时再勾选这个选项。");
    EXPECT_FALSE(IsWindowEnabled(control(kIdSizeField))) << "the resize controls stay disabled";
}

TEST_F(SettingsPanel, TickingDpiWhileResizingAndResamplingClearsResampling)
{
    tick(kIdDpi, true);
    tick(kIdResample, true);
    tick(kIdDpi, false);
    tick(kIdResize, true);
    choose(kIdZoomType, 1);
    recorder().clear();
    click(kIdDpi);
    EXPECT_TRUE(getCheck(control(kIdDpi)));
    EXPECT_FALSE(getCheck(control(kIdResample)));
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].control, control(kIdResize));
    EXPECT_EQ(recorder().balloons[0].text, "勾选了【图片放大】选项");
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text,
              "勾选了【图片放大】选项后，不能同时再勾选【重新采样】选项。\n\n【重新采样】选项将自动取消勾选。");
}

TEST_F(SettingsPanel, TickingResampleWhileScalingIsUndoneWithTheScalingMessage)
{
    tick(kIdResize, true);
    choose(kIdZoomType, 2);
    tick(kIdDpi, true);
    recorder().clear();
    click(kIdResample);
    EXPECT_FALSE(getCheck(control(kIdResample)));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text, "勾选了【图片缩放】选项后，不能同时再勾选这个选项。");
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].text, "勾选了【图片缩放】选项");
}

// ---------------------------------------------------------------------------
// Enable and disable rules

TEST_F(SettingsPanel, GroupsEnableTheirControlsWithTheirBoxes)
{
    EXPECT_FALSE(IsWindowEnabled(control(kIdZoomType)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdText)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdImageChoose)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdBorderSize)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdLightSlider)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdDpiField)));

    tick(kIdTextMark, true);
    EXPECT_TRUE(IsWindowEnabled(control(kIdText)));
    choose(kIdTextWDirection, 0);
    EXPECT_FALSE(IsWindowEnabled(control(kIdTextWValue))) << "a centred position needs no distance";
    choose(kIdTextWDirection, 1);
    EXPECT_TRUE(IsWindowEnabled(control(kIdTextWValue)));

    tick(kIdColorspace, true);
    choose(kIdToColorspace, 0);
    EXPECT_FALSE(IsWindowEnabled(control(kIdSrgbIcc))) << "sRGB.icc only for an RGB or sRGB target";
    choose(kIdToColorspace, 2);
    EXPECT_TRUE(IsWindowEnabled(control(kIdSrgbIcc)));

    // The proportion box names the other side and the zoom type.
    tick(kIdResize, true);
    choose(kIdSizeType, 1);
    choose(kIdZoomType, 1);
    EXPECT_EQ(text(kIdSameScale), "宽度等比例放大");
    choose(kIdSizeType, 0);
    choose(kIdZoomType, 0);
    EXPECT_EQ(text(kIdSameScale), "高度等比例缩小");

    // Quality mode 1 trades the slider for the maximum-size field.
    tick(kIdQuality, true);
    settingsPanelMenuCommand(panel(), kCmdMaxSizeMode);
    EXPECT_FALSE(IsWindowVisible(control(kIdQualitySlider)) && (GetWindowLongA(control(kIdQualitySlider), GWL_STYLE) & WS_VISIBLE));
    EXPECT_TRUE(GetWindowLongA(control(kIdMaxSizeField), GWL_STYLE) & WS_VISIBLE);
    slide(kIdQualitySlider, 59);
    EXPECT_EQ(text(kIdQualityValue), "59(低)");
    slide(kIdQualitySlider, 90);
    EXPECT_EQ(text(kIdQualityValue), "90(高)");
}

TEST_F(SettingsPanel, SrgbProfileIsLoadedWhenTickedOrRefused)
{
    loadedProfiles().srgb.clear();
    tick(kIdColorspace, true);
    choose(kIdToColorspace, 2);
    recorder().clear();
    click(kIdSrgbIcc);
    EXPECT_FALSE(getCheck(control(kIdSrgbIcc)));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "错误");
    EXPECT_EQ(recorder().boxes[0].text, "无法启用 sRGB.icc\n\n没有找到 sRGB.icc 配置文件。");

    // A file that is no profile: the load error, the box cleared, nothing kept.
    std::string folder = startupConfig().programFolder + "\\icc";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string file = folder + "\\sRGB.icc";
    ASSERT_TRUE(writeFileBytes(file, "not a profile"));
    recorder().clear();
    click(kIdSrgbIcc);
    EXPECT_FALSE(getCheck(control(kIdSrgbIcc)));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text, "无法启用 sRGB.icc\n\n加载 sRGB.icc 文件出错。");
    EXPECT_TRUE(loadedProfiles().srgb.empty());

    // A real profile is loaded once and goes into the run's inputs.
    ASSERT_TRUE(copyFileTo(samplePath("icc/sRGB_icc-profiles-free.icc"), file));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);  // the samples are read-only
    recorder().clear();
    click(kIdSrgbIcc);
    EXPECT_TRUE(getCheck(control(kIdSrgbIcc)));
    EXPECT_TRUE(recorder().boxes.empty());
    ProcessSettings s;
    PipelineInputs inputs;
    ASSERT_TRUE(collectPipelineInputs(panel(), s, inputs));
    EXPECT_EQ(inputs.settings, &s);
    EXPECT_EQ(s.bUseSRGB_ICC, 1);
    EXPECT_EQ(inputs.srgbProfile, readFileBytes(samplePath("icc/sRGB_icc-profiles-free.icc")));
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
    loadedProfiles().srgb.clear();
}

// ---------------------------------------------------------------------------
// Percent mode and typing

TEST_F(SettingsPanel, PercentModeForcesScalingAndRemembersBothTexts)
{
    tick(kIdResize, true);
    choose(kIdZoomType, 1);
    type(kIdSizeField, "640");
    settingsPanelMenuCommand(panel(), kCmdUnitPercent);
    EXPECT_EQ(text(kIdSizeUnit), "百分比");
    EXPECT_EQ(comboSelectedIndex(control(kIdZoomType)), 2);
    EXPECT_FALSE(IsWindowEnabled(control(kIdZoomType)));
    EXPECT_EQ(text(kIdSizeField), "100.00");

    type(kIdSizeField, "999.99");
    ProcessSettings s;
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.zoomUnit, 1);
    EXPECT_EQ(s.zoomType, 2);
    EXPECT_NEAR(s.fSizeValue, 999.99f, 0.001);

    recorder().clear();
    type(kIdSizeField, "1000");
    EXPECT_EQ(text(kIdSizeField), "999.99") << "a refused text gives way to the last good one";
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].text, "图片宽的取值范围: 1.0 - 999.9 (百分比)");

    type(kIdSizeField, "0.5");
    EXPECT_EQ(text(kIdSizeField), "999.99");

    settingsPanelMenuCommand(panel(), kCmdUnitPixels);
    EXPECT_EQ(text(kIdSizeUnit), "像素");
    EXPECT_EQ(comboSelectedIndex(control(kIdZoomType)), 1);
    EXPECT_TRUE(IsWindowEnabled(control(kIdZoomType)));
    EXPECT_EQ(text(kIdSizeField), "640");
    settingsPanelMenuCommand(panel(), kCmdUnitPercent);
    EXPECT_EQ(text(kIdSizeField), "999.99");
}

TEST_F(SettingsPanel, FieldsRefuseWhatIsNotANumberWhileTyping)
{
    tick(kIdResize, true);
    type(kIdSizeField, "800");
    recorder().clear();
    type(kIdSizeField, "80a");
    EXPECT_EQ(text(kIdSizeField), "800");
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].control, control(kIdSizeField));
    EXPECT_EQ(recorder().balloons[0].text, "图片宽必须为整数,取值范围: 1 - 9999 (像素)");

    tick(kIdTextMark, true);
    choose(kIdTextHDirection, 1);
    recorder().clear();
    type(kIdTextHValue, "1x");
    EXPECT_EQ(text(kIdTextHValue), "16");
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].text, "文字水印的上边距必须为整数,取值范围: 0 - 999");
    recorder().clear();
    type(kIdTextFillLR, "-");
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].text, "文字水印的左右填充必须为整数,取值范围: 0 - 99");

    // Left empty: a balloon asks for a value; a fill field becomes 0.
    type(kIdTextHValue, "");
    recorder().clear();
    leave(kIdTextHValue);
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].title, "请输入");
    EXPECT_EQ(recorder().balloons[0].text, "此项不能为空");
    type(kIdTextFillTB, "");
    leave(kIdTextFillTB);
    EXPECT_EQ(text(kIdTextFillTB), "0");
}

// ---------------------------------------------------------------------------
// collectSettings

TEST_F(SettingsPanel, DpiZeroAndSeventyThousandAreRefused)
{
    tick(kIdDpi, true);
    for (const char *bad : {"0", "70000"}) {
        type(kIdDpiField, bad);
        ProcessSettings s;
        EXPECT_FALSE(collect(s)) << bad;
        ASSERT_EQ(recorder().boxes.size(), 1u) << bad;
        EXPECT_EQ(recorder().boxes[0].caption, "提示");
        EXPECT_EQ(recorder().boxes[0].text, "图片分辨率(DPI)的值范围: 1 - 65535, 请重新输入");
        EXPECT_EQ(GetFocus(), control(kIdDpiField));
    }
    type(kIdDpiField, "65535");
    tick(kIdResample, true);
    ProcessSettings s;
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.bDpi, 1);
    EXPECT_EQ(s.dpi, 65535);
    EXPECT_EQ(s.bDpiResample, 1);

    type(kIdDpiField, "");
    ASSERT_TRUE(collect(s)) << "an empty resolution means: leave it alone";
    EXPECT_EQ(s.dpi, -1);
    EXPECT_EQ(s.bDpiResample, 0);
}

TEST_F(SettingsPanel, ChineseTextWithALatinFontAsksForAChineseFont)
{
    ProcessSettings latin;
    latin.sy_text_fontName = "DejaVu Sans";
    showSettingsInPanel(panel(), latin);
    tick(kIdTextMark, true);
    type(kIdText, "  版权所有");
    ProcessSettings s;
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].control, control(kIdText));
    EXPECT_EQ(recorder().balloons[0].title, "看这里");
    EXPECT_EQ(recorder().balloons[0].text, "含有中文，请选择一个中文字体");
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text,
              "当前选择的字体: 'DejaVu Sans' 不支持显示中文。\n\n请选择一个中文字体，例如：宋体, 楷体, 黑体。");
    EXPECT_EQ(recorder().fontDialogs, 1) << "the font dialog is offered once";

    type(kIdText, "Copyright");
    ASSERT_TRUE(collect(s)) << "Latin letters need no Chinese font";
    EXPECT_EQ(s.sy_text, "Copyright");
    EXPECT_EQ(recorder().fontDialogs, 0);

    ProcessSettings song;  // the default face
    showSettingsInPanel(panel(), song);
    tick(kIdTextMark, true);
    type(kIdText, "  版权所有");
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.sy_text, "版权所有") << "leading blanks are dropped";
}

TEST_F(SettingsPanel, TextWatermarkDistancesByPositionCode)
{
    tick(kIdTextMark, true);
    type(kIdText, "ABC");
    choose(kIdTextWDirection, 0);
    type(kIdTextWValue, "");
    ProcessSettings s;
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.sy_text_w_direction, 0);
    EXPECT_EQ(s.sy_text_w_value, 16) << "a centred text takes 16 when the field is empty";

    choose(kIdTextWDirection, 1);
    type(kIdTextWValue, "");
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text, "文字水印的左边距不能为空");
    EXPECT_TRUE(recorder().boxes[0].type & MB_ICONERROR);
}

TEST_F(SettingsPanel, CollectedRecordMatchesThePanel)
{
    ScratchFolder folder("面板_panel");
    std::string mark = folder / "水印.png";
    ASSERT_TRUE(copyFileTo(samplePath("formats/png/gdkpixbuf_icc.png"), mark));

    tick(kIdResize, true);
    choose(kIdZoomType, 1);
    choose(kIdSizeType, 1);
    type(kIdSizeField, "1024");
    tick(kIdSameScale, false);
    tick(kIdQuality, true);
    slide(kIdQualitySlider, 75);
    tick(kIdTextMark, true);
    type(kIdText, "Velmora");
    choose(kIdTextAngle, 2);
    slide(kIdTextOpacity, 60);
    choose(kIdTextWDirection, 1);
    type(kIdTextWValue, "20");
    choose(kIdTextHDirection, 2);
    type(kIdTextHValue, "30");
    choose(kIdTextFrameSize, 4);
    choose(kIdTextCorner, 2);
    type(kIdTextFillLR, "5");
    type(kIdTextFillTB, "6");
    tick(kIdImageMark, true);
    SetWindowTextA(control(kIdImagePath), mark.c_str());
    choose(kIdImageWDirection, 0);
    choose(kIdImageHDirection, 1);
    type(kIdImageHValue, "12");
    choose(kIdImageAngle, 7);
    slide(kIdImageOpacity, 40);
    tick(kIdBorder, true);
    choose(kIdBorderLocation, 1);
    slide(kIdBorderSize, 10);
    slide(kIdBorderPadding, 5);
    tick(kIdLight, true);
    slide(kIdLightSlider, -20);
    tick(kIdContrast, true);
    slide(kIdContrastSlider, 30);
    tick(kIdBlackWhite, true);
    tick(kIdRemoveExif, true);
    tick(kIdColorspace, true);
    choose(kIdFromColorspace, 3);
    choose(kIdToColorspace, 1);

    ProcessSettings s;
    ASSERT_TRUE(collect(s)) << (recorder().boxes.empty() ? "" : recorder().boxes[0].text);
    EXPECT_EQ(s.bSize, 1);
    EXPECT_EQ(s.zoomType, 1);
    EXPECT_EQ(s.sizeType, 1);
    EXPECT_EQ(s.zoomUnit, 0);
    EXPECT_EQ(s.sizeValue, 1024);
    EXPECT_EQ(s.bZoomSameScale, 0);
    EXPECT_EQ(s.bQuanlity, 1);
    EXPECT_EQ(s.quanlity, 75);
    EXPECT_EQ(s.bSYText, 1);
    EXPECT_EQ(s.sy_text, "Velmora");
    EXPECT_EQ(s.sy_text_rotate, 90);
    EXPECT_EQ(s.sy_text_opacity, 60);
    EXPECT_EQ(s.sy_text_w_direction, 1);
    EXPECT_EQ(s.sy_text_w_value, 20);
    EXPECT_EQ(s.sy_text_h_direction, 2);
    EXPECT_EQ(s.sy_text_h_value, 30);
    EXPECT_EQ(s.sy_text_border_size, 4);
    EXPECT_EQ(s.sy_text_border_corner_radius, 10);
    EXPECT_EQ(s.sy_text_padding_left_right, 5);
    EXPECT_EQ(s.sy_text_padding_top_bottom, 6);
    EXPECT_EQ(s.bSYImage, 1);
    EXPECT_EQ(s.sy_image, mark);
    EXPECT_EQ(s.sy_image_w_direction, 0);
    EXPECT_EQ(s.sy_image_h_direction, 1);
    EXPECT_EQ(s.sy_image_h_value, 12);
    EXPECT_EQ(s.sy_image_rotate, 315);
    EXPECT_EQ(s.sy_image_opacity, 40);
    EXPECT_EQ(s.bBorder, 1);
    EXPECT_EQ(s.border_location, 1);
    EXPECT_EQ(s.border_size, 10);
    EXPECT_EQ(s.border_padding, 5);
    EXPECT_EQ(s.bLight, 1);
    EXPECT_EQ(s.lightValue, -20);
    EXPECT_EQ(s.bContrast, 1);
    EXPECT_EQ(s.contrastValue, 30);
    EXPECT_EQ(s.bClearly, 0);
    EXPECT_EQ(s.bConvertBlackToWhite, 1);
    EXPECT_EQ(s.bRemovePhotoOtherInfo, 1);
    EXPECT_EQ(s.bColorspaceTo, 1);
    EXPECT_EQ(s.fromColorspace, 3);
    EXPECT_EQ(s.toColorspace, 1);
    EXPECT_EQ(s.bDpi, 0);
    EXPECT_EQ(s.dpi, -1);
    EXPECT_TRUE(recorder().boxes.empty());
    EXPECT_TRUE(recorder().balloons.empty());

    // What the panel shows survives a round trip through a settings file.
    std::string file = folder / "方案.sz";
    ASSERT_TRUE(writeSettingsFile(s, file));
    showSettingsInPanel(panel(), ProcessSettings());
    ASSERT_TRUE(loadSettingsIntoPanel(panel(), file));
    ProcessSettings again;
    ASSERT_TRUE(collect(again));
    EXPECT_EQ(again.sizeValue, 1024);
    EXPECT_EQ(again.sy_text_rotate, 90);
    EXPECT_EQ(again.sy_image, mark);
    EXPECT_EQ(again.border_size, 10);
    EXPECT_EQ(again.lightValue, -20);

    // A typo is no value: "1,200" loaded from the menu is the default 750, never
    // 1; a file saved as UTF-8 with a byte-order mark keeps its first line.
    ASSERT_TRUE(writeFileBytes(file, "\xEF\xBB\xBF" "bSize=1\r\nsizeValue=1,200\r\n"));
    ASSERT_TRUE(loadSettingsIntoPanel(panel(), file));
    ASSERT_TRUE(collect(again));
    EXPECT_EQ(again.bSize, 1);
    EXPECT_EQ(again.sizeValue, 750);
}

TEST_F(SettingsPanel, AMissingWatermarkPictureIsReported)
{
    tick(kIdImageMark, true);
    SetWindowTextA(control(kIdImagePath), "C:\\没有这个文件.png");
    ProcessSettings s;
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].control, control(kIdImagePath));
    EXPECT_EQ(recorder().balloons[0].text, "水印图片不存在，请重新选择");
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(GetFocus(), control(kIdImageChoose));

    ScratchFolder folder("坏图_bad");
    std::string broken = folder / "坏.png";
    ASSERT_TRUE(writeFileBytes(broken, "not a picture"));
    SetWindowTextA(control(kIdImagePath), broken.c_str());
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].text, "水印图片格式不对，请重新选择");

    // A header that looks fine, but the picture it claims is far too large to be
    // read: refused while the watermark is prepared.
    std::string huge = samplePath("broken/gdkpixbuf_issue205_claims_64250px.jpg");
    SetWindowTextA(control(kIdImagePath), huge.c_str());
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "错误");
    EXPECT_EQ(recorder().boxes[0].text, "读取水印图片出错：\n\n" + huge + "\n\n水印图片太大 (64250 x 64250 像素)");
}

namespace {
bool failToDraw(const ProcessSettings &) { return false; }
}  // namespace

TEST_F(SettingsPanel, ATextThatCannotBeDrawnStopsCollecting)
{
    tick(kIdTextMark, true);
    type(kIdText, "ABC");
    bool (*previous)(const ProcessSettings &) = panelHooks().buildTextWatermark;
    panelHooks().buildTextWatermark = failToDraw;  // ImageMagick gave no font metrics
    ProcessSettings s;
    EXPECT_FALSE(collect(s));
    panelHooks().buildTextWatermark = previous;
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "提示");
    EXPECT_EQ(recorder().boxes[0].text, "当前选择的字体: '宋体' 不受支持，请重新选择一个字体。");
    EXPECT_TRUE(collect(s)) << "the real builder draws 宋体";
}

TEST_F(SettingsPanel, AFailedSettingsLoadKeepsTheChosenFont)
{
    ProcessSettings chosen;
    chosen.sy_text_fontName = "黑体";
    chosen.sy_text_fontSize = 40;
    chosen.sy_text_weight = 700;
    showSettingsInPanel(panel(), chosen);
    ScratchFolder folder("设置_failed");
    EXPECT_FALSE(loadSettingsIntoPanel(panel(), folder / "没有.sz"));
    tick(kIdTextMark, true);
    type(kIdText, "水印");
    ProcessSettings s;
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.sy_text_fontName, "黑体");
    EXPECT_EQ(s.sy_text_fontSize, 40);
    EXPECT_EQ(s.sy_text_weight, 700);
}

TEST_F(SettingsPanel, EmptySizeIsAcceptedWhileResizingIsOff)
{
    type(kIdSizeField, "");
    ProcessSettings s;
    EXPECT_TRUE(collect(s));
    EXPECT_EQ(s.bSize, 0);
    tick(kIdResize, true);
    EXPECT_FALSE(collect(s));
    ASSERT_EQ(recorder().balloons.size(), 1u);
    EXPECT_EQ(recorder().balloons[0].text, "图片宽不能为空");
}

// ---------------------------------------------------------------------------
// Start-up load, scrolling, save group

TEST_F(SettingsPanel, StartupLoadShowsValuesWithEverySwitchCleared)
{
    ScratchFolder folder("启动_config");
    ProcessSettings stored;
    stored.bSize = 1;
    stored.sizeValue = 1234;
    stored.bSYText = 1;
    stored.sy_text = "上次的水印";
    stored.bBorder = 1;
    stored.border_size = 12;
    stored.bDpi = 1;
    stored.dpi = 300;
    stored.qualityMode = 1;
    stored.maxFileSize = 200;
    std::string file = folder / "config.dat";
    ASSERT_TRUE(writeSettingsFile(stored, file));
    ASSERT_TRUE(loadStartupSettings(panel(), file));
    EXPECT_FALSE(getCheck(control(kIdResize)));
    EXPECT_FALSE(getCheck(control(kIdTextMark)));
    EXPECT_FALSE(getCheck(control(kIdBorder)));
    EXPECT_FALSE(getCheck(control(kIdDpi)));
    EXPECT_FALSE(IsWindowEnabled(control(kIdSizeField)));
    EXPECT_EQ(text(kIdSizeField), "1234");
    EXPECT_EQ(text(kIdText), "上次的水印");
    EXPECT_EQ(text(kIdBorderSizeValue), "(12)");
    EXPECT_EQ(text(kIdDpiField), "300");
    EXPECT_EQ(text(kIdMaxSizeField), "200");
    EXPECT_TRUE(GetWindowLongA(control(kIdMaxSizeField), GWL_STYLE) & WS_VISIBLE) << "the quality mode is restored";
}

// "按照片方向自动旋转" is on unless a settings file says otherwise, goes into the
// registry for the tools and into the settings files, and survives a start-up;
// "去除GPS位置信息" is a switch of the next run, "保留原图的修改时间" a preference.
TEST_F(SettingsPanel, PhotoSwitchesRoundTripThroughTheRegistryAndASettingsFile)
{
    auto stored = [] {
        DWORD value = 7;
        readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, "auto_orient", &value);
        return value;
    };
    ProcessSettings s;
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.bAutoOrient, 1);
    EXPECT_EQ(stored(), 1u);
    EXPECT_TRUE(picturesAutoOrient());

    click(kIdAutoOrient);
    tick(kIdRemoveGps, true);
    tick(kIdKeepFileTime, true);
    EXPECT_EQ(stored(), 0u);
    EXPECT_FALSE(picturesAutoOrient()) << "the thumbnails and the viewer follow";
    ASSERT_TRUE(collect(s));
    EXPECT_EQ(s.bAutoOrient, 0);
    EXPECT_EQ(s.bRemovePhotoGpsInfo, 1);
    EXPECT_EQ(s.bKeepFileTime, 1);
    ScratchFolder folder("照片设置");
    const std::string file = folder / "照片.sz";
    ASSERT_TRUE(writeSettingsFile(s, file));
    const std::string bytes = readFileBytes(file);
    for (const char *line : {"\nbAutoOrient=0", "\nbRemovePhotoGpsInfo=1", "\nbKeepFileTime=1"})
        EXPECT_NE(bytes.find(line), std::string::npos) << line;

    showSettingsInPanel(panel(), ProcessSettings());
    EXPECT_TRUE(getCheck(control(kIdAutoOrient)));
    EXPECT_EQ(stored(), 1u);
    ASSERT_TRUE(loadSettingsIntoPanel(panel(), file));
    EXPECT_FALSE(getCheck(control(kIdAutoOrient)));
    EXPECT_TRUE(getCheck(control(kIdRemoveGps)));
    EXPECT_TRUE(getCheck(control(kIdKeepFileTime)));
    EXPECT_EQ(stored(), 0u);

    ASSERT_TRUE(loadStartupSettings(panel(), file));
    EXPECT_FALSE(getCheck(control(kIdAutoOrient)));
    EXPECT_FALSE(getCheck(control(kIdRemoveGps)));
    EXPECT_TRUE(getCheck(control(kIdKeepFileTime)));

    // Removing all camera data removes the location with it.
    tick(kIdRemoveExif, true);
    EXPECT_FALSE(IsWindowEnabled(control(kIdRemoveGps)));
    tick(kIdRemoveExif, false);
    EXPECT_TRUE(IsWindowEnabled(control(kIdRemoveGps)));
    click(kIdAutoOrient);
    EXPECT_EQ(stored(), 1u);
    EXPECT_TRUE(picturesAutoOrient());
}

TEST_F(SettingsPanel, ScrollingMovesEverySection)
{
    HWND p = panel();
    RECT before;
    GetWindowRect(p, &before);
    MapWindowPoints(HWND_DESKTOP, GetParent(p), reinterpret_cast<POINT *>(&before), 2);
    SetWindowPos(p, nullptr, 0, 0, before.right - before.left, 400, SWP_NOMOVE | SWP_NOZORDER);
    scrollSettingsPanelTo(p, 0);
    auto sectionTop = [&](int index) {
        RECT box;
        GetWindowRect(panelControl(p, kIdSectionFirst + index), &box);
        MapWindowPoints(HWND_DESKTOP, p, reinterpret_cast<POINT *>(&box), 2);
        return box.top;
    };
    EXPECT_EQ(sectionTop(1), 114);
    SendMessageA(p, WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(settingsPanelScrollPosition(p), 21);
    EXPECT_EQ(sectionTop(1), 114 - 21);
    SendMessageA(p, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    EXPECT_EQ(settingsPanelScrollPosition(p), 71);
    SendMessageA(p, WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(settingsPanelScrollPosition(p), 471);
    SendMessageA(p, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(settingsPanelScrollPosition(p), 1022 - 400 + 1);
    EXPECT_EQ(sectionTop(6), 992 - 623);

    // Pointing at a field of an upper group scrolls back to the top.
    tick(kIdResize, true);
    type(kIdSizeField, "");
    ProcessSettings s;
    EXPECT_FALSE(collect(s));
    EXPECT_EQ(settingsPanelScrollPosition(p), 0);

    SetWindowPos(p, nullptr, 0, 0, before.right - before.left, before.bottom - before.top, SWP_NOMOVE | SWP_NOZORDER);
    layoutMainWindow(sharedMainWindow());
}

TEST_F(SettingsPanel, OverwriteAsksFirstAndCanBeCancelled)
{
    setPanelSaveToFolder(panel(), "D:\\输出");
    EXPECT_TRUE(panelSaveToSelected(panel()));
    EXPECT_EQ(panelSaveToFolder(panel()), "D:\\输出");
    recorder().boxAnswer = IDCANCEL;
    click(kIdOverwrite);
    ASSERT_EQ(recorder().boxes.size(), 1u);
    EXPECT_EQ(recorder().boxes[0].caption, "注意");
    EXPECT_EQ(recorder().boxes[0].text, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要覆盖原图吗？");
    EXPECT_TRUE(panelSaveToSelected(panel()));
    EXPECT_EQ(panelSaveToFolder(panel()), "D:\\输出");

    recorder().clear();
    recorder().boxAnswer = IDOK;
    click(kIdOverwrite);
    EXPECT_FALSE(panelSaveToSelected(panel()));
    EXPECT_EQ(panelSaveToFolder(panel()), "");
    EXPECT_FALSE(IsWindowEnabled(control(kIdSaveToChoose)));

    click(kIdSaveTo);
    EXPECT_TRUE(panelSaveToSelected(panel()));
    EXPECT_EQ(panelSaveToFolder(panel()), "D:\\输出") << "the folder chosen in this run comes back";
    EXPECT_TRUE(IsWindowEnabled(control(kIdKeepStructure)));
}
