// The two watermark pictures a run (and the preview) takes, prepared on the
// window thread once the settings are collected and kept until the next
// preparation.
#pragma once
#include <string>

#include "core/pipeline.h"
#include "core/process_settings.h"

// The text watermark at the screen's DPI in the face the font tables give, and
// the picture watermark. Window thread, no run active. false when the text
// cannot be drawn in its face, or (reason set) when the watermark picture cannot
// be used.
bool prepareTextWatermark(const ProcessSettings &settings);
bool preparePictureWatermark(const ProcessSettings &settings, std::string &reason);

// Hands the prepared pictures to a run's inputs.
void handPreparedWatermarks(PipelineInputs &inputs);

// The desktop's horizontal DPI; 96 without a screen.
int screenDpi();
