#include "app/run_inputs.h"

#include "core/watermark_render.h"
#include "imaging/colour_profiles.h"
#include "app/font_tables.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup.h"
#include "ui/window_kit.h"

namespace {

// Kept until the process ends: released by no static destructor, which could
// run after ImageMagick has been shut down.
PreparedWatermarks &preparedWatermarks()
{
    static PreparedWatermarks *marks = new PreparedWatermarks;
    return *marks;
}

void profileErrorBox(const std::string &text)
{
    panelHooks().messageBox(GetActiveWindow(), text.c_str(), "错误", MB_OK | MB_ICONERROR);
}

void takeCmykProfile(const CmykProfileLoad &load)
{
    if (!load.message.empty())
        profileErrorBox(load.message);
    startupConfig().cmykDefaultIcc = load.name;
    loadedProfiles().cmyk = load.bytes;
}

}  // namespace

int screenDpi()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 96;
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

bool prepareTextWatermark(const ProcessSettings &settings)
{
    MagickWand *mark = nullptr;
    bool ok = buildTextWatermark(settings, screenDpi(), selectWatermarkFont, &mark);
    preparedWatermarks().replaceText(mark);
    return ok;
}

bool preparePictureWatermark(const ProcessSettings &settings, std::string &reason)
{
    MagickWand *mark = nullptr;
    bool ok = buildPictureWatermark(settings, &mark, reason);
    preparedWatermarks().replacePicture(mark);
    return ok;
}

bool ensureSrgbProfile()
{
    std::string &profile = loadedProfiles().srgb;
    if (!profile.empty())
        return true;
    std::string message;
    if (loadSrgbProfile(startupConfig().programFolder, profile, message))
        return true;
    profileErrorBox(message);
    return false;
}

void loadDefaultCmykProfileAtStartup()
{
    takeCmykProfile(loadStoredCmykProfile(startupConfig().programFolder));
}

void chooseDefaultCmykProfile(const char *fileName)
{
    storePreferenceString("cmyk_default_icc", fileName);
    takeCmykProfile(loadCmykProfile(startupConfig().programFolder, fileName));
}

bool collectPipelineInputs(HWND panel, ProcessSettings &settings, PipelineInputs &inputs)
{
    if (!collectSettings(panel, settings))
        return false;
    // A profile that could not be loaded when the box was ticked is not
    // silently left out of the conversion.
    if (usesSrgbProfile(settings) && !ensureSrgbProfile()) {
        setCheck(panelControl(panel, kIdSrgbIcc), false);
        return false;
    }
    inputs.settings = &settings;
    preparedWatermarks().handTo(inputs);
    inputs.srgbProfile = loadedProfiles().srgb;
    inputs.cmykProfile = loadedProfiles().cmyk;
    return true;
}
