// "查看原图": the first selected picture of the list in the picture viewer. The
// viewer's loader knows JPEG but not every format the list takes, so other
// pictures (and CMYK JPEGs) are shown through a JPEG copy in the temp folder.
#pragma once
#include <windows.h>

#include <string>

// What the viewer is given for a picture file.
struct ViewerSource {
    bool ok = false;
    std::string path;     // the picture itself, or tempFile holding its JPEG copy
    std::string message;  // when not ok: the information-window text
};

// Decides and, when needed, writes tempFile (JPEG, quality 90): the first image of
// a multi-image file, turned as its orientation tag says (autoOrient), alpha laid
// on white, CMYK turned into RGB. The old tempFile is deleted first, so a failed
// write never shows the picture viewed before.
ViewerSource prepareViewerPicture(const std::string &picturePath, const std::string &tempFile,
                                  bool autoOrient = true);

// The command (35206, and the list's context menu).
void viewOriginalPicture(HWND mainWindow);
