// The Windows tests' helpers, over the harness they share with quorrin-drive.
// Every wait polls with a bound; nothing sleeps for a fixed time.
#pragma once

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

#include "tools/harness.h"

namespace qt {

inline std::string Quoted(const std::string &text) { return "\"" + text + "\""; }
inline std::string QuorrinExe() { return BuildProgram("shell/Quorrin.exe"); }
inline std::string WineDll(const std::string &name) { return HostPath("/usr/lib/i386-linux-gnu/wine/i386-windows/" + name); }
std::string SystemPath(const std::string &name);
std::string LongForm(const std::string &path);
std::string TempFolder(const std::string &name); // new, in the prefix's temporary folder
bool WriteFileBytes(const std::string &path, const std::string &bytes);

// A box's text and caption byte for byte and OK as its only button: a box
// this process showed, with its icon (icon handles do not cross processes
// under Wine), or an open box of another, which is then answered.
enum Icon { NoIcon, Warning, Information };
void ExpectBox(const Box &seen, const std::string &text, const std::string &caption, Icon icon);
Box ExpectBox(HWND box, const std::string &text, const std::string &caption);

// Answers every message box this process shows, from a thread of its own,
// and keeps what each showed.
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
void PressKeys(const std::vector<WORD> &modifiers, WORD key);
void MoveMouse(int x, int y);
void MouseButton(DWORD flag);
void Click(HWND window, int x = -1); // at x from the left edge (-1: the centre), mid-height
bool WaitFocus(DWORD threadId, HWND window);

// A started Quorrin in a job of its own: when the object goes, everything
// it started is ended, then the program itself.
struct App {
    Process process;
    HANDLE job = nullptr;
    HWND main = nullptr, pathEdit = nullptr, check = nullptr;

    // Runs program (as it stands in a command line) with arguments; waits
    // for the main window unless waitForWindow is false.
    bool Start(const std::string &arguments = "", const char *directory = nullptr, bool waitForWindow = true,
               const std::string &program = Quoted(QuorrinExe()));
    ~App();
    long Exit() { return WaitExit(process); }
    void Post(int id) { PostMessageA(main, WM_COMMAND, id, 0); }
    bool Send(int id); // only for commands that open no modal window
    std::string Path() { return Text(pathEdit); }
    void SetPath(const std::string &path) { SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str()); }
    HWND WaitBox();
    HWND Viewer() { return FindViewer(process.handle); }
};

} // namespace qt
