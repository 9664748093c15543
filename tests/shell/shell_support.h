// Helpers for the shell tests: start Quorrin (or its probe build) and make
// sure it ends, read the probe's record, and press keys and mouse buttons as
// a user would (SendInput).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace shelltest {

std::string QuorrinExe();
std::string ProbeExe();

// The main window of a running Quorrin ("Quorrin" / "Quorrin Tools").
HWND FindMain();
// Waits until no Quorrin main window is left in the prefix.
bool NoMainWindow(DWORD timeoutMs = 10000);

// One started process that is ended, whatever happens, when it goes out of
// scope: open message boxes are answered, the main window is closed and, if
// that does not end it within a bound, the process is terminated.
struct Instance {
    qt::Process process;
    HWND main = nullptr;
    ~Instance();
    // Waits for the process to end and returns its exit code (-1: time-out).
    long Exit(DWORD timeoutMs = 15000);
};

// Starts exe with arguments in directory (null: ours). When waitForWindow,
// waits for its main window to be visible and stores it in main.
void Start(Instance &instance, const std::string &exe, const std::string &arguments,
           const char *directory = nullptr, bool waitForWindow = true);

// The probe's record file, removed when the object is made; set as
// QUORRIN_PROBE_LOG for processes started afterwards.
struct ProbeLog {
    std::string path;
    explicit ProbeLog(const std::string &name);
    ~ProbeLog();
    std::vector<std::string> Lines() const;
    // Waits for a line equal to line.
    bool WaitLine(const std::string &line, DWORD timeoutMs = 10000) const;
};
void SetProbeFailure(const char *failure); // null: none

// Brings window to the front (for keyboard and mouse input).
bool MakeForeground(HWND window);
// Key presses: the modifiers go down in order, key is pressed and
// released, then the modifiers come up in reverse order.
void PressKeys(const std::vector<WORD> &modifiers, WORD key);
// Moves the pointer to (x, y) on the screen.
void MoveMouse(int x, int y);
void MouseButton(DWORD flag); // MOUSEEVENTF_LEFTDOWN, ...
// Waits until the thread's focus window is window.
bool WaitFocus(DWORD threadId, HWND window);

// A window's rectangle relative to its parent's client area.
RECT ClientRectOf(HWND child);

} // namespace shelltest
