#include "core/watermark_render.h"

#include "core/settings_rules.h"
#include "imaging/picture_read.h"
#include "util/text.h"

namespace {

// A PixelWand of a colour text; fallback when the text is no colour ImageMagick
// knows (a settings file may carry anything in sy_text_htmlColor).
PixelWand *colourWand(const std::string &colour, const char *fallback)
{
    PixelWand *wand = NewPixelWand();
    if (PixelSetColor(wand, colour.c_str()) == MagickFalse)
        PixelSetColor(wand, fallback);
    return wand;
}

// Raises a measure to whole pixels: one more when any fraction remains.
int wholePixels(double value)
{
    int whole = static_cast<int>(value);
    return value - whole > 0 ? whole + 1 : whole;
}

void drawBox(MagickWand *canvas, const ProcessSettings &s, int width, int height)
{
    int frame = s.sy_text_border_size;
    bool background = s.sy_text_background_color != -1;
    if (!background && frame <= 0)
        return;
    DrawingWand *box = NewDrawingWand();
    PixelWand *fill = colourWand(background ? colorText(s.sy_text_background_color) : "none", "none");
    DrawSetFillColor(box, fill);
    PixelWand *stroke = nullptr;
    if (frame > 0) {
        stroke = colourWand(colorText(s.sy_text_border_color), "#000000");
        DrawSetStrokeColor(box, stroke);
        DrawSetStrokeWidth(box, frame);
    }
    if (s.sy_text_opacity != 100) {
        double opacity = s.sy_text_opacity / 100.0;
        if (background)
            DrawSetFillOpacity(box, opacity);
        if (frame > 0)
            DrawSetStrokeOpacity(box, opacity);
    }
    int radius = s.sy_text_border_corner_radius;
    if (radius != 0) {
        double half = frame / 2;  // whole half, as the frame's inner edge is placed on whole pixels
        DrawRoundRectangle(box, half, half, width - half - 1, height - half - 1, radius, radius);
    } else {
        // Half of this wide stroke falls outside the canvas, leaving about
        // frame - 0.75 pixels of frame inside.
        if (frame > 0)
            DrawSetStrokeWidth(box, 2.0 * frame - 1.5);
        DrawRectangle(box, 0, 0, width - 1, height - 1);
    }
    MagickDrawImage(canvas, box);
    if (stroke)
        DestroyPixelWand(stroke);
    DestroyPixelWand(fill);
    DestroyDrawingWand(box);
}

// The text's drawing wand: face, size, style, weight, decoration, colour, opacity.
DrawingWand *textDrawing(const ProcessSettings &s, int dpi, WatermarkFontSelector selectFont)
{
    DrawingWand *draw = NewDrawingWand();
    DrawSetTextEncoding(draw, "UTF-8");
    selectFont(draw, s.sy_text_fontName);
    DrawSetFontSize(draw, textWatermarkPixelSize(s.sy_text_fontSize, dpi));
    if (s.sy_text_isItalic)
        DrawSetFontStyle(draw, ItalicStyle);
    if (s.sy_text_weight > 0)
        DrawSetFontWeight(draw, static_cast<size_t>(s.sy_text_weight));
    DrawSetTextDecoration(draw, s.sy_text_isUnderlineDecoration     ? UnderlineDecoration
                                : s.sy_text_isLineThroughDecoration ? LineThroughDecoration
                                                                    : NoDecoration);
    PixelWand *colour = colourWand(s.sy_text_htmlColor, colorText(s.sy_text_rgbColors).c_str());
    DrawSetFillColor(draw, colour);
    DestroyPixelWand(colour);
    if (s.sy_text_opacity < 100)
        DrawSetFillOpacity(draw, s.sy_text_opacity / 100.0);
    return draw;
}

// Size of the text in pixels, whole; false when ImageMagick gives no metrics.
bool measureText(DrawingWand *draw, const std::string &utf8, int &width, int &height)
{
    MagickWand *probe = NewMagickWand();
    PixelWand *none = colourWand("none", "none");
    MagickNewImage(probe, 1, 1, none);
    double *metrics = MagickQueryFontMetrics(probe, draw, utf8.c_str());
    DestroyPixelWand(none);
    DestroyMagickWand(probe);
    if (!metrics)
        return false;
    double textWidth = metrics[4] > 0 ? metrics[4] : metrics[11];
    width = wholePixels(textWidth);
    height = wholePixels(metrics[2] - metrics[3]);
    MagickRelinquishMemory(metrics);
    return width > 0 && height > 0;
}

bool rotateTransparent(MagickWand *wand, int degrees)
{
    if (degrees <= 0)
        return true;
    PixelWand *none = colourWand("none", "none");
    bool ok = MagickRotateImage(wand, none, degrees) != MagickFalse;
    DestroyPixelWand(none);
    return ok;
}

// The error text of the last ImageMagick call when it is an error (warnings such
// as an unknown chunk are not); empty otherwise. Clears the wand's exception.
std::string errorOf(MagickWand *wand, MagickBooleanType status)
{
    ExceptionType severity = UndefinedException;
    char *text = MagickGetException(wand, &severity);
    std::string reason;
    if (status == MagickFalse || severity >= ErrorException)
        reason = text && *text ? utf8ToGbk(text) : std::string("无法识别的图片格式");
    if (text)
        MagickRelinquishMemory(text);
    MagickClearException(wand);
    return reason;
}

}  // namespace

int textWatermarkPixelSize(int points, int dpi)
{
    return dpi * points / 72;
}

bool buildTextWatermark(const ProcessSettings &s, int dpi, WatermarkFontSelector selectFont, MagickWand **mark)
{
    *mark = nullptr;
    if (s.sy_text.empty())
        return true;
    std::string text = gbkToUtf8(s.sy_text);
    DrawingWand *draw = textDrawing(s, dpi, selectFont);
    int textWidth = 0, textHeight = 0;
    if (!measureText(draw, text, textWidth, textHeight)) {
        DestroyDrawingWand(draw);
        return false;
    }
    int frame = s.sy_text_border_size;
    int width = 2 * frame + 2 * s.sy_text_padding_left_right + textWidth + 1;
    int height = 2 * frame + 2 * s.sy_text_padding_top_bottom + textHeight + 1;

    MagickWand *canvas = NewMagickWand();
    PixelWand *none = colourWand("none", "none");
    bool ok = MagickNewImage(canvas, width, height, none) != MagickFalse;
    DestroyPixelWand(none);
    if (ok) {
        drawBox(canvas, s, width, height);
        DrawSetGravity(draw, CenterGravity);
        ok = MagickAnnotateImage(canvas, draw, 0, 0, 0, text.c_str()) != MagickFalse &&
             rotateTransparent(canvas, s.sy_text_rotate);
    }
    DestroyDrawingWand(draw);
    if (!ok) {
        DestroyMagickWand(canvas);
        return false;
    }
    *mark = canvas;
    return true;
}

MagickWand *readWatermarkFile(const std::string &path, std::string &reason)
{
    // Frames and size from the header first (the checked read): a huge picture is
    // refused before it takes memory, a decode error is a failure.
    PictureFile file;
    if (!readPictureFile(path, file, reason))
        return nullptr;
    if (file.frames != 1) {
        reason = formatText("水印图片不能是动画 (%lu 帧)", static_cast<unsigned long>(file.frames));
        return nullptr;
    }
    if (file.width > kWatermarkMaxSide || file.height > kWatermarkMaxSide || file.pixels > kWatermarkMaxPixels) {
        reason = formatText("水印图片太大 (%lu x %lu 像素)", static_cast<unsigned long>(file.width),
                            static_cast<unsigned long>(file.height));
        return nullptr;
    }
    return decodePictureFile(file, DecodeHint(), reason);
}

bool buildPictureWatermark(const ProcessSettings &s, MagickWand **mark, std::string &reason)
{
    *mark = nullptr;
    if (s.sy_image.empty())
        return true;
    MagickWand *picture = readWatermarkFile(s.sy_image, reason);
    if (!picture)
        return false;
    MagickSetFirstIterator(picture);
    // Ink amounts would be taken for red, green and blue over an RGB picture.
    if (MagickGetImageColorspace(picture) == CMYKColorspace)
        MagickTransformImageColorspace(picture, sRGBColorspace);
    bool ok = rotateTransparent(picture, s.sy_image_rotate);
    double opacity = s.sy_image_opacity / 100.0;
    if (ok && opacity < 1) {
        if (MagickGetImageAlphaChannel(picture))
            ok = MagickEvaluateImageChannel(picture, OpacityChannel, MultiplyEvaluateOperator, opacity) != MagickFalse;
        else
            ok = MagickSetImageOpacity(picture, opacity) != MagickFalse;
    }
    if (!ok) {
        reason = errorOf(picture, MagickFalse);
        DestroyMagickWand(picture);
        return false;
    }
    *mark = picture;
    return true;
}

PreparedWatermarks::~PreparedWatermarks()
{
    replaceText(nullptr);
    replacePicture(nullptr);
}

void PreparedWatermarks::replaceText(MagickWand *mark)
{
    if (text)
        DestroyMagickWand(text);
    text = mark;
}

void PreparedWatermarks::replacePicture(MagickWand *mark)
{
    if (picture)
        DestroyMagickWand(picture);
    picture = mark;
}

void PreparedWatermarks::handTo(PipelineInputs &inputs) const
{
    inputs.textWatermark = text;
    inputs.imageWatermark = picture;
}
