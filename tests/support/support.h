// Helpers for the Windows tests that drive real programs under Wine: start
// and end processes, poll with a bound (never a fixed sleep), find and answer
// message boxes, read another process's window texts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qt {

// Polls cond every 10 ms until it holds or timeoutMs has passed.
bool WaitFor(const std::function<bool()> &cond, DWORD timeoutMs = 15000);

struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
    DWORD threadId = 0;
};

// Starts commandLine (program and arguments, quoted as needed) in directory
// (null: the current one). Returns a process with a null handle on failure.
Process Start(const std::string &commandLine, const char *directory = nullptr);
// Waits for the process to end; returns its exit code, or -1 on time-out.
long WaitExit(Process &process, DWORD timeoutMs = 15000);
// Ends the process if it still runs and closes its handle.
void Kill(Process &process);

// Runs commandLine to its end and returns its standard output; exitCode
// receives the exit code (-1 when it did not end within timeoutMs).
std::string Capture(const std::string &commandLine, long *exitCode = nullptr,
                    DWORD timeoutMs = 60000);

// Top-level windows of a process (all threads), visible or not.
std::vector<HWND> TopWindows(DWORD processId);
// The first top-level window of processId with that class (null: any class).
HWND FindTopWindow(DWORD processId, const char *className);
// Waits for a message box (class "#32770") of processId.
HWND WaitMessageBox(DWORD processId, DWORD timeoutMs = 15000);
// Every message box of processId that is open now.
std::vector<HWND> MessageBoxes(DWORD processId);
// A message box's text (its static control, id 0xFFFF) and caption, as bytes.
std::string MessageBoxText(HWND box);
std::string Caption(HWND window);
// Presses OK (or the only button) and waits until the box is gone.
bool AnswerMessageBox(HWND box, int command = IDOK);

// The text of any window, also in another process (WM_GETTEXT), as bytes.
std::string Text(HWND window);
std::string ClassName(HWND window);

// The Windows path of a file in the host file system (Z:\...).
std::string HostPath(const std::string &unixPath);
// A fresh, empty folder under the prefix's temporary folder.
std::string TempFolder(const std::string &name);
bool WriteFileBytes(const std::string &path, const std::string &bytes);

} // namespace qt
