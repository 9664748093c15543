#include "tests/support/support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "res/ids.h"

namespace qt {

std::string TempFolder(const std::string &name)
{
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    std::string folder = std::string(base) + "quorrin-" + name;
    Process cleaner = Start("cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul");
    WaitExit(cleaner);
    Kill(cleaner);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool WaitFocus(DWORD threadId, HWND window)
{
    return WaitFor([&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(threadId, &info) && info.hwndFocus == window;
    }, 5000);
}

HWND WaitMessageBox(DWORD processId, DWORD timeoutMs)
{
    std::vector<HWND> boxes;
    WaitFor([&] { return !(boxes = MessageBoxes(processId)).empty(); }, timeoutMs);
    return boxes.empty() ? nullptr : boxes.front();
}

void ExpectBox(const Box &box, const std::string &text, const std::string &caption)
{
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.caption, caption);
    EXPECT_TRUE(box.okOnly) << "OK is the box's only button";
}

Box ExpectBox(HWND box, const std::string &text, const std::string &caption)
{
    EXPECT_NE(box, nullptr) << "no message box";
    if (!box)
        return Box();
    Box seen = ReadBox(box);
    ExpectBox(seen, text, caption);
    EXPECT_TRUE(AnswerMessageBox(box));
    return seen;
}

BoxWatcher::BoxWatcher()
{
    thread_ = std::thread([this] {
        WaitFor([this] {
            for (HWND box : MessageBoxes(GetCurrentProcessId())) {
                // Kept before the answer: the call that showed the box
                // returns only after it was recorded.
                Box seen = ReadBox(box);
                {
                    std::lock_guard<std::mutex> hold(lock_);
                    boxes_.push_back(seen);
                }
                AnswerMessageBox(box);
            }
            return stop_;
        }, INFINITE);
    });
}

BoxWatcher::~BoxWatcher()
{
    stop_ = true;
    thread_.join();
}

std::vector<Box> BoxWatcher::Boxes()
{
    std::lock_guard<std::mutex> hold(lock_);
    return boxes_;
}

bool MakeForeground(HWND window)
{
    return WaitFor([&] {
        if (GetForegroundWindow() == window)
            return true;
        SetForegroundWindow(window);
        return false;
    }, 5000);
}

void Key(WORD key, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

void PressKeys(const std::vector<WORD> &modifiers, WORD key)
{
    for (WORD modifier : modifiers)
        Key(modifier);
    Key(key);
    Key(key, KEYEVENTF_KEYUP);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        Key(*it, KEYEVENTF_KEYUP);
}

void MoveMouse(int x, int y)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535 + width / 2) / (width - 1);
    input.mi.dy = (y * 65535 + height / 2) / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    WaitFor([&] {
        POINT at = {};
        GetCursorPos(&at);
        return at.x == x && at.y == y;
    }, 2000);
}

void Click(HWND window, int x)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MoveMouse(x < 0 ? (rect.left + rect.right) / 2 : rect.left + x, (rect.top + rect.bottom) / 2);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
}

bool App::Start(const std::string &exe, const std::string &arguments, const char *directory,
                bool waitForWindow)
{
    job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    process = qt::Start("\"" + exe + "\"" + (arguments.empty() ? "" : " " + arguments),
                        directory, job);
    if (!process.handle || !waitForWindow)
        return process.handle != nullptr;
    WaitFor([&] {
        for (HWND window : TopWindows(process.id, "Quorrin"))
            if (IsWindowVisible(window))
                main = window;
        return main || WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
    });
    pathEdit = GetDlgItem(main, IDC_PATH);
    // The check box is the fifth control created.
    check = GetWindow(GetDlgItem(main, IDC_QUIT), GW_HWNDNEXT);
    return main && pathEdit && GetDlgItem(main, IDC_RUN) && check;
}

App::~App()
{
    // Everything the program started, then the program; each is waited
    // for, so nothing of this one meets the next test.
    std::vector<HANDLE> handles;
    if (process.handle)
        for (DWORD id : Children())
            if (HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id))
                handles.push_back(child);
    if (job) {
        TerminateJobObject(job, 1);
        CloseHandle(job);
    }
    for (HANDLE child : handles) {
        TerminateProcess(child, 1);
        WaitForSingleObject(child, 5000);
        CloseHandle(child);
    }
    Kill(process);
}

bool App::Send(int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 15000,
                               &result) != 0;
}

HWND App::WaitChildWindow(const char *className, const char *caption)
{
    HWND window = nullptr;
    WaitFor([&] {
        for (DWORD id : Children())
            for (HWND top : TopWindows(id, className))
                if (IsWindowVisible(top) && (!caption || Text(top) == caption))
                    window = top;
        return window != nullptr;
    }, 30000);
    return window;
}

ProbeLog::ProbeLog(const std::string &name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof folder, folder);
    path = std::string(folder) + "quorrin-probe-" + name + ".log";
    DeleteFileA(path.c_str());
    SetEnvironmentVariableA("QUORRIN_PROBE_LOG", path.c_str());
}

ProbeLog::~ProbeLog()
{
    SetEnvironmentVariableA("QUORRIN_PROBE_LOG", nullptr);
    DeleteFileA(path.c_str());
}

std::vector<std::string> ProbeLog::Lines(const std::vector<std::string> &prefixes) const
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        bool wanted = prefixes.empty();
        for (const std::string &prefix : prefixes)
            wanted = wanted || line.compare(0, prefix.size(), prefix) == 0;
        if (wanted)
            lines.push_back(line);
    }
    return lines;
}

} // namespace qt
