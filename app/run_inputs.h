// What a run (and the preview) takes from the window besides the picture list:
// the collected settings, the two watermark pictures prepared while collecting,
// and the ICC profiles loaded at start-up or when the user asked for them.
#pragma once
#include <windows.h>

#include "app/profile_choice.h"
#include "app/watermark_prep.h"
#include "core/pipeline.h"
#include "core/process_settings.h"

// collectSettings over the panel (which prepares both watermark pictures), then
// the settings, the prepared pictures and copies of the loaded profiles into
// inputs. settings must outlive the use of inputs. false after a message.
bool collectPipelineInputs(HWND panel, ProcessSettings &settings, PipelineInputs &inputs);
