// A stand-in for Windows 11's notepad.exe, put where the viewer is looked for first: it starts the
// system folder's notepad.exe as a process of its own, passing its command line on, and ends
// without a window, as the Notepad app's starter does. Each start adds a line to the file of its
// own name and ".log", so that a test can count them.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // The arguments: what follows the program's own name, quoted or not.
    const char *tail = GetCommandLineA();
    char end = *tail == '"' ? '"' : ' ';
    for (tail += *tail == '"'; *tail != '\0' && *tail != end; ++tail) {
    }
    tail += *tail == '"';

    char log[MAX_PATH + 4] = {};
    GetModuleFileNameA(nullptr, log, MAX_PATH);
    if (FILE *file = fopen(strcat(log, ".log"), "ab")) {
        fputs("started\n", file);
        fclose(file);
    }

    char folder[MAX_PATH] = {};
    char line[2 * MAX_PATH + 40] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    snprintf(line, sizeof line, "\"%s\\notepad.exe\"%s", folder, tail);
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
