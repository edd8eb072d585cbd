#include "util/wine_host.h"

#include <windows.h>

void *wineExport(const char *module, const char *name)
{
    HMODULE handle = GetModuleHandleA(module);
    return handle ? (void *)GetProcAddress(handle, name) : nullptr;
}

bool runningUnderWine()
{
    static const bool wine = wineExport("ntdll.dll", "wine_get_version") != nullptr;
    return wine;
}

static bool environmentSet(const char *name)
{
    char value[8];
    return GetEnvironmentVariableA(name, value, sizeof value) > 0;
}

bool windowDisplayAvailable()
{
    return !runningUnderWine() || environmentSet("DISPLAY") || environmentSet("WAYLAND_DISPLAY");
}
