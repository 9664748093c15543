// Writing into the viewer: one edit-control message per line, sent to the
// viewer's edit control in the other process. The viewer is started when a
// line is to be written and no live viewer window exists; a listing that
// finds none to attach goes to a file instead (file.cpp).
#include "viewer/viewer.h"

#include <cstdlib>
#include <cstring>

#include "shell/shell.h"

char ViewerPath[MAX_PATH];

static const char NoViewerEdit[] = // Notepad's edit control was not found
    "メモ帳のエディットコントロールが見つかりませんでした";
static const char ViewerFailedCaption[] = "なんで？";

// A listing's course, from ViewerClear, its first call, to ViewerResetModified, its last.
enum ListingCourse {
    ListingNotStarted, // no line yet: the first one decides where the listing goes
    ListingIntoViewer, // into the Notepad attached
    ListingIntoFile,   // into the listing's file, whole, opened at the end
    // No more lines: the viewer's edit control or the listing's file failed (the listing's one
    // message has been shown), or the viewer written into was closed. The user closed it on
    // purpose, and the rest of a listing in a new viewer would look whole without being so.
    ListingStopped,
};
static ListingCourse Course;

// Finds and starts the viewer. Returns 1 when attached; 0 when the listing is to go to a file: no
// viewer program was found, it could not be started (the launch has shown its box), or a viewer
// program started in this run showed no window of its own.
static int StartViewer(void)
{
    if (ViewerUnattachable)
        return 0;
    memset(ViewerPath, 0, sizeof ViewerPath);
    if (!FindNotepadPath(ViewerPath))
        return 0;
    return LaunchViewer(ViewerPath);
}

// True when window is one of the viewer's own thread. A window that is gone, or whose handle
// another window has taken since, is not.
static int OfViewer(HWND window)
{
    DWORD processId = 0;
    return IsWindow(window) && GetWindowThreadProcessId(window, &processId) == ViewerThreadId &&
           processId == ViewerProcessId;
}

// True when the viewer attached is still open. Once it is not, its handles are forgotten, never
// to reach another window that takes their values.
static int ViewerOpen(void)
{
    if (OfViewer(ViewerWindow))
        return 1;
    ViewerWindow = nullptr;
    ViewerEdit = nullptr;
    return 0;
}

// Takes the viewer window's child of class "Edit" when the one held is gone: Notepad makes a new
// one whenever Word Wrap is switched, also in the middle of a listing (its first child may then
// be the status bar). The caret is put at the end of the text the new control took over, so that
// the rest of a listing follows what was written. A message to the viewer's thread comes first: a
// switch under way there ends before the search. The new control's text limit is lifted, as
// Notepad lifts that of its first: Wine's leaves it at the default 30,000 characters. Returns 1
// when the viewer is open with an edit control of its own in ViewerEdit; 0 when it is closed, or
// has no such child.
static int EditHeld(void)
{
    if (!ViewerOpen())
        return 0;
    if (OfViewer(ViewerEdit) && GetParent(ViewerEdit) == ViewerWindow)
        return 1;
    SendMessageA(ViewerWindow, WM_NULL, 0, 0);
    ViewerEdit = FindWindowExA(ViewerWindow, nullptr, "Edit", nullptr);
    if (!ViewerEdit)
        return 0;
    SendMessageA(ViewerEdit, EM_LIMITTEXT, 0, 0);
    LRESULT end = SendMessageA(ViewerEdit, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(ViewerEdit, EM_SETSEL, end, end);
    return 1;
}

// True when the edit control's text ends with the length bytes of line, or when that cannot be
// told (no memory for a copy of the text).
static int TextEndsWith(const char *line, size_t length)
{
    size_t size = (size_t)SendMessageA(ViewerEdit, WM_GETTEXTLENGTH, 0, 0) + 1;
    char *text = (char *)calloc(size, 1);
    if (!text)
        return 1;
    size_t got = (size_t)SendMessageA(ViewerEdit, WM_GETTEXT, size, (LPARAM)text);
    int ends = got >= length && memcmp(text + got - length, line, length) == 0;
    free(text);
    return ends;
}

// The first line decides where the listing goes: into the viewer open, or one started now, or
// else into a file.
static ListingCourse FirstCourse(void)
{
    if (ViewerOpen() || StartViewer())
        return ListingIntoViewer;
    return ListingFileOpen() ? ListingIntoFile : ListingStopped;
}

static void WriteIntoViewer(const char *line, size_t length)
{
    if (!ViewerOpen()) {
        Course = ListingStopped;
        return;
    }
    if (!EditHeld()) {
        // A viewer that cannot be written is let go: the next listing starts a new one.
        MessageBoxA(MainWindow, NoViewerEdit, ViewerFailedCaption, MB_OK | MB_ICONWARNING);
        ViewerWindow = nullptr;
        ViewerEdit = nullptr;
        Course = ListingStopped;
        return;
    }
    SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
    // Switched while the line was on its way: either it went in before, and the new control took
    // it over with the rest, or it reached the old control too late and is lost.
    if (!OfViewer(ViewerEdit) && EditHeld() && !TextEndsWith(line, length))
        SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
}

void ViewerAppendLine(const char *text)
{
    char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    if (Course == ListingNotStarted)
        Course = FirstCourse();
    if (Course == ListingIntoViewer)
        WriteIntoViewer(line, length);
    else if (Course == ListingIntoFile && !ListingFileWrite(line, length))
        Course = ListingStopped;
}

// Begins a listing: the viewer attached, if it is still open, is emptied, and an unfinished
// listing's file is removed. Returns 1 when the viewer was emptied, 0 when none is open.
int ViewerClear(void)
{
    ListingFileDrop();
    Course = ListingNotStarted;
    if (!EditHeld())
        return 0;
    SendMessageA(ViewerEdit, WM_SETTEXT, 0, (LPARAM) "");
    return 1;
}

// Ends a listing: the viewer's text is marked unmodified, so that closing it asks nothing, or the
// listing's file, written whole, is handed to the shell.
void ViewerResetModified(void)
{
    ListingCourse course = Course;
    Course = ListingNotStarted;
    if (course == ListingIntoFile)
        ListingFileFinish();
    else if (course != ListingStopped && EditHeld())
        SendMessageA(ViewerEdit, EM_SETMODIFY, FALSE, 0);
}
