// A picture turned into what a preview pane paints: the JPEG-compressed appearance
// of a MagickWand, decoded into a device-independent bitmap. Safe on any thread
// (no window is touched), so a preview can be made off the window thread.
#pragma once
#include <windows.h>

#include <cstddef>
#include <string>
#include <wand/MagickWand.h>

struct DisplayPicture {
    HBITMAP bitmap = nullptr;  // 32-bit top-down DIB section of width x height
    int width = 0;
    int height = 0;
    size_t jpegBytes = 0;  // length of the JPEG data the picture was decoded from
    bool scaledDown = false;  // the picture was beyond the JPEG limit and shown smaller
    // A picture composed smaller than the one it shows (for a fitted pane): the
    // size of that one; 0 x 0 otherwise.
    int fullWidth = 0;
    int fullHeight = 0;
};

// Takes the wand (destroys it). quality 1..100 compresses at that quality; 0 keeps
// whatever compression the wand carries (the main tool's pipeline sets its own).
// A CMYK picture is shown through sRGB; a side over the JPEG limit (65500) is scaled
// down first (for display only). True and out filled; false with ImageMagick's
// reason (GBK) when no JPEG data could be made or read back.
bool makeDisplayPicture(MagickWand *wand, int quality, DisplayPicture &out, std::string &reason);
void releaseDisplayPicture(DisplayPicture &picture);

// The size a picture of width x height is shown at: itself, or scaled down
// proportionally until no side is over the JPEG limit (no side below 1).
void displaySizeFor(size_t width, size_t height, size_t &outWidth, size_t &outHeight);

// A display picture made from a bitmap a drawing produced (the picture viewer
// renders its OLE picture into one): a 32-bit top-down DIB of width x height,
// white where nothing was drawn. draw(context, dc) paints into it.
bool makeDrawnPicture(int width, int height, void (*draw)(void *context, HDC dc), void *context,
                      DisplayPicture &out);

// Shrinks 32-bit BGRA rows (top-down, no padding) of fromWidth x fromHeight to
// toWidth x toHeight (each at most the original): every new pixel is the mean of
// the area of the original it covers. Alpha comes out opaque.
void shrinkBgra(const unsigned char *from, int fromWidth, int fromHeight, unsigned char *to, int toWidth,
                int toHeight);

// Draws picture with its top-left corner at (x, y) at width x height: its own
// pixels at its own size, else a shrunk copy kept in cache until another size
// is asked for (the caller releases cache with the picture).
void drawDisplayPicture(const DisplayPicture &picture, DisplayPicture &cache, HDC dc, int x, int y, int width,
                        int height);
