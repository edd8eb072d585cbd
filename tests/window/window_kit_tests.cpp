// The window helper kit on real windows: controls, font, geometry, swatches,
// balloons (including closing from another thread) and the modal dialogs, which
// are driven by a timer running inside their own message loops.
#include "gtest.h"
#include "test_util.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "util/registry_store.h"
#include "ui/window_kit.h"
#include "util/path_list.h"
#include "util/text.h"
#include "window_kit_driver.h"

using namespace dialog_driver;

namespace {
// A plain top-level test window (optionally with a menu), destroyed with the object.
struct TestWindow {
    HWND hwnd = nullptr;
    explicit TestWindow(bool withMenu = false, DWORD style = WS_OVERLAPPEDWINDOW)
    {
        HMENU menu = nullptr;
        if (withMenu) {
            menu = CreateMenu();
            AppendMenuA(menu, MF_STRING, 1, "文件");
        }
        hwnd = CreateWindowExA(0, "STATIC", "kit", style, 100, 100, 400, 300, nullptr, menu, GetModuleHandleA(nullptr), nullptr);
    }
    ~TestWindow()
    {
        DestroyWindow(hwnd);
        pump();
    }
    HWND child(const char *cls, DWORD style, int x, int y, int w, int h, int id = 0) const
    {
        return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd, (HMENU)(INT_PTR)id,
                               GetModuleHandleA(nullptr), nullptr);
    }
};

DWORD WINAPI closeBalloonsElsewhere(LPVOID)
{
    closeBalloons();
    return 0;
}

RECT rectIn(HWND w, HWND parent)
{
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, parent, (POINT *)&r, 2);
    return r;
}
}  // namespace

TEST(WindowKit, ComboAndCheckShortcuts)
{
    TestWindow win;
    HWND combo = win.child("COMBOBOX", CBS_DROPDOWNLIST, 10, 10, 120, 200);
    EXPECT_EQ(selectComboText(combo, "jpg"), -1);  // empty box
    EXPECT_EQ(comboSelectedIndex(combo), -1);
    EXPECT_EQ(comboSelectedText(combo), "");
    EXPECT_EQ(addComboEntry(combo, "PNG"), 0);
    EXPECT_EQ(comboSelectedIndex(combo), 0);  // the first entry is selected
    EXPECT_EQ(addComboEntry(combo, "JPG"), 1);
    EXPECT_EQ(comboSelectedIndex(combo), 0);  // a second keeps the selection
    EXPECT_EQ(selectComboText(combo, "jpg"), 1);
    EXPECT_EQ(comboSelectedText(combo), "JPG");
    EXPECT_EQ(selectComboText(combo, "gif"), -1);
    EXPECT_EQ(comboSelectedIndex(combo), 1);
    addComboEntry(combo, "中文项");
    EXPECT_EQ(selectComboText(combo, "中文项"), 2);
    selectComboIndex(combo, 0);
    EXPECT_EQ(comboSelectedText(combo), "PNG");

    HWND box = win.child("BUTTON", BS_AUTOCHECKBOX, 10, 40, 100, 20);
    EXPECT_FALSE(getCheck(box));
    setCheck(box, true);
    EXPECT_TRUE(getCheck(box));
    setCheck(box, false);
    EXPECT_FALSE(getCheck(box));
}

TEST(WindowKit, OneSharedSongtiFontGivenToAllChildren)
{
    HFONT font = uiFont();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(uiFont(), font);  // created once
    LOGFONTA lf = {};
    GetObjectA(font, sizeof lf, &lf);
    EXPECT_STREQ(lf.lfFaceName, "宋体");
    EXPECT_EQ(lf.lfWeight, 400);

    TestWindow win;
    HWND a = win.child("BUTTON", BS_PUSHBUTTON, 0, 0, 50, 20);
    HWND group = win.child("STATIC", 0, 0, 30, 100, 100);
    HWND nested = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 50, 20, group, nullptr, nullptr, nullptr);
    applyUiFontToChildren(win.hwnd);
    EXPECT_EQ((HFONT)SendMessageA(a, WM_GETFONT, 0, 0), font);
    EXPECT_EQ((HFONT)SendMessageA(nested, WM_GETFONT, 0, 0), font);
}

TEST(WindowKit, ClientAreaSizingCountsMenuAndStatusBarAndCentringUsesTheClientSize)
{
    TestWindow win(true);
    HWND bar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, win.hwnd, nullptr, nullptr, nullptr);
    RECT barRect;
    GetWindowRect(bar, &barRect);
    int barHeight = barRect.bottom - barRect.top;
    ASSERT_GT(barHeight, 0);
    sizeClientArea(win.hwnd, 500, 320, bar);
    RECT client, outer;
    GetClientRect(win.hwnd, &client);
    GetWindowRect(win.hwnd, &outer);
    EXPECT_EQ(client.right, 500);
    EXPECT_EQ(client.bottom, 320 + barHeight);
    EXPECT_EQ(outer.left, 100);  // resized, not moved
    EXPECT_EQ(outer.top, 100);

    TestWindow plain;
    sizeClientArea(plain.hwnd, 260, 140);
    GetClientRect(plain.hwnd, &client);
    EXPECT_EQ(client.right, 260);
    EXPECT_EQ(client.bottom, 140);

    centerWindow(plain.hwnd);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(plain.hwnd, &outer);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 260) / 2);
    EXPECT_EQ(outer.top, (work.bottom - work.top - 140) / 2 - 26);
    EXPECT_EQ(outer.right - outer.left, 260 + (outer.right - outer.left - 260));  // size kept
    EXPECT_EQ(captionExtra(), GetSystemMetrics(SM_CYCAPTION) - 19);
}

TEST(WindowKit, SwatchIsFilledAndFramedInTheDarkShadowColour)
{
    HBITMAP swatch = makeSwatch(40, 17, RGB(200, 30, 90));
    ASSERT_NE(swatch, nullptr);
    DIBSECTION dib = {};
    ASSERT_EQ(GetObjectA(swatch, sizeof dib, &dib), (int)sizeof dib);
    EXPECT_EQ(dib.dsBm.bmWidth, 40);
    EXPECT_EQ(dib.dsBm.bmHeight, 17);
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 24);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, swatch);
    COLORREF frame = GetSysColor(COLOR_3DDKSHADOW);
    EXPECT_EQ(GetPixel(dc, 20, 8), RGB(200, 30, 90));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(200, 30, 90));
    EXPECT_EQ(GetPixel(dc, 38, 15), RGB(200, 30, 90));
    for (POINT p : {POINT{0, 0}, POINT{39, 0}, POINT{0, 16}, POINT{39, 16}, POINT{20, 0}, POINT{20, 16}, POINT{0, 8}, POINT{39, 8}})
        EXPECT_EQ(GetPixel(dc, p.x, p.y), frame) << p.x << "," << p.y;
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(swatch);
    EXPECT_EQ(makeSwatch(0, 17, 0), nullptr);
}

TEST(WindowKit, TransparencyMakesTheWindowLayeredWithTheColourKey)
{
    TestWindow win(false, WS_POPUP);
    setWindowTransparency(win.hwnd, RGB(1, 2, 3), 255, LWA_COLORKEY);
    EXPECT_TRUE(GetWindowLongPtrA(win.hwnd, GWL_EXSTYLE) & WS_EX_LAYERED);
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(win.hwnd, &key, &alpha, &flags));
    EXPECT_EQ(key, RGB(1, 2, 3));
    EXPECT_EQ(flags, (DWORD)LWA_COLORKEY);
}

TEST(WindowKit, TooltipsAttachToControlsAndWindows)
{
    TestWindow win;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND button = win.child("BUTTON", BS_PUSHBUTTON, 10, 10, 80, 24);
    EXPECT_EQ(attachTooltip(nullptr, "x", inst), nullptr);
    EXPECT_EQ(attachTooltip(button, nullptr, inst), nullptr);
    HWND tip = attachTooltip(button, "保存设置", inst);
    ASSERT_NE(tip, nullptr);
    EXPECT_EQ(SendMessageA(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
    char text[64] = {};
    TOOLINFOA ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = win.hwnd;
    ti.uId = (UINT_PTR)button;
    ti.lpszText = text;
    SendMessageA(tip, TTM_GETTEXTA, sizeof text, (LPARAM)&ti);
    EXPECT_STREQ(text, "保存设置");

    HWND balloon = attachWindowBalloon(win.hwnd, "点击查看原图", "预览", kBalloonInfo, inst);
    ASSERT_NE(balloon, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(balloon, GWL_STYLE) & TTS_BALLOON);
    EXPECT_TRUE(GetWindowLongPtrA(balloon, GWL_EXSTYLE) & WS_EX_TOPMOST);
    TOOLINFOA whole = {};
    whole.cbSize = sizeof whole;
    ASSERT_TRUE(SendMessageA(balloon, TTM_ENUMTOOLSA, 0, (LPARAM)&whole));
    RECT client;
    GetClientRect(win.hwnd, &client);
    EXPECT_TRUE(EqualRect(&whole.rect, &client));
    EXPECT_TRUE(whole.uFlags & TTF_CENTERTIP);
    detachWindowBalloon(win.hwnd, balloon);
    EXPECT_FALSE(IsWindow(balloon));
    DestroyWindow(tip);
}

TEST(WindowKit, BalloonPointsAtTheControlAndAnEighthClosesTheSevenOpenOnes)
{
    initBalloonLock();
    closeBalloons();
    TestWindow win;
    ShowWindow(win.hwnd, SW_SHOWNOACTIVATE);
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND edit = win.child("EDIT", WS_BORDER, 40, 30, 160, 22);
    HWND first = showBalloon(edit, "请输入一个1到100之间的数字", "看这里", kBalloonWarning, inst, false);
    ASSERT_NE(first, nullptr);
    pump();
    EXPECT_TRUE(IsWindowVisible(first));
    EXPECT_TRUE(GetWindowLongPtrA(first, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetActiveWindow(), first);  // never activated

    // The stem sits on the control's bottom edge, at its horizontal centre.
    RECT control, tipRect;
    GetWindowRect(edit, &control);
    GetWindowRect(first, &tipRect);
    int centre = (control.left + control.right) / 2;
    EXPECT_LE(abs(tipRect.top - control.bottom), 2) << tipRect.top << " vs " << control.bottom;
    EXPECT_GE(centre, tipRect.left);
    EXPECT_LT(centre, tipRect.right);

    // A title makes the balloon taller than the same text without one.
    HWND untitled = showBalloon(edit, "请输入一个1到100之间的数字", nullptr, 0, inst, false);
    RECT plainRect;
    GetWindowRect(untitled, &plainRect);
    EXPECT_GT(tipRect.bottom - tipRect.top, plainRect.bottom - plainRect.top);
    closeBalloons();
    first = showBalloon(edit, "请输入一个1到100之间的数字", "看这里", kBalloonWarning, inst, false);
    holdForLook();

    std::vector<HWND> open = {first};
    for (int i = 1; i < kMaxOpenBalloons; ++i)
        open.push_back(showBalloon(edit, formatText("第%d条", i).c_str(), nullptr, 0, inst, true));
    EXPECT_EQ(openBalloonCount(), 7);
    for (HWND b : open)
        EXPECT_TRUE(IsWindow(b));
    HWND eighth = showBalloon(edit, "第八条", "错误", kBalloonError, inst, false);
    EXPECT_EQ(openBalloonCount(), 1);
    for (HWND b : open)
        EXPECT_FALSE(IsWindow(b));
    EXPECT_TRUE(IsWindow(eighth));
    closeBalloons();
    EXPECT_EQ(openBalloonCount(), 0);
    EXPECT_FALSE(IsWindow(eighth));
}

TEST(WindowKit, BalloonsCanBeClosedFromAnotherThread)
{
    closeBalloons();
    TestWindow win;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    HWND edit = win.child("EDIT", WS_BORDER, 10, 10, 100, 22);
    HWND a = showBalloon(edit, "一", nullptr, 0, inst, false);
    HWND b = showBalloon(edit, "二", nullptr, 0, inst, false);
    HANDLE thread = CreateThread(nullptr, 0, closeBalloonsElsewhere, nullptr, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // The window thread keeps handling messages while the other thread closes.
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        pump();
    CloseHandle(thread);
    pump();
    EXPECT_EQ(openBalloonCount(), 0);
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(IsWindow(b));
}

TEST(WindowKit, ReminderQuestionRelabelsNoAndCancelAndKeepsTheirAnswers)
{
    std::string yes, no, cancel, caption;
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        caption = windowText(d[0]);
        yes = windowText(GetDlgItem(d[0], IDYES));
        no = windowText(GetDlgItem(d[0], IDNO));
        cancel = windowText(GetDlgItem(d[0], IDCANCEL));
        press(d[0], IDNO);
        return true;
    });
    EXPECT_EQ(askWithReminderButtons(nullptr, "准备加载的图片较多", "提示", MB_ICONQUESTION), IDNO);
    EXPECT_EQ(caption, "提示");
    EXPECT_EQ(no, "不再提示");
    EXPECT_EQ(cancel, "否(&N)");
    EXPECT_NE(yes, "");

    // The hook is gone afterwards: an ordinary box keeps its own labels.
    std::string plainNo;
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        plainNo = windowText(GetDlgItem(d[0], IDNO));
        press(d[0], IDCANCEL);
        return true;
    });
    EXPECT_EQ(MessageBoxA(nullptr, "普通问题", "询问", MB_YESNOCANCEL), IDCANCEL);
    EXPECT_NE(plainNo, "不再提示");
}

TEST(WindowKit, ColourDialogOpensCentred)
{
    POINT at = {-1, -1}, expected = {0, 0};
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        RECT r, client, work;
        GetWindowRect(d[0], &r);
        GetClientRect(d[0], &client);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        at = {r.left, r.top};
        expected = centeredWindowOrigin(GetSystemMetrics(SM_CXSCREEN), work.bottom - work.top, client.right, client.bottom);
        press(d[0], IDCANCEL);
        return true;
    });
    COLORREF colour = RGB(10, 20, 30);
    EXPECT_FALSE(chooseColour(nullptr, &colour));
    EXPECT_EQ(colour, RGB(10, 20, 30));
    EXPECT_EQ(at.x, expected.x);
    EXPECT_EQ(at.y, expected.y);
}

TEST(WindowKit, OpenDialogsReturnTheChosenFilesAndTheirFolder)
{
    ScratchFolder dir("kit_open");
    for (const char *name : {"a.jpg", "b.png", "c.txt"})
        ASSERT_TRUE(writeFileBytes(dir / name, "x"));
    auto typeAndOpen = [](const char *names) {
        return [names] {
            std::vector<HWND> d = openDialogs();
            if (d.empty())
                return false;
            HWND nameBox = GetDlgItem(d[0], cmb13);
            if (!nameBox)
                nameBox = GetDlgItem(d[0], edt1);
            SetWindowTextA(nameBox, names);
            press(d[0], IDOK);
            return true;
        };
    };
    std::string filter = dialogFilter({{"图片", "*.jpg;*.png"}, {"全部", "*.*"}});
    HINSTANCE inst = GetModuleHandleA(nullptr);

    char folder[MAX_PATH];
    lstrcpynA(folder, dir.path().c_str(), MAX_PATH);
    PathList *list = PathList::createDefault();
    drive(typeAndOpen("\"b.png\" \"a.jpg\""));
    ASSERT_TRUE(chooseOpenFiles(inst, nullptr, "选择图片 - 支持多选", filter.c_str(), folder, list));
    EXPECT_TRUE(equalsNoCase(folder, dir.path())) << folder;
    ASSERT_EQ(list->count, 2);
    EXPECT_TRUE(equalsNoCase(list->text(0), dir / "b.png")) << list->text(0);
    EXPECT_TRUE(equalsNoCase(list->text(1), dir / "a.jpg")) << list->text(1);
    list->destroy(true);

    char path[MAX_PATH] = {};
    lstrcpynA(folder, dir.path().c_str(), MAX_PATH);
    drive(typeAndOpen("c.txt"));
    ASSERT_TRUE(chooseOpenFile(inst, nullptr, "打开", filter.c_str(), folder, path));
    EXPECT_TRUE(equalsNoCase(path, dir / "c.txt")) << path;
    EXPECT_TRUE(equalsNoCase(folder, dir.path())) << folder;

    // Cancel leaves the caller's buffers as they were.
    drive([] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        press(d[0], IDCANCEL);
        return true;
    });
    lstrcpyA(path, "unchanged");
    EXPECT_FALSE(chooseOpenFile(inst, nullptr, "打开", filter.c_str(), folder, path));
    EXPECT_STREQ(path, "unchanged");

    char saved[MAX_PATH] = {};
    drive(typeAndOpen("preset"));
    ASSERT_TRUE(chooseSaveFile(inst, nullptr, "保存设置", dialogFilter({{"设置文件(*.sz)", "*.sz"}}).c_str(),
                               dir.path().c_str(), saved));
    EXPECT_TRUE(equalsNoCase(saved, dir / "preset.sz")) << saved;  // default extension added
}

TEST(WindowKit, FolderBrowserLendsTheEmbeddedControlAndRemembersItsSize)
{
    ScratchFolder dir("kit_browse");
    ASSERT_TRUE(CreateDirectoryA((dir / "第一天").c_str(), nullptr));
    // A small stored size is enlarged to 40 % x 55 % of the work area on first use.
    const char *explorer = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    ASSERT_TRUE(writeRegDword(HKEY_CURRENT_USER, explorer, "Browse For Folder Width", 300));
    ASSERT_TRUE(writeRegDword(HKEY_CURRENT_USER, explorer, "Browse For Folder Height", 200));
    browserSizeState() = BrowserSize();
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    int wantW = (work.right - work.left) * 40 / 100, wantH = (work.bottom - work.top) * 55 / 100;

    TestWindow owner;
    ShowWindow(owner.hwnd, SW_SHOWNOACTIVATE);
    HWND filter = owner.child("COMBOBOX", CBS_DROPDOWNLIST, -1000, -1000, 150, 200);
    applyUiFont(filter);
    addComboEntry(filter, "加载所有图片");
    addComboEntry(filter, "JPG图片  (*.jpg)");

    HWND parentWhileOpen = nullptr;
    RECT filterRect = {}, okRect = {}, browserRect = {};
    std::string editText;
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        HWND browser = d[0];
        parentWhileOpen = GetParent(filter);
        filterRect = rectIn(filter, browser);
        okRect = rectIn(GetDlgItem(browser, IDOK), browser);
        GetWindowRect(browser, &browserRect);
        HWND edit = FindWindowExA(browser, nullptr, "Edit", nullptr);
        editText = windowText(edit);
        selectComboIndex(filter, 1);
        SetWindowTextA(edit, (dir / "第一天").c_str());
        press(browser, IDOK);
        return true;
    });
    char path[MAX_PATH];
    lstrcpynA(path, dir.path().c_str(), MAX_PATH);
    ASSERT_TRUE(chooseFolder(owner.hwnd, "添加图片文件夹：", path, false, filter));
    EXPECT_TRUE(equalsNoCase(path, dir / "第一天")) << path;
    EXPECT_TRUE(equalsNoCase(editText, dir.path())) << editText << " / " << dir.path();  // the initial folder was put in the edit box
    EXPECT_EQ(comboSelectedIndex(filter), 1);

    ASSERT_NE(parentWhileOpen, nullptr);
    EXPECT_NE(parentWhileOpen, owner.hwnd);
    EXPECT_EQ(filterRect.left, 8);  // no new-folder button
    EXPECT_EQ(filterRect.top, okRect.top + 1);
    EXPECT_EQ(browserRect.right - browserRect.left, wantW);
    EXPECT_EQ(browserRect.bottom - browserRect.top, wantH);
    DWORD storedW = 0, storedH = 0;
    readRegDword(HKEY_CURRENT_USER, explorer, "Browse For Folder Width", &storedW);
    readRegDword(HKEY_CURRENT_USER, explorer, "Browse For Folder Height", &storedH);
    EXPECT_EQ((int)storedW, wantW);
    EXPECT_EQ((int)storedH, wantH);

    // Given back to its parent, out of sight.
    EXPECT_EQ(GetParent(filter), owner.hwnd);
    RECT back = rectIn(filter, owner.hwnd);
    EXPECT_EQ(back.left, -1000);
    EXPECT_EQ(back.top, -1000);
}

TEST(WindowKit, FolderBrowserRefusesATypedFolderThatDoesNotExist)
{
    ScratchFolder dir("kit_typed");
    std::string complaint, complaintCaption;
    int step = 0;
    drive([&] {
        std::vector<HWND> d = openDialogs();
        if (d.empty())
            return false;
        if (step == 0) {
            HWND edit = FindWindowExA(d[0], nullptr, "Edit", nullptr);
            SetWindowTextA(edit, (dir / "没有这个").c_str());
            press(d[0], IDOK);
            step = 1;
            return false;
        }
        if (step == 1) {
            // Wait for the message box (a second dialog of this thread).
            HWND box = nullptr;
            for (HWND w : d)
                if (windowText(w) == "提示")
                    box = w;
            if (!box)
                return false;
            complaintCaption = windowText(box);
            complaint = messageText(box);
            press(box, IDOK);
            step = 2;
            return false;
        }
        for (HWND w : d)
            if (windowText(w) != "提示" && GetDlgItem(w, IDCANCEL))
                press(w, IDCANCEL);
        return true;
    });
    char path[MAX_PATH];
    lstrcpynA(path, dir.path().c_str(), MAX_PATH);
    EXPECT_FALSE(chooseFolder(nullptr, "添加图片文件夹：", path, true, nullptr));
    EXPECT_EQ(complaintCaption, "提示");
    EXPECT_EQ(complaint, "文件夹 " + (dir / "没有这个") + " 不存在");
    EXPECT_EQ(std::string(path), dir.path());  // cancelled: unchanged
}
