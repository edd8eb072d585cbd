// Geometry of the main window: the initial client size chosen from the work area,
// the positions of the list and the settings panel after a size change, and the
// vertical stack of the panel's sections. No window is needed to compute any of it.
#pragma once

struct ClientSize {
    int width;
    int height;  // without the status bar
};

// Base width: 1260, or the work-area width - 8 on narrow screens. It is also the
// smallest outer width the frame may be dragged to.
int mainBaseWidth(int workAreaWidth);
ClientSize initialClientSize(int workAreaWidth, int workAreaHeight);
// The client height (without the status bar) that lets the whole window, frame
// and status bar included, fit a work area: ruleHeight when it fits, else as
// much as fits, but not below 480.
int fittedClientHeight(int ruleHeight, int workAreaHeight, int frameAndCaptionHeight, int statusHeight);

// Extras that make the layout independent of the frame style in use.
struct FrameExtras {
    int caption;  // SM_CYCAPTION - 19
    int frameX;   // SM_CXFRAME * 2 - 8
    int frameY;   // SM_CYFRAME * 2 - 8
};

struct Box {
    int x, y, width, height;
};

struct MainLayout {
    bool fits;            // false: the window is below its minimum size, nothing moves
    bool panelScrolls;    // the panel needs its vertical scroll bar
    Box panel;
    Box listContainer;
    int tipsX, tipsY;
};

// outerWidth/outerHeight: the window rectangle; statusHeight: the status bar;
// minWidth/minHeight: the smallest outer size; scrollBarWidth: SM_CXVSCROLL;
// panelContentHeight: the height of the panel's stacked sections.
MainLayout computeMainLayout(int outerWidth, int outerHeight, int statusHeight, const FrameExtras &extras,
                             int minWidth, int minHeight, int scrollBarWidth, int panelContentHeight);

// The smallest outer height: 480 + status bar + caption extra - 21.
int mainMinimumHeight(int statusHeight, const FrameExtras &extras);

// The panel's seven sections, top to bottom.
constexpr int kPanelSectionCount = 7;
extern const int kPanelSectionHeights[kPanelSectionCount];
// Lays the sections out from y = 0 with 6 pixels between them and 2 more before the
// last one; fills tops and returns the content height (the bottom of the last).
int stackPanelSections(const int *heights, int count, int *tops);

// Vertical scroll range of the panel for a client height: hidden (false) when the
// content fits, else 0..content + 6 with a page of the client height.
struct PanelScroll {
    bool shown;
    int maximum;
    int page;
};
PanelScroll panelScrollFor(int clientHeight, int contentHeight);
// A scroll position kept inside 0..maximum - page + 1 (0 when the content fits).
int clampPanelScroll(int position, const PanelScroll &scroll);
