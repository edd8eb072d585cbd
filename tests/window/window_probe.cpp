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
