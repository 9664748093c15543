// Starting the viewer: finds "NotePad.exe", starts it at the screen's
// top-left corner with five ninths of the screen's size, and attaches to the
// top-level window of its primary thread and that window's edit control.
// Only a window of the process started here is ever taken, and only when its
// first child is an edit control: Windows 11's Notepad app, which a start of
// notepad.exe opens in another process or in the one started, restores the
// user's own tabs, unsaved text included, and an editor installed in
// Notepad's place shows the user's own documents.
#include "viewer/viewer.h"

#include <cstdio>
#include <cstring>

#include "shell/shell.h"

HWND ViewerWindow;
HWND ViewerEdit;
DWORD ViewerProcessId;
DWORD ViewerThreadId;
int ViewerUnattachable;

static const char ViewerFileName[] = "NotePad.exe";
static const char ViewerTitle[] = "QUORRIN_VIEWER";
static const char LaunchFailed[] = "メモ帳起動に失敗しました";
static const char LaunchFailedCaption[] = "なんで？";
enum {
    ViewerWindowWait = 5000, // ms: how long a started viewer may take to show its window
    ViewerWindowPoll = 50,   // ms between two looks
};

// The double nearest to 5/9: the viewer's share of the screen's width and
// height.
static const double ViewerSizeFactor = 0.5555555555555556;

static_assert(sizeof(void *) != 4 || sizeof(STARTUPINFOA) == 68,
              "STARTUPINFOA.cb is 68 on 32-bit Windows");

// Forms directory\NotePad.exe in candidate (MAX_PATH bytes) and tests that
// something of that name exists. A directory too long for the candidate to
// fit counts as holding no viewer.
static int ViewerExistsIn(const char *directory, char *candidate)
{
    int length = snprintf(candidate, MAX_PATH, "%s\\%s", directory, ViewerFileName);
    if (length < 0 || length >= MAX_PATH)
        return 0;
    return GetFileAttributesA(candidate) != INVALID_FILE_ATTRIBUTES;
}

int FindNotepadPath(char *path)
{
    char directory[MAX_PATH];
    char candidate[MAX_PATH];

    // The Windows directory first; the system directory only when the
    // Windows directory has none.
    for (int pass = 0; pass < 2; pass++) {
        memset(directory, 0, sizeof directory);
        memset(candidate, 0, sizeof candidate);
        if (pass == 0)
            GetWindowsDirectoryA(directory, sizeof directory);
        else
            GetSystemDirectoryA(directory, sizeof directory);
        if (ViewerExistsIn(directory, candidate)) {
            memcpy(path, candidate, strlen(candidate) + 1);
            return 1;
        }
    }
    return 0;
}

// Both ids must match: a window of another thread of the viewer's process,
// or of a Notepad started earlier, is never taken. Of the primary thread's
// windows only a visible one with a child is: every GUI thread of a Japanese
// Windows also owns a hidden, childless "IME" window, and where it stands in
// the enumeration is not promised.
BOOL CALLBACK FindViewerWindowProc(HWND window, LPARAM)
{
    DWORD processId = 0;
    DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (threadId != ViewerThreadId)
        return TRUE;
    if (processId != ViewerProcessId)
        return TRUE;
    if (!IsWindowVisible(window) || !GetWindow(window, GW_CHILD))
        return TRUE;
    ViewerWindow = window;
    return FALSE;
}

// True when window is an edit control: the only kind of window that the viewer's messages are
// meant for.
static int IsEditControl(HWND window)
{
    char className[8] = {};
    return window && GetClassNameA(window, className, sizeof className) &&
           lstrcmpiA(className, "Edit") == 0;
}

// Looks for the started viewer's window until it shows, the process ends or ViewerWindowWait has
// passed. Wine's WaitForInputIdle can return before Notepad has made its window; a program that
// hands the start on to another process, as Windows 11's notepad.exe does, ends without one.
static void AwaitViewerWindow(HANDLE process)
{
    DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(FindViewerWindowProc, 0);
        DWORD waited = GetTickCount() - start;
        if (ViewerWindow || waited >= ViewerWindowWait)
            return;
        DWORD pause = ViewerWindowWait - waited;
        if (pause > ViewerWindowPoll)
            pause = ViewerWindowPoll;
        if (WaitForSingleObject(process, pause) != WAIT_TIMEOUT)
            return; // ended: its windows are gone with it
    }
}

int LaunchViewer(const char *path)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    ViewerWindow = nullptr;

    STARTUPINFOA startup = {};
    PROCESS_INFORMATION process = {};
    startup.cb = sizeof startup;
    startup.dwX = 0;
    startup.dwY = 0;
    startup.dwXSize = (DWORD)(int)(width * ViewerSizeFactor);
    startup.dwYSize = (DWORD)(int)(height * ViewerSizeFactor);
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION;
    startup.wShowWindow = SW_SHOWNORMAL;

    if (!CreateProcessA(path, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        MessageBoxA(MainWindow, LaunchFailed, LaunchFailedCaption, MB_OK | MB_ICONWARNING);
        return 0;
    }
    ViewerThreadId = process.dwThreadId;
    ViewerProcessId = process.dwProcessId;

    // Blocks the GUI thread until the viewer is ready for input, however
    // long that takes, and then until its window shows; the handles have no
    // use after that. The process is never ended or waited on again: the
    // viewer outlives this program.
    WaitForInputIdle(process.hProcess, INFINITE);
    AwaitViewerWindow(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    HWND edit = GetWindow(ViewerWindow, GW_CHILD);
    if (!IsEditControl(edit)) {
        // No window of its own, or one that is not Notepad's: nothing is wrong from the user's
        // side, and the listing goes to a file. The started program is left exactly as it is.
        ViewerWindow = nullptr;
        ViewerUnattachable = 1;
        return 0;
    }
    SetWindowTextA(ViewerWindow, ViewerTitle);
    ViewerEdit = edit;
    return 1;
}
