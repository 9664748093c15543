// Working Windows programs from outside, as a user at the screen would:
// starting processes, finding their windows, reading texts and message
// boxes. Every wait polls with a bound. Shared by quorrin-drive and the
// Windows tests.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qt {

// Polls cond every 10 ms until it holds or timeoutMs has passed.
bool WaitFor(const std::function<bool()> &cond, DWORD timeoutMs = 15000);

// A program of this build (QUORRIN_BUILD_DIR) and a host file as Windows
// paths (Z:\...).
std::string HostPath(const std::string &unixPath);
std::string BuildProgram(const char *relative);

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0, threadId = 0;
};
// Starts commandLine in directory (null: ours).
Process Start(const std::string &commandLine, const char *directory = nullptr);
// The exit code, or -1 when the process did not end within timeoutMs.
long WaitExit(Process &process, DWORD timeoutMs = 15000);
// Ends the process if it still runs and closes its handle.
void Kill(Process &process);
// What process started, and what those started: younger than it, since
// process ids are reused.
std::vector<DWORD> Descendants(HANDLE process);
// Ends every descendant of process.
void KillDescendants(HANDLE process);

// Window texts as bytes (WM_GETTEXT, also across processes).
std::string Text(HWND window);
// The top-level windows of a process, of one class if given.
std::vector<HWND> TopWindows(DWORD processId, const char *className = nullptr);
// The visible top-level window of a process's class; null after timeoutMs.
HWND WaitTopWindow(DWORD processId, const char *className, DWORD timeoutMs = 15000);
// The viewer ("QUORRIN_VIEWER") among what process started; null if none.
HWND FindViewer(HANDLE process);

// Puts path into the path box of Quorrin's main window, presses run and
// waits until the viewer holds the whole listing: its modified flag, set by
// every line, is cleared at the end (a viewer left from an earlier listing
// is marked modified first). Returns the viewer's edit control, or null.
HWND RunListing(HANDLE quorrin, HWND main, const std::string &path, DWORD timeoutMs);

// Message boxes: the visible dialogs of a process.
std::vector<HWND> MessageBoxes(DWORD processId);
struct Box {
    std::string text, caption;
    HWND owner = nullptr;
    HICON icon = nullptr;
    bool okOnly = false; // an OK button and no other
};
Box ReadBox(HWND box);
// Presses the button and waits until the box is gone.
bool AnswerBox(HWND box, int command = IDOK);

// What quorrin-list prints for path: the text the viewer must show.
std::string Listing(const std::string &path);
// Text in the ANSI code page as UTF-8.
std::string ToUtf8(const std::string &text);

} // namespace qt
