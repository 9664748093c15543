// Drives the real Quorrin.exe from outside, as a user would: commands by
// WM_COMMAND, keys by SendInput, real dialogs through their windows, a drop
// as WM_DROPFILES with a drop block in the program's memory. Every process a
// session starts (Quorrin and whatever it starts: Notepad, Explorer) runs in
// a job of the session's and is ended with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/support.h"

namespace cmdtest {

std::string QuorrinExe();
std::string ListerExe();
// A DLL that ships with Wine and has a short export list.
std::string SmallDll();

struct Session {
    qt::Process process;
    HANDLE job = nullptr;
    HWND main = nullptr, pathEdit = nullptr, runButton = nullptr, check = nullptr;

    // Starts Quorrin in directory (null: ours) and waits for its window.
    bool Start(const char *directory = nullptr);
    ~Session();

    void Post(int id); // WM_COMMAND with the id, as a menu item sends it
    // Sends the command and returns once it has been handled: only for
    // commands that open no modal window.
    bool Send(int id);
    std::string Path();
    void SetPath(const std::string &path);

    HWND WaitBox();                // a message box of the program
    std::vector<DWORD> Children(); // processes the program started
    HWND WaitChildWindow(const char *className, const char *caption = nullptr);
    // The viewer's edit control, once its window exists (null on time-out).
    HWND WaitViewerEdit();
    // Presses run and waits until the listing is complete (the viewer's
    // modified flag is clear again); returns the viewer's text.
    std::string RunListing();
    // Puts names into a drop block in the program and posts WM_DROPFILES.
    bool Drop(const std::vector<std::string> &names);
    // Waits for the program to end; its exit code or -1.
    long Exit();
};

// The box's text and caption, and that its only button is OK; answers it.
void ExpectBox(HWND box, const std::string &text, const std::string &caption);
// Presses Ctrl+key with the window in front.
bool PressCtrl(HWND window, WORD key);
// The listing of path as quorrin-list prints it (what the viewer receives).
std::string Listing(const std::string &path);

} // namespace cmdtest
