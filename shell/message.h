// A failure reaches the user as a modal box with a fixed text: through
// ShowMessage from the reader, start-up, the main window procedure and the
// commands (the console lister and the host tests replace it for the
// reader); the control builders and the viewer channel call MessageBoxA
// themselves. Also the least Win32 the portable code needs when it builds on
// the host.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
typedef void *HWND;
typedef unsigned int UINT;
#define MB_OK 0x00000000u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u
#endif

// Shows text and caption in a modal MessageBoxA owned by owner; returns its
// answer once the user has dismissed it.
int ShowMessage(HWND owner, const char *text, const char *caption, UINT style);
