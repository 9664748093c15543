// Helpers for the Windows tests that drive real programs under Wine. Every
// wait polls with a bound; nothing sleeps for a fixed time.
#pragma once

#include <windows.h>

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qt {

// Polls cond every 10 ms until it holds or timeoutMs has passed.
bool WaitFor(const std::function<bool()> &cond, DWORD timeoutMs = 15000);

// Windows paths: a program of this build ("shell/Quorrin.exe"), a host file
// (Z:\...), one of Wine's own DLLs, a file in the system folder.
std::string BuildProgram(const char *relative);
std::string HostPath(const std::string &unixPath);
std::string WineDll(const std::string &name);
std::string SystemPath(const std::string &name);
std::string LongForm(const std::string &path);
// A fresh, empty folder under the prefix's temporary folder.
std::string TempFolder(const std::string &name);
bool WriteFileBytes(const std::string &path, const std::string &bytes);

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
    DWORD threadId = 0;
};
// Starts commandLine in directory (null: ours), inside job if one is given.
Process Start(const std::string &commandLine, const char *directory = nullptr,
              HANDLE job = nullptr);
// The exit code, or -1 when the process did not end within timeoutMs.
long WaitExit(Process &process, DWORD timeoutMs = 15000);
// Ends the process if it still runs and closes its handle.
void Kill(Process &process);
void KillId(DWORD processId);
bool IsRunning(DWORD processId);
// The processes process started, and those they started: younger than it,
// since process ids are reused.
std::vector<DWORD> Descendants(HANDLE process);
// Runs commandLine to its end; its standard output (exitCode: -1 on time-out).
std::string Capture(const std::string &commandLine, long *exitCode = nullptr,
                    DWORD timeoutMs = 60000);
// What quorrin-list prints for path: the text the viewer must show.
std::string Listing(const std::string &path);

// Window texts as bytes (WM_GETTEXT, also across processes).
std::string Text(HWND window);
std::string ClassName(HWND window);
std::vector<HWND> TopWindows(DWORD processId, const char *className = nullptr);
HWND FindTopWindow(DWORD processId, const char *className);
// A window's rectangle relative to its parent's client area.
RECT ClientRectOf(HWND child);
bool WaitFocus(DWORD threadId, HWND window);

// Message boxes: visible "#32770" windows of a process.
std::vector<HWND> MessageBoxes(DWORD processId);
HWND WaitMessageBox(DWORD processId, DWORD timeoutMs = 15000);
struct Box {
    std::string text, caption;
    HWND owner = nullptr;
    HICON icon = nullptr;
    bool okOnly = false; // an OK button and no Cancel
};
Box ReadBox(HWND box);
// Presses the button and waits until the box is gone.
bool AnswerMessageBox(HWND box, int command = IDOK);
// Text and caption byte for byte, OK as the only button.
void ExpectBox(const Box &box, const std::string &text, const std::string &caption);
// The same for an open box, which is then answered; returns what it showed.
Box ExpectBox(HWND box, const std::string &text, const std::string &caption);

// Answers every message box this process shows, from a thread of its own,
// and keeps what each showed, until destroyed.
class BoxWatcher {
public:
    BoxWatcher();
    ~BoxWatcher();
    std::vector<Box> Boxes();

private:
    std::mutex lock_;
    std::vector<Box> boxes_;
    volatile bool stop_ = false;
    std::thread thread_;
};

// Input as a user makes it (SendInput).
bool MakeForeground(HWND window);
void Key(WORD key, DWORD flags = 0);
// The modifiers go down in order, key is pressed, the modifiers come up.
void PressKeys(const std::vector<WORD> &modifiers, WORD key);
bool PressCtrl(HWND window, WORD key); // with window in front
void MoveMouse(int x, int y);
void MouseButton(DWORD flag);
// A left click at x from the window's left edge (-1: its centre), mid-height.
void Click(HWND window, int x = -1);

// Quorrin: its programs, and its main window anywhere in the prefix.
std::string QuorrinExe();
std::string ProbeExe();
HWND FindMain();
bool NoMainWindow(DWORD timeoutMs = 10000);

// A started Quorrin (or probe build) in a job of its own. When the object
// goes, everything it started is ended, then the program itself.
struct App {
    Process process;
    HANDLE job = nullptr;
    HWND main = nullptr, pathEdit = nullptr, check = nullptr;

    // Waits for the visible main window unless waitForWindow is false; false
    // when the program did not start or showed no window.
    bool Start(const std::string &exe = QuorrinExe(), const std::string &arguments = "",
               const char *directory = nullptr, bool waitForWindow = true);
    ~App();
    long Exit(DWORD timeoutMs = 15000) { return WaitExit(process, timeoutMs); }
    std::vector<DWORD> Children() { return Descendants(process.handle); }
    void Post(int id); // WM_COMMAND, as a menu item sends it
    bool Send(int id); // only for commands that open no modal window
    std::string Path() { return Text(pathEdit); }
    void SetPath(const std::string &path);
    HWND WaitBox() { return WaitMessageBox(process.id); }
    HWND WaitChildWindow(const char *className, const char *caption = nullptr);
};

// The probe build's record, removed when made; set as QUORRIN_PROBE_LOG for
// processes started afterwards.
struct ProbeLog {
    std::string path;
    explicit ProbeLog(const std::string &name);
    ~ProbeLog();
    std::vector<std::string> Lines() const;
    // The lines that start with one of the prefixes.
    std::vector<std::string> Lines(const std::vector<std::string> &prefixes) const;
    bool WaitLine(const std::string &line, DWORD timeoutMs = 10000) const;
};

} // namespace qt
