#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include "input/discovery.h"
#include "res/resource.h"
#include "app/context_help.h"
#include "ui/info_window.h"
#include "app/picture_list_view.h"
#include "app/settings_panel/panel_ids.h"
#include "util/app_info.h"
#include "app/main_layout.h"
#include "app/main_preview.h"
#include "app/main_run.h"
#include "app/settings_panel/settings_panel.h"
#include "app/startup_config.h"
#include "app/toolbar.h"
#include "ui/window_kit.h"
#include "util/text.h"

const char kMainWindowClass[] = "CodeBlocksWindowsApp";

static void exitProcess(UINT code)
{
    ExitProcess(code);
}
void (*mainWindowExit)(UINT code) = exitProcess;

namespace {

struct MainState {
    HWND window = nullptr;
    HWND toolbar = nullptr;
    HWND status = nullptr;
    HWND container = nullptr;
    HWND list = nullptr;
    HWND tips = nullptr;
    HWND panel = nullptr;
    HWND filter = nullptr;
    FrameExtras extras = {};
    int minWidth = 0;
    int minHeight = 0;
    bool creating = false;
};

MainState &mainState()
{
    static MainState state;
    return state;
}

HWND createChild(const char *cls, const char *text, DWORD style, DWORD exStyle, int x, int y, int w, int h,
                 HWND parent, HINSTANCE instance)
{
    return CreateWindowExA(exStyle, cls, text, WS_CHILD | style, x, y, w, h, parent, nullptr, instance, nullptr);
}

void createExtensionFilter(MainState &state, HINSTANCE instance)
{
    state.filter = createChild("combobox", "", CBS_DROPDOWNLIST | WS_VSCROLL, 0, -1000, -1000, 132, 200,
                               state.window, instance);
    for (int row = 0; row < kTypeFilterRows; ++row)
        addComboEntry(state.filter, typeFilterLabel(row));
}

void createStatusBar(MainState &state, HINSTANCE instance)
{
    state.status = createChild(STATUSCLASSNAMEA, "", WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0, 0, state.window,
                               instance);
    SendMessageA(state.status, SB_SETMINHEIGHT, 19, 0);
    int parts[2] = {380, -1};
    SendMessageA(state.status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    SendMessageA(state.status, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>("0 张图片"));
    SendMessageA(state.status, WM_SIZE, 0, 0);
}

void onCreate(HWND window, HINSTANCE instance)
{
    MainState &state = mainState();
    state.window = window;
    state.toolbar = createMainToolbar(window, instance);
    PictureListHost host;
    host.commandWindow = window;
    host.toolbar = state.toolbar;
    RECT listArea = {1, 62, 1 + 644, 62 + 595};
    state.list = createPictureList(window, listArea, host);
    state.container = pictureListContainer();
    state.tips = state.list ? FindWindowExA(state.list, nullptr, "static", nullptr) : nullptr;
    state.panel = createSettingsPanel(window, instance, 650, 56, 260, 600);
    createExtensionFilter(state, instance);
    createStatusBar(state, instance);
    host.statusBar = state.status;
    host.startButton = panelControl(state.panel, kIdStart);
    setPictureListHost(host);
    setPictureTypeSniffing(startupConfig().isReadFileParseFileFormat != 0);
    applyUiFontToChildren(window);
    fitToolbarHeight(state.toolbar, 56);
    connectPictureList(window, instance);
    addDroppedPaths(window, {});  // count, toolbar states and the drop hint
    if (!loadStartupSettings(state.panel, "config.dat"))
        MessageBoxA(window, "读取配置信息出错", "提示", MB_OK | MB_ICONERROR);
}

int statusHeight(const MainState &state)
{
    RECT box = {};
    if (state.status)
        GetWindowRect(state.status, &box);
    return box.bottom - box.top;
}

void clampDrag(WPARAM edge, RECT *drag)
{
    const MainState &state = mainState();
    if (drag->right - drag->left < state.minWidth) {
        if (edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT)
            drag->left = drag->right - state.minWidth;
        else
            drag->right = drag->left + state.minWidth;
    }
    if (drag->bottom - drag->top < state.minHeight) {
        if (edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT)
            drag->top = drag->bottom - state.minHeight;
        else
            drag->bottom = drag->top + state.minHeight;
    }
}

void onActivate(const MainState &state)
{
    // An open preview keeps the keyboard: its arrow keys step through the pictures.
    if (mainPreviewShown())
        SetFocus(mainPreviewPane());
    else if (state.list && ListView_GetSelectedCount(state.list) > 0)
        SetFocus(state.list);
    else
        SetFocus(state.window);
}

void onDropFiles(HWND window, HDROP drop)
{
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT i = 0; i < count; ++i) {
        // The length first: a path cut to fit a buffer would name another file.
        UINT length = DragQueryFileA(drop, i, nullptr, 0);
        if (length == 0)
            continue;
        std::string path(length + 1, '\0');
        path.resize(DragQueryFileA(drop, i, &path[0], length + 1));
        if (path.size() >= MAX_PATH) {
            showInfoMessage(droppedPathTooLongText(path));
            continue;
        }
        paths.push_back(path);
    }
    DragFinish(drop);
    addDroppedPaths(window, paths);
}

// A wheel turn that reaches the main window goes to what is under the pointer:
// the preview or the settings panel as it is, the picture list with the key
// state cleared so that it only scrolls.
void wheelToWindowUnderPointer(const MainState &state, WPARAM wParam, LPARAM lParam)
{
    POINT at = {(short)LOWORD(lParam), (short)HIWORD(lParam)};
    HWND preview = pictureListPreviewWindow();
    for (HWND w = WindowFromPoint(at); w; w = GetParent(w)) {
        if ((preview && w == preview) || w == state.panel) {
            SendMessageA(w, WM_MOUSEWHEEL, wParam, lParam);
            return;
        }
        if (w == state.list) {
            SendMessageA(w, WM_MOUSEWHEEL, wParam & 0xFFFF0000, lParam);
            return;
        }
    }
}

void rememberSaveTo(const MainState &state)
{
    if (startupConfig().isRecordSaveToPath && panelSaveToSelected(state.panel))
        storePreferenceString("save_to_path", panelSaveToFolder(state.panel));
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MainState &state = mainState();
    // The settings panel is made from this class too; until its own procedure takes
    // over, it is an ordinary child window.
    if (state.window != window && !state.creating)
        return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE:
        state.creating = false;
        onCreate(window, reinterpret_cast<LPCREATESTRUCTA>(lParam)->hInstance);
        return 0;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED)
            layoutMainWindow(window);
        return 0;
    case WM_SIZING:
        clampDrag(wParam, reinterpret_cast<RECT *>(lParam));
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            onActivate(state);
            return 0;
        }
        break;
    case WM_COMMAND:
        if (runMainCommand(window, LOWORD(wParam)))
            return 0;
        break;
    case WM_NOTIFY: {
        NMHDR *header = reinterpret_cast<NMHDR *>(lParam);
        LRESULT result = 0;
        if (handleToolbarNotify(window, header, &result))
            return result;
        break;
    }
    case WM_MOUSEWHEEL:
        wheelToWindowUnderPointer(state, wParam, lParam);
        return 0;
    case WM_SYSCOMMAND:
        // The system's own question-mark mode is not there under every platform;
        // the program runs its own.
        if ((wParam & 0xFFF0) == SC_CONTEXTHELP) {
            beginContextHelpMode(window);
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (contextHelpModeActive() && reinterpret_cast<HWND>(lParam) != window)
            endContextHelpMode();
        return 0;
    case WM_DROPFILES:
        onDropFiles(window, reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_USER + 1:
        rememberSaveTo(state);
        return 0;
    case WM_CLOSE:
        // A run's worker may still be writing a picture.
        if (mainRunActive())
            return 0;
        startupConfig().fileDlgChooseImage = pictureDialogFolder();
        writeDialogFolders(startupConfig());
        mainWindowExit(0);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool registerMainClass(HINSTANCE instance)
{
    WNDCLASSEXA existing = {sizeof existing};
    if (GetClassInfoExA(instance, kMainWindowClass, &existing))
        return true;
    const StartupConfig &config = startupConfig();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = mainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = config.largeIcon ? config.largeIcon : LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wc.hIconSm = config.smallIcon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

HWND createMainWindow(HINSTANCE instance, int showCommand)
{
    MainState &state = mainState();
    if (state.window)
        return state.window;
    if (!registerMainClass(instance))
        return nullptr;
    int workWidth = GetSystemMetrics(SM_CXMAXIMIZED);
    int workHeight = GetSystemMetrics(SM_CYMAXIMIZED);
    ClientSize client = initialClientSize(workWidth, workHeight);

    state.extras.caption = GetSystemMetrics(SM_CYCAPTION) - 19;
    state.extras.frameX = GetSystemMetrics(SM_CXFRAME) * 2 - 8;
    state.extras.frameY = GetSystemMetrics(SM_CYFRAME) * 2 - 8;
    state.minWidth = mainBaseWidth(workWidth);
    state.minHeight = 0;  // known once the status bar exists; no rule applies before

    state.creating = true;
    std::string title = formatText("%s(V%0.1f)", "Velmora图片批量处理工具", kProgramVersion);
    HWND window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_ACCEPTFILES, kMainWindowClass, title.c_str(),
                                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, client.width,
                                  client.height, nullptr, nullptr, instance, nullptr);
    state.creating = false;
    if (!window) {
        state = MainState();
        return nullptr;
    }
    state.minHeight = mainMinimumHeight(statusHeight(state), state.extras);
    // The height steps go by the maximised size; the window itself, frame and
    // status bar included, must fit the work area (1280 x 800 screens too).
    RECT work, outer, inner;
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        SetRect(&work, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    client.height = fittedClientHeight(client.height, work.bottom - work.top,
                                       (outer.bottom - outer.top) - inner.bottom, statusHeight(state));
    sizeClientArea(window, client.width, client.height, state.status);
    layoutMainWindow(window);
    if (showCommand != SW_HIDE)
        showMainWindow(window, showCommand);
    return window;
}

void showMainWindow(HWND window, int showCommand)
{
    centerWindow(window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    RedrawWindow(mainSettingsPanel(window), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HWND theMainWindow() { return mainState().window; }

std::string droppedPathTooLongText(const std::string &path)
{
    return formatText("路径太长(超过 %d 个字节)，没有加入列表:\r\n%s", MAX_PATH - 1, path.c_str());
}

static bool isMain(HWND window) { return window && window == mainState().window; }
HWND mainToolbar(HWND window) { return isMain(window) ? mainState().toolbar : nullptr; }
HWND mainStatusBar(HWND window) { return isMain(window) ? mainState().status : nullptr; }
HWND mainListContainer(HWND window) { return isMain(window) ? mainState().container : nullptr; }
HWND mainPictureList(HWND window) { return isMain(window) ? mainState().list : nullptr; }
HWND mainSettingsPanel(HWND window) { return isMain(window) ? mainState().panel : nullptr; }
HWND mainExtensionFilter(HWND window) { return isMain(window) ? mainState().filter : nullptr; }

void layoutMainWindow(HWND window)
{
    MainState &state = mainState();
    if (!isMain(window) || !state.panel)
        return;
    SendMessageA(state.toolbar, TB_AUTOSIZE, 0, 0);
    SendMessageA(state.status, WM_SIZE, 0, 0);
    // A status bar that grows would keep its size grip drawn where its edge was.
    InvalidateRect(state.status, nullptr, TRUE);
    RECT outer;
    GetWindowRect(window, &outer);
    MainLayout layout =
        computeMainLayout(outer.right - outer.left, outer.bottom - outer.top, statusHeight(state), state.extras,
                          state.minWidth, state.minHeight, GetSystemMetrics(SM_CXVSCROLL),
                          settingsPanelContentHeight());
    if (!layout.fits) {
        if (IsZoomed(window))
            ShowWindow(window, SW_RESTORE);
        return;
    }
    MoveWindow(state.panel, layout.panel.x, layout.panel.y, layout.panel.width, layout.panel.height, TRUE);
    // The container sizes the list inside it.
    MoveWindow(state.container, layout.listContainer.x, layout.listContainer.y, layout.listContainer.width,
               layout.listContainer.height, TRUE);
    if (state.tips)
        SetWindowPos(state.tips, nullptr, layout.tipsX, layout.tipsY, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    updateSettingsPanelScroll(state.panel);
}

void setMainSaveToFolder(HWND window, const std::string &folder)
{
    setPanelSaveToFolder(mainSettingsPanel(window), folder);
}
