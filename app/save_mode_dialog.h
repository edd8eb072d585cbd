// "设置图片处理完成后, 下一次的保存模式": which save choice survives a completed
// run (pic_save_mode 0, 1 or 2). Opened from the main window's settings menu;
// modal to the main window; created hidden once.
#pragma once
#include <windows.h>

extern const char kSaveModeDialogClass[];

// The three choices are kSaveModeFirstChoiceId + 0, 1, 2 (the value they stand for).
constexpr int kSaveModeFirstChoiceId = 36601;
constexpr int kSaveModeNoteId = 36604;
constexpr int kSaveModeSaveId = 36605;    // "保存设置"
constexpr int kSaveModeCancelId = 36606;  // "取消"

HWND createSaveModeDialog(HINSTANCE instance, HWND owner);
HWND saveModeDialogHandle();

// Shows the dialog over owner (disabled meanwhile) with picSaveMode chosen and waits until it closes. "保存设置"
// stores the choice in picSaveMode and as pic_save_mode and returns true;
// "取消" and the close box leave both alone. Choosing 2 asks first.
bool runSaveModeDialog(HWND owner, int &picSaveMode);
