#include "app/main_layout.h"

const int kPanelSectionHeights[kPanelSectionCount] = {108, 235, 131, 138, 240, 102, 24};

int mainBaseWidth(int workAreaWidth)
{
    return 1260 < workAreaWidth ? 1260 : workAreaWidth - 8;
}

ClientSize initialClientSize(int workAreaWidth, int workAreaHeight)
{
    int base = mainBaseWidth(workAreaWidth);
    ClientSize size;
    if (base + 32 < workAreaWidth)
        size.width = base + 24;
    else if (base + 16 < workAreaWidth)
        size.width = base + 8;
    else
        size.width = base;

    static const struct {
        int minimumWorkHeight;
        int clientHeight;
    } steps[] = {{910, 910}, {750, 750}, {724, 676}, {666, 642}, {632, 584},
                 {587, 539}, {563, 515}, {537, 489}};
    size.height = 480;
    for (const auto &step : steps) {
        if (workAreaHeight >= step.minimumWorkHeight) {
            size.height = step.clientHeight;
            break;
        }
    }
    return size;
}

int fittedClientHeight(int ruleHeight, int workAreaHeight, int frameAndCaptionHeight, int statusHeight)
{
    int room = workAreaHeight - frameAndCaptionHeight - statusHeight;
    int height = ruleHeight < room ? ruleHeight : room;
    return height < 480 ? 480 : height;
}

int mainMinimumHeight(int statusHeight, const FrameExtras &extras)
{
    return 480 + statusHeight + extras.caption - 21;
}

MainLayout computeMainLayout(int outerWidth, int outerHeight, int statusHeight, const FrameExtras &extras,
                             int minWidth, int minHeight, int scrollBarWidth, int panelContentHeight)
{
    MainLayout layout = {};
    if (outerWidth < minWidth || outerHeight < minHeight)
        return layout;
    layout.fits = true;
    int usable = outerHeight - statusHeight - extras.caption - 83;
    layout.panelScrolls = panelContentHeight >= usable - extras.frameY;
    int scrollRoom = layout.panelScrolls ? scrollBarWidth + 2 : 0;
    int panelX = outerWidth - 251 - scrollRoom - extras.frameX;
    layout.panel = {panelX, 56, scrollBarWidth + 243, usable - extras.frameY - 1};
    layout.listContainer = {1, 62, panelX - 6, outerHeight - statusHeight - extras.caption - 89 - extras.frameY};
    layout.tipsX = (panelX - 299) / 2;
    layout.tipsY = (outerHeight - 162) / 2;
    return layout;
}

int stackPanelSections(const int *heights, int count, int *tops)
{
    int y = 0;
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            y += 6 + (i == count - 1 ? 2 : 0);
        tops[i] = y;
        y += heights[i];
    }
    return y;
}

PanelScroll panelScrollFor(int clientHeight, int contentHeight)
{
    PanelScroll scroll = {};
    if (clientHeight < contentHeight) {
        scroll.shown = true;
        scroll.maximum = contentHeight + 6;
        scroll.page = clientHeight > 0 ? clientHeight : 1;
    }
    return scroll;
}

int clampPanelScroll(int position, const PanelScroll &scroll)
{
    if (!scroll.shown)
        return 0;
    int top = scroll.maximum - scroll.page + 1;
    if (position > top)
        position = top;
    return position < 0 ? 0 : position;
}
