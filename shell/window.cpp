// The main window procedure: builds and tears down the controls, moves the
// window when its client area is dragged, and hands commands and dropped
// files to their handlers.
#include "shell/startup.h"

#include "res/ids.h"

static const char ControlsFailed[] = "コントロールを作成できませんでした。"
                                     "アプリケーションを終了します。";
static const char StartupErrorCaption[] = "起動エラー";

static LRESULT OnCreate(HWND window)
{
    if (!CreateControls(window, AppInstance)) {
        // Destroying the window during its own creation makes
        // CreateWindowExA return null; WM_DESTROY still tears down.
        ShowMessage(window, ControlsFailed, StartupErrorCaption, MB_ICONWARNING);
        DestroyWindow(window);
    }
    return 0;
}

static LRESULT OnDestroy(void)
{
    DestroyControls();
    PostQuitMessage(0);
    return 0;
}

// Menu items and their shortcuts arrive alike: the high word is not read.
static LRESULT OnCommand(HWND window, int id)
{
    if (id >= IDM_OPEN && id <= IDM_ABOUT)
        OnMenuCommand(window, id, AppInstance);
    else if (id >= IDC_BROWSE && id <= IDC_QUIT)
        OnButtonCommand(window, id);
    return 0;
}

// A plain left press on free client area drags the window by its caption;
// with Shift, Ctrl or another button down nothing happens.
static LRESULT OnLeftButtonDown(HWND window, WPARAM keys)
{
    if (keys == MK_LBUTTON) {
        ReleaseCapture();
        SendMessageA(window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
    }
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // One message a row.
    // clang-format off
    switch (message) {
    case WM_CREATE:      return OnCreate(window);
    case WM_CLOSE:       DestroyWindow(window); return 0;
    case WM_DESTROY:     return OnDestroy();
    case WM_COMMAND:     return OnCommand(window, LOWORD(wParam));
    case WM_LBUTTONDOWN: return OnLeftButtonDown(window, wParam);
    case WM_DROPFILES:   OnDropFiles(window, (HDROP)wParam); return 0;
    }
    // clang-format on
    return DefWindowProcA(window, message, wParam, lParam);
}
