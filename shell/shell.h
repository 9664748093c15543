// The application shell: start-up, the main window, its controls and the
// commands. The process-wide handles below live until the process ends.
#pragma once

#include <windows.h>

#include "shell/message.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern char SystemDirectory[MAX_PATH];

extern HWND PathEdit, BrowseButton, RunButton, QuitButton, SystemFolderCheck, TargetLabel;
extern HFONT PathEditFont, BrowseButtonFont, RunButtonFont, QuitButtonFont,
    SystemFolderCheckFont, TargetLabelFont;

extern char ChosenPath[MAX_PATH];
