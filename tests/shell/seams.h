// Forced into the shell's, the reader's and the viewer's sources when the in-process tests compile
// them; the program never sees it. Each stand-in is defined, and what it records or fails told, in
// inproc_test.cpp or viewer_test.cpp.
#pragma once

#include <windows.h>

#include <cstdio> // declared before fopen and fwrite are replaced below

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
FARPROC SeamEntry(HMODULE module, LPCSTR name);
DWORD SeamShortPath(LPCSTR path, LPSTR shortPath, DWORD size);
HANDLE SeamCreate(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD how,
                  DWORD flags, HANDLE);
FILE *SeamOpen(const char *path, const char *mode);
size_t SeamWrite(const void *data, size_t size, size_t count, FILE *stream);
BOOL SeamValidCodePage(UINT codePage);
BOOL SeamMove(LPCSTR from, LPCSTR to);
BOOL SeamDelete(LPCSTR path);

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
#define GetProcAddress SeamEntry
#define GetShortPathNameA SeamShortPath
#define CreateFileA SeamCreate
#define fopen SeamOpen
#define fwrite SeamWrite
#define IsValidCodePage SeamValidCodePage
#define MoveFileA SeamMove
#define DeleteFileA SeamDelete
