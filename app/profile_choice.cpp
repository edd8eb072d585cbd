#include "app/profile_choice.h"

#include <string>

#include "app/settings_panel/panel_hooks.h"
#include "app/startup_config.h"
#include "imaging/colour_profiles.h"

namespace {

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
