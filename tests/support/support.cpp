#include "tests/support/support.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <cstdio>
#include <fstream>

#include "res/ids.h"

namespace qt {

bool WaitFor(const std::function<bool()> &cond, DWORD timeoutMs)
{
    for (DWORD start = GetTickCount(); !cond(); Sleep(10))
        if (GetTickCount() - start > timeoutMs)
            return cond();
    return true;
}

std::string HostPath(const std::string &unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char &c : path)
        if (c == '/')
            c = '\\';
    return path;
}

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

Process Start(const std::string &commandLine, const char *directory, HANDLE job)
{
    Process process;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, job ? CREATE_SUSPENDED : 0,
                        nullptr, directory, &si, &pi))
        return process;
    if (job) {
        AssignProcessToJobObject(job, pi.hProcess);
        ResumeThread(pi.hThread);
    }
    CloseHandle(pi.hThread);
    process.handle = pi.hProcess;
    process.id = pi.dwProcessId;
    process.threadId = pi.dwThreadId;
    return process;
}

long WaitExit(Process &process, DWORD timeoutMs)
{
    DWORD code = 0;
    if (!process.handle || WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.handle, &code))
        return -1;
    return (long)code;
}

void Kill(Process &process)
{
    if (!process.handle)
        return;
    if (WaitForSingleObject(process.handle, 0) != WAIT_OBJECT_0) {
        TerminateProcess(process.handle, 1);
        WaitForSingleObject(process.handle, 5000);
    }
    CloseHandle(process.handle);
    process.handle = nullptr;
}

std::vector<DWORD> Descendants(HANDLE process)
{
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry))
        all.push_back(entry);
    CloseHandle(snapshot);
    FILETIME born = {}, unused[3];
    GetProcessTimes(process, &born, &unused[0], &unused[1], &unused[2]);
    auto younger = [&](DWORD id) {
        HANDLE other = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        FILETIME created = {};
        bool ok = other && GetProcessTimes(other, &created, &unused[0], &unused[1], &unused[2]) &&
                  CompareFileTime(&created, &born) >= 0;
        if (other)
            CloseHandle(other);
        return ok;
    };
    std::vector<DWORD> family = {GetProcessId(process)};
    for (size_t i = 0; i < family.size(); ++i)
        for (const PROCESSENTRY32 &e : all)
            if (e.th32ParentProcessID == family[i] && e.th32ProcessID != family[0] &&
                younger(e.th32ProcessID))
                family.push_back(e.th32ProcessID);
    return std::vector<DWORD>(family.begin() + 1, family.end());
}

std::string Listing(const std::string &path)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + BuildProgram("tools/quorrin-list.exe") + "\" \"" + path + "\"";
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(readEnd);
    Process lister;
    lister.handle = started ? pi.hProcess : nullptr;
    if (started)
        CloseHandle(pi.hThread);
    long code = WaitExit(lister, 60000);
    Kill(lister);
    return code == 0 ? out : "quorrin-list failed on " + path;
}

std::string Text(HWND window)
{
    DWORD_PTR length = 0;
    if (!window ||
        !SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
        return std::string();
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG,
                        10000, &got);
    text.resize(got);
    return text;
}

std::vector<HWND> TopWindows(DWORD processId, const char *className)
{
    std::vector<HWND> found;
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, nullptr); window;
         window = FindWindowExA(nullptr, window, nullptr, nullptr)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if (id == processId && (!className || ClassName(window) == className))
            found.push_back(window);
    }
    return found;
}

bool WaitFocus(DWORD threadId, HWND window)
{
    return WaitFor([&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(threadId, &info) && info.hwndFocus == window;
    }, 5000);
}

std::vector<HWND> MessageBoxes(DWORD processId)
{
    std::vector<HWND> boxes;
    for (HWND window : TopWindows(processId, "#32770"))
        if (IsWindowVisible(window))
            boxes.push_back(window);
    return boxes;
}

HWND WaitMessageBox(DWORD processId, DWORD timeoutMs)
{
    std::vector<HWND> boxes;
    WaitFor([&] { return !(boxes = MessageBoxes(processId)).empty(); }, timeoutMs);
    return boxes.empty() ? nullptr : boxes.front();
}

Box ReadBox(HWND box)
{
    // The text is the static control 0xFFFF, the icon the static control stc1.
    Box seen;
    seen.text = Text(GetDlgItem(box, 0xFFFF));
    seen.caption = Text(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.icon = (HICON)SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0);
    seen.okOnly = GetDlgItem(box, IDOK) && !GetDlgItem(box, IDCANCEL);
    return seen;
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
