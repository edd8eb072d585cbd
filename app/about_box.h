// The About box.
#pragma once
#include <windows.h>

#include <string>

extern const char kVendorWebSite[];
std::string aboutText();
void showAboutBox(HWND owner);
