// The viewer channel: Notepad, started on demand, attached to by its edit
// control and written to with edit-control messages from this process.
#pragma once

#include <cstddef>

// Text operations. Every line written ends with CR LF; a line's text is cut
// to ViewerLineTextMax bytes.
void ViewerAppendLine(const char *text);
int ViewerPrintf(const char *format, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
int ViewerClear(void);
void ViewerResetModified(void);

enum {
    ViewerBufferSize = 65536,                 // line and format buffers
    ViewerLineTextMax = ViewerBufferSize - 3, // room for CR LF and the NUL
};

// Copies text, cut to ViewerLineTextMax bytes, then CR LF and a NUL into
// line (ViewerBufferSize bytes). Returns the bytes before the NUL.
size_t ViewerMakeLine(const char *text, char *line);

// Launch and attachment; Windows only.
#ifdef _WIN32
#include <windows.h>

extern HWND ViewerWindow;
extern HWND ViewerEdit;
extern DWORD ViewerProcessId;
extern DWORD ViewerThreadId;
extern char ViewerPath[MAX_PATH];

int FindNotepadPath(char *path);
int LaunchViewer(const char *path);
BOOL CALLBACK FindViewerWindowProc(HWND window, LPARAM value);
#endif
