// Writing into the viewer: one edit-control message per line, sent to the
// viewer's edit control in the other process. The viewer is started when a
// line is to be written and no live viewer window exists.
#include "viewer/viewer.h"

#include <cstring>

#include "shell/shell.h"

char ViewerPath[MAX_PATH];

static const char NoViewerProgram[] = "メモ帳が見つからないよ";
static const char NoViewerProgramCaption[] = "なんで？";

// Set when this listing could not find or start a viewer: its remaining
// lines are dropped, so a listing shows at most one failure. ViewerClear,
// the first call of every listing, clears it, and the next listing tries
// again.
static int ViewerGaveUp;

// Finds and starts the viewer. Returns 1 when attached, 0 after the
// listing's one message (the launch shows its own).
static int StartViewer(void)
{
    memset(ViewerPath, 0, sizeof ViewerPath);
    if (!FindNotepadPath(ViewerPath)) {
        MessageBoxA(MainWindow, NoViewerProgram, NoViewerProgramCaption,
                    MB_OK | MB_ICONWARNING);
        return 0;
    }
    return LaunchViewer(ViewerPath);
}

void ViewerAppendLine(const char *text)
{
    if (ViewerGaveUp)
        return;
    if (!IsWindow(ViewerWindow) && !StartViewer()) {
        ViewerGaveUp = 1;
        return;
    }
    char line[ViewerBufferSize];
    ViewerMakeLine(text, line);
    SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line);
}

int ViewerClear(void)
{
    ViewerGaveUp = 0;
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
