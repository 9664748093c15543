// The Windows tests' helpers, over the harness they share with quorrin-drive.
// Every wait polls with a bound; nothing sleeps for a fixed time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <thread>

#include "tools/harness.h"

namespace qt {

inline std::string ClassName(HWND window) { char name[256] = {}; GetClassNameA(window, name, sizeof name); return name; }
inline std::string Quoted(const std::string &text) { return "\"" + text + "\""; }
inline std::string WineDll(const std::string &name) { return HostPath("/usr/lib/i386-linux-gnu/wine/i386-windows/" + name); }
inline std::string QuorrinExe() { return BuildProgram("shell/Quorrin.exe"); }
inline std::string SystemPath(const std::string &name) {
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}
inline std::string LongForm(const std::string &path) {
    char result[MAX_PATH] = {};
    GetLongPathNameA(path.c_str(), result, sizeof result);
    return result;
}
inline void KillStarted() { for (DWORD child : Descendants(GetCurrentProcess())) KillId(child); }
// Ends what the tests started, failed or not: CTest waits for a process left holding their output.
struct EndStarted : ::testing::Environment { void TearDown() override { KillStarted(); } };
inline ::testing::Environment *const Ending = ::testing::AddGlobalTestEnvironment(new EndStarted);
// A new folder in the prefix's temporary folder.
inline std::string TempFolder(const std::string &name) {
    static int made;
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    std::string folder = std::string(base) + "quorrin-" + name + "-" + std::to_string(GetTickCount()) + "-" +
                         std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}
inline bool WriteFileBytes(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    bool ok = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && fclose(file) == 0 && ok;
}

// A box as the tests compare it: caption and text byte for byte, its icon (a
// handle of this process: they do not cross processes under Wine), and
// whether OK is its only button.
enum Icon { NoIcon, Warning, Information };
inline std::string BoxOf(const std::string &text, const std::string &caption, Icon icon = NoIcon, bool okOnly = true) {
    return "[" + caption + "] " + text + " (icon " + std::to_string(icon) + (okOnly ? ", OK)" : ", other buttons)");
}
inline std::string BoxOf(const Box &box) {
    const HICON icons[] = {nullptr, LoadIconA(nullptr, IDI_WARNING), LoadIconA(nullptr, IDI_INFORMATION)};
    return BoxOf(box.text, box.caption, Icon(std::find(icons, icons + 3, box.icon) - icons), box.okOnly);
}
using Boxes = std::vector<std::string>;

// Answers every message box this process shows, from a thread of its own,
// and keeps what each showed, read before the answer: the call that showed
// it returns only then.
struct BoxWatcher {
    std::mutex lock;
    std::vector<Box> seen;
    volatile bool stop = false;
    std::thread thread{[this] {
        WaitFor([this] {
            for (HWND box : MessageBoxes(GetCurrentProcessId())) {
                std::unique_lock<std::mutex> hold(lock);
                seen.push_back(ReadBox(box));
                hold.unlock(), AnswerBox(box);
            }
            return stop;
        }, INFINITE);
    }};
    ~BoxWatcher() { stop = true, thread.join(); }
    std::vector<Box> Seen() {
        std::lock_guard<std::mutex> hold(lock);
        return seen;
    }
    Boxes Shown() { Boxes shown; for (const Box &box : Seen()) shown.push_back(BoxOf(box)); return shown; }
};

// Keys as a user presses them (SendInput), the modifiers down in order, key,
// all up in reverse; a click as the window receives it.
inline bool MakeForeground(HWND window) {
    return WaitFor([&] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); }, 5000);
}
inline void PressKeys(std::vector<WORD> keys, WORD key) {
    keys.push_back(key);
    for (int i = 0; i < 2 * (int)keys.size(); ++i) {
        INPUT input = {INPUT_KEYBOARD};
        input.ki.wVk = keys[i < (int)keys.size() ? i : 2 * keys.size() - 1 - i];
        input.ki.wScan = (WORD)MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC);
        input.ki.dwFlags = i < (int)keys.size() ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}
inline void Click(HWND window) { PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0), PostMessageA(window, WM_LBUTTONUP, 0, 0); }

// A started Quorrin in a job of its own: when the object goes, what it
// started is ended, then the program itself, each waited for.
struct App {
    Process process;
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    HWND main = nullptr, pathEdit = nullptr, check = nullptr;

    // Runs program (as it stands in a command line) with arguments; waits
    // for the main window unless waitForWindow is false.
    bool Start(const std::string &arguments = "", const char *directory = nullptr, bool waitForWindow = true,
               const std::string &program = Quoted(QuorrinExe())) {
        EXPECT_TRUE(!waitForWindow || WaitFor([] { return !FindWindowA("Quorrin", "Quorrin Tools"); })) << "one is left";
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        process = qt::Start(program + (arguments.empty() ? "" : " " + arguments), directory, job);
        if (!process.handle || !waitForWindow)
            return process.handle != nullptr;
        main = WaitTopWindow(process.id, "Quorrin");
        pathEdit = GetWindow(main, GW_CHILD);
        check = GetWindow(GetDlgItem(main, 202), GW_HWNDNEXT); // the fifth control made
        return main && pathEdit && check;
    }
    ~App() {
        std::vector<DWORD> children = process.handle ? Descendants(process.handle) : std::vector<DWORD>();
        TerminateJobObject(job, 1);
        CloseHandle(job);
        for (DWORD child : children)
            KillId(child);
        Kill(process);
    }
    long Exit() { return WaitExit(process); }
    void Post(int id) { PostMessageA(main, WM_COMMAND, id, 0); }
    std::string Path() { return Text(pathEdit); }
    void SetPath(const std::string &path) { SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str()); }
    HWND Viewer() { return FindViewer(process.handle); }
};

} // namespace qt
