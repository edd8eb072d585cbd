// Start-up of the window program: the program and temp folders, the per-user
// preferences, ImageMagick, the font tables, the main window and the message loop.
// Everything it finds lives for the whole run in one process-wide record.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/font_tables.h"
#include "app/startup_config.h"
#include "imaging/magick_env.h"

// Start-up problems the program cannot run with: a message box without owner,
// a web page for some, then the end of the process. The tests record them instead.
struct StartupFailureHooks {
    int (*messageBox)(const char *text, const char *caption, UINT type);
    void (*openPage)(const char *address);
    void (*exit)(UINT code);
};
StartupFailureHooks &startupFailureHooks();
// ImageMagick must decode its four built-in pictures (PNG, JPEG, GIF, BMP) before
// anything uses it; otherwise the initialisation message names the program folder,
// the web site opens and the process ends with -1.
void requireWorkingImageMagick(const StartupConfig &config,
                               const std::vector<SelfTestPicture> &pictures = builtInSelfTestPictures());
// The thumbnail worker must be running; otherwise "启动工作线程失败" and -1.
void requireThumbnailWorker(bool running);

// The whole start-up sequence and the message loop; returns the exit code.
// startPaths are files and folders to list as if they had been dropped.
int startApplication(HINSTANCE instance, int showCommand, const std::vector<std::string> &startPaths);
