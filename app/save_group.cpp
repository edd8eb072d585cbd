#include "app/save_group.h"

#include "util/registry_store.h"
#include "ui/run_prompts.h"
#include "ui/window_kit.h"

static const char kPicSaveMode[] = "pic_save_mode";
static const char kRecordSaveToPath[] = "is_record_save_to_path";
static const char kSaveToPath[] = "save_to_path";

int picSaveModeFromStored(bool present, DWORD value)
{
    return present && value <= 2 ? (int)value : 0;
}

SaveChoice saveChoiceAfterRun(int picSaveMode, bool saveTo, bool overwrite)
{
    SaveChoice c;
    switch (picSaveMode) {
    case 1:
        c.saveTo = saveTo;
        break;
    case 2:
        c.saveTo = saveTo;
        c.overwrite = overwrite;
        break;
    default:
        break;
    }
    c.folderControlsEnabled = !(picSaveMode == 2 && !c.saveTo);
    return c;
}

int readPicSaveMode()
{
    DWORD value = 0;
    bool present = readRegDword(HKEY_CURRENT_USER, kProgramRegistryKey, kPicSaveMode, &value);
    return picSaveModeFromStored(present, value);
}

bool writePicSaveMode(int mode)
{
    return writeProgramDword(kPicSaveMode, (DWORD)picSaveModeFromStored(true, (DWORD)mode));
}

static void setField(const SaveGroup &group, const std::string &text)
{
    if (group.controls.folderField)
        SetWindowTextA(group.controls.folderField, text.c_str());
}

void loadSaveGroupPreferences(SaveGroup &group)
{
    group.picSaveMode = readPicSaveMode();
    if (readProgramDword(kRecordSaveToPath, 0) == 0)
        return;
    std::string folder = readProgramString(kSaveToPath);
    if (folder.empty())
        return;
    group.rememberedFolder = folder;
    setField(group, folder);
}

static void enableFolderControls(const SaveGroup &group, bool on, bool structureToo)
{
    const SaveGroupControls &c = group.controls;
    if (c.folderField)
        EnableWindow(c.folderField, on);
    if (c.chooseButton)
        EnableWindow(c.chooseButton, on);
    if (structureToo && c.structureCheck)
        EnableWindow(c.structureCheck, on);
}

static bool isTicked(HWND button) { return button && getCheck(button); }

std::string folderFieldText(const SaveGroup &group)
{
    HWND field = group.controls.folderField;
    if (!field)
        return std::string();
    char text[MAX_PATH * 2] = {};
    GetWindowTextA(field, text, sizeof text);
    return text;
}

void selectSaveTo(SaveGroup &group)
{
    enableFolderControls(group, true, true);
    setField(group, group.rememberedFolder);
}

void chooseTargetFolder(SaveGroup &group, HWND owner)
{
    char path[MAX_PATH] = {};
    std::string start = folderFieldText(group);
    lstrcpynA(path, start.c_str(), sizeof path);
    if (!runPrompts().chooseFolder(owner, "图片处理后保存到：", path) || !path[0])
        return;
    group.rememberedFolder = path;
    setField(group, group.rememberedFolder);
    if (!isTicked(group.controls.saveToRadio)) {
        setCheck(group.controls.saveToRadio, true);
        if (group.controls.overwriteRadio)
            setCheck(group.controls.overwriteRadio, false);
        selectSaveTo(group);
    }
}

void selectOverwrite(SaveGroup &group, HWND owner)
{
    const SaveGroupControls &c = group.controls;
    // The button is ticked only here, after an OK: ticked means answered. (The
    // state of the folder controls says nothing: any change of a setting after a
    // run that cleared both choices turns them off as well.)
    if (isTicked(c.overwriteRadio))
        return;
    int answer = runPrompts().messageBox(
        owner, "直接覆盖原图，有可能因参数设置错误造成无法挽回的局面。\n\n确定要覆盖原图吗？", "注意",
        MB_OKCANCEL | MB_ICONWARNING);
    if (answer == IDOK) {
        if (c.overwriteRadio)
            setCheck(c.overwriteRadio, true);
        if (c.saveToRadio)
            setCheck(c.saveToRadio, false);
        enableFolderControls(group, false, true);
        setField(group, std::string());
        return;
    }
    if (c.saveToRadio)
        setCheck(c.saveToRadio, true);
    if (c.overwriteRadio)
        setCheck(c.overwriteRadio, false);
    selectSaveTo(group);
}

SaveMode selectedSaveMode(const SaveGroup &group)
{
    if (isTicked(group.controls.saveToRadio))
        return SaveMode::SaveTo;
    if (isTicked(group.controls.overwriteRadio))
        return SaveMode::Overwrite;
    return SaveMode::None;
}

bool structureKept(const SaveGroup &group) { return isTicked(group.controls.structureCheck); }

RunRequest saveGroupRequest(const SaveGroup &group)
{
    RunRequest r;
    r.mode = selectedSaveMode(group);
    r.folderText = folderFieldText(group);
    r.keepStructure = r.mode == SaveMode::SaveTo && structureKept(group);
    return r;
}

void rememberFolderAfterRun(const SaveGroup &group)
{
    if (selectedSaveMode(group) != SaveMode::SaveTo || readProgramDword(kRecordSaveToPath, 0) == 0)
        return;
    writeProgramString(kSaveToPath, folderFieldText(group));
}

void applyPicSaveMode(SaveGroup &group)
{
    const SaveGroupControls &c = group.controls;
    SaveChoice after = saveChoiceAfterRun(group.picSaveMode, isTicked(c.saveToRadio), isTicked(c.overwriteRadio));
    if (c.saveToRadio)
        setCheck(c.saveToRadio, after.saveTo);
    if (c.overwriteRadio)
        setCheck(c.overwriteRadio, after.overwrite);
    enableFolderControls(group, after.folderControlsEnabled, false);
}
