#include "window_probe.h"

#include "ui/info_window.h"

COLORREF paintedPixel(HWND window, int x, int y)
{
    RECT client;
    GetClientRect(window, &client);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageA(window, WM_PRINTCLIENT, (WPARAM)memory, PRF_CLIENT);
    COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colour;
}

std::string windowPixels(HWND window, const RECT &area)
{
    const int width = area.right - area.left, height = area.bottom - area.top;
    HDC source = GetDCEx(window, nullptr, DCX_CACHE);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string pixels;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, source, area.left, area.top, SRCCOPY);
        GdiFlush();
        pixels.assign(static_cast<const char *>(bits), static_cast<size_t>(width) * height * 4);
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(window, source);
    return pixels;
}

namespace {

struct Collected {
    CRITICAL_SECTION lock;
    std::vector<std::string> messages;
    Collected() { InitializeCriticalSection(&lock); }
};

Collected &collected()
{
    static Collected c;
    return c;
}

void collect(const char *text, void *)
{
    Collected &c = collected();
    EnterCriticalSection(&c.lock);
    c.messages.push_back(text);
    LeaveCriticalSection(&c.lock);
}

}  // namespace

void startInfoCollector()
{
    Collected &c = collected();
    EnterCriticalSection(&c.lock);
    c.messages.clear();
    LeaveCriticalSection(&c.lock);
    setInfoMessageSink(collect, nullptr);
}

void stopInfoCollector() { setInfoMessageSink(nullptr, nullptr); }

std::vector<std::string> infoCollected()
{
    Collected &c = collected();
    EnterCriticalSection(&c.lock);
    std::vector<std::string> copy = c.messages;
    LeaveCriticalSection(&c.lock);
    return copy;
}
