// Writing into the viewer: one edit-control message per line, sent to the
// viewer's edit control in the other process. The viewer is started when a
// line is to be written and no live viewer window exists.
#include "viewer/viewer.h"

#include <cstring>

#include "shell/shell.h"

char ViewerPath[MAX_PATH];

static const char NoViewerProgram[] = "メモ帳が見つからないよ";
static const char NoViewerProgramCaption[] = "なんで？";

// A listing's course through the viewer, reset by ViewerClear, the first
// call of every listing. Once the listing has stopped its remaining lines
// cost nothing: no message is sent and nothing is started. It stops when no
// viewer could be found or started (the listing's one message has been
// shown), and when the viewer it was writing into has been closed: the user
// closed it on purpose, and the rest of a listing in a new viewer would look
// whole without being so.
static int ListingWritten;
static int ListingStopped;

// Finds and starts the viewer. Returns 1 when attached, 0 after the
// listing's one message (the launch shows its own).
static int StartViewer(void)
{
    memset(ViewerPath, 0, sizeof ViewerPath);
    if (!FindNotepadPath(ViewerPath)) {
        MessageBoxA(MainWindow, NoViewerProgram, NoViewerProgramCaption, MB_OK | MB_ICONWARNING);
        return 0;
    }
    return LaunchViewer(ViewerPath);
}

void ViewerAppendLine(const char *text)
{
    if (ListingStopped)
        return;
    if (!IsWindow(ViewerWindow) && (ListingWritten || !StartViewer())) {
        ListingStopped = 1;
        return;
    }
    char line[ViewerBufferSize];
    ViewerMakeLine(text, line);
    SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
    ListingWritten = 1;
}

int ViewerClear(void)
{
    ListingWritten = 0;
    ListingStopped = 0;
    if (!ViewerEdit)
        return 0;
    SendMessageA(ViewerEdit, WM_SETTEXT, 0, (LPARAM) "");
    return 1;
}

void ViewerResetModified(void)
{
    if (ViewerEdit)
        SendMessageA(ViewerEdit, EM_SETMODIFY, FALSE, 0);
}
