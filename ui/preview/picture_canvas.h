// How a window shows one picture: fitted to the window ("适合窗口": a picture
// larger than the client area is shrunk, never enlarged, until it fits with its
// margins) or at its natural size ("实际大小"); centred inside a thin black
// frame when it fits, otherwise scrolled, with an 8-pixel margin before it. The
// preview panes and the picture viewer share these rules; each keeps its own
// picture and tells the canvas how to draw it at the size shown.
#pragma once
#include <windows.h>

// ---- Rules (no window) ----------------------------------------------------------

constexpr int kCanvasFitMargin = 15;   // a picture fits when picture + 15 < client
constexpr int kCanvasRangeExtra = 17;  // the scroll range of a picture that does not fit: 0..picture + 17
constexpr int kCanvasEdge = 8;         // margin before a scrolled picture
constexpr int kCanvasWheelStep = 50;   // pixels per wheel message

// The size a picture of pictureWidth x pictureHeight is shown at when fitted to
// a client area: itself when picture + 15 < client on both axes, else shrunk
// with its proportions (rounded, no side below 1) until both sides are at most
// client - 16, so that it fits and is centred.
struct CanvasSize {
    int width = 0;
    int height = 0;
};
CanvasSize canvasFitSize(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight);

// A picture shown fitted may be composed smaller, with four times the pixels,
// each way, of the size it is shown at: shrunk from there, it shows what the
// whole picture shrunk shows, to within 40 dB (joined photos in panes of 400 x
// 300 to 1280 x 1024: 41.6-49 dB; three times gave 38.6-47 dB, the worst where
// a 3-pixel gap falls between two shown pixels). The scale for a picture of
// width x height in a client area; 1 when that is no reduction. 0 x 0: 1.
double canvasComposeScale(int clientWidth, int clientHeight, long long width, long long height);

// One axis of the scroll state.
struct CanvasRange {
    bool scrolls = false;  // false: nothing to scroll, the bar is hidden
    int maximum = 0;       // range 0..maximum
    int page = 0;          // the client size
};

CanvasRange canvasRange(int client, int picture);
// Highest position the range allows (a page's worth before its end, as Windows scroll bars do).
int canvasLastPosition(const CanvasRange &range);
int clampCanvasPosition(int position, const CanvasRange &range);
// Where the picture starts on this axis: centred ((client - picture) / 2) when it
// fits, else kCanvasEdge - position.
int canvasOrigin(int client, int picture, int position);
// The position after a scroll-bar request (SB_LINEUP ... SB_THUMBTRACK); requests
// that move nothing keep the position.
int canvasScrollPosition(int request, int position, int trackPosition, const CanvasRange &range);

// A wheel message: the vertical bar moves when it has a range, else the
// horizontal one, else nothing; 50 pixels toward larger positions when the wheel
// turns toward the user (negative delta).
struct CanvasWheelMove {
    int bar = -1;  // SB_VERT, SB_HORZ or -1 (nothing moves)
    int position = 0;
};
CanvasWheelMove canvasWheel(int delta, int horizontalPosition, const CanvasRange &horizontal, int verticalPosition,
                            const CanvasRange &vertical);

// ---- A window's client area ------------------------------------------------------

// Draws the picture with its top-left corner at (x, y) at width x height (its
// own size, or smaller when fitted).
typedef void (*CanvasDraw)(void *context, HDC dc, int x, int y, int width, int height);

struct PictureCanvas {
    HWND window = nullptr;
    int width = 0;   // picture size in screen pixels, 0 x 0 when there is none
    int height = 0;
    bool fit = true;      // "适合窗口"; false: "实际大小"
    int shownWidth = 0;   // the size it is drawn at (the fitted size, or width x height)
    int shownHeight = 0;
    int x = 0;       // scroll positions
    int y = 0;
    CanvasDraw draw = nullptr;
    void *context = nullptr;
};

// A new picture size (0 x 0: none). keepPosition keeps the scroll positions (as far
// as the new ranges allow), else both become 0. Repaints.
void canvasSetPicture(PictureCanvas &canvas, int width, int height, bool keepPosition);
// Switches between fitted and natural size. The picture point under anchor
// (client coordinates) stays under it as far as the scroll ranges allow.
// Repaints.
void canvasSetFit(PictureCanvas &canvas, bool fit, POINT anchor);
// Recomputes both ranges for the current client size (after a size change).
void canvasUpdateRanges(PictureCanvas &canvas);
// WM_HSCROLL (bar SB_HORZ) and WM_VSCROLL (SB_VERT); repaints without erasing.
void canvasOnScroll(PictureCanvas &canvas, int bar, WPARAM wParam);
// WM_MOUSEWHEEL; false when nothing could move.
bool canvasOnWheel(PictureCanvas &canvas, int delta);
// White client area, the frame one pixel outside the picture and the picture,
// drawn into a memory bitmap and copied to dc in one transfer.
void canvasPaint(const PictureCanvas &canvas, HDC dc);
// The picture's current place in client coordinates.
POINT canvasPictureOrigin(const PictureCanvas &canvas);
// A rectangle of the picture (picture pixels: left, top, right, bottom) in client
// coordinates at the shown size: edges are scaled and rounded, and a rectangle
// of at least one pixel stays at least one pixel.
RECT canvasClientRect(const PictureCanvas &canvas, const RECT &pictureRect);
