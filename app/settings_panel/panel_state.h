// State shared by the files of the settings panel (not for other windows).
#pragma once
#include <windows.h>

#include <map>
#include <string>

#include "core/process_settings.h"
#include "core/settings_rules.h"
#include "app/main_layout.h"
#include "app/save_group.h"
#include "app/settings_panel/panel_ids.h"

struct PanelState {
    HWND panel = nullptr;
    HINSTANCE instance = nullptr;
    HWND sections[kPanelSectionCount] = {};
    int sectionTops[kPanelSectionCount] = {};
    int contentHeight = 0;
    int scrollPosition = 0;
    WNDPROC sectionProc = nullptr;  // the group box's own procedure

    ProcessSettings settings;
    // Percent mode remembers the zoom type it forced to 2 and the texts of each unit.
    int zoomTypeBeforePercent = 0;
    std::string lastPixelText = "750";
    std::string lastPercentText = "100";
    // Last valid text of each numeric field, put back when a typed text is refused.
    std::map<int, std::string> lastValidText;
    bool settingText = false;  // the panel itself changes a field: no checks
    bool collecting = false;
    SaveGroup saveGroup;  // the save group's controls and the folder chosen in this run
    // Told after every change the user makes to what the picture will look like.
    void (*changeListener)() = nullptr;
    std::map<int, std::string> textAtFocus;  // a field's text when it got the focus
};

PanelState &panelState();

// The panel's controls: section box (0..5), class, text, style and place inside
// the box (239 pixels wide), created in this order.
struct ControlDef {
    int id;
    int section;
    const char *cls;
    const char *text;
    DWORD style;
    int x, y, width, height;
};
extern const ControlDef kControls[];
extern const size_t kControlCount;
extern const char *const kSectionTitles[kPanelSectionCount];
extern const int kSectionWidth;
extern const char kButton[];

HWND ctl(int id);
// The scroll range of the panel at its present height.
PanelScroll currentScroll(HWND panel);
// The control a rule's verdict points at.
HWND controlFor(SettingsControl control);

// Behaviour (panel_behaviour.cpp).
void panelOnCommand(int id, int code, HWND control);
void panelOnSlider(HWND slider, int request);
// Enter in a field (relayed to the panel by the message loop): apply the field.
void panelOnEnter(HWND field);
void notifyPanelChanged();
void updatePanelStates();
// "按照片方向自动旋转" as ticked now: stored for the tools, followed by the list.
void followAutoOrient();
void updateSameScaleLabel();
void updateQualityLabel();
void updateBorderLabels();
void updateTextSummary();
void setFieldText(int id, const std::string &text);
std::string fieldText(int id);
void showVerdict(const SettingsVerdict &verdict);
void ensureControlVisible(HWND control);
