#include "ui/preview/picture_canvas.h"

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

void canvasUpdateRanges(PictureCanvas &canvas)
{
    if (!canvas.window)
        return;
    // Showing or hiding one bar changes the other axis's client size; two rounds settle it.
    for (int round = 0; round < 2; ++round) {
        int w = 0, h = 0;
        clientSize(canvas, w, h);
        CanvasRange horizontal = canvasRange(w, canvas.width);
        CanvasRange vertical = canvasRange(h, canvas.height);
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

void canvasOnScroll(PictureCanvas &canvas, int bar, WPARAM wParam)
{
    int w = 0, h = 0;
    clientSize(canvas, w, h);
    CanvasRange range = bar == SB_HORZ ? canvasRange(w, canvas.width) : canvasRange(h, canvas.height);
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
    CanvasWheelMove move =
        canvasWheel(delta, canvas.x, canvasRange(w, canvas.width), canvas.y, canvasRange(h, canvas.height));
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
    POINT origin = {canvasOrigin(w, canvas.width, canvas.x), canvasOrigin(h, canvas.height, canvas.y)};
    return origin;
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
    if (canvas.width > 0 && canvas.height > 0) {
        POINT at = canvasPictureOrigin(canvas);
        HGDIOBJ oldPen = SelectObject(target, GetStockObject(BLACK_PEN));
        HGDIOBJ oldBrush = SelectObject(target, GetStockObject(NULL_BRUSH));
        Rectangle(target, at.x - 1, at.y - 1, at.x + canvas.width + 1, at.y + canvas.height + 1);
        SelectObject(target, oldBrush);
        SelectObject(target, oldPen);
        if (canvas.draw)
            canvas.draw(canvas.context, target, at.x, at.y);
    }
    if (buffer) {
        BitBlt(dc, 0, 0, w, h, memory, 0, 0, SRCCOPY);
        SelectObject(memory, oldBitmap);
        DeleteObject(buffer);
    }
    if (memory)
        DeleteDC(memory);
}
