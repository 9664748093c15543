// Forced into main.cpp, controls.cpp and commands.cpp when the in-process
// tests compile them: loading the shortcuts and making a control or a font
// can be failed on request; creation, WM_SETFONT, the teardown and
// SetForegroundWindow are recorded, ShellExecuteA and GetOpenFileNameA only
// recorded (inproc_test.cpp). The program never sees this.
#pragma once

#include <windows.h>

bool SeamFails(char kind);
HWND SeamMade(HWND control);
HFONT SeamMade(HFONT font);
void SeamRecord(const char *what, const void *handle, WPARAM font = 0, LPARAM redraw = 0);
HINSTANCE SeamShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR args, LPCSTR dir, INT show);
BOOL SeamOpenDialog(OPENFILENAMEA *dialog);

#define LoadAcceleratorsA(...) (SeamFails('a') ? nullptr : LoadAcceleratorsA(__VA_ARGS__))
#define CreateWindowExA(...) SeamMade(SeamFails('c') ? nullptr : CreateWindowExA(__VA_ARGS__))
#define CreateFontA(...) SeamMade(SeamFails('f') ? nullptr : CreateFontA(__VA_ARGS__))
#define DestroyWindow(window) (SeamRecord("destroy", window), DestroyWindow(window))
#define DeleteObject(object) (SeamRecord("delete", object), DeleteObject(object))
#define SetForegroundWindow(window) (SeamRecord("foreground", window), SetForegroundWindow(window))
#define ShellExecuteA SeamShell
#define GetOpenFileNameA SeamOpenDialog
#define SendMessageA(window, message, wParam, lParam)                                              \
    ((message) == WM_SETFONT ? SeamRecord("setfont", window, wParam, lParam) : (void)0,            \
     SendMessageA(window, message, wParam, lParam))
