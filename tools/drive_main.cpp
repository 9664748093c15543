// quorrin-drive: works Quorrin from outside, as a user at the window would.
//
//   quorrin-drive run QUORRIN.EXE DLL
//       Starts Quorrin, puts DLL into the path box, presses run and waits
//       for the listing. The viewer's text goes to standard output as UTF-8;
//       the last line on standard error is "crop WxH+X+Y", the screen area
//       that holds the main window and the viewer. Both stay open.
//   quorrin-drive bench QUORRIN.EXE NOTEPAD.EXE DLL
//       Prints, in milliseconds: start to a shown main window for Quorrin and
//       for Notepad, and a whole run of DLL (press run to listing done), with
//       the viewer still to be started and with it open. Ends what it started.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "res/ids.h"

enum { PollTimeout = 120000, Rounds = 5 };

struct Started {
    HANDLE process;
    DWORD id;
};

struct WindowSearch {
    DWORD processId;
    const char *className;
    const char *caption;
    HWND found;
};

static BOOL CALLBACK MatchWindow(HWND window, LPARAM value)
{
    WindowSearch *search = (WindowSearch *)value;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof caption);
    if ((search->processId == 0 || processId == search->processId) &&
        strcmp(name, search->className) == 0 && IsWindowVisible(window) &&
        (!search->caption || strcmp(caption, search->caption) == 0)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

static HWND FindShown(DWORD processId, const char *className, const char *caption)
{
    WindowSearch search = {processId, className, caption, nullptr};
    EnumWindows(MatchWindow, (LPARAM)&search);
    return search.found;
}

// Polls every millisecond; returns the window or null after PollTimeout.
static HWND WaitShown(DWORD processId, const char *className, const char *caption)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = FindShown(processId, className, caption))
            return window;
        if (GetTickCount() - start > PollTimeout)
            return nullptr;
        Sleep(1);
    }
}

static Started Start(const std::string &exe)
{
    std::string line = "\"" + exe + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    Started started = {nullptr, 0};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi))
        return started;
    CloseHandle(pi.hThread);
    started.process = pi.hProcess;
    started.id = pi.dwProcessId;
    return started;
}

static void End(Started &started)
{
    if (!started.process)
        return;
    TerminateProcess(started.process, 0);
    WaitForSingleObject(started.process, 5000);
    CloseHandle(started.process);
    started.process = nullptr;
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

static LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

// The viewer's edit control once the listing is complete: the text is not
// empty and its modified flag, set by every line, has been cleared at the end.
static HWND WaitListing(HWND edit)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (!edit || !IsWindow(edit)) {
            HWND viewer = FindShown(0, "Notepad", "QUORRIN_VIEWER");
            edit = viewer ? GetWindow(viewer, GW_CHILD) : nullptr;
        }
        if (edit && SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) > 0 &&
            SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0)
            return edit;
        if (GetTickCount() - start > PollTimeout)
            return nullptr;
        Sleep(1);
    }
}

// Presses run with path in the box; returns the viewer's edit control when
// the listing is done.
static HWND RunListing(HWND main, const char *path)
{
    HWND viewer = FindShown(0, "Notepad", "QUORRIN_VIEWER");
    HWND edit = viewer ? GetWindow(viewer, GW_CHILD) : nullptr;
    if (edit)
        SendMessageA(edit, EM_SETMODIFY, TRUE, 0);
    SendMessageA(GetDlgItem(main, IDC_PATH), WM_SETTEXT, 0, (LPARAM)path);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_RUN, 0), 0);
    return WaitListing(edit);
}

static std::string ToUtf8(const std::string &text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring utf16(wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &utf16[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

static int Run(const char *quorrin, const char *dll)
{
    Started app = Start(quorrin);
    HWND main = app.process ? WaitShown(app.id, "Quorrin", "Quorrin Tools") : nullptr;
    if (!main) {
        fprintf(stderr, "quorrin-drive: Quorrin's window did not show\n");
        return 1;
    }
    HWND edit = RunListing(main, dll);
    if (!edit) {
        fprintf(stderr, "quorrin-drive: no listing (is the path a DLL?)\n");
        return 1;
    }
    LRESULT length = SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length + 1, '\0');
    text.resize(SendMessageA(edit, WM_GETTEXT, length + 1, (LPARAM)&text[0]));
    std::string utf8 = ToUtf8(text);
    _setmode(_fileno(stdout), _O_BINARY);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fflush(stdout);

    // For the picture: the viewer where and as large as Quorrin asks for it
    // (Wine's Notepad keeps its own placement), the main window beside it.
    HWND viewer = GetAncestor(edit, GA_ROOT);
    int width = GetSystemMetrics(SM_CXSCREEN) * 5 / 9;
    int height = GetSystemMetrics(SM_CYSCREEN) * 5 / 9;
    SetWindowPos(viewer, nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(main, HWND_TOP, width + 8, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    for (HWND window : {viewer, main})
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);

    RECT a = {}, b = {};
    GetWindowRect(main, &a);
    GetWindowRect(viewer, &b);
    RECT both = {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom)};
    fprintf(stderr, "crop %ldx%ld+%ld+%ld\n", both.right - both.left, both.bottom - both.top,
            both.left, both.top);
    CloseHandle(app.process);
    return 0;
}

static double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Start to a shown top-level window of the class, median of Rounds starts.
static double StartTime(const char *exe, const char *className)
{
    std::vector<double> times;
    for (int i = 0; i < Rounds; ++i) {
        LARGE_INTEGER from = Now();
        Started started = Start(exe);
        HWND window = started.process ? WaitShown(started.id, className, nullptr) : nullptr;
        LARGE_INTEGER to = Now();
        End(started);
        if (!window)
            return -1;
        times.push_back(Milliseconds(from, to));
    }
    return Median(times);
}

static int Bench(const char *quorrin, const char *notepad, const char *dll)
{
    printf("start to shown main window (median of %d):\n", Rounds);
    printf("  Quorrin   %8.1f ms\n", StartTime(quorrin, "Quorrin"));
    printf("  Notepad   %8.1f ms\n", StartTime(notepad, "Notepad"));
    fflush(stdout);

    Started app = Start(quorrin);
    HWND main = app.process ? WaitShown(app.id, "Quorrin", "Quorrin Tools") : nullptr;
    if (!main)
        return 1;
    LARGE_INTEGER from = Now();
    HWND edit = RunListing(main, dll);
    LARGE_INTEGER to = Now();
    if (!edit) {
        End(app);
        return 1;
    }
    LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0) - 2; // header, last empty line
    printf("whole run, press run to listing done, %ld names:\n", (long)lines);
    printf("  starting the viewer  %8.1f ms\n", Milliseconds(from, to));
    from = Now();
    edit = RunListing(main, dll);
    to = Now();
    printf("  viewer open          %8.1f ms\n", Milliseconds(from, to));

    DWORD viewerId = 0;
    GetWindowThreadProcessId(GetAncestor(edit, GA_ROOT), &viewerId);
    Started viewer = {OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, viewerId), viewerId};
    End(viewer);
    End(app);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "run") == 0)
        return Run(argv[2], argv[3]);
    if (argc == 5 && strcmp(argv[1], "bench") == 0)
        return Bench(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: quorrin-drive run QUORRIN.EXE DLL\n"
                    "       quorrin-drive bench QUORRIN.EXE NOTEPAD.EXE DLL\n");
    return 2;
}
