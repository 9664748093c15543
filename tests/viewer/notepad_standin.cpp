// Stand-ins for what a start of notepad.exe may start, by the last word of the command line:
//   (other)  Windows 11's notepad.exe: starts the system folder's notepad.exe as a process of its
//            own with its own command line, and ends without a window, as the app's starter does;
//   editor   an editor installed in Notepad's place: its window "Editor" (class "Editor") has a
//            tool bar first, a static control "toolbar", then an edit control with the user's
//            document, "document";
//   late     a Notepad that is idle for input a second before it makes its window (class
//            "Notepad", its first child an edit control) and then a hidden, childless "IME"
//            window, which comes before it in the enumeration of windows.
// Each start adds a line to the file of its own name and ".log", so that a test can count them.
#include <windows.h>

#include <cstdio>
#include <cstring>

// A shown window of the class and title className, with a first child of class first.
static HWND MakeWindow(const char *className, const char *first, const char *text, DWORD style)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    DWORD shown = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    HWND main = CreateWindowExA(0, className, className, shown, 0, 0, 400, 300, 0, 0, 0, 0);
    style |= WS_CHILD | WS_VISIBLE;
    CreateWindowExA(0, first, text, style, 0, 0, 400, 20, main, 0, 0, 0);
    return main;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH + 4] = {};
    GetModuleFileNameA(nullptr, log, MAX_PATH);
    if (FILE *file = fopen(strcat(log, ".log"), "ab")) {
        fputs("started\n", file);
        fclose(file);
    }
    const char *line = GetCommandLineA();
    const char *word = strrchr(line, ' ') ? strrchr(line, ' ') + 1 : line;
    if (strcmp(word, "editor") == 0) {
        HWND main = MakeWindow("Editor", "Static", "toolbar", 0);
        DWORD style = WS_CHILD | WS_VISIBLE;
        CreateWindowExA(0, "Edit", "document", style, 0, 20, 400, 280, main, 0, 0, 0);
    } else if (strcmp(word, "late") == 0)
        SetTimer(nullptr, 0, 1000, nullptr);
    else {
        char notepad[MAX_PATH] = {};
        GetSystemDirectoryA(notepad, MAX_PATH - 12);
        strcat(notepad, "\\notepad.exe");
        STARTUPINFOA startup = {sizeof startup};
        PROCESS_INFORMATION process = {};
        char *own = GetCommandLineA();
        if (!CreateProcessA(notepad, own, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return 1;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        return 0;
    }
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER && !msg.hwnd) {
            KillTimer(nullptr, msg.wParam);
            MakeWindow("Notepad", "Edit", "", ES_MULTILINE | ES_AUTOVSCROLL);
            CreateWindowExA(0, "Static", "Default IME", WS_POPUP, 0, 0, 0, 0, 0, 0, 0, 0);
        }
        DispatchMessageA(&msg);
    }
    return 0;
}
