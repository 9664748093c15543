// The application shell: start-up, the main window, its controls and the
// commands. The process-wide handles below live until the process ends.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "shell/message.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern char SystemDirectory[MAX_PATH];

extern HWND PathEdit, BrowseButton, RunButton, QuitButton, SystemFolderCheck, TargetLabel;
extern HFONT PathEditFont, BrowseButtonFont, RunButtonFont, QuitButtonFont, SystemFolderCheckFont,
    TargetLabelFont;

extern char ChosenPath[MAX_PATH];

// Commands, browsing and dropped files (commands.cpp). Each command handler
// returns 1, or 0 when it ended without effect (a cancelled dialog, a failed
// check, an empty path box); failures were shown where they were found.
int OnMenuCommand(HWND window, int id, HINSTANCE instance);
int OnButtonCommand(HWND window, int id);
void OnDropFiles(HWND window, HDROP drop);
int ChooseDllFile(HWND owner);
int CheckPathKind(const char *path, int mode);
