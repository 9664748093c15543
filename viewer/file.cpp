// The listing's way out when no Notepad of this program's own can be attached: a new text file in
// a folder of the program's own under the user's temporary folder, written whole under a
// temporary name, renamed to one after the listed file, and opened as Explorer opens a text file.
// It is UTF-8 with a byte-order mark, which every editor reads right whatever its code page; where
// the system has no UTF-8 conversion (Windows 95, NT 4), neither has its Notepad, and the file
// holds the listing's own bytes.
#include "viewer/viewer.h"

#include <cstdio>
#include <cstring>

#include "shell/shell.h"

char ListingFilePath[MAX_PATH];

static const char FolderName[] = "Quorrin";
static const char TempPrefix[] = "qrn";
static const char FallbackName[] = "Quorrin"; // for a listed name empty or too long for a path
static const unsigned char Utf8Mark[] = {0xEF, 0xBB, 0xBF};

static const char NotWritten[] = "一覧をファイルに書き込めませんでした";
static const char NotWrittenCaption[] = "ファイル - エラー";
static const char NotOpened[] = // the file could not be opened; it is here:
    "一覧のファイルを開けませんでした。ファイルはここにあります:\n";
static const char NotOpenedCaption[] = "なんで？";

enum {
    MostNumbers = 9999, // "name (9999).txt" is the last name tried
    // ms: how long a rename or delete waits for a file that another program still holds (a virus
    // scanner reads every new file), trying again every HeldPoll ms
    HeldWait = 2000,
    HeldPoll = 50,
};

static char ListedName[MAX_PATH];
static char Folder[MAX_PATH];
static char TempPath[MAX_PATH];
static FILE *Stream;
// The code page of the listing's bytes, and 0 where the file holds them as they are.
static UINT FromCodePage;

// The conversion of one line to UTF-8, through UTF-16. The listing's own texts are code page 932
// bytes, whatever the system's code page. A byte becomes at most one UTF-16 unit, and a unit at
// most three UTF-8 bytes.
static WCHAR Wide[ViewerBufferSize];
static char Utf8[3 * ViewerBufferSize];

// The listed file's name: what follows the path's last backslash, slash or colon (a
// drive-relative path such as C:kernel32.dll names kernel32.dll).
void ViewerNameListing(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = CharNextA(p))
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    lstrcpynA(ListedName, name, sizeof ListedName);
}

static int ShowNotWritten(void)
{
    MessageBoxA(MainWindow, NotWritten, NotWrittenCaption, MB_OK | MB_ICONWARNING);
    return 0;
}

// Moves from to to, or deletes from when to is null, trying again while another program holds
// the file, for HeldWait ms at most. Returns the call's result, its error kept.
static BOOL WhenFree(const char *from, const char *to)
{
    DWORD start = GetTickCount();
    for (;;) {
        BOOL done = to ? MoveFileA(from, to) : DeleteFileA(from);
        DWORD error = GetLastError();
        if (done || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            GetTickCount() - start >= HeldWait)
            return done;
        Sleep(HeldPoll);
        SetLastError(error);
    }
}

// Closes and removes the temporary file.
static void Discard(void)
{
    if (Stream)
        fclose(Stream);
    Stream = nullptr;
    WhenFree(TempPath, nullptr);
    memset(TempPath, 0, sizeof TempPath);
}

int ListingFileOpen(void)
{
    ListingFileDrop();
    char temp[MAX_PATH] = {};
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return ShowNotWritten();
    int folderLength = snprintf(Folder, sizeof Folder, "%s%s", temp, FolderName);
    if (folderLength < 0 || folderLength >= (int)sizeof Folder)
        return ShowNotWritten();
    // A folder left from an earlier run is used as it is.
    CreateDirectoryA(Folder, nullptr);
    if (!GetTempFileNameA(Folder, TempPrefix, 0, TempPath))
        return ShowNotWritten();
    FromCodePage = 0;
    if (IsValidCodePage(CP_UTF8))
        FromCodePage = IsValidCodePage(932) ? 932 : CP_ACP;
    Stream = fopen(TempPath, "wb");
    size_t mark = FromCodePage ? sizeof Utf8Mark : 0;
    if (!Stream || fwrite(Utf8Mark, 1, mark, Stream) != mark) {
        Discard();
        return ShowNotWritten();
    }
    return 1;
}

int ListingFileWrite(const char *line, size_t length)
{
    const char *bytes = line;
    int count = (int)length;
    if (FromCodePage) {
        int units = MultiByteToWideChar(FromCodePage, 0, line, count, Wide, ViewerBufferSize);
        count = WideCharToMultiByte(CP_UTF8, 0, Wide, units, Utf8, sizeof Utf8, nullptr, nullptr);
        bytes = Utf8;
    }
    if (count == 0 || fwrite(bytes, 1, count, Stream) != (size_t)count) {
        Discard();
        return ShowNotWritten();
    }
    return 1;
}

// The file's name in the folder: the listed file's name and ".txt", with " (number)" before the
// ".txt" from the second on. Returns 0 when it does not fit a path.
static int NameFile(char *path, const char *name, int number)
{
    int length = number == 1 ? snprintf(path, MAX_PATH, "%s\\%s.txt", Folder, name)
                             : snprintf(path, MAX_PATH, "%s\\%s (%d).txt", Folder, name, number);
    return length > 0 && length < MAX_PATH;
}

// Gives the written file the first free name; a file of that name is never replaced, since the
// user may still have it open. Returns 1 with ListingFilePath set; 0 when every name is taken or
// none fits a path.
static int Rename(void)
{
    const char *name = ListedName[0] != '\0' ? ListedName : FallbackName;
    if (!NameFile(ListingFilePath, name, MostNumbers))
        name = FallbackName;
    for (int number = 1; number <= MostNumbers && NameFile(ListingFilePath, name, number);
         number++) {
        if (WhenFree(TempPath, ListingFilePath)) {
            memset(TempPath, 0, sizeof TempPath);
            return 1;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    memset(ListingFilePath, 0, sizeof ListingFilePath);
    return 0;
}

int ListingFileFinish(void)
{
    int written = fclose(Stream) == 0;
    Stream = nullptr;
    if (!written || !Rename()) {
        Discard();
        return ShowNotWritten();
    }
    HINSTANCE opened = ShellExecuteA(MainWindow, "open", ListingFilePath, nullptr, nullptr,
                                     SW_SHOWNORMAL);
    if ((INT_PTR)opened <= 32) {
        // The file stays: the box tells where it is.
        char text[sizeof NotOpened + MAX_PATH];
        snprintf(text, sizeof text, "%s%s", NotOpened, ListingFilePath);
        MessageBoxA(MainWindow, text, NotOpenedCaption, MB_OK | MB_ICONWARNING);
    }
    return 1;
}

void ListingFileDrop(void)
{
    if (Stream)
        Discard();
}
