// The viewer channel: Notepad, started on demand, attached to by its edit
// control and written to with edit-control messages from this process.
// A listing goes into Notepad line by line (text.cpp) whenever a Notepad this
// program started is attached or can be; otherwise into a text file that the
// shell opens once the listing is whole (file.cpp): when no Notepad is found,
// when it cannot be started, and when the started program shows no window of
// its own with an edit control first (Windows 11's notepad.exe opens the
// Notepad app, mostly in another process; an editor may be installed in
// Notepad's place).
#pragma once

#include <cstddef>

// Text operations. Every line written ends with CR LF; a line's text is cut
// to ViewerLineTextMax bytes. ViewerNameListing names the listing that
// follows after the listed file (its path); ViewerClear begins it and
// ViewerResetModified ends it.
void ViewerNameListing(const char *path);
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
// What this run has learnt of the viewer program: set once a started one has
// shown no window of its own with an edit control first, every later listing
// of this run goes to a file, and none starts it again (each start of Windows
// 11's notepad.exe leaves an empty editor window, or another editor's).
extern int ViewerUnattachable;

int FindNotepadPath(char *path);
// Returns 1 when attached; 0 after its box when the start failed, and 0
// without one, ViewerUnattachable set, when the started program showed no
// window of its own with an edit control first. Such a program and its
// window are left as they are.
int LaunchViewer(const char *path);
BOOL CALLBACK FindViewerWindowProc(HWND window, LPARAM value);

// The listing's file (file.cpp), in the order a listing calls them.
// ListingFileOpen and ListingFileWrite return 1, or 0 after their one message
// box, the file then removed. ListingFileFinish renames the file to
// ListingFilePath and opens it: it returns 0 after its box when the file
// cannot be finished (and is removed), and 1 once it is, also when it cannot
// be opened: that file stays, and a box names it. ListingFileDrop removes a
// file left unfinished.
extern char ListingFilePath[MAX_PATH];
int ListingFileOpen(void);
int ListingFileWrite(const char *line, size_t length);
int ListingFileFinish(void);
void ListingFileDrop(void);
#endif
