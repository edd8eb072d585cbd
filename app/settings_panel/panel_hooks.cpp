// The program's own boxes, balloons and dialogs behind the settings panel.
#include "app/settings_panel/panel_hooks.h"

#include <commctrl.h>
#include <commdlg.h>

#include "app/font_tables.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/panel_state.h"
#include "app/watermark_prep.h"
#include "core/settings_rules.h"
#include "imaging/picture_read.h"
#include "ui/window_kit.h"
#include "util/text.h"

namespace {

int realMessageBox(HWND owner, const char *text, const char *caption, UINT type)
{
    return MessageBoxA(owner, text, caption, type);
}

void realBalloon(HWND control, const char *title, const char *text)
{
    showBalloon(control, text, title, kBalloonInfo, panelState().instance, false);
}

bool realChooseColour(HWND owner, COLORREF *colour)
{
    return chooseColour(owner, colour);
}

// The checked read's look at the file (read through Win32, header decoded by
// ImageMagick, an error severity refused): a still picture. Decoding it, with
// the size limits of a watermark, is the preparation's (readWatermarkFile).
bool realPictureUsable(const std::string &path)
{
    PictureFile file;
    std::string reason;
    return readPictureFile(path, file, reason) && file.frames == 1;
}

// The font dialog: TrueType screen fonts without vertical faces, 8 to 72 points,
// effects shown. A face that cannot draw the current text sends the user back.
bool realChooseFont(HWND owner, ProcessSettings &s)
{
    LOGFONTA font = {};
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    font.lfHeight = -MulDiv(s.sy_text_fontSize, dpi, 72);
    font.lfWeight = s.sy_text_weight;
    font.lfItalic = s.sy_text_isItalic ? 1 : 0;
    font.lfUnderline = s.sy_text_isUnderlineDecoration ? 1 : 0;
    font.lfStrikeOut = s.sy_text_isLineThroughDecoration ? 1 : 0;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, s.sy_text_fontName.c_str(), LF_FACESIZE);
    std::string text = fieldText(kIdText);
    for (;;) {
        CHOOSEFONTA choose = {};
        choose.lStructSize = sizeof choose;
        choose.hwndOwner = owner;
        choose.lpLogFont = &font;
        choose.rgbColors = static_cast<COLORREF>(s.sy_text_rgbColors & 0xFFFFFF);
        choose.Flags = CF_SCREENFONTS | CF_TTONLY | CF_NOVERTFONTS | CF_EFFECTS | CF_LIMITSIZE |
                       CF_INITTOLOGFONTSTRUCT;
        choose.nSizeMin = 8;
        choose.nSizeMax = 72;
        if (!ChooseFontA(&choose))
            return false;
        std::string face = font.lfFaceName;
        bool chinese = hasHighByte(text);
        if (!fontUsable(face, chinese)) {
            std::string message = chinese ? fontWithoutChineseText(face) : unsupportedFontText(face);
            panelHooks().messageBox(owner, message.c_str(), "提示", MB_OK | MB_ICONWARNING);
            continue;
        }
        s.sy_text_fontName = face;
        s.sy_text_fontSize = choose.iPointSize / 10;
        s.sy_text_rgbColors = static_cast<int>(choose.rgbColors & 0xFFFFFF);
        s.sy_text_htmlColor = colorText(s.sy_text_rgbColors);
        s.sy_text_isItalic = font.lfItalic ? 1 : 0;
        s.sy_text_weight = font.lfWeight;
        s.sy_text_isUnderlineDecoration = font.lfUnderline ? 1 : 0;
        s.sy_text_isLineThroughDecoration = font.lfStrikeOut ? 1 : 0;
        return true;
    }
}

}  // namespace

PanelHooks defaultPanelHooks()
{
    PanelHooks hooks;
    hooks.messageBox = realMessageBox;
    hooks.balloon = realBalloon;
    hooks.chooseFont = realChooseFont;
    hooks.chooseColour = realChooseColour;
    hooks.fontUsable = fontUsable;
    hooks.pictureUsable = realPictureUsable;
    hooks.buildTextWatermark = prepareTextWatermark;
    hooks.buildPictureWatermark = preparePictureWatermark;
    return hooks;
}

PanelHooks &panelHooks()
{
    static PanelHooks hooks = defaultPanelHooks();
    return hooks;
}
