// quorrin-drive: works Quorrin from outside, as a user at the window would.
//
//   quorrin-drive run QUORRIN.EXE DLL [PICTURE.bmp]
//       Starts Quorrin, puts DLL into the path box and presses run. The
//       viewer is minimized while the lines come in (a shown Notepad spends
//       some 12 ms a line scrolling and painting, a minimized one 0.4 ms).
//       Progress goes to standard error; the viewer's text, once the listing
//       is complete, to standard output as UTF-8, and exit code 0. Every
//       message box the run shows is printed (caption and text, UTF-8) and
//       answered; the run then exits 1, as it does when no line and no box
//       has come for a minute. With PICTURE, a picture of the screen area
//       that holds the main window and the restored viewer. Both stay open.
//   quorrin-drive bench QUORRIN.EXE NOTEPAD.EXE DLL
//       Prints, in milliseconds: start to a shown main window for Quorrin and
//       for Notepad, and a whole run of DLL (press run to listing done), with
//       the viewer still to be started and with it open. Ends what it started.
#include "tools/harness.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "res/ids.h"

using namespace qt;

enum { StallMs = 60000, BoxGraceMs = 1000, Rounds = 5 };

static double Seconds(DWORD from)
{
    return (GetTickCount() - from) / 1000.0;
}

// Lines done, as a bar on a terminal and as a plain line every few seconds
// elsewhere.
static void ShowProgress(size_t done, size_t names, DWORD start, bool final)
{
    static bool terminal = GetFileType(GetStdHandle(STD_ERROR_HANDLE)) == FILE_TYPE_CHAR;
    static DWORD lastShown;
    if (!final && GetTickCount() - lastShown < (terminal ? 100u : 5000u))
        return;
    lastShown = GetTickCount();
    if (terminal) {
        char bar[31] = {};
        size_t filled = names ? 30 * std::min(done, names) / names : 0;
        for (size_t i = 0; i < 30; ++i)
            bar[i] = i < filled ? '#' : '-';
        fprintf(stderr, "\r[%s] %zu / %zu names  %.1f s%s", bar, done, names, Seconds(start),
                final ? "\n" : "");
    } else {
        fprintf(stderr, "quorrin-drive: %zu of %zu names, %.1f s\n", done, names, Seconds(start));
    }
}

// How many whole lines the first length bytes of text hold.
static size_t LinesIn(const std::string &text, size_t length)
{
    return (size_t)std::count(text.begin(), text.begin() + std::min(length, text.size()), '\n');
}

// The screen area from left, top to right, bottom as a 24-bit BMP file.
static bool SavePicture(const char *path, RECT area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    DWORD stride = (width * 3 + 3) & ~3u, bytes = stride * height;
    BITMAPFILEHEADER file = {0x4D42, (DWORD)(sizeof file + sizeof info + bytes), 0, 0,
                             sizeof file + sizeof info};
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    void *bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, (BITMAPINFO *)&info, DIB_RGB_COLORS, &bits, nullptr,
                                      0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    bool ok = BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    FILE *out = ok ? fopen(path, "wb") : nullptr;
    ok = out && fwrite(&file, sizeof file, 1, out) == 1 &&
         fwrite(&info, sizeof info, 1, out) == 1 && fwrite(bits, bytes, 1, out) == 1;
    ok = out && fclose(out) == 0 && ok;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

// The viewer restored where and as large as Quorrin asks for it (Wine's
// Notepad keeps its own placement), the main window beside it, both drawn.
static RECT ArrangeForPicture(HWND main, HWND viewer)
{
    ShowWindowAsync(viewer, SW_RESTORE);
    WaitFor([&] { return !IsIconic(viewer); }, 5000);
    int width = GetSystemMetrics(SM_CXSCREEN) * 5 / 9;
    int height = GetSystemMetrics(SM_CYSCREEN) * 5 / 9;
    SetWindowPos(viewer, HWND_TOP, 0, 0, width, height, SWP_NOACTIVATE);
    SetWindowPos(main, HWND_TOP, width + 8, 0, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    for (HWND window : {viewer, main})
        RedrawWindow(window, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Painting is done when each window answers a message sent after it.
    DWORD_PTR unused;
    for (HWND window : {viewer, main})
        SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &unused);
    RECT a = {}, b = {};
    GetWindowRect(main, &a);
    GetWindowRect(viewer, &b);
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

static int Run(const char *quorrin, const char *dll, const char *picture)
{
    std::string expected = Listing(dll);
    size_t names = LinesIn(expected, expected.size());
    names -= names > 0; // the header
    Process app = Start("\"" + std::string(quorrin) + "\"");
    HWND main = app.handle ? WaitTopWindow(app.id, "Quorrin", StallMs) : nullptr;
    if (!main) {
        fprintf(stderr, "quorrin-drive: Quorrin's window did not show\n");
        return 1;
    }
    SendMessageA(GetDlgItem(main, IDC_PATH), WM_SETTEXT, 0, (LPARAM)dll);
    DWORD start = GetTickCount(), progress = start, lastBox = 0;
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_RUN, 0), 0);

    HWND viewer = nullptr, edit = nullptr;
    DWORD_PTR length = 0, modified = 1, lastLength = 0;
    for (;; Sleep(50)) {
        for (HWND box : MessageBoxes(app.id)) {
            Box seen = ReadBox(box);
            fprintf(stderr, "%s%s: %s\n", lastLength ? "\n" : "", ToUtf8(seen.caption).c_str(),
                    ToUtf8(seen.text).c_str());
            AnswerBox(box);
            progress = lastBox = GetTickCount();
        }
        if (lastBox && GetTickCount() - lastBox > BoxGraceMs)
            return 1;
        if (!viewer && (viewer = FindViewer(app.handle))) {
            // A user may do the same: the listing then costs seconds, not minutes.
            ShowWindowAsync(viewer, SW_MINIMIZE);
            edit = GetWindow(viewer, GW_CHILD);
        }
        if (edit && SendMessageTimeoutA(edit, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 5000, &length) &&
            length > 0 &&
            SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_NORMAL, 5000, &modified) &&
            !modified)
            break;
        if (length != lastLength) {
            progress = GetTickCount();
            lastLength = length;
            size_t lines = LinesIn(expected, length);
            ShowProgress(lines - (lines > 0), names, start, false);
        }
        if (WaitForSingleObject(app.handle, 0) == WAIT_OBJECT_0) {
            fprintf(stderr, "\nquorrin-drive: Quorrin ended before the listing did\n");
            return 1;
        }
        if (GetTickCount() - progress > StallMs) {
            fprintf(stderr, "\nquorrin-drive: no new line and no message for %d s: given up\n",
                    StallMs / 1000);
            return 1;
        }
    }
    std::string text = Text(edit);
    size_t lines = LinesIn(text, text.size());
    ShowProgress(lines - (lines > 0), names, start, true);
    std::string utf8 = ToUtf8(text);
    _setmode(_fileno(stdout), _O_BINARY);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
    fflush(stdout);

    RECT area = ArrangeForPicture(main, viewer);
    if (picture && !SavePicture(picture, area)) {
        fprintf(stderr, "quorrin-drive: could not save the picture %s\n", picture);
        return 1;
    }
    CloseHandle(app.handle);
    return 0;
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

static LARGE_INTEGER Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now;
}

static HWND TimedListing(Process &app, HWND main, const char *path, double *ms)
{
    LARGE_INTEGER from = Now();
    HWND edit = RunListing(app.handle, main, path, 10 * StallMs);
    *ms = Milliseconds(from, Now());
    return edit;
}

// Start to a shown top-level window of the class, median of Rounds starts.
static double StartTime(const char *exe, const char *className)
{
    double times[Rounds];
    for (double &time : times) {
        LARGE_INTEGER from = Now();
        Process started = Start("\"" + std::string(exe) + "\"");
        HWND window = started.handle ? WaitTopWindow(started.id, className) : nullptr;
        time = Milliseconds(from, Now());
        Kill(started);
        if (!window)
            return -1;
    }
    std::sort(times, times + Rounds);
    return times[Rounds / 2];
}

static int Bench(const char *quorrin, const char *notepad, const char *dll)
{
    printf("start to shown main window (median of %d):\n", Rounds);
    printf("  Quorrin   %8.1f ms\n", StartTime(quorrin, "Quorrin"));
    printf("  Notepad   %8.1f ms\n", StartTime(notepad, "Notepad"));
    fflush(stdout);

    Process app = Start("\"" + std::string(quorrin) + "\"");
    HWND main = app.handle ? WaitTopWindow(app.id, "Quorrin") : nullptr;
    double first = 0, again = 0;
    HWND edit = main ? TimedListing(app, main, dll, &first) : nullptr;
    if (edit && TimedListing(app, main, dll, &again)) {
        LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0) - 2; // header, last empty line
        printf("whole run, press run to listing done, %ld names:\n", (long)lines);
        printf("  starting the viewer  %8.1f ms\n", first);
        printf("  viewer open          %8.1f ms\n", again);
    }
    KillDescendants(app.handle);
    Kill(app);
    return edit ? 0 : 1;
}

int main(int argc, char **argv)
{
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "run") == 0)
        return Run(argv[2], argv[3], argc == 5 ? argv[4] : nullptr);
    if (argc == 5 && strcmp(argv[1], "bench") == 0)
        return Bench(argv[2], argv[3], argv[4]);
    fprintf(stderr, "usage: quorrin-drive run QUORRIN.EXE DLL [PICTURE.bmp]\n"
                    "       quorrin-drive bench QUORRIN.EXE NOTEPAD.EXE DLL\n");
    return 2;
}
