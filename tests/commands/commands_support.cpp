#include "tests/commands/commands_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstring>

#include "res/ids.h"

namespace cmdtest {

std::string QuorrinExe()
{
    return qt::HostPath(QUORRIN_EXE);
}

std::string ListerExe()
{
    return qt::HostPath(QUORRIN_LIST_EXE);
}

std::string SmallDll()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\version.dll";
}

bool Session::Start(const char *directory)
{
    job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    std::string line = "\"" + QuorrinExe() + "\"";
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, directory, &si, &pi))
        return false;
    AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    CloseHandle(pi.hThread);
    process.handle = pi.hProcess;
    process.id = pi.dwProcessId;
    process.threadId = pi.dwThreadId;

    qt::WaitFor([&] {
        HWND window = qt::FindTopWindow(process.id, "Quorrin");
        if (window && IsWindowVisible(window))
            main = window;
        return main != nullptr || WaitForSingleObject(process.handle, 0) == WAIT_OBJECT_0;
    });
    if (!main)
        return false;
    pathEdit = GetDlgItem(main, IDC_PATH);
    runButton = GetDlgItem(main, IDC_RUN);
    // The check box is the fifth control created.
    check = GetWindow(pathEdit, GW_HWNDNEXT);
    for (int i = 0; i < 3 && check; ++i)
        check = GetWindow(check, GW_HWNDNEXT);
    return pathEdit && runButton && check;
}

Session::~Session()
{
    // Everything the program started, then the program itself; each is
    // waited for, so nothing of this session meets the next one.
    std::vector<HANDLE> handles;
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
    qt::Kill(process);
}

void Session::Post(int id)
{
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool Session::Send(int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(main, WM_COMMAND, MAKEWPARAM(id, 0), 0, SMTO_NORMAL, 15000,
                               &result) != 0;
}

std::string Session::Path()
{
    return qt::Text(pathEdit);
}

void Session::SetPath(const std::string &path)
{
    SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str());
}

HWND Session::WaitBox()
{
    return qt::WaitMessageBox(process.id);
}

std::vector<DWORD> Session::Children()
{
    // Descendants, in case a child starts one of its own.
    std::vector<DWORD> found;
    std::vector<PROCESSENTRY32> all;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry))
        all.push_back(entry);
    CloseHandle(snapshot);
    // Process ids are reused: a child is also younger than its parent.
    FILETIME born = {}, unused[3];
    GetProcessTimes(process.handle, &born, &unused[0], &unused[1], &unused[2]);
    auto younger = [&](DWORD id) {
        HANDLE other = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
        FILETIME created = {};
        bool ok = other && GetProcessTimes(other, &created, &unused[0], &unused[1], &unused[2]) &&
                  CompareFileTime(&created, &born) >= 0;
        if (other)
            CloseHandle(other);
        return ok;
    };
    std::vector<DWORD> parents = {process.id};
    for (size_t i = 0; i < parents.size(); ++i)
        for (const PROCESSENTRY32 &e : all)
            if (e.th32ParentProcessID == parents[i] && e.th32ProcessID != process.id &&
                younger(e.th32ProcessID)) {
                found.push_back(e.th32ProcessID);
                parents.push_back(e.th32ProcessID);
            }
    return found;
}

HWND Session::WaitChildWindow(const char *className, const char *caption)
{
    HWND window = nullptr;
    qt::WaitFor([&] {
        for (DWORD id : Children())
            for (HWND top : qt::TopWindows(id))
                if (qt::ClassName(top) == className && IsWindowVisible(top) &&
                    (!caption || qt::Caption(top) == caption)) {
                    window = top;
                    return true;
                }
        return false;
    }, 30000);
    return window;
}

HWND Session::WaitViewerEdit()
{
    HWND viewer = WaitChildWindow("Notepad", "QUORRIN_VIEWER");
    return viewer ? GetWindow(viewer, GW_CHILD) : nullptr;
}

std::string Session::RunListing()
{
    // A viewer left from an earlier listing is marked as modified, so that
    // the flag going clear means this listing has ended.
    HWND old = nullptr;
    for (DWORD id : Children())
        if (HWND top = qt::FindTopWindow(id, "Notepad"))
            if (qt::Caption(top) == "QUORRIN_VIEWER")
                old = GetWindow(top, GW_CHILD);
    if (old)
        SendMessageA(old, EM_SETMODIFY, TRUE, 0);
    Post(IDC_RUN);
    HWND edit = nullptr;
    bool done = qt::WaitFor([&] {
        // A new viewer replaces a closed one.
        if (!edit || !IsWindow(edit))
            edit = WaitViewerEdit();
        return edit && SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) > 0 &&
               SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0;
    }, 120000);
    return done ? qt::Text(edit) : std::string("(listing did not end)");
}

bool Session::Drop(const std::vector<std::string> &names)
{
    // The block the platform's drag and drop hands a window: DROPFILES, then
    // the names, each ended by a NUL, then one more NUL. It must live in the
    // receiving process, as the platform's own does.
    std::string block(sizeof(DROPFILES), '\0');
    DROPFILES header = {};
    header.pFiles = sizeof header;
    header.pt.x = 10;
    header.pt.y = 10;
    memcpy(&block[0], &header, sizeof header);
    for (const std::string &name : names)
        block += name + '\0';
    block += '\0';
    void *remote = VirtualAllocEx(process.handle, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    if (!remote || !WriteProcessMemory(process.handle, remote, block.data(), block.size(), nullptr))
        return false;
    return PostMessageA(main, WM_DROPFILES, (WPARAM)remote, 0) != 0;
}

long Session::Exit()
{
    return qt::WaitExit(process);
}

void ExpectBox(HWND box, const std::string &text, const std::string &caption)
{
    ASSERT_NE(box, nullptr) << "no message box";
    EXPECT_EQ(qt::MessageBoxText(box), text);
    EXPECT_EQ(qt::Caption(box), caption);
    EXPECT_NE(GetDlgItem(box, IDOK), nullptr);
    EXPECT_EQ(GetDlgItem(box, IDCANCEL), nullptr);
    EXPECT_TRUE(qt::AnswerMessageBox(box));
}

static void Key(WORD key, DWORD flags)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = (WORD)MapVirtualKeyA(key, MAPVK_VK_TO_VSC);
    input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

bool PressCtrl(HWND window, WORD key)
{
    bool front = qt::WaitFor([&] {
        if (GetForegroundWindow() == window)
            return true;
        SetForegroundWindow(window);
        return false;
    }, 5000);
    Key(VK_CONTROL, 0);
    Key(key, 0);
    Key(key, KEYEVENTF_KEYUP);
    Key(VK_CONTROL, KEYEVENTF_KEYUP);
    return front;
}

std::string Listing(const std::string &path)
{
    long code = -1;
    std::string out = qt::Capture("\"" + ListerExe() + "\" \"" + path + "\"", &code);
    EXPECT_EQ(code, 0) << "quorrin-list " << path;
    return out;
}

} // namespace cmdtest
