// What the panel's controls do while the user edits, collecting the panel into the
// settings record, and showing a record in the panel.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <wand/MagickWand.h>

#include <cstdlib>

#include "core/settings_file.h"
#include "core/settings_rules.h"
#include "imaging/picture_read.h"
#include "input/file_helpers.h"
#include "app/font_tables.h"
#include "app/main_commands.h"
#include "app/profile_choice.h"
#include "app/save_group.h"
#include "app/settings_panel/panel_state.h"
#include "app/settings_panel/settings_panel.h"
#include "app/picture_list_view.h"
#include "app/startup_config.h"
#include "tools/common/tool_values.h"
#include "ui/window_kit.h"
#include "util/registry_store.h"
#include "util/text.h"

// ---------------------------------------------------------------------------
// Small helpers

namespace {

bool checked(int id) { return getCheck(ctl(id)); }
void enable(int id, bool on) { EnableWindow(ctl(id), on ? TRUE : FALSE); }
void show(int id, bool on) { ShowWindow(ctl(id), on ? SW_SHOW : SW_HIDE); }
int sliderPos(int id) { return static_cast<int>(SendMessageA(ctl(id), TBM_GETPOS, 0, 0)); }
void setSliderPos(int id, int pos) { SendMessageA(ctl(id), TBM_SETPOS, TRUE, pos); }
int comboIndex(int id)
{
    int index = comboSelectedIndex(ctl(id));
    return index < 0 ? 0 : index;
}

HWND ownerWindow()
{
    HWND panel = panelState().panel;
    HWND top = panel ? GetAncestor(panel, GA_ROOT) : nullptr;
    return top ? top : panel;
}

int showBox(const char *text, const char *caption, UINT type)
{
    return panelHooks().messageBox(ownerWindow(), text, caption, type);
}

bool percentMode() { return panelState().settings.zoomUnit == 1; }

// The numeric fields and the rule that checks each while typing.
bool numericFieldOf(int id, NumericField &field)
{
    const ProcessSettings &s = panelState().settings;
    switch (id) {
    case kIdSizeField: field = percentMode() ? NumericField::SizePercent : NumericField::SizePixels; return true;
    case kIdMaxSizeField: field = NumericField::MaxFileSize; return true;
    case kIdTextWValue:
        field = comboIndex(kIdTextWDirection) == 1 ? NumericField::TextLeft : NumericField::TextRight;
        return true;
    case kIdTextHValue:
        field = comboIndex(kIdTextHDirection) == 1 ? NumericField::TextTop : NumericField::TextBottom;
        return true;
    case kIdTextFillLR: field = NumericField::TextFillLeftRight; return true;
    case kIdTextFillTB: field = NumericField::TextFillTopBottom; return true;
    case kIdImageWValue:
        field = comboIndex(kIdImageWDirection) == 1 ? NumericField::ImageLeft : NumericField::ImageRight;
        return true;
    case kIdImageHValue:
        field = comboIndex(kIdImageHDirection) == 1 ? NumericField::ImageTop : NumericField::ImageBottom;
        return true;
    }
    (void)s;
    return false;
}

}  // namespace

HWND controlFor(SettingsControl control)
{
    switch (control) {
    case SettingsControl::ResizeBox: return ctl(kIdResize);
    case SettingsControl::SizeField: return ctl(kIdSizeField);
    case SettingsControl::MaxFileSizeField: return ctl(kIdMaxSizeField);
    case SettingsControl::TextField: return ctl(kIdText);
    case SettingsControl::FontButton: return ctl(kIdTextFont);
    case SettingsControl::TextWValueField: return ctl(kIdTextWValue);
    case SettingsControl::TextHValueField: return ctl(kIdTextHValue);
    case SettingsControl::TextFillLeftRightField: return ctl(kIdTextFillLR);
    case SettingsControl::TextFillTopBottomField: return ctl(kIdTextFillTB);
    case SettingsControl::ImagePathField: return ctl(kIdImagePath);
    case SettingsControl::ImageChooseButton: return ctl(kIdImageChoose);
    case SettingsControl::ImageWValueField: return ctl(kIdImageWValue);
    case SettingsControl::ImageHValueField: return ctl(kIdImageHValue);
    case SettingsControl::DpiBox: return ctl(kIdDpi);
    case SettingsControl::DpiField: return ctl(kIdDpiField);
    case SettingsControl::ResampleBox: return ctl(kIdResample);
    case SettingsControl::None: break;
    }
    return nullptr;
}

// Scrolls the panel so that a control a message points at can be seen: the upper
// groups from the top, the save group from the bottom.
void ensureControlVisible(HWND control)
{
    PanelState &state = panelState();
    if (!control || !state.panel)
        return;
    HWND section = GetParent(control);
    int index = -1;
    for (int i = 0; i < kPanelSectionCount; ++i)
        if (state.sections[i] == section || state.sections[i] == control)
            index = i;
    if (index < 0)
        return;
    if (index >= 5) {
        scrollSettingsPanelTo(state.panel, state.contentHeight);
        return;
    }
    RECT client, box;
    GetClientRect(state.panel, &client);
    GetWindowRect(control, &box);
    MapWindowPoints(HWND_DESKTOP, section, reinterpret_cast<POINT *>(&box), 2);
    int bottom = state.sectionTops[index] + box.bottom;
    if (bottom <= client.bottom)
        scrollSettingsPanelTo(state.panel, 0);
    else
        scrollSettingsPanelTo(state.panel, bottom - client.bottom + 8);
}

void showVerdict(const SettingsVerdict &verdict)
{
    HWND at = controlFor(verdict.control);
    ensureControlVisible(at);
    if (verdict.balloon && at)
        panelHooks().balloon(at, verdict.balloonTitle.c_str(), verdict.balloonText.c_str());
    if (verdict.box)
        showBox(verdict.boxText.c_str(), verdict.boxCaption.empty() ? "提示" : verdict.boxCaption.c_str(),
                MB_OK | (verdict.boxErrorIcon ? MB_ICONERROR : MB_ICONWARNING));
    HWND focus = controlFor(verdict.focus);
    if (focus)
        SetFocus(focus);
}

// ---------------------------------------------------------------------------
// Enable, disable, labels

void updateSameScaleLabel()
{
    SetWindowTextA(ctl(kIdSameScale), sameScaleLabel(comboIndex(kIdSizeType), comboIndex(kIdZoomType)).c_str());
}

void updateQualityLabel()
{
    SetWindowTextA(ctl(kIdQualityValue), qualityLabel(sliderPos(kIdQualitySlider)).c_str());
}

void updateBorderLabels()
{
    SetWindowTextA(ctl(kIdBorderSizeValue), formatText("(%ld)", static_cast<long>(sliderPos(kIdBorderSize))).c_str());
    SetWindowTextA(ctl(kIdBorderPaddingValue),
                   formatText("(%ld)", static_cast<long>(sliderPos(kIdBorderPadding))).c_str());
}

void updateTextSummary()
{
    SetWindowTextA(ctl(kIdTextSummary), textWatermarkSummary(panelState().settings).c_str());
}

void followAutoOrient()
{
    const bool on = checked(kIdAutoOrient);
    // The tools follow the main window's switch: they read it from here.
    writeRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, kAutoOrientValue, on ? 1 : 0);
    setPicturesAutoOrient(on);
}

void updatePanelStates()
{
    const ProcessSettings &s = panelState().settings;
    bool resize = checked(kIdResize);
    for (int id : {kIdSizeType, kIdSizeField, kIdSizeUnit, kIdSameScale})
        enable(id, resize);
    enable(kIdZoomType, resize && !percentMode());
    SetWindowTextA(ctl(kIdSizeUnit), percentMode() ? "百分比" : "像素");

    bool quality = checked(kIdQuality);
    bool maxSize = s.qualityMode == 1;
    for (int id : {kIdQualitySlider, kIdQualityValue})
        show(id, !maxSize);
    for (int id : {kIdMaxSizeSign, kIdMaxSizeField, kIdMaxSizeUnit, kIdMaxSizeHelp})
        show(id, maxSize);
    for (int id : {kIdQualitySlider, kIdQualityValue, kIdQualityMode, kIdMaxSizeSign, kIdMaxSizeField,
                   kIdMaxSizeUnit, kIdMaxSizeHelp})
        enable(id, quality);

    bool text = checked(kIdTextMark);
    for (int id = kIdTextLabel; id <= kIdTextSummary; ++id)
        enable(id, text);
    bool textW = text && comboIndex(kIdTextWDirection) != 0;
    bool textH = text && comboIndex(kIdTextHDirection) != 0;
    enable(kIdTextWValue, textW);
    enable(kIdTextWSpin, textW);
    enable(kIdTextHValue, textH);
    enable(kIdTextHSpin, textH);

    bool image = checked(kIdImageMark);
    for (int id = kIdImageLabel; id <= kIdImageOpacity; ++id)
        enable(id, image);
    bool imageW = image && comboIndex(kIdImageWDirection) != 0;
    bool imageH = image && comboIndex(kIdImageHDirection) != 0;
    enable(kIdImageWValue, imageW);
    enable(kIdImageWSpin, imageW);
    enable(kIdImageHValue, imageH);
    enable(kIdImageHSpin, imageH);

    bool border = checked(kIdBorder);
    for (int id = kIdBorderLocationLabel; id <= kIdBorderPaddingValue; ++id)
        enable(id, border);

    enable(kIdLightSlider, checked(kIdLight));
    enable(kIdContrastSlider, checked(kIdContrast));
    enable(kIdClearlySlider, checked(kIdClearly));
    // Removing all camera data removes the location with it.
    enable(kIdRemoveGps, !checked(kIdRemoveExif));
    bool colourspace = checked(kIdColorspace);
    for (int id : {kIdFromColorspace, kIdColorspaceTo, kIdToColorspace})
        enable(id, colourspace);
    enable(kIdSrgbIcc, colourspace && comboIndex(kIdToColorspace) != 0);
    bool dpi = checked(kIdDpi);
    enable(kIdDpiField, dpi);
    enable(kIdResample, dpi);

    bool saveTo = checked(kIdSaveTo);
    for (int id : {kIdSaveToLabel, kIdSaveToFolder, kIdSaveToChoose, kIdKeepStructure})
        enable(id, saveTo);
    for (int id : {kIdTextBackSwatch, kIdTextFrameSwatch, kIdBorderSwatch, kIdImagePath, kIdSaveToFolder})
        InvalidateRect(ctl(id), nullptr, TRUE);
}

// ---------------------------------------------------------------------------
// Reactions

namespace {

void switchUnit(int unit)
{
    PanelState &state = panelState();
    ProcessSettings &s = state.settings;
    if (s.zoomUnit == unit)
        return;
    if (unit == 1) {
        state.lastPixelText = fieldText(kIdSizeField);
        state.zoomTypeBeforePercent = comboIndex(kIdZoomType);
        selectComboIndex(ctl(kIdZoomType), 2);
        s.zoomUnit = 1;
        SendMessageA(ctl(kIdSizeField), EM_SETLIMITTEXT, 6, 0);
        setFieldText(kIdSizeField, state.lastPercentText.empty() ? "100" : state.lastPercentText);
    } else {
        state.lastPercentText = fieldText(kIdSizeField);
        selectComboIndex(ctl(kIdZoomType), state.zoomTypeBeforePercent);
        s.zoomUnit = 0;
        SendMessageA(ctl(kIdSizeField), EM_SETLIMITTEXT, 4, 0);
        setFieldText(kIdSizeField, state.lastPixelText);
    }
    updateSameScaleLabel();
    updatePanelStates();
}

int popupAt(HWND control, std::initializer_list<std::pair<int, const char *>> entries, int checkedCommand)
{
    HMENU menu = CreatePopupMenu();
    for (const auto &entry : entries)
        AppendMenuA(menu, MF_STRING | (entry.first == checkedCommand ? MF_CHECKED : 0), entry.first, entry.second);
    RECT box;
    GetWindowRect(control, &box);
    int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, box.left, box.bottom, 0,
                                 panelState().panel, nullptr);
    DestroyMenu(menu);
    return command;
}

void afterTyping(int id)
{
    PanelState &state = panelState();
    if (state.settingText)
        return;
    NumericField field;
    std::string text = fieldText(id);
    if (numericFieldOf(id, field)) {
        SettingsVerdict verdict = checkTypedNumber(field, comboIndex(kIdSizeType), text);
        if (!verdict.ok) {
            // Put the last good text back before pointing at the field.
            setFieldText(id, state.lastValidText[id]);
            SendMessageA(ctl(id), EM_SETSEL, 0x7fff, 0x7fff);
            showVerdict(verdict);
            return;
        }
    } else if (id == kIdDpiField) {
        bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
        if (!text.empty() && !digits) {
            setFieldText(id, state.lastValidText[id]);
            return;
        }
    }
    state.lastValidText[id] = text;
}

// False when the field was refused and gets the focus back.
bool afterLeaving(int id)
{
    PanelState &state = panelState();
    HWND field = ctl(id);
    // The field's own visibility (the maximum-size field hides in quality mode), not
    // the window's: a hidden main window still checks its fields.
    if (state.settingText || state.collecting || !IsWindowEnabled(field) ||
        !(GetWindowLongA(field, GWL_STYLE) & WS_VISIBLE))
        return true;
    NumericField kind;
    if (!numericFieldOf(id, kind))
        return true;
    SettingsVerdict verdict = checkNumberOnLeave(kind, fieldText(id));
    if (verdict.ok)
        return true;
    if (verdict.followUp == SettingsFollowUp::SetFieldText) {
        setFieldText(id, verdict.replacementText);
        return true;
    }
    HWND at = controlFor(verdict.control);
    ensureControlVisible(at);
    panelHooks().balloon(at, verdict.balloonTitle.c_str(), verdict.balloonText.c_str());
    PostMessageA(state.panel, WM_APP, reinterpret_cast<WPARAM>(at), 0);
    return false;
}

// Controls whose change does not alter the picture: the save group, the start
// button, and the buttons that only open a menu (its command reports the change).
bool affectsPicture(int id)
{
    return id < kIdSaveTo && id != kIdMaxSizeHelp && id != kIdQualityMode && id != kIdSizeUnit;
}

void applyFollowUp(const SettingsVerdict &verdict, int boxId)
{
    if (verdict.ok)
        return;
    showVerdict(verdict);
    switch (verdict.followUp) {
    case SettingsFollowUp::UndoResizeTick: setCheck(ctl(kIdResize), false); break;
    case SettingsFollowUp::ClearResample: setCheck(ctl(kIdResample), false); break;
    default: (void)boxId; break;
    }
}

void chooseWatermarkPicture()
{
    StartupConfig &config = startupConfig();
    ProcessSettings &s = panelState().settings;
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    std::string current = fieldText(kIdImagePath);
    std::string start = !current.empty() && fileExists(current.c_str()) ? current.substr(0, findLastBackslash(current))
                                                                          : config.fileDlgChooseLogo;
    lstrcpynA(folder, start.c_str(), MAX_PATH);
    std::string filter = dialogFilter({{"图片文件(*.PNG;*.JPG;*.GIF)", "*.PNG;*.JPG;*.GIF"},
                                       {"PNG图片(*.PNG)", "*.PNG"},
                                       {"JPG图片(*.JPG)", "*.jpg;*.jpeg"},
                                       {"GIF图片 (*.GIF)", "*.gif"}});
    if (!chooseOpenFile(panelState().instance, ownerWindow(), "选择水印图片", filter.c_str(), folder, path))
        return;
    config.fileDlgChooseLogo = folder;
    if (!panelHooks().pictureUsable(path)) {
        showBox("选择的水印图片格式不对，请重新选择", "提示", MB_OK | MB_ICONWARNING);
        return;
    }
    s.sy_image = path;
    setFieldText(kIdImagePath, path);
}

void chooseSwatchColour(int id)
{
    ProcessSettings &s = panelState().settings;
    int *target = id == kIdTextBackSwatch ? &s.sy_text_background_color
                  : id == kIdTextFrameSwatch ? &s.sy_text_border_color
                                             : &s.border_color;
    COLORREF colour = *target == -1 ? RGB(255, 255, 255) : static_cast<COLORREF>(*target & 0xFFFFFF);
    if (!panelHooks().chooseColour(ownerWindow(), &colour))
        return;
    *target = static_cast<int>(colour & 0xFFFFFF);
    InvalidateRect(ctl(id), nullptr, TRUE);
    notifyPanelChanged();
}

}  // namespace

void panelOnCommand(int id, int code, HWND control)
{
    PanelState &state = panelState();
    ProcessSettings &s = state.settings;
    // Notification codes overlap between classes (STN_CLICKED and BN_CLICKED are
    // both 0), so the control decides what a code means.
    bool isStatic = id == kIdSizeUnit || id == kIdTextBackSwatch || id == kIdTextFrameSwatch || id == kIdBorderSwatch;
    bool isCombo = id == kIdZoomType || id == kIdSizeType || id == kIdTextAngle || id == kIdTextWDirection ||
                   id == kIdTextHDirection || id == kIdTextFrameSize || id == kIdTextCorner ||
                   id == kIdImageWDirection || id == kIdImageHDirection || id == kIdImageAngle ||
                   id == kIdBorderLocation || id == kIdFromColorspace || id == kIdToColorspace;
    char cls[16] = {};
    GetClassNameA(control, cls, sizeof cls);
    bool isEdit = lstrcmpiA(cls, "Edit") == 0;
    if (isEdit) {
        if (code == EN_CHANGE) {
            afterTyping(id);
        } else if (code == EN_SETFOCUS) {
            state.textAtFocus[id] = fieldText(id);
        } else if (code == EN_KILLFOCUS) {
            bool accepted = afterLeaving(id);
            auto before = state.textAtFocus.find(id);
            bool changed = before == state.textAtFocus.end() || before->second != fieldText(id);
            if (accepted && changed && affectsPicture(id))
                notifyPanelChanged();
            state.textAtFocus.erase(id);
        }
        return;
    }
    if (isCombo) {
        if (code == CBN_SELCHANGE) {
            if (id == kIdZoomType || id == kIdSizeType)
                updateSameScaleLabel();
            updatePanelStates();
            notifyPanelChanged();
        }
        return;
    }
    if (isStatic) {
        if (code != STN_CLICKED || !IsWindowEnabled(control))
            return;
        if (id == kIdSizeUnit) {
            int command = popupAt(control, {{kCmdUnitPixels, "像素"}, {kCmdUnitPercent, "百分比"}},
                                  percentMode() ? kCmdUnitPercent : kCmdUnitPixels);
            if (command)
                settingsPanelMenuCommand(state.panel, command);
        } else {
            chooseSwatchColour(id);
        }
        return;
    }
    if (code != BN_CLICKED)
        return;
    switch (id) {
    case kIdResize:
        if (checked(kIdResize))
            applyFollowUp(onResizeTicked(checked(kIdDpi), checked(kIdResample)), id);
        break;
    case kIdDpi:
        if (checked(kIdDpi))
            applyFollowUp(onDpiTicked(checked(kIdResize), checked(kIdResample), comboIndex(kIdZoomType)), id);
        break;
    case kIdResample:
        if (checked(kIdResample))
            applyFollowUp(onResampleTicked(checked(kIdResize), comboIndex(kIdZoomType)), id);
        break;
    case kIdSrgbIcc:
        if (checked(kIdSrgbIcc) && !ensureSrgbProfile())
            setCheck(ctl(kIdSrgbIcc), false);
        break;
    case kIdAutoOrient: followAutoOrient(); break;
    case kIdQualityMode: {
        int command = popupAt(control,
                              {{kCmdQualityMode, "设置图片压缩质量"},
                               {kCmdMaxSizeMode, "设置图片压缩后生成的文件大小最大值"}},
                              s.qualityMode == 1 ? kCmdMaxSizeMode : kCmdQualityMode);
        if (command)
            settingsPanelMenuCommand(state.panel, command);
        break;
    }
    case kIdMaxSizeHelp:
        showBox("图片质量：≤ xxx KB\n\n设置图片压缩后生成的文件大小最大值，这只是一个预期值，软件无法保证图片经过压缩后生成的文件"
                "大小一定会是这个值，只会尽可能得接近这个值。\n\n例如：设置文件大小【最大值】为 1KB，对于一张大尺寸的图片进行最"
                "大程度的压缩后生成的文件大小还是会大于1KB\n\n因此，这个值不能随意的去设置，需要参考图片的尺寸(宽与高)。",
                "注意", MB_OK | MB_ICONINFORMATION);
        break;
    case kIdTextFont:
        if (panelHooks().chooseFont(ownerWindow(), s))
            updateTextSummary();
        break;
    case kIdTextBackClear:
        s.sy_text_background_color = -1;
        InvalidateRect(ctl(kIdTextBackSwatch), nullptr, TRUE);
        break;
    case kIdImageChoose: chooseWatermarkPicture(); break;
    // The radio buttons tick only what the save group decides (overwrite only
    // after its question is answered with OK).
    case kIdSaveTo:
        setCheck(ctl(kIdSaveTo), true);
        setCheck(ctl(kIdOverwrite), false);
        selectSaveTo(state.saveGroup);
        break;
    case kIdOverwrite: selectOverwrite(state.saveGroup, ownerWindow()); break;
    case kIdSaveToChoose: chooseTargetFolder(state.saveGroup, ownerWindow()); break;
    case kIdStart:
        SendMessageA(GetParent(state.panel), WM_COMMAND, MAKEWPARAM(kCmdStart, BN_CLICKED), 0);
        return;
    }
    updatePanelStates();
    if (affectsPicture(id))
        notifyPanelChanged();
}

void panelOnSlider(HWND slider, int request)
{
    switch (GetDlgCtrlID(slider)) {
    case kIdQualitySlider: updateQualityLabel(); break;
    case kIdBorderSize:
    case kIdBorderPadding: updateBorderLabels(); break;
    }
    // A slider reports every step while it moves; the picture follows once it is let go.
    if (request == TB_ENDTRACK)
        notifyPanelChanged();
}

// The field is checked as when it is left; an accepted text is applied.
void panelOnEnter(HWND field)
{
    PanelState &state = panelState();
    int id = GetDlgCtrlID(field);
    if (!field || !IsChild(state.panel, field) || !afterLeaving(id) || !affectsPicture(id))
        return;
    state.textAtFocus[id] = fieldText(id);  // applied: leaving it now is no new change
    notifyPanelChanged();
}

void notifyPanelChanged()
{
    PanelState &state = panelState();
    if (state.changeListener && !state.settingText && !state.collecting)
        state.changeListener();
}

void setPanelChangeListener(HWND panel, void (*listener)())
{
    if (panel && panel == panelState().panel)
        panelState().changeListener = listener;
}

void settingsPanelMenuCommand(HWND panel, int command)
{
    if (!panel || panel != panelState().panel)
        return;
    ProcessSettings &s = panelState().settings;
    switch (command) {
    case kCmdUnitPixels: switchUnit(0); break;
    case kCmdUnitPercent: switchUnit(1); break;
    case kCmdQualityMode:
    case kCmdMaxSizeMode:
        s.qualityMode = command == kCmdMaxSizeMode ? 1 : 0;
        updatePanelStates();
        break;
    default:
        return;
    }
    notifyPanelChanged();
}

// ---------------------------------------------------------------------------
// Collecting and showing

namespace {

bool checkFontChinese(const std::string &face, void *) { return panelHooks().fontUsable(face, true); }
bool checkFontUsable(const std::string &face, void *) { return panelHooks().fontUsable(face, false); }
bool checkPictureExists(const std::string &path, void *) { return fileExists(path.c_str()); }
bool checkPictureUsable(const std::string &path, void *) { return panelHooks().pictureUsable(path); }

SettingsPanelInput readPanel()
{
    SettingsPanelInput in;
    in.resize = checked(kIdResize);
    in.zoomType = comboIndex(kIdZoomType);
    in.sizeType = comboIndex(kIdSizeType);
    in.sizeText = fieldText(kIdSizeField);
    in.sameScale = checked(kIdSameScale);
    in.quality = checked(kIdQuality);
    in.qualitySlider = sliderPos(kIdQualitySlider);
    in.maxFileSizeText = fieldText(kIdMaxSizeField);
    in.textMark = checked(kIdTextMark);
    in.text = fieldText(kIdText);
    in.textWDirection = comboIndex(kIdTextWDirection);
    in.textWValueText = fieldText(kIdTextWValue);
    in.textHDirection = comboIndex(kIdTextHDirection);
    in.textHValueText = fieldText(kIdTextHValue);
    in.textBorderSize = comboIndex(kIdTextFrameSize);
    in.textCornerRadius = comboIndex(kIdTextCorner) * 5;
    in.textFillLeftRightText = fieldText(kIdTextFillLR);
    in.textFillTopBottomText = fieldText(kIdTextFillTB);
    in.textAngleIndex = comboIndex(kIdTextAngle);
    in.textOpacity = sliderPos(kIdTextOpacity);
    in.imageMark = checked(kIdImageMark);
    in.imagePath = fieldText(kIdImagePath);
    in.imageWDirection = comboIndex(kIdImageWDirection);
    in.imageWValueText = fieldText(kIdImageWValue);
    in.imageHDirection = comboIndex(kIdImageHDirection);
    in.imageHValueText = fieldText(kIdImageHValue);
    in.imageAngleIndex = comboIndex(kIdImageAngle);
    in.imageOpacity = sliderPos(kIdImageOpacity);
    in.border = checked(kIdBorder);
    in.borderLocation = comboIndex(kIdBorderLocation);
    in.borderSize = sliderPos(kIdBorderSize);
    in.borderPadding = sliderPos(kIdBorderPadding);
    in.light = checked(kIdLight);
    in.lightValue = sliderPos(kIdLightSlider);
    in.contrast = checked(kIdContrast);
    in.contrastValue = sliderPos(kIdContrastSlider);
    in.clearly = checked(kIdClearly);
    in.clearlyValue = sliderPos(kIdClearlySlider);
    in.blackWhite = checked(kIdBlackWhite);
    in.removeExif = checked(kIdRemoveExif);
    in.removeGps = checked(kIdRemoveGps);
    in.autoOrient = checked(kIdAutoOrient);
    in.keepFileTime = checked(kIdKeepFileTime);
    in.colorspace = checked(kIdColorspace);
    in.fromColorspace = comboIndex(kIdFromColorspace);
    in.toColorspace = comboIndex(kIdToColorspace);
    in.useSrgbIcc = checked(kIdSrgbIcc);
    in.dpi = checked(kIdDpi);
    in.dpiText = fieldText(kIdDpiField);
    in.dpiResample = checked(kIdResample);
    return in;
}

struct CollectingFlag {
    CollectingFlag() { panelState().collecting = true; }
    ~CollectingFlag() { panelState().collecting = false; }
};

}  // namespace

bool collectSettings(HWND panel, ProcessSettings &out)
{
    PanelState &state = panelState();
    if (!panel || panel != state.panel)
        return false;
    CollectingFlag flag;
    ProcessSettings &s = state.settings;
    SettingsChecks checks;
    checks.fontShowsChinese = checkFontChinese;
    checks.fontUsable = checkFontUsable;
    checks.pictureExists = checkPictureExists;
    checks.pictureUsable = checkPictureUsable;
    SettingsPanelInput in = readPanel();
    for (;;) {
        SettingsVerdict verdict = collectPanelSettings(in, s, checks);
        if (verdict.ok)
            break;
        showVerdict(verdict);
        bool fontProblem = verdict.followUp == SettingsFollowUp::ChooseChineseFont ||
                           verdict.followUp == SettingsFollowUp::ChooseUsableFont;
        if (!fontProblem || in.fontDialogShown) {
            out = s;
            return false;
        }
        if (panelHooks().chooseFont(ownerWindow(), s))
            updateTextSummary();
        in.fontDialogShown = true;
    }
    if (s.bSYText && !panelHooks().buildTextWatermark(s)) {
        showVerdict(textWatermarkFontError(s.sy_text_fontName));
        out = s;
        return false;
    }
    std::string reason;
    if (s.bSYImage && !panelHooks().buildPictureWatermark(s, reason)) {
        showVerdict(watermarkReadError(s.sy_image, reason));
        out = s;
        return false;
    }
    out = s;
    return true;
}

void showSettingsInPanel(HWND panel, const ProcessSettings &settings)
{
    PanelState &state = panelState();
    if (!panel || panel != state.panel)
        return;
    state.settings = settings;
    const ProcessSettings &s = state.settings;
    setCheck(ctl(kIdResize), s.bSize != 0);
    selectComboIndex(ctl(kIdSizeType), s.sizeType == 1 ? 1 : 0);
    state.zoomTypeBeforePercent = s.zoomType >= 0 && s.zoomType <= 2 ? s.zoomType : 0;
    selectComboIndex(ctl(kIdZoomType), s.zoomUnit == 1 ? 2 : state.zoomTypeBeforePercent);
    state.lastPixelText = formatText("%d", s.sizeValue);
    state.lastPercentText = formatText("%0.2f", s.fSizeValue);
    SendMessageA(ctl(kIdSizeField), EM_SETLIMITTEXT, s.zoomUnit == 1 ? 6 : 4, 0);
    setFieldText(kIdSizeField, s.zoomUnit == 1 ? state.lastPercentText : state.lastPixelText);
    setCheck(ctl(kIdSameScale), s.bZoomSameScale != 0);
    setCheck(ctl(kIdQuality), s.bQuanlity != 0);
    setSliderPos(kIdQualitySlider, s.quanlity);
    setFieldText(kIdMaxSizeField, s.maxFileSize > 0 ? formatText("%d", s.maxFileSize) : std::string());

    setCheck(ctl(kIdTextMark), s.bSYText != 0);
    setFieldText(kIdText, s.sy_text);
    int angle = angleIndex(s.sy_text_rotate);
    if (angle >= 0)
        selectComboIndex(ctl(kIdTextAngle), angle);
    setSliderPos(kIdTextOpacity, s.sy_text_opacity);
    selectComboIndex(ctl(kIdTextWDirection), s.sy_text_w_direction);
    setFieldText(kIdTextWValue, formatText("%d", s.sy_text_w_value));
    selectComboIndex(ctl(kIdTextHDirection), s.sy_text_h_direction);
    setFieldText(kIdTextHValue, formatText("%d", s.sy_text_h_value));
    selectComboIndex(ctl(kIdTextFrameSize), s.sy_text_border_size);
    selectComboIndex(ctl(kIdTextCorner), s.sy_text_border_corner_radius / 5);
    setFieldText(kIdTextFillLR, formatText("%d", s.sy_text_padding_left_right));
    setFieldText(kIdTextFillTB, formatText("%d", s.sy_text_padding_top_bottom));

    setCheck(ctl(kIdImageMark), s.bSYImage != 0);
    setFieldText(kIdImagePath, s.sy_image);
    selectComboIndex(ctl(kIdImageWDirection), s.sy_image_w_direction);
    setFieldText(kIdImageWValue, formatText("%d", s.sy_image_w_value));
    selectComboIndex(ctl(kIdImageHDirection), s.sy_image_h_direction);
    setFieldText(kIdImageHValue, formatText("%d", s.sy_image_h_value));
    angle = angleIndex(s.sy_image_rotate);
    if (angle >= 0)
        selectComboIndex(ctl(kIdImageAngle), angle);
    setSliderPos(kIdImageOpacity, s.sy_image_opacity);

    setCheck(ctl(kIdBorder), s.bBorder != 0);
    selectComboIndex(ctl(kIdBorderLocation), s.border_location == 1 ? 1 : 0);
    setSliderPos(kIdBorderSize, s.border_size);
    setSliderPos(kIdBorderPadding, s.border_padding);

    setCheck(ctl(kIdLight), s.bLight != 0);
    setSliderPos(kIdLightSlider, s.lightValue);
    setCheck(ctl(kIdContrast), s.bContrast != 0);
    setSliderPos(kIdContrastSlider, s.contrastValue);
    setCheck(ctl(kIdClearly), s.bClearly != 0);
    setSliderPos(kIdClearlySlider, s.clearlyValue);
    setCheck(ctl(kIdBlackWhite), s.bConvertBlackToWhite != 0);
    setCheck(ctl(kIdRemoveExif), s.bRemovePhotoOtherInfo != 0);
    setCheck(ctl(kIdRemoveGps), s.bRemovePhotoGpsInfo != 0);
    setCheck(ctl(kIdAutoOrient), s.bAutoOrient != 0);
    setCheck(ctl(kIdKeepFileTime), s.bKeepFileTime != 0);
    followAutoOrient();
    setCheck(ctl(kIdColorspace), s.bColorspaceTo != 0);
    selectComboIndex(ctl(kIdFromColorspace), s.fromColorspace);
    selectComboIndex(ctl(kIdToColorspace), s.toColorspace);
    setCheck(ctl(kIdSrgbIcc), s.bUseSRGB_ICC != 0);
    setCheck(ctl(kIdDpi), s.bDpi != 0);
    setFieldText(kIdDpiField, s.dpi > 0 ? formatText("%d", s.dpi) : std::string());
    setCheck(ctl(kIdResample), s.bDpiResample != 0);

    updateSameScaleLabel();
    updateQualityLabel();
    updateBorderLabels();
    updateTextSummary();
    updatePanelStates();
}

bool loadSettingsIntoPanel(HWND panel, const std::string &path)
{
    // A file that cannot be read leaves the live record (the chosen font among
    // it) as it was.
    ProcessSettings loaded;
    if (!readSettingsFile(loaded, path))
        return false;
    showSettingsInPanel(panel, loaded);
    if (loaded.bColorspaceTo && loaded.bUseSRGB_ICC && IsWindowEnabled(ctl(kIdSrgbIcc)) && !ensureSrgbProfile()) {
        setCheck(ctl(kIdSrgbIcc), false);
        panelState().settings.bUseSRGB_ICC = 0;
    }
    return true;
}

bool loadStartupSettings(HWND panel, const std::string &path)
{
    ProcessSettings loaded;
    if (!readSettingsFile(loaded, path))
        return false;
    // The stored values are shown, but the user ticks again what the next run does.
    for (int *flag : {&loaded.bSize, &loaded.bQuanlity, &loaded.bSYText, &loaded.bSYImage, &loaded.bBorder,
                      &loaded.bLight, &loaded.bContrast, &loaded.bClearly, &loaded.bConvertBlackToWhite,
                      &loaded.bRemovePhotoOtherInfo, &loaded.bRemovePhotoGpsInfo, &loaded.bColorspaceTo,
                      &loaded.bUseSRGB_ICC, &loaded.bDpi, &loaded.bDpiResample})
        *flag = 0;
    showSettingsInPanel(panel, loaded);
    return true;
}

bool panelSaveToSelected(HWND) { return checked(kIdSaveTo); }
bool panelKeepStructure(HWND) { return checked(kIdKeepStructure); }
std::string panelSaveToFolder(HWND) { return fieldText(kIdSaveToFolder); }

void setPanelSaveToFolder(HWND panel, const std::string &folder)
{
    if (!panel || panel != panelState().panel)
        return;
    panelState().saveGroup.rememberedFolder = folder;
    if (checked(kIdSaveTo))
        setFieldText(kIdSaveToFolder, folder);
}

SaveGroup &panelSaveGroup(HWND)
{
    return panelState().saveGroup;
}
