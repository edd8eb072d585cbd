#include "ui/preview/picture_canvas.h"

#include <algorithm>
#include <climits>

CanvasSize canvasFitSize(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight)
{
    CanvasSize size;
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return size;
    size.width = pictureWidth;
    size.height = pictureHeight;
    if (pictureWidth + kCanvasFitMargin < clientWidth && pictureHeight + kCanvasFitMargin < clientHeight)
        return size;
    const long long limitWidth = clientWidth - kCanvasFitMargin - 1 > 1 ? clientWidth - kCanvasFitMargin - 1 : 1;
    const long long limitHeight = clientHeight - kCanvasFitMargin - 1 > 1 ? clientHeight - kCanvasFitMargin - 1 : 1;
    const long long w = pictureWidth, h = pictureHeight;
    if (w * limitHeight >= h * limitWidth) {  // the width decides
        size.width = (int)limitWidth;
        size.height = (int)((h * limitWidth + w / 2) / w);
    } else {
        size.height = (int)limitHeight;
        size.width = (int)((w * limitHeight + h / 2) / h);
    }
    if (size.width < 1)
        size.width = 1;
    if (size.height < 1)
        size.height = 1;
    return size;
}

double canvasComposeScale(int clientWidth, int clientHeight, long long width, long long height)
{
    if (clientWidth <= 0 || clientHeight <= 0 || width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
        return 1.0;
    const CanvasSize shown = canvasFitSize(clientWidth, clientHeight, (int)width, (int)height);
    const double scale = 4.0 * std::max(shown.width / (double)width, shown.height / (double)height);
    return scale < 1.0 ? scale : 1.0;
}

CanvasRange canvasRange(int client, int picture)
{
    CanvasRange range;
    range.page = client > 0 ? client : 0;
    if (picture + kCanvasFitMargin < client)
        return range;
    range.scrolls = true;
    range.maximum = picture + kCanvasRangeExtra;
    return range;
}

int canvasLastPosition(const CanvasRange &range)
{
    if (!range.scrolls)
        return 0;
    int last = range.maximum - range.page + 1;
    return last > 0 ? last : 0;
}

int clampCanvasPosition(int position, const CanvasRange &range)
{
    int last = canvasLastPosition(range);
    return position < 0 ? 0 : position > last ? last : position;
}

int canvasOrigin(int client, int picture, int position)
{
    if (picture + kCanvasFitMargin < client)
        return (client - picture) / 2;
    return kCanvasEdge - position;
}

int canvasScrollPosition(int request, int position, int trackPosition, const CanvasRange &range)
{
    switch (request) {
    case SB_LINEUP: position -= 1; break;
    case SB_LINEDOWN: position += 1; break;
    case SB_PAGEUP: position -= range.page; break;
    case SB_PAGEDOWN: position += range.page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: position = trackPosition; break;
    default: break;
    }
    return clampCanvasPosition(position, range);
}

CanvasWheelMove canvasWheel(int delta, int horizontalPosition, const CanvasRange &horizontal, int verticalPosition,
                            const CanvasRange &vertical)
{
    CanvasWheelMove move;
    if (delta == 0)
        return move;
    int step = delta < 0 ? kCanvasWheelStep : -kCanvasWheelStep;
    if (vertical.scrolls) {
        move.bar = SB_VERT;
        move.position = clampCanvasPosition(verticalPosition + step, vertical);
    } else if (horizontal.scrolls) {
        move.bar = SB_HORZ;
        move.position = clampCanvasPosition(horizontalPosition + step, horizontal);
    }
    return move;
}

// ---- Window side ---------------------------------------------------------------------

namespace {

void clientSize(const PictureCanvas &canvas, int &width, int &height)
{
    RECT client = {};
    GetClientRect(canvas.window, &client);
    width = client.right;
    height = client.bottom;
}

void setBar(HWND window, int bar, const CanvasRange &range, int position)
{
    SCROLLINFO info = {sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS};
    if (range.scrolls) {
        info.nMin = 0;
        info.nMax = range.maximum;
        info.nPage = (UINT)range.page;
        info.nPos = position;
    }
    // A range of 0..0 with page 0 hides the bar.
    SetScrollInfo(window, bar, &info, TRUE);
}

}  // namespace

// The size the picture is drawn at in a client area of w x h.
static void updateShownSize(PictureCanvas &canvas, int w, int h)
{
    CanvasSize shown = {canvas.width, canvas.height};
    if (canvas.fit)
        shown = canvasFitSize(w, h, canvas.width, canvas.height);
    canvas.shownWidth = shown.width;
    canvas.shownHeight = shown.height;
}

void canvasUpdateRanges(PictureCanvas &canvas)
{
    if (!canvas.window) {
        canvas.shownWidth = canvas.width;
        canvas.shownHeight = canvas.height;
        return;
    }
    // Showing or hiding one bar changes the other axis's client size; three rounds
    // settle it (a fitted picture follows the client size it gets).
    for (int round = 0; round < 3; ++round) {
        int w = 0, h = 0;
        clientSize(canvas, w, h);
        updateShownSize(canvas, w, h);
        CanvasRange horizontal = canvasRange(w, canvas.shownWidth);
        CanvasRange vertical = canvasRange(h, canvas.shownHeight);
        canvas.x = clampCanvasPosition(canvas.x, horizontal);
        canvas.y = clampCanvasPosition(canvas.y, vertical);
        setBar(canvas.window, SB_HORZ, horizontal, canvas.x);
        setBar(canvas.window, SB_VERT, vertical, canvas.y);
    }
    InvalidateRect(canvas.window, nullptr, FALSE);
}

void canvasSetPicture(PictureCanvas &canvas, int width, int height, bool keepPosition)
{
    canvas.width = width > 0 && height > 0 ? width : 0;
    canvas.height = width > 0 && height > 0 ? height : 0;
    if (!keepPosition) {
        canvas.x = 0;
        canvas.y = 0;
    }
    canvasUpdateRanges(canvas);
}

void canvasSetFit(PictureCanvas &canvas, bool fit, POINT anchor)
{
    if (canvas.fit == fit)
        return;
    // The picture point under the anchor, in picture pixels.
    POINT origin = canvasPictureOrigin(canvas);
    double px = canvas.shownWidth > 0 ? (anchor.x - origin.x) * (double)canvas.width / canvas.shownWidth : 0.0;
    double py = canvas.shownHeight > 0 ? (anchor.y - origin.y) * (double)canvas.height / canvas.shownHeight : 0.0;
    canvas.fit = fit;
    canvasUpdateRanges(canvas);
    // Scrolled, the origin is kCanvasEdge - position: the position that puts the point back.
    canvas.x = (int)(kCanvasEdge + px * canvas.shownWidth / (canvas.width > 0 ? canvas.width : 1) - anchor.x + 0.5);
    canvas.y = (int)(kCanvasEdge + py * canvas.shownHeight / (canvas.height > 0 ? canvas.height : 1) - anchor.y + 0.5);
    canvasUpdateRanges(canvas);
}

void canvasOnScroll(PictureCanvas &canvas, int bar, WPARAM wParam)
{
    int w = 0, h = 0;
    clientSize(canvas, w, h);
    CanvasRange range = bar == SB_HORZ ? canvasRange(w, canvas.shownWidth) : canvasRange(h, canvas.shownHeight);
    SCROLLINFO info = {sizeof info, SIF_TRACKPOS};
    GetScrollInfo(canvas.window, bar, &info);
    int &position = bar == SB_HORZ ? canvas.x : canvas.y;
    position = canvasScrollPosition(LOWORD(wParam), position, info.nTrackPos, range);
    SCROLLINFO set = {sizeof set, SIF_POS};
    set.nPos = position;
    SetScrollInfo(canvas.window, bar, &set, TRUE);
    InvalidateRect(canvas.window, nullptr, FALSE);
}

bool canvasOnWheel(PictureCanvas &canvas, int delta)
{
    int w = 0, h = 0;
    clientSize(canvas, w, h);
    CanvasWheelMove move = canvasWheel(delta, canvas.x, canvasRange(w, canvas.shownWidth), canvas.y,
                                       canvasRange(h, canvas.shownHeight));
    if (move.bar < 0)
        return false;
    (move.bar == SB_HORZ ? canvas.x : canvas.y) = move.position;
    SCROLLINFO set = {sizeof set, SIF_POS};
    set.nPos = move.position;
    SetScrollInfo(canvas.window, move.bar, &set, TRUE);
    InvalidateRect(canvas.window, nullptr, FALSE);
    return true;
}

POINT canvasPictureOrigin(const PictureCanvas &canvas)
{
    int w = 0, h = 0;
    clientSize(canvas, w, h);
    POINT origin = {canvasOrigin(w, canvas.shownWidth, canvas.x), canvasOrigin(h, canvas.shownHeight, canvas.y)};
    return origin;
}

RECT canvasClientRect(const PictureCanvas &canvas, const RECT &r)
{
    POINT at = canvasPictureOrigin(canvas);
    auto scale = [](LONG value, int shown, int natural) {
        return natural > 0 ? (LONG)(((long long)value * shown + natural / 2) / natural) : value;
    };
    RECT out = {at.x + scale(r.left, canvas.shownWidth, canvas.width),
                at.y + scale(r.top, canvas.shownHeight, canvas.height),
                at.x + scale(r.right, canvas.shownWidth, canvas.width),
                at.y + scale(r.bottom, canvas.shownHeight, canvas.height)};
    if (r.right > r.left && out.right <= out.left)
        out.right = out.left + 1;
    if (r.bottom > r.top && out.bottom <= out.top)
        out.bottom = out.top + 1;
    return out;
}

void canvasPaint(const PictureCanvas &canvas, HDC dc)
{
    int w = 0, h = 0;
    clientSize(canvas, w, h);
    if (w <= 0 || h <= 0)
        return;
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP buffer = memory ? CreateCompatibleBitmap(dc, w, h) : nullptr;
    // Without a buffer the picture is drawn straight onto the window.
    HDC target = buffer ? memory : dc;
    HGDIOBJ oldBitmap = buffer ? SelectObject(memory, buffer) : nullptr;
    RECT all = {0, 0, w, h};
    FillRect(target, &all, (HBRUSH)GetStockObject(WHITE_BRUSH));
    if (canvas.shownWidth > 0 && canvas.shownHeight > 0) {
        POINT at = canvasPictureOrigin(canvas);
        HGDIOBJ oldPen = SelectObject(target, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(target, GetStockObject(NULL_BRUSH));
        Rectangle(target, at.x - 1, at.y - 1, at.x + canvas.shownWidth + 1, at.y + canvas.shownHeight + 1);
        SelectObject(target, oldBrush);
        SelectObject(target, oldPen);
        if (canvas.draw)
            canvas.draw(canvas.context, target, at.x, at.y, canvas.shownWidth, canvas.shownHeight);
    }
    if (buffer) {
        BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(buffer);
    }
    if (memory)
        DeleteDC(memory);
}
