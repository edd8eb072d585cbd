// The program is a Windows program. Run under Wine on Linux (the Winelib build
// always is, velmora.exe may be) three things differ for its user: the shell
// passes Unix paths, the terminal reads UTF-8, and a window needs a display.
// Wine makes itself known through exports of its own, which Windows lacks.
#pragma once

bool runningUnderWine();

// An export of a system DLL that only Wine has ("wine_get_dos_file_name" of
// kernel32, ...); null on Windows.
void *wineExport(const char *module, const char *name);

// False only under Wine without an X or Wayland display: Wine then draws windows
// nowhere.
bool windowDisplayAvailable();
