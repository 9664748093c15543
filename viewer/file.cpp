// The listing's way out when no Notepad of this program's own can be attached: a new text file in
// a folder of the program's own under the user's temporary folder, written whole under a
// temporary name, renamed to one after the listed file, and opened as Explorer opens a text file.
#include "viewer/viewer.h"

#include <cstdio>
#include <cstring>

#include "shell/shell.h"

char ListingFilePath[MAX_PATH];

static const char FolderName[] = "Quorrin";
static const char TempPrefix[] = "qrn";
static const char FallbackName[] = "Quorrin"; // for a listed name too long for a path
static const unsigned char Utf8Mark[] = {0xEF, 0xBB, 0xBF};

static const char NotWritten[] = "一覧をファイルに書き込めませんでした";
static const char NotWrittenCaption[] = "ファイル - エラー";
static const char NotOpened[] = // the file could not be opened; it is here:
    "一覧のファイルを開けませんでした。ファイルはここにあります:\n";
static const char NotOpenedCaption[] = "なんで？";

enum { MostNumbers = 9999 }; // "name (9999).txt" is the last name tried

static char ListedName[MAX_PATH];
static char Folder[MAX_PATH];
static char TempPath[MAX_PATH];
static FILE *Stream;

// The conversion of one line: the ANSI code page to UTF-16, as the edit control takes the text of
// EM_REPLACESEL, then to UTF-8. A byte of the ANSI text becomes at most one UTF-16 unit, and a
// unit at most three UTF-8 bytes.
static WCHAR Wide[ViewerBufferSize];
static char Utf8[3 * ViewerBufferSize];

void ViewerNameListing(const char *path)
{
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = CharNextA(p))
        if (*p == '\\' || *p == '/')
            name = p + 1;
    lstrcpynA(ListedName, name, sizeof ListedName);
}

static int ShowNotWritten(void)
{
    MessageBoxA(MainWindow, NotWritten, NotWrittenCaption, MB_OK | MB_ICONWARNING);
    return 0;
}

// Closes and removes the temporary file.
static void Discard(void)
{
    if (Stream)
        fclose(Stream);
    Stream = nullptr;
    DeleteFileA(TempPath);
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
    Stream = fopen(TempPath, "wb");
    if (!Stream || fwrite(Utf8Mark, 1, sizeof Utf8Mark, Stream) != sizeof Utf8Mark) {
        Discard();
        return ShowNotWritten();
    }
    return 1;
}

int ListingFileWrite(const char *line, size_t length)
{
    int units = MultiByteToWideChar(CP_ACP, 0, line, (int)length, Wide, ViewerBufferSize);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, Wide, units, Utf8, sizeof Utf8, nullptr, nullptr);
    if (units == 0 || bytes == 0 || fwrite(Utf8, 1, bytes, Stream) != (size_t)bytes) {
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
// user may still have it open. Returns 1 with ListingFilePath set.
static int Rename(void)
{
    const char *name = ListedName[0] != '\0' ? ListedName : FallbackName;
    if (!NameFile(ListingFilePath, name, MostNumbers))
        name = FallbackName;
    for (int number = 1; number <= MostNumbers; number++) {
        NameFile(ListingFilePath, name, number);
        if (MoveFileA(TempPath, ListingFilePath)) {
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
