// The join tool's window "Velmora图片批量拼接工具" (class "Velmora_JOIN"):
// resizable, opened maximised, a settings panel against the right edge and the
// live preview of one group beside it. Created once, afterwards only shown and hidden.
#pragma once
#include <windows.h>

extern const char kJoinWindowClass[];  // "Velmora_JOIN"

enum JoinControlId {
    kJoinSourceLabelId = 37300,
    kJoinHelpLinkId = 37301,
    kJoinSourceEditId = 37302,
    kJoinSourceButtonId = 37303,
    kJoinVerticalId = 37304,
    kJoinHorizontalId = 37305,
    kJoinSizeLabelId = 37306,
    kJoinVerticalRuleId = 37307,
    kJoinHorizontalRuleId = 37308,
    kJoinCustomId = 37309,
    kJoinSpacingLabelId = 37310,
    kJoinSpacingId = 37311,
    kJoinSpacingValueId = 37312,
    kJoinTargetLabelId = 37313,
    kJoinTargetEditId = 37314,
    kJoinTargetButtonId = 37315,
    kJoinFormatLabelId = 37316,
    kJoinProgressId = 37317,
    kJoinStartId = 37318,
    kJoinPaneId = 37319,
    kJoinStatusId = 37320,
    kJoinFormatBoxFirstId = 37330,  // "jpg", "png", "gif", "bmp", "webp/heic/avif"
    kJoinOutputFirstId = 37340,     // the output block (ui/output_controls.h offsets)
};

// The main window's command: hides the main window, creates the window on first
// use (maximised), clears the source, target, groups and preview, loads the
// stored values and shows it.
HWND openJoinTool(HWND mainWindow);
HWND joinToolWindow();

// What the preview shows (tests): the group index, whether a request is still
// being made, and the two status texts.
struct JoinPreviewState {
    int index = 0;
    int groups = 0;
    bool pending = false;
    int shown = 0;  // previews shown since the window was created
};
JoinPreviewState joinPreviewState();
