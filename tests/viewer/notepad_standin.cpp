// A stand-in for Windows 11's notepad.exe, put where the viewer is looked for first: it starts the
// system folder's notepad.exe as a process of its own with its own command line, and ends without
// a window, as the Notepad app's starter does. Each start adds a line to the file of its own name
// and ".log", so that a test can count them.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH + 4] = {};
    GetModuleFileNameA(nullptr, log, MAX_PATH);
    if (FILE *file = fopen(strcat(log, ".log"), "ab")) {
        fputs("started\n", file);
        fclose(file);
    }
    char notepad[MAX_PATH] = {};
    GetSystemDirectoryA(notepad, MAX_PATH - 12);
    strcat(notepad, "\\notepad.exe");
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(notepad, GetCommandLineA(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
