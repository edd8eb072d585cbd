// The main tool's one settings record. Field names are exactly the keys of the
// settings files ("config.dat", "*.sz"), misspellings such as bQuanlity included.
#pragma once
#include <string>

struct ProcessSettings {
    // Resize ("基本设置")
    int bSize = 0;
    int zoomType = 0;        // 0 shrink only, 1 enlarge only, 2 both
    int sizeType = 0;        // 0 width, 1 height
    int zoomUnit = 0;        // 0 pixels, 1 percent
    int sizeValue = 750;     // 1..9999 pixels
    float fSizeValue = 100.0f;  // 1.0..999.99 percent
    int bZoomSameScale = 1;

    // Quality
    int bQuanlity = 0;
    int quanlity = 91;       // 10..100
    int qualityMode = 0;     // 0 quality, 1 maximum file size
    int maxFileSize = 0;     // KB, 0 = not set

    // Text watermark ("文字水印")
    int bSYText = 0;
    std::string sy_text;
    int sy_text_rotate = 0;  // degrees from the angle list
    int sy_text_opacity = 100;
    int sy_text_w_direction = 2;
    int sy_text_w_value = 16;
    int sy_text_h_direction = 2;
    int sy_text_h_value = 16;
    std::string sy_text_fontName = "宋体";
    int sy_text_fontSize = 26;
    int sy_text_rgbColors = 0;  // 0x00BBGGRR
    std::string sy_text_htmlColor = "#000000";
    int sy_text_isItalic = 0;
    int sy_text_weight = 400;
    int sy_text_isUnderlineDecoration = 0;
    int sy_text_isLineThroughDecoration = 0;
    int sy_text_background_color = -1;  // -1 = none
    int sy_text_border_color = 0;
    int sy_text_border_size = 0;
    int sy_text_border_corner_radius = 0;
    int sy_text_padding_left_right = 0;
    int sy_text_padding_top_bottom = 0;

    // Picture watermark ("图片水印")
    int bSYImage = 0;
    std::string sy_image;
    int sy_image_w_direction = 2;
    int sy_image_w_value = 16;
    int sy_image_h_direction = 2;
    int sy_image_h_value = 16;
    int sy_image_rotate = 0;
    int sy_image_opacity = 100;

    // Border ("边框设置")
    int bBorder = 0;
    int border_location = 0;  // 0 outside, 1 inside
    int border_size = 0;
    int border_color = 0;
    int border_padding = 0;

    // Other ("其他设置")
    int bLight = 0;
    int lightValue = 0;
    int bContrast = 0;
    int contrastValue = 0;
    int bClearly = 0;
    int clearlyValue = 0;
    int bConvertBlackToWhite = 0;
    int bRemovePhotoOtherInfo = 0;
    int bColorspaceTo = 0;
    int fromColorspace = 0;  // 0 CMYK, 1 RGB, 2 sRGB, 3 all
    int toColorspace = 2;    // 0 CMYK, 1 RGB, 2 sRGB
    int bUseSRGB_ICC = 0;
    int bDpi = 0;
    int dpi = -1;            // 1..65535, -1 = not given
    int bDpiResample = 0;
    int bAutoOrient = 1;          // turn photos as their orientation tag says
    int bRemovePhotoGpsInfo = 0;  // only the location, the rest of the camera data stays
    int bKeepFileTime = 0;        // a written picture keeps its source's file times
};
