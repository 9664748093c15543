// A stand-in for Notepad, installed as NotePad.exe in a test prefix. It
// appends one line about its start to the file named by QUORRIN_DOUBLE_LOG:
//   <process id> <module path> <cb> <flags> <show> <x> <y> <width> <height>
// then, like Notepad, its primary thread makes a top-level window with an
// edit control as first child and waits for input. With QUORRIN_DOUBLE_MODE
// set to "nowindow" the primary thread makes no window: a second thread makes
// one (a window of the right process but the wrong thread) and the primary
// thread only waits for input.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static DWORD WINAPI OtherThreadWindow(LPVOID made)
{
    CreateWindowExA(0, "STATIC", "other thread", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                    nullptr, nullptr, nullptr);
    SetEvent((HANDLE)made);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    STARTUPINFOA startup = {};
    GetStartupInfoA(&startup);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    const char *logPath = getenv("QUORRIN_DOUBLE_LOG");
    if (FILE *log = logPath ? fopen(logPath, "a") : nullptr) {
        fprintf(log, "%lu %s %lu %lu %u %lu %lu %lu %lu\n", GetCurrentProcessId(), module,
                startup.cb, startup.dwFlags, startup.wShowWindow, startup.dwX, startup.dwY,
                startup.dwXSize, startup.dwYSize);
        fclose(log);
    }

    const char *mode = getenv("QUORRIN_DOUBLE_MODE");
    if (mode && strcmp(mode, "nowindow") == 0) {
        HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CreateThread(nullptr, 0, OtherThreadWindow, made, 0, nullptr);
        WaitForSingleObject(made, INFINITE);
    } else {
        HWND window = CreateWindowExA(0, "STATIC", "double", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                      0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE |
                        ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0, 0, 300, 200,
                        window, nullptr, nullptr, nullptr);
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
