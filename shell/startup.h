// The shell's own pieces: start-up and the single-instance hand-off, the
// main window procedure, and the six controls with their fonts.
#pragma once

#include "shell/shell.h"

// Start-up (main.cpp). RegisterMainWindowClass returns the class atom, 0 on
// failure; CreateMainWindow returns 1 when the main window exists, 0 when it
// could not be created (any message was shown during its creation).
int RegisterMainWindowClass(HINSTANCE instance);
int CreateMainWindow(HINSTANCE instance, int showCommand);

// A size in pixels at 96 DPI as pixels at the screen's DPI, which
// CreateMainWindow reads once (96 until then). The window and its controls
// are laid out through it alone.
int Scaled(int pixels);

// The command line after the program's name (handoff.cpp): line is the
// whole command line; the name is quoted or runs to the first byte of 0x20
// or less, and the bytes from 0x01 to 0x20 after it are skipped. Returns a
// pointer into line, at its terminator when nothing follows the name.
char *CommandLineTail(char *line);

// The command-line hand-off (handoff.cpp). HandOffCommandLine cuts
// commandLine up in place at its blanks, a token in double quotes being one
// token without its quotes; the first token whose last four bytes upper-case
// to ".DLL" is expanded and sent to targetEdit, otherwise targetWindow is
// brought to the front. Returns 1.
int HandOffCommandLine(HWND targetWindow, char *commandLine, HWND targetEdit);
// Rewrites source so that every component after the leading one carries its
// long name. Returns 1 with the result in destination (capacity bytes, NUL
// included), or 0 with destination untouched.
int ExpandLongPath(const char *source, char *destination, size_t capacity);

// The main window (window.cpp).
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The controls (controls.cpp). Each builder stores the control's window as
// soon as it is created and its font as soon as that is created; it returns
// 1, or 0 after its own message box.
int CreateControls(HWND window, HINSTANCE instance);
int CreatePathEdit(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
int CreateBrowseButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
int CreateRunButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
int CreateQuitButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
int CreateSystemFolderCheck(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
int CreateTargetLabel(HWND parent, HINSTANCE instance, HWND *control, HFONT *font);
void DestroyControls(void);
