// Helpers for the Windows tests that drive real programs under Wine. Every
// wait polls with a bound; nothing sleeps for a fixed time.
#pragma once

#include "tools/harness.h"

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qt {

inline std::string QuorrinExe() { return BuildProgram("shell/Quorrin.exe"); }
inline std::string ProbeExe() { return BuildProgram("tests/shell/quorrin-probe.exe"); }
inline std::string WineDll(const std::string &name)
{
    return HostPath("/usr/lib/i386-linux-gnu/wine/i386-windows/" + name);
}
inline std::string SystemPath(const std::string &name)
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}
inline std::string LongForm(const std::string &path)
{
    char result[MAX_PATH] = {};
    GetLongPathNameA(path.c_str(), result, sizeof result);
    return result;
}
// A fresh, empty folder under the prefix's temporary folder.
std::string TempFolder(const std::string &name);
bool WriteFileBytes(const std::string &path, const std::string &bytes);

// A window's rectangle relative to its parent's client area.
inline RECT ClientRectOf(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), (POINT *)&rect, 2);
    return rect;
}
bool WaitFocus(DWORD threadId, HWND window);

HWND WaitMessageBox(DWORD processId, DWORD timeoutMs = 15000);
inline bool AnswerMessageBox(HWND box, int command = IDOK) { return AnswerBox(box, command); }
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
inline bool PressCtrl(HWND window, WORD key)
{
    bool front = MakeForeground(window);
    PressKeys({VK_CONTROL}, key);
    return front;
}
void MoveMouse(int x, int y);
inline void MouseButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof input);
}
// A left click at x from the window's left edge (-1: its centre), mid-height.
void Click(HWND window, int x = -1);

// A Quorrin main window anywhere in the prefix.
inline HWND FindMain() { return FindWindowA("Quorrin", "Quorrin Tools"); }
inline bool NoMainWindow() { return WaitFor([] { return !FindMain(); }, 10000); }

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
    long Exit() { return WaitExit(process); }
    std::vector<DWORD> Children() { return Descendants(process.handle); }
    void Post(int id) { PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool Send(int id); // only for commands that open no modal window
    std::string Path() { return Text(pathEdit); }
    void SetPath(const std::string &path)
    {
        SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str());
    }
    HWND WaitBox() { return WaitMessageBox(process.id); }
    HWND WaitChildWindow(const char *className, const char *caption);
};

// The probe build's record, removed when made; set as QUORRIN_PROBE_LOG for
// processes started afterwards.
struct ProbeLog {
    std::string path;
    explicit ProbeLog(const std::string &name);
    ~ProbeLog();
    // Every line, or those that start with one of the prefixes.
    std::vector<std::string> Lines(const std::vector<std::string> &prefixes = {}) const;
};

} // namespace qt
