// Forced into controls.cpp when the in-process tests compile it: the control,
// font, WM_SETFONT and teardown calls go through recorders that can also fail
// on request (inproc_test.cpp). The program itself never sees this header.
#pragma once

#include <windows.h>

HWND SeamCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                         LPVOID param);
HFONT SeamCreateFontA(int height, int width, int escapement, int orientation, int weight,
                      DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                      DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                      DWORD pitchAndFamily, LPCSTR face);
BOOL SeamDestroyWindow(HWND window);
BOOL SeamDeleteObject(HGDIOBJ object);
LRESULT SeamSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#define CreateWindowExA SeamCreateWindowExA
#define CreateFontA SeamCreateFontA
#define DestroyWindow SeamDestroyWindow
#define DeleteObject SeamDeleteObject
#define SendMessageA SeamSendMessageA
