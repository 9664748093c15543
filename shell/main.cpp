// Start-up: find a running instance and hand it the command line, or open
// the main window and run the program's one message loop.
#include "shell/startup.h"

static const char ClassName[] = "Quorrin";
static const char WindowTitle[] = "Quorrin Tools";
static const char IconName[] = "QUORRIN_ICON";
static const char MenuName[] = "QUORRIN_MENU";
static const char AcceleratorName[] = "QUORRIN_ACCELERATOR";

static const char AcceleratorFailed[] = "アクセラレータロードエラー";
static const char StartErrorCaption[] = "起動 - エラー";
// In ASCII, which reads right in any code page.
static const char CodePageNeeded[] = "Quorrin shows Japanese text. It needs Windows 11, or a "
                                     "Japanese system locale (code page 932) on older Windows: "
                                     "here its texts will not read right.";

enum {
    MainWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
    MainWindowWidth = 392,
    MainWindowHeight = 110,
    JapaneseCodePage = 932,
    DesignDpi = 96, // every size in the code is in pixels at this DPI
};

static int ScreenDpi = DesignDpi;

int Scaled(int pixels)
{
    return MulDiv(pixels, ScreenDpi, DesignDpi);
}

int RegisterMainWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, IconName);
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    // Colour index 0 plus one: the client area takes the scroll-bar colour.
    windowClass.hbrBackground = (HBRUSH)(COLOR_SCROLLBAR + 1);
    windowClass.lpszMenuName = MenuName;
    windowClass.lpszClassName = ClassName;
    return RegisterClassA(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int showCommand)
{
    AppInstance = instance;
    HDC screen = GetDC(NULL);
    ScreenDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(NULL, screen);
    // The controls are built in WM_CREATE; when that fails the window
    // destroys itself and this call returns null.
    HWND window = CreateWindowExA(0, ClassName, WindowTitle, MainWindowStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, Scaled(MainWindowWidth), Scaled(MainWindowHeight),
                                  NULL, NULL, instance, NULL);
    if (!window)
        return 0;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MainWindow = window;
    GetSystemDirectoryA(SystemDirectory, sizeof SystemDirectory);
    DragAcceptFiles(MainWindow, TRUE);
    return 1;
}

// The runtime's own commandLine skips every leading byte of 0x80 or more as
// if it were a blank, which loses file names that begin with a Japanese
// character: the tail is taken from the process's command line instead.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand)
{
    char *commandLine = CommandLineTail(GetCommandLineA());
    HWND running = FindWindowA(ClassName, WindowTitle);
    if (running) {
        // Single instance: the running one takes over the command line.
        SetForegroundWindow(running);
        if (commandLine[0] != '\0')
            HandOffCommandLine(running, commandLine, GetWindow(running, GW_CHILD));
        return 0;
    }
    if (!RegisterMainWindowClass(instance))
        return 0;
    if (!CreateMainWindow(instance, showCommand))
        return 0;

    // The manifest asks for code page 932, which only Windows 11 grants
    // whatever the system's locale.
    if (GetACP() != JapaneseCodePage)
        ShowMessage(MainWindow, CodePageNeeded, ClassName, MB_OK | MB_ICONWARNING);
    HACCEL accelerators = LoadAcceleratorsA(instance, AcceleratorName);
    if (!accelerators)
        ShowMessage(MainWindow, AcceleratorFailed, StartErrorCaption, MB_OK | MB_ICONWARNING);
    if (commandLine[0] != '\0')
        HandOffCommandLine(MainWindow, commandLine, PathEdit);

    // Every message passes the shortcuts first, whichever control has the
    // focus; without a table nothing is translated.
    MSG msg = {};
    while (GetMessageA(&msg, NULL, 0, 0)) {
        if (!TranslateAcceleratorA(MainWindow, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return (int)msg.wParam;
}
