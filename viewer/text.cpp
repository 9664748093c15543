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

// A listing's course, reset by ViewerClear, the first call of every listing. Once the listing has
// stopped its remaining lines cost nothing: no message is sent and nothing is started. It stops
// when the viewer's edit control or the listing's file failed (the listing's one message has been
// shown), and when the viewer it was writing into has been closed: the user closed it on purpose,
// and the rest of a listing in a new viewer would look whole without being so. A listing that
// finds no viewer to attach goes to a file from its first line on.
static int ListingWritten;
static int ListingStopped;
static int ListingToFile;

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

// True when the edit control held is gone from a viewer that is still open: Notepad makes a new
// one whenever Word Wrap is switched, also in the middle of a listing.
static int EditReplaced(void)
{
    return !IsWindow(ViewerEdit) && IsWindow(ViewerWindow);
}

// Takes the viewer window's child of class "Edit" (its first child may now be the status bar),
// with the caret put at the end of the text the new control took over, so that the rest of a
// listing follows what was written. A message to the viewer's thread comes first: a switch under
// way there ends before the search. The new control's text limit is lifted, as Notepad lifts that
// of its first: Wine's leaves it at the default 30,000 characters. Returns 0 when the viewer has
// no such child.
static int AttachEditAgain(void)
{
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

void ViewerAppendLine(const char *text)
{
    if (ListingStopped)
        return;
    char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    if (!ListingToFile && !IsWindow(ViewerWindow)) {
        if (ListingWritten) {
            ListingStopped = 1;
            return;
        }
        ListingToFile = !StartViewer();
        if (ListingToFile && !ListingFileOpen()) {
            ListingStopped = 1;
            return;
        }
    }
    if (ListingToFile) {
        ListingStopped = !ListingFileWrite(line, length);
        return;
    }
    if (EditReplaced() && !AttachEditAgain()) {
        // A viewer that cannot be written is let go: the next listing starts a new one.
        MessageBoxA(MainWindow, NoViewerEdit, ViewerFailedCaption, MB_OK | MB_ICONWARNING);
        ViewerWindow = nullptr;
        ListingStopped = 1;
        return;
    }
    SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
    // Switched while the line was on its way: either it went in before, and the new control took
    // it over with the rest, or it reached the old control too late and is lost.
    if (EditReplaced() && AttachEditAgain() && !TextEndsWith(line, length))
        SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
    ListingWritten = 1;
}

int ViewerClear(void)
{
    ListingFileDrop();
    ListingWritten = 0;
    ListingStopped = 0;
    ListingToFile = 0;
    if (!ViewerEdit)
        return 0;
    if (EditReplaced())
        AttachEditAgain();
    SendMessageA(ViewerEdit, WM_SETTEXT, 0, (LPARAM) "");
    return 1;
}

// The end of a listing: a listing's file, written whole, is handed to the shell.
void ViewerResetModified(void)
{
    if (ListingToFile) {
        if (!ListingStopped)
            ListingFileFinish();
        ListingToFile = 0;
        return;
    }
    if (EditReplaced())
        AttachEditAgain();
    if (ViewerEdit)
        SendMessageA(ViewerEdit, EM_SETMODIFY, FALSE, 0);
}
