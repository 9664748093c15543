#include "tests/support/support.h"

#include <cstdio>

namespace qt {

bool WaitFor(const std::function<bool()> &cond, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return cond();
        Sleep(10);
    }
}

Process Start(const std::string &commandLine, const char *directory)
{
    Process process;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &si, &pi))
        return process;
    CloseHandle(pi.hThread);
    process.handle = pi.hProcess;
    process.id = pi.dwProcessId;
    process.threadId = pi.dwThreadId;
    return process;
}

long WaitExit(Process &process, DWORD timeoutMs)
{
    if (!process.handle || WaitForSingleObject(process.handle, timeoutMs) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process.handle, &code);
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

std::string Capture(const std::string &commandLine, long *exitCode, DWORD timeoutMs)
{
    if (exitCode)
        *exitCode = -1;
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &sa, 0))
        return std::string();
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    BOOL started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  nullptr, &si, &pi);
    CloseHandle(writeEnd);
    std::string out;
    if (started) {
        char buffer[65536];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            out.append(buffer, got);
        if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0 && exitCode) {
            DWORD code = 0;
            GetExitCodeProcess(pi.hProcess, &code);
            *exitCode = (long)code;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(readEnd);
    return out;
}

namespace {
struct Search {
    DWORD processId;
    const char *className;
    std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM value)
{
    Search *search = (Search *)value;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->processId &&
        (!search->className || ClassName(window) == search->className))
        search->found.push_back(window);
    return TRUE;
}

std::vector<HWND> Windows(DWORD processId, const char *className)
{
    Search search = {processId, className, {}};
    EnumWindows(Collect, (LPARAM)&search);
    return search.found;
}
} // namespace

std::vector<HWND> TopWindows(DWORD processId)
{
    return Windows(processId, nullptr);
}

HWND FindTopWindow(DWORD processId, const char *className)
{
    std::vector<HWND> found = Windows(processId, className);
    return found.empty() ? nullptr : found.front();
}

std::vector<HWND> MessageBoxes(DWORD processId)
{
    std::vector<HWND> boxes;
    for (HWND window : Windows(processId, "#32770"))
        if (IsWindowVisible(window))
            boxes.push_back(window);
    return boxes;
}

HWND WaitMessageBox(DWORD processId, DWORD timeoutMs)
{
    HWND box = nullptr;
    WaitFor([&] {
        std::vector<HWND> boxes = MessageBoxes(processId);
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    }, timeoutMs);
    return box;
}

std::string MessageBoxText(HWND box)
{
    return Text(GetDlgItem(box, 0xFFFF));
}

std::string Caption(HWND window)
{
    return Text(window);
}

bool AnswerMessageBox(HWND box, int command)
{
    PostMessageA(box, WM_COMMAND, command, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}

std::string Text(HWND window)
{
    if (!window)
        return std::string();
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
        return std::string();
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG,
                        10000, &got);
    text.resize(got);
    return text;
}

std::string ClassName(HWND window)
{
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
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
    std::string command = "cmd /c rmdir /s /q \"" + folder + "\" >nul 2>nul";
    Process cleaner = Start(command);
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

} // namespace qt
