// Not a check: the time from a settings change to the preview picture on the
// screen, on the real main window, run only by bench/preview_bench.sh. Reads the
// photos named in VELMORA_BENCH_PHOTOS (';'-separated Unix paths); after each
// change it runs VELMORA_BENCH_CONVERT (a shell script doing the same work with
// ImageMagick's command-line tool and writing its own time into a file), so both
// are measured under the same load. Prints one line per photo and scenario;
// asserts nothing about time.
#include "gtest.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "main_window_fixture.h"
#include "app/main_commands.h"
#include "app/main_preview.h"
#include "app/main_window.h"
#include "app/settings_panel/panel_ids.h"
#include "app/settings_panel/settings_panel.h"
#include "ui/preview/preview_pane.h"
#include "util/magick_path.h"
#include "util/text.h"

namespace {

std::string environmentText(const char *name)
{
    char value[4096];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n && n < sizeof value ? std::string(value, n) : std::string();
}

double now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart / (double)frequency.QuadPart;
}

int shownCount()
{
    PreviewPaneInfo info;
    previewPaneInfo(mainPreviewPane(), info);
    return info.shown;
}

// Serves messages until the pane has shown one more picture (and painted it).
// Runs the comparison script for photo and scenario; its time in seconds (< 0 on failure).
double convertTime(const std::string &script, const std::string &photo, const char *scenario)
{
    std::string result = script + ".time";
    std::string resultDos = dosPathFromArgument(result);
    DeleteFileA(resultDos.c_str());
    std::string command = "/bin/sh " + script + " " + photo + " " + scenario + " " + result;
    STARTUPINFOA si = {sizeof si};
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    // Wine starts a Unix program without a handle to wait on: the script's file says when it is done.
    for (int waited = 0; waited < 600000; waited += 20) {
        HANDLE file = CreateFileA(resultDos.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            char text[64] = {};
            DWORD read = 0;
            ReadFile(file, text, sizeof text - 1, &read, nullptr);
            CloseHandle(file);
            if (read > 0 && text[read - 1] == '\n')
                return atof(text);
        }
        Sleep(20);
    }
    return -1;
}

bool waitForPicture(int before)
{
    double limit = now() + 300;
    while (now() < limit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        pumpMainWindowMessages();
        if (shownCount() > before && !mainPreviewStats().pending) {
            UpdateWindow(mainPreviewPane());
            return true;
        }
    }
    return false;
}

}  // namespace

TEST(MainWindowPreviewBench, DISABLED_SettingsChangeToPictureShown)
{
    std::vector<std::string> photos = splitText(environmentText("VELMORA_BENCH_PHOTOS"), ';');
    ASSERT_FALSE(photos.empty()) << "VELMORA_BENCH_PHOTOS is not set";
    std::string convertScript = environmentText("VELMORA_BENCH_CONVERT");
    ASSERT_FALSE(convertScript.empty()) << "VELMORA_BENCH_CONVERT is not set";
    int rounds = atoi(environmentText("VELMORA_BENCH_ROUNDS").c_str());
    if (rounds <= 0)
        rounds = 3;
    HWND window = sharedMainWindow();
    HWND panel = mainSettingsPanel(window);
    ShowWindow(window, SW_SHOWMAXIMIZED);
    auto control = [panel](int id) { return panelControl(panel, id); };
    auto tick = [&](int id, bool on) {
        if ((SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED) != on)
            SendMessageA(control(id), BM_CLICK, 0, 0);
    };
    auto slide = [&](int id, int value) {
        SendMessageA(control(id), TBM_SETPOS, TRUE, value);
        SendMessageA(GetParent(control(id)), WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), (LPARAM)control(id));
    };

    for (const std::string &photo : photos) {
        std::string path = dosPathFromArgument(photo);
        runMainCommand(window, kCmdListRemoveAll);
        pumpMainWindowMessages();
        addDroppedPaths(window, {path});
        HWND list = mainPictureList(window);
        ListView_SetItemState(list, 0, LVIS_SELECTED, LVIS_SELECTED);
        for (int scenario = 0; scenario < 2; ++scenario) {
            // Every tone setting, a border and quality 91; the second scenario also
            // resizes to 1280 pixels wide.
            ProcessSettings s;
            s.border_size = 3;
            showSettingsInPanel(panel, s);
            SetWindowTextA(control(kIdSizeField), "1280");
            tick(kIdResize, scenario == 1);
            tick(kIdQuality, true);
            slide(kIdQualitySlider, 91);
            tick(kIdLight, true);
            slide(kIdLightSlider, 20);
            tick(kIdContrast, true);
            slide(kIdContrastSlider, 10);
            tick(kIdClearly, true);
            slide(kIdClearlySlider, 30);
            tick(kIdBorder, true);
            pumpMainWindowMessages();
            if (!mainPreviewShown()) {
                int before = shownCount();
                runMainCommand(window, kCmdPreview);
                ASSERT_TRUE(waitForPicture(before));
            }
            while (mainPreviewStats().pending)
                waitForPicture(shownCount());
            const char *name = scenario ? "resize-1280" : "full-size";
            std::vector<double> times, theirs;
            for (int round = 0; round < rounds; ++round) {
                int before = shownCount();
                double start = now();
                slide(kIdLightSlider, round % 2 ? 20 : 25);  // the change
                ASSERT_TRUE(waitForPicture(before));
                times.push_back(now() - start);
                theirs.push_back(convertTime(convertScript, photo, name));
                ASSERT_GT(theirs.back(), 0.0) << "the comparison script failed";
            }
            std::sort(times.begin(), times.end());
            std::sort(theirs.begin(), theirs.end());
            PreviewPaneInfo info;
            previewPaneInfo(mainPreviewPane(), info);
            printf("preview %s %s %dx%d %.3f %.3f\n", photo.substr(photo.find_last_of('/') + 1).c_str(), name,
                   info.width, info.height, times[times.size() / 2], theirs[theirs.size() / 2]);
            fflush(stdout);
        }
    }
    runMainCommand(window, kCmdPreview);
    pumpMainWindowMessages();
}
