#include "app/run_inputs.h"

#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "imaging/colour_profiles.h"
#include "ui/window_kit.h"

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
    handPreparedWatermarks(inputs);
    inputs.srgbProfile = loadedProfiles().srgb;
    inputs.cmykProfile = loadedProfiles().cmyk;
    return true;
}
