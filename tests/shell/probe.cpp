// The probe build of Quorrin: the same start-up, window and controls, with
// the command handlers replaced by recorders and the control and font calls
// of controls.cpp recorded and, on request, failed.
//   QUORRIN_PROBE_LOG   file that receives one line per recorded call
//   QUORRIN_PROBE_FAIL  "control N" or "font N": the Nth call returns null
#include <windows.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "shell/shell.h"

static void Record(const char *format, ...)
{
    const char *path = getenv("QUORRIN_PROBE_LOG");
    if (!path)
        return;
    FILE *log = fopen(path, "ab");
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

// True when QUORRIN_PROBE_FAIL asks the count-th call of kind to fail.
static bool ShouldFail(const char *kind, int count)
{
    const char *fail = getenv("QUORRIN_PROBE_FAIL");
    size_t length = strlen(kind);
    return fail && strncmp(fail, kind, length) == 0 && fail[length] == ' ' &&
           atoi(fail + length + 1) == count;
}

HWND ProbeCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x,
                          int y, int width, int height, HWND parent, HMENU menu,
                          HINSTANCE instance, LPVOID param)
{
    static int count;
    ++count;
    HWND window = nullptr;
    if (!ShouldFail("control", count))
        window = CreateWindowExA(exStyle, className, text, style, x, y, width, height, parent,
                                 menu, instance, param);
    Record("control %d %p", count, (void *)window);
    return window;
}

HFONT ProbeCreateFontA(int height, int width, int escapement, int orientation, int weight,
                       DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                       DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                       DWORD pitchAndFamily, LPCSTR face)
{
    static int count;
    ++count;
    HFONT font = nullptr;
    if (!ShouldFail("font", count))
        font = CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                           strikeOut, charSet, outPrecision, clipPrecision, quality,
                           pitchAndFamily, face);
    Record("font %d %p %d %d %d %d %d %lu %lu %lu %lu %lu %lu %lu %lu %s", count, (void *)font,
           height, width, escapement, orientation, weight, italic, underline, strikeOut,
           charSet, outPrecision, clipPrecision, quality, pitchAndFamily, face);
    return font;
}

BOOL ProbeDestroyWindow(HWND window)
{
    Record("destroy %p", (void *)window);
    return DestroyWindow(window);
}

BOOL ProbeDeleteObject(HGDIOBJ object)
{
    Record("delete %p", (void *)object);
    return DeleteObject(object);
}

LRESULT ProbeSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFONT)
        Record("setfont %p %p %d", (void *)window, (void *)wParam, (int)lParam);
    return SendMessageA(window, message, wParam, lParam);
}

// The command handlers: each call is recorded with whether it came for the
// main window.
int OnMenuCommand(HWND window, int id, HINSTANCE instance)
{
    Record("menu %d %d %d", id, window == MainWindow, instance == AppInstance);
    return 1;
}

int OnButtonCommand(HWND window, int id)
{
    Record("button %d %d", id, window == MainWindow);
    return 1;
}

void OnDropFiles(HWND window, HDROP)
{
    Record("drop %d", window == MainWindow);
}
