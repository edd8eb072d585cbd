// The save group under the settings panel: "处理后保存到" with its folder field,
// "选择" and the structure box, or "直接覆盖原图". The main window owns the
// controls and hands their handles here; the logic behind them lives here.
#pragma once
#include <windows.h>

#include <string>

#include "core/batch_run.h"

struct SaveGroupControls {
    HWND saveToRadio = nullptr;     // "处理后保存到"
    HWND overwriteRadio = nullptr;  // "直接覆盖原图"
    HWND folderField = nullptr;     // read-only "保存到：" field
    HWND chooseButton = nullptr;    // "选择"
    HWND structureCheck = nullptr;  // "按原文件夹(子文件夹)结构保存图片"
};

struct SaveGroup {
    SaveGroupControls controls;
    std::string rememberedFolder;  // the last chosen folder, for as long as the program runs
    int picSaveMode = 0;           // which choice survives a completed run (0..2)
};

// ---- Window-free rules ----------------------------------------------------------

// pic_save_mode as stored: a missing value or one of 3 or more reads as 0.
int picSaveModeFromStored(bool present, DWORD value);

struct SaveChoice {
    bool saveTo = false;
    bool overwrite = false;
    bool folderControlsEnabled = false;  // folder field and "选择"
};
// The radio buttons and folder controls after a completed run under pic_save_mode:
// 0 clears both choices, 1 keeps only "处理后保存到", 2 keeps either. The folder
// controls are enabled again, except under 2 while "处理后保存到" is not chosen.
SaveChoice saveChoiceAfterRun(int picSaveMode, bool saveTo, bool overwrite);

// ---- Registry -------------------------------------------------------------------

int readPicSaveMode();
bool writePicSaveMode(int mode);
// Reads pic_save_mode and, with is_record_save_to_path non-zero, a non-empty save_to_path
// into the field and the remembered folder (start-up).
void loadSaveGroupPreferences(SaveGroup &group);

// ---- The controls ---------------------------------------------------------------

// "选择": the folder browser "图片处理后保存到：" from the field's folder; on OK the
// folder goes into the field, is remembered, and "处理后保存到" is chosen.
void chooseTargetFolder(SaveGroup &group, HWND owner);
// "处理后保存到" clicked: enables the folder controls and puts the remembered folder back.
void selectSaveTo(SaveGroup &group);
// "直接覆盖原图" clicked: asks first unless overwrite is already chosen; OK ticks it,
// turns the folder controls off and empties the field, Cancel goes back to
// "处理后保存到". The radio buttons are not ticked by the click itself.
void selectOverwrite(SaveGroup &group, HWND owner);

SaveMode selectedSaveMode(const SaveGroup &group);
std::string folderFieldText(const SaveGroup &group);
bool structureKept(const SaveGroup &group);
// The request a start makes of the group (the program folder is filled in by the caller).
RunRequest saveGroupRequest(const SaveGroup &group);

// After a completed run: with "处理后保存到" chosen and is_record_save_to_path non-zero the
// folder is stored as save_to_path.
void rememberFolderAfterRun(const SaveGroup &group);
// After a completed run: applies pic_save_mode to the radio buttons and folder controls.
void applyPicSaveMode(SaveGroup &group);
