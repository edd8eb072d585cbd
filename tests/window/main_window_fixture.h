// The one main window the window tests share (the program creates it once too),
// with the panel's boxes, balloons and dialogs going to a recorder.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

struct RecordedBalloon {
    HWND control;
    std::string title;
    std::string text;
};
struct RecordedBox {
    std::string caption;
    std::string text;
    UINT type;
};

struct PanelRecorder {
    std::vector<RecordedBalloon> balloons;
    std::vector<RecordedBox> boxes;
    int fontDialogs = 0;
    int boxAnswer = IDOK;
    void clear()
    {
        balloons.clear();
        boxes.clear();
        fontDialogs = 0;
        boxAnswer = IDOK;
    }
};

PanelRecorder &recorder();
// Creates the window on first use (hidden, in a scratch program folder).
HWND sharedMainWindow();
// Handles pending messages of this thread.
void pumpMainWindowMessages();
// The run's and the save group's questions go to the same recorder as the
// panel's (the shared window starts that way; a test that changes them puts
// this back).
void useRecordingRunPrompts();
