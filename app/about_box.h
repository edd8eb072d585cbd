// The About box.
#pragma once
#include <windows.h>

#include <string>

#include "util/app_info.h"

std::string aboutText();
void showAboutBox(HWND owner);
