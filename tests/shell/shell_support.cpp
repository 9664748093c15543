#include "tests/shell/shell_support.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace shelltest {

std::string QuorrinExe()
{
    return qt::HostPath(QUORRIN_EXE);
}

std::string ProbeExe()
{
    return qt::HostPath(QUORRIN_PROBE_EXE);
}

HWND FindMain()
{
    return FindWindowA("Quorrin", "Quorrin Tools");
}

bool NoMainWindow(DWORD timeoutMs)
{
    return qt::WaitFor([] { return FindMain() == nullptr; }, timeoutMs);
}

Instance::~Instance()
{
    if (!process.handle)
        return;
    if (WaitForSingleObject(process.handle, 0) != WAIT_OBJECT_0) {
        for (HWND box : qt::MessageBoxes(process.id))
            qt::AnswerMessageBox(box);
        for (HWND window : qt::TopWindows(process.id))
            PostMessageA(window, WM_CLOSE, 0, 0);
        WaitForSingleObject(process.handle, 5000);
    }
    qt::Kill(process);
}

long Instance::Exit(DWORD timeoutMs)
{
    return qt::WaitExit(process, timeoutMs);
}

void Start(Instance &instance, const std::string &exe, const std::string &arguments,
           const char *directory, bool waitForWindow)
{
    std::string line = "\"" + exe + "\"";
    if (!arguments.empty())
        line += " " + arguments;
    instance.process = qt::Start(line, directory);
    if (!instance.process.handle || !waitForWindow)
        return;
    qt::WaitFor([&] {
        HWND main = qt::FindTopWindow(instance.process.id, "Quorrin");
        if (main && IsWindowVisible(main))
            instance.main = main;
        return instance.main != nullptr ||
               WaitForSingleObject(instance.process.handle, 0) == WAIT_OBJECT_0;
    });
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

std::vector<std::string> ProbeLog::Lines() const
{
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

bool ProbeLog::WaitLine(const std::string &line, DWORD timeoutMs) const
{
    return qt::WaitFor([&] {
        for (const std::string &got : Lines())
            if (got == line)
                return true;
        return false;
    }, timeoutMs);
}

void SetProbeFailure(const char *failure)
{
    SetEnvironmentVariableA("QUORRIN_PROBE_FAIL", failure);
}

bool MakeForeground(HWND window)
{
    return qt::WaitFor([&] {
        if (GetForegroundWindow() == window)
            return true;
        SetForegroundWindow(window);
        return false;
    }, 5000);
}

static void SendKey(WORD key, DWORD flags)
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
        SendKey(modifier, 0);
    SendKey(key, 0);
    SendKey(key, KEYEVENTF_KEYUP);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        SendKey(*it, KEYEVENTF_KEYUP);
}

void MoveMouse(int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dx = (x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1);
    input.mi.dy = (y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &input, sizeof input);
    qt::WaitFor([&] {
        POINT at = {};
        GetCursorPos(&at);
        return at.x == x && at.y == y;
    }, 2000);
}

void MouseButton(DWORD flag)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flag;
    SendInput(1, &input, sizeof input);
}

bool WaitFocus(DWORD threadId, HWND window)
{
    return qt::WaitFor([&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(threadId, &info) && info.hwndFocus == window;
    }, 5000);
}

RECT ClientRectOf(HWND child)
{
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), (POINT *)&rect, 2);
    return rect;
}

} // namespace shelltest
