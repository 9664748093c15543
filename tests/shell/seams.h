// Forced into the shell's main.cpp, controls.cpp, commands.cpp, handoff.cpp and the viewer's
// launch.cpp when the in-process tests compile them; the program never sees it. Each stand-in is
// defined, and what it records or fails told, in inproc_test.cpp or viewer_test.cpp.
#pragma once

#include <windows.h>

bool SeamFails(char kind);
const void *SeamRecorded(const char *what, const void *handle); // returns handle
HINSTANCE SeamShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR args, LPCSTR dir, INT show);
BOOL SeamOpenDialog(OPENFILENAMEA *dialog);
DWORD SeamDialogError(void);
int SeamAbout(HWND owner, LPCSTR title, LPCSTR rights, HICON icon);
DWORD SeamAttributes(LPCSTR path);
int SeamMetric(int index);
HANDLE SeamFind(LPCSTR path, LPWIN32_FIND_DATAA found);
BOOL SeamStart(LPCSTR path, LPSTR line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL,
               DWORD flags, LPVOID, LPCSTR folder, LPSTARTUPINFOA startup,
               LPPROCESS_INFORMATION process);

#define LoadAcceleratorsA(...) (SeamFails('a') ? nullptr : LoadAcceleratorsA(__VA_ARGS__))
#define GetACP() (SeamFails('p') ? 1252u : GetACP())
#define CreateWindowExA(...)                                                                       \
    ((HWND)SeamRecorded("control", SeamFails('c') ? nullptr : CreateWindowExA(__VA_ARGS__)))
#define CreateFontA(...)                                                                           \
    ((HFONT)SeamRecorded("font", SeamFails('f') ? nullptr : CreateFontA(__VA_ARGS__)))
#define DestroyWindow(window) DestroyWindow((HWND)SeamRecorded("destroy", window))
#define DeleteObject(object) DeleteObject((HGDIOBJ)SeamRecorded("delete", object))
#define SetForegroundWindow(window) SetForegroundWindow((HWND)SeamRecorded("foreground", window))
#define ShellExecuteA SeamShell
#define GetOpenFileNameA SeamOpenDialog
#define CommDlgExtendedError SeamDialogError
#define ShellAboutA SeamAbout
#define GetFileAttributesA SeamAttributes
#define GetSystemMetrics SeamMetric
#define CreateProcessA SeamStart
#define FindFirstFileA SeamFind
