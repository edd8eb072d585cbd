#include "app/watermark_prep.h"

#include <windows.h>

#include "app/font_tables.h"
#include "core/watermark_render.h"

namespace {

// Kept until the process ends: released by no static destructor, which could
// run after ImageMagick has been shut down.
PreparedWatermarks &preparedWatermarks()
{
    static PreparedWatermarks *marks = new PreparedWatermarks;
    return *marks;
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

void handPreparedWatermarks(PipelineInputs &inputs) { preparedWatermarks().handTo(inputs); }
