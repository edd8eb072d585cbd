// Chinese text as the program's windows draw it: the faces programs ask for
// (宋体 and the dialog fonts) resolve, in the program's Wine prefix, to a font
// with the Chinese glyphs, drawn whole (nothing above or below the text cell)
// and smoothed, at the interface size and at 9 to 12 points.
#include "gtest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "ui/window_kit.h"

namespace {

struct Rendering {
    std::vector<BYTE> grey;  // one byte per pixel, 0 black .. 255 white
    int width = 0, height = 0;
    int cellTop = 0, cellBottom = 0;  // the text cell: from the origin, tmHeight high
    int inkTop = -1, inkBottom = -1;
    int inked = 0, partial = 0;  // dark pixels, and pixels between ink and paper
};

Rendering render(HFONT font, const WCHAR *text, int length)
{
    Rendering r;
    r.width = 200;
    r.height = 80;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.width;
    info.bmiHeader.biHeight = -r.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    HGDIOBJ oldFont = SelectObject(dc, font);
    RECT all = {0, 0, r.width, r.height};
    FillRect(dc, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(dc, &metrics);
    r.cellTop = 20;
    r.cellBottom = 20 + metrics.tmHeight;
    TextOutW(dc, 10, r.cellTop, text, length);
    GdiFlush();
    const BYTE *pixel = static_cast<const BYTE *>(bits);
    r.grey.resize((size_t)r.width * r.height);
    for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
            const BYTE *p = pixel + ((size_t)y * r.width + x) * 4;
            BYTE g = (BYTE)((p[0] + p[1] + p[2]) / 3);
            r.grey[(size_t)y * r.width + x] = g;
            if (g < 250) {
                if (r.inkTop < 0)
                    r.inkTop = y;
                r.inkBottom = y;
            }
            if (g < 128)
                ++r.inked;
            if (g > 40 && g < 215)
                ++r.partial;
        }
    }
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return r;
}

HFONT makeFont(const char *face, int height)
{
    LOGFONTA lf = {};
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

bool hasGlyphs(HFONT font, const WCHAR *text, int length)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    std::vector<WORD> glyphs((size_t)length);
    DWORD done = GetGlyphIndicesW(dc, text, length, glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (done != (DWORD)length)
        return false;
    for (WORD g : glyphs)
        if (g == 0xFFFF)
            return false;
    return true;
}

}  // namespace

TEST(ChineseText, TheFacesProgramsAskForDrawWholeSmoothChineseGlyphs)
{
    // 是, 置, 文 and 中: the first three lost their top rows in the rough glyphs.
    const WCHAR sample[] = {0x662F, 0x7F6E, 0x6587, 0x4E2D};
    const WCHAR zhong[] = {0x4E2D}, wen[] = {0x6587};
    struct Face {
        const char *name;
        HFONT font;
    };
    std::vector<Face> faces = {{"the interface font", uiFont()}};
    for (const char *name : {"宋体", "新宋体", "SimSun", "NSimSun", "MS Shell Dlg", "MS Shell Dlg 2", "Tahoma"})
        for (int height : {-12, -13, -15, -16})  // 9, 10, 11 and 12 points at 96 dpi
            faces.push_back({name, makeFont(name, height)});
    for (Face &face : faces) {
        LOGFONTA lf = {};
        GetObjectA(face.font, sizeof lf, &lf);
        SCOPED_TRACE(std::string(face.name) + " at " + std::to_string(-lf.lfHeight) + " px");
        EXPECT_TRUE(hasGlyphs(face.font, sample, 4)) << "no Chinese glyphs in the font drawn";
        Rendering text = render(face.font, sample, 4);
        ASSERT_GT(text.inked, 20) << "nothing drawn";
        EXPECT_GE(text.inkTop, text.cellTop) << "the glyphs reach above their cell and lose their top rows";
        EXPECT_LT(text.inkBottom, text.cellBottom) << "the glyphs reach below their cell";
        EXPECT_GT(text.partial * 4, text.inked) << "hard bitmap edges: the text is not smoothed";
        // Two different characters are two different pictures (no boxes).
        EXPECT_NE(render(face.font, zhong, 1).grey, render(face.font, wen, 1).grey);
        if (face.font != uiFont())
            DeleteObject(face.font);
    }
}
