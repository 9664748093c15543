// Helpers for the viewer tests: message boxes of this very process (the
// viewer code runs in the test), the processes a process started, the
// viewer's edit control, and the programs and DLLs the tests list.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vt {

struct Box {
    std::string text, caption;
    bool warningIcon;
};

// Answers every message box this process shows, from a thread of its own,
// and keeps what each said, until destroyed.
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

// Ids of the live processes whose parent is parentId.
std::vector<DWORD> Children(DWORD parentId);
bool IsRunning(DWORD processId);
void KillProcessId(DWORD processId);

// The viewer's text and modified flag, read from the other process.
std::string EditText(HWND edit);
bool IsModified(HWND edit);
// Types text into an edit control as keystrokes and waits until it shows.
bool Type(HWND edit, const std::string &text);
// Closes a top-level window and waits until it is gone.
bool CloseWindow(HWND window);

// A DLL from Wine's own, as a Windows path.
std::string WineDll(const char *name);
// What quorrin-list prints for the file: the viewer's text to expect.
std::string ExpectedListing(const std::string &path);
// The Windows path of a program of this build (a path relative to the
// build's top folder, e.g. "tools/quorrin-view.exe").
std::string BuildProgram(const char *relative);

} // namespace vt
