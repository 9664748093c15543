#include "tools/harness.h"

#include <tlhelp32.h>

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

std::string BuildProgram(const char *relative)
{
    return HostPath(std::string(QUORRIN_BUILD_DIR) + "/" + relative);
}

Process Start(const std::string &commandLine, const char *directory)
{
    Process process;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    // On our desktop, named: under Wine a program started from the host
    // (on the desktop its settings chose) hands none down by itself.
    char desktop[64] = {};
    GetUserObjectInformationA(GetThreadDesktop(GetCurrentThreadId()), UOI_NAME, desktop,
                              sizeof desktop - 1, nullptr);
    si.lpDesktop = desktop[0] ? desktop : nullptr;
    PROCESS_INFORMATION pi = {};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, directory, &si,
                        &pi))
        return process;
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

static bool CreatedTime(DWORD id, FILETIME *created)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    FILETIME unused[3];
    bool ok = process && GetProcessTimes(process, created, &unused[0], &unused[1], &unused[2]);
    if (process)
        CloseHandle(process);
    return ok;
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
    FILETIME born = {}, created = {};
    std::vector<DWORD> family = {GetProcessId(process)};
    CreatedTime(family[0], &born);
    for (size_t i = 0; i < family.size(); ++i)
        for (const PROCESSENTRY32 &e : all)
            if (e.th32ParentProcessID == family[i] && e.th32ProcessID != family[0] &&
                CreatedTime(e.th32ProcessID, &created) && CompareFileTime(&created, &born) >= 0)
                family.push_back(e.th32ProcessID);
    return std::vector<DWORD>(family.begin() + 1, family.end());
}

void KillDescendants(HANDLE process)
{
    for (DWORD id : Descendants(process)) {
        Process descendant;
        descendant.handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        Kill(descendant);
    }
}

std::string Text(HWND window)
{
    DWORD_PTR length = 0;
    if (!window ||
        !SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 10000, &length))
        return std::string();
    std::string text(length + 1, '\0');
    DWORD_PTR got = 0;
    SendMessageTimeoutA(window, WM_GETTEXT, length + 1, (LPARAM)&text[0], SMTO_ABORTIFHUNG, 10000,
                        &got);
    text.resize(got);
    return text;
}

std::vector<HWND> TopWindows(DWORD processId, const char *className)
{
    std::vector<HWND> found;
    for (HWND window = FindWindowExA(nullptr, nullptr, className, nullptr); window;
         window = FindWindowExA(nullptr, window, className, nullptr)) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        if (id == processId)
            found.push_back(window);
    }
    return found;
}

HWND WaitTopWindow(DWORD processId, const char *className, DWORD timeoutMs)
{
    HWND shown = nullptr;
    auto isShown = [&] {
        for (HWND window : TopWindows(processId, className))
            if (IsWindowVisible(window))
                shown = window;
        return shown != nullptr;
    };
    WaitFor(isShown, timeoutMs);
    return shown;
}

HWND FindViewer(HANDLE process)
{
    for (DWORD id : Descendants(process))
        for (HWND window : TopWindows(id, "Notepad"))
            if (Text(window) == "QUORRIN_VIEWER")
                return window;
    return nullptr;
}

HWND RunListing(HANDLE quorrin, HWND main, const std::string &path, DWORD timeoutMs)
{
    HWND viewer = FindViewer(quorrin), edit = nullptr;
    if (viewer)
        SendMessageA(GetWindow(viewer, GW_CHILD), EM_SETMODIFY, TRUE, 0);
    SendMessageA(GetDlgItem(main, IDC_PATH), WM_SETTEXT, 0, (LPARAM)path.c_str());
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_RUN, 0), 0);
    auto isListed = [&] {
        if (!edit || !IsWindow(edit)) // a new viewer replaces a closed one
            edit = (viewer = FindViewer(quorrin)) ? GetWindow(viewer, GW_CHILD) : nullptr;
        return edit && SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) > 0 &&
               SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0;
    };
    return WaitFor(isListed, timeoutMs) ? edit : nullptr;
}

std::vector<HWND> MessageBoxes(DWORD processId)
{
    std::vector<HWND> boxes;
    // Wine shows a box a moment before it sets its texts.
    for (HWND window : TopWindows(processId, "#32770"))
        if (IsWindowVisible(window) && !Text(GetDlgItem(window, 0xFFFF)).empty())
            boxes.push_back(window);
    return boxes;
}

Box ReadBox(HWND box)
{
    // The text is the static control 0xFFFF, the icon the static control
    // stc1 (0x440); the buttons a style does not ask for are not made.
    Box seen;
    seen.text = Text(GetDlgItem(box, 0xFFFF));
    seen.caption = Text(box);
    seen.owner = GetWindow(box, GW_OWNER);
    seen.icon = (HICON)SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0);
    seen.okOnly = GetDlgItem(box, IDOK) != nullptr;
    for (int other = IDCANCEL; other <= IDNO; ++other)
        seen.okOnly = seen.okOnly && !GetDlgItem(box, other);
    return seen;
}

bool AnswerBox(HWND box, int command)
{
    PostMessageA(box, WM_COMMAND, command, 0);
    return WaitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
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
    // Its failure message is the viewer's business, not the caller's output.
    si.hStdError = nullptr;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::string line = "\"" + BuildProgram("tools/quorrin-list.exe") + "\" \"" + path + "\"";
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &si, &pi);
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

std::string ToUtf8(const std::string &text)
{
    int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), nullptr, 0);
    std::wstring utf16(wide, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), (int)text.size(), &utf16[0], wide);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

} // namespace qt
