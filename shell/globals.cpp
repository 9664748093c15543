// The process-wide handles and buffers, null or empty at start.
#include "shell/shell.h"

HINSTANCE AppInstance;
HWND MainWindow;
char SystemDirectory[MAX_PATH];

HWND PathEdit, BrowseButton, RunButton, QuitButton, SystemFolderCheck, TargetLabel;
HFONT PathEditFont, BrowseButtonFont, RunButtonFont, QuitButtonFont, SystemFolderCheckFont,
    TargetLabelFont;

char ChosenPath[MAX_PATH];
