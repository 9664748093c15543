// What the main window does on request: browse, run, quit, Explorer on the
// system directory, the help note, the about box and dropped files.
#include "shell/shell.h"

#include <commdlg.h>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "exports/exports.h"
#include "res/ids.h"

// The part of OPENFILENAMEA that every Windows since 95 knows: the structure
// without the three fields Windows 2000 appended (pvReserved, dwReserved,
// FlagsEx): 76 bytes on 32-bit Windows.
static const DWORD OpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void *) != 4 || OpenFileNameSize == 76, "the Windows 95 OPENFILENAMEA");

static const char AboutTitle[] = "Quorrin のバージョン情報# Quorrin for Windows95";
static const char AboutRights[] = QUORRIN_RIGHTS;

// One blank, then a bare line feed: the box breaks the line there.
static const char HelpNote[] = "無いよ、だって作るのがかったるいんだもん。 \n"
                               "まあ、気をつけて使用してください。";
static const char HelpCaption[] = "ヘルプファイル";
static const char ExploreFailed[] = "システムディレクトリオープンエラー";
static const char FileErrorCaption[] = "ファイル - エラー";
static const char NoSuchFile[] = "そんなファイルは存在しないよ";
static const char NoSuchFileCaption[] = "しぇからしか!!";
static const char DropRefused[] = "ファイルはドラッグ & ドロップできません";
static const char DropRefusedCaption[] = "D&D エラー";

// Attribute bits that make the run command take a path for a file.
static const DWORD FileLikeBits = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

static void CloseMainWindow(HWND window)
{
    SendMessageA(window, WM_CLOSE, 0, 0);
}

static int ShowHelpNote(HWND window)
{
    ShowMessage(window, HelpNote, HelpCaption, MB_ICONINFORMATION);
    return 1;
}

// Returns 1 when Explorer was started on SystemDirectory, 0 after the box.
static int ExploreSystemDirectory(HWND window)
{
    HINSTANCE result = ShellExecuteA(window, "EXPLORE", SystemDirectory, nullptr, nullptr,
                                     SW_SHOWNORMAL);
    if ((INT_PTR)result <= 32) {
        ShowMessage(window, ExploreFailed, FileErrorCaption, MB_ICONWARNING);
        return 0;
    }
    SetForegroundWindow(window);
    return 1;
}

static int ShowAbout(HWND window, HINSTANCE instance)
{
    ShellAboutA(window, AboutTitle, AboutRights, LoadIconA(instance, "QUORRIN_ICON"));
    return 1;
}

// Set while a run is under way. The window answers messages sent to it while
// the run waits on the viewer or shows a box, so a second run can arrive from
// outside (an automation tool's click) in the middle of the first.
static int RunUnderWay;

// The run button: the path box's text as typed (at most 259 bytes), checked,
// then listed. Returns 0 when the box is empty, the path names no file, or a
// run is under way already: that one ends whole, and this one is ignored.
static int RunListing(HWND window)
{
    if (RunUnderWay)
        return 0;
    char path[MAX_PATH];
    memset(path, 0, sizeof path);
    SendMessageA(PathEdit, WM_GETTEXT, sizeof path, (LPARAM)path);
    if (path[0] == '\0')
        return 0;
    RunUnderWay = 1;
    int listed = CheckPathKind(path, 0);
    if (listed)
        ListExports(window, path);
    else
        ShowMessage(window, NoSuchFile, NoSuchFileCaption, MB_OK);
    RunUnderWay = 0;
    return listed;
}

int OnMenuCommand(HWND window, int id, HINSTANCE instance)
{
    switch (id) {
    case IDM_OPEN:
        return ChooseDllFile(window);
    case IDM_EXIT:
        CloseMainWindow(window);
        return 1;
    case IDM_HELP:
        return ShowHelpNote(window);
    case IDM_SYSFOLDER:
        return ExploreSystemDirectory(window);
    case IDM_ABOUT:
        return ShowAbout(window, instance);
    }
    return 1;
}

int OnButtonCommand(HWND window, int id)
{
    switch (id) {
    case IDC_BROWSE:
        return ChooseDllFile(window);
    case IDC_RUN:
        return RunListing(window);
    case IDC_QUIT:
        CloseMainWindow(window);
        return 1;
    }
    return 1;
}

// Only the first name of a drop counts. A folder is refused with a box; any
// other name goes into the path box unchecked (the run command checks it).
// The handle is released here: nothing reads it after this handler.
void OnDropFiles(HWND window, HDROP drop)
{
    char name[MAX_PATH];
    memset(name, 0, sizeof name);
    DragQueryFileA(drop, 0, name, sizeof name);
    DragFinish(drop);

    if (CheckPathKind(name, 1)) {
        SetForegroundWindow(window);
        ShowMessage(window, DropRefused, DropRefusedCaption, MB_ICONWARNING);
        return;
    }
    SendMessageA(PathEdit, WM_SETTEXT, 0, (LPARAM)name);
    SetForegroundWindow(window);
    // A message to the button, not SetFocus: the keyboard focus stays put.
    SendMessageA(RunButton, WM_SETFOCUS, 0, 0);
}

// The file name in path: what follows its last backslash. CharNextA steps
// over double-byte characters, whose second byte may be a backslash's.
static const char *FileNameOf(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = CharNextA(p))
        if (*p == '\\')
            name = p + 1;
    return name;
}

// Whether a and b, opened as this program sees them, are one file.
static int SameFile(const char *a, const char *b)
{
    BY_HANDLE_FILE_INFORMATION info[2];
    memset(info, 0, sizeof info);
    const char *paths[2] = {a, b};
    int known = 1;
    for (int i = 0; i < 2; i++) {
        HANDLE file = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        known = known && file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info[i]);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return known && info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// The open dialog is a part of this 32-bit program: on 64-bit Windows it shows SysWOW64's files
// at the system folder's path, where the lister (as 64-bit programs) sees System32's. A file
// chosen there is given into path by its SysWOW64 path, so that the listing is of the file the
// user chose; any other file by the path chosen. (A few subfolders of the system folder are not
// redirected: the file found at the SysWOW64 path must be the chosen one.)
static void PathOfChosen(const char *chosen, char *path)
{
    lstrcpynA(path, chosen, MAX_PATH);
    size_t system = strlen(SystemDirectory);
    const char *folder = strrchr(SystemDirectory, '\\');
    if (!folder || _strnicmp(chosen, SystemDirectory, system) != 0 || chosen[system] != '\\')
        return;
    char seen[MAX_PATH];
    int length = snprintf(seen, sizeof seen, "%.*s\\SysWOW64%s", (int)(folder - SystemDirectory),
                          SystemDirectory, chosen + system);
    if (length > 0 && length < (int)sizeof seen && SameFile(chosen, seen))
        memcpy(path, seen, (size_t)length + 1);
}

// ChosenPath is kept from one dialog to the next, so each dialog after the
// first opens on the previous choice. With the box ticked the dialog is handed
// only its file name: a folder in the file name wins over the initial folder,
// and the tick would do nothing after a first choice. A dialog that fails
// (with a choice too long for the buffer it writes the size it needed there)
// forgets ChosenPath, so that the next one opens; a cancel keeps it. The path
// box gets the path of the chosen file as the lister sees it (PathOfChosen).
// Returns 1 when a file was chosen and put into the path box, 0 when the
// dialog was cancelled or failed (nothing shown).
int ChooseDllFile(HWND owner)
{
    char initialDir[MAX_PATH];
    char file[MAX_PATH];
    memset(initialDir, 0, sizeof initialDir);
    memset(file, 0, sizeof file);
    if (SendMessageA(SystemFolderCheck, BM_GETCHECK, 0, 0) != 0) {
        lstrcpynA(initialDir, SystemDirectory, sizeof initialDir);
        lstrcpynA(file, FileNameOf(ChosenPath), sizeof file);
    } else {
        lstrcpynA(file, ChosenPath, sizeof file);
    }

    OPENFILENAMEA dialog;
    memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = OpenFileNameSize;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Dll File (*.dll)\0*.dll\0";
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrInitialDir = initialDir;
    dialog.lpstrTitle = "ファイルを開く";
    dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "dll";
    if (!GetOpenFileNameA(&dialog)) {
        if (CommDlgExtendedError() != 0)
            memset(ChosenPath, 0, sizeof ChosenPath);
        return 0;
    }
    memcpy(ChosenPath, file, sizeof ChosenPath);
    PathOfChosen(ChosenPath, file);

    InvalidateRect(owner, nullptr, TRUE);
    SendMessageA(PathEdit, WM_SETTEXT, 0, (LPARAM)file);
    return 1;
}

// Mode 1: 1 when the path is a directory. Mode 0: 1 when the path exists and
// is a file by its attribute bits, that is, when one of the read-only,
// hidden, system or archive bits or FILE_ATTRIBUTE_NORMAL is set, or when it
// is not a directory at all (a file whose only bits are, say, temporary or
// offline is still a file). A directory with the archive bit passes too; the
// lister then reports that it cannot read it. The path is tested as 64-bit
// programs see it, as the lister reads it.
int CheckPathKind(const char *path, int mode)
{
    char shortPath[MAX_PATH];
    memset(shortPath, 0, sizeof shortPath);
    WIN32_FIND_DATAA found;
    memset(&found, 0, sizeof found);
    NativeFiles view;
    BeginNativeFiles(&view, path);
    // Its result does not matter: a path that does not exist leaves the
    // buffer empty, and the search below fails; where the volume keeps no
    // short names, the buffer gets the path as it is, which the search takes.
    GetShortPathNameA(view.path, shortPath, sizeof shortPath);
    HANDLE search = FindFirstFileA(shortPath, &found);
    EndNativeFiles(&view);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);

    DWORD attributes = found.dwFileAttributes;
    if (mode == 1)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    if (attributes & (FileLikeBits | FILE_ATTRIBUTE_NORMAL))
        return 1;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
}
