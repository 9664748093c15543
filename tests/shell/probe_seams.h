// Forced into controls.cpp when the probe build compiles it: the control,
// font, WM_SETFONT and teardown calls go through recorders that can also fail on
// request (probe.cpp). The program itself never sees this header.
#pragma once

#include <windows.h>

HWND ProbeCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu,
                          HINSTANCE instance, LPVOID param);
HFONT ProbeCreateFontA(int height, int width, int escapement, int orientation, int weight,
                       DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                       DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                       DWORD pitchAndFamily, LPCSTR face);
BOOL ProbeDestroyWindow(HWND window);
BOOL ProbeDeleteObject(HGDIOBJ object);
LRESULT ProbeSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#define CreateWindowExA ProbeCreateWindowExA
#define CreateFontA ProbeCreateFontA
#define DestroyWindow ProbeDestroyWindow
#define DeleteObject ProbeDeleteObject
#define SendMessageA ProbeSendMessageA
