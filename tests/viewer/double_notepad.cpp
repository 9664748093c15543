// A stand-in for Notepad, installed as NotePad.exe in a test prefix. It adds
// one line about its start to the file named by QUORRIN_DOUBLE_LOG:
//   <process id> <module path> <cb> <flags> <show> <x> <y> <width> <height>
// then, like Notepad, its primary thread makes a top-level window with an edit
// control as first child and waits for input. With QUORRIN_DOUBLE_MODE
// "nowindow" a second thread makes the window (right process, wrong thread).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static DWORD WINAPI OtherThreadWindow(LPVOID made)
{
    CreateWindowExA(0, "STATIC", "other thread", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, 0, 0, 0, 0);
    SetEvent((HANDLE)made);
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;)
        DispatchMessageA(&msg);
    return 0;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    STARTUPINFOA s = {};
    GetStartupInfoA(&s);
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, sizeof module);
    const char *path = getenv("QUORRIN_DOUBLE_LOG");
    const char *mode = getenv("QUORRIN_DOUBLE_MODE");
    if (FILE *log = path ? fopen(path, "a") : nullptr) {
        fprintf(log, "%lu %s %lu %lu %u %lu %lu %lu %lu\n", GetCurrentProcessId(), module, s.cb,
                s.dwFlags, s.wShowWindow, s.dwX, s.dwY, s.dwXSize, s.dwYSize);
        fclose(log);
    }
    if (mode && strcmp(mode, "nowindow") == 0) {
        HANDLE made = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CreateThread(nullptr, 0, OtherThreadWindow, made, 0, nullptr);
        WaitForSingleObject(made, INFINITE);
    } else {
        DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        HWND window = CreateWindowExA(0, "STATIC", "double", style, 0, 0, 300, 200, 0, 0, 0, 0);
        style = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
        CreateWindowExA(0, "EDIT", "", style, 0, 0, 300, 200, window, 0, 0, 0);
    }
    for (MSG msg; GetMessageA(&msg, nullptr, 0, 0) > 0;)
        DispatchMessageA(&msg);
    return 0;
}
