#include "tests/viewer/viewer_support.h"

#include <tlhelp32.h>

#include "tests/support/support.h"

namespace vt {

// Wine's and Windows' message boxes show their icon in a static control
// with this id (stc1).
static const int MessageBoxIconId = 0x0440;

BoxWatcher::BoxWatcher()
{
    thread_ = std::thread([this] {
        while (!stop_) {
            for (HWND box : qt::MessageBoxes(GetCurrentProcessId())) {
                HICON icon = (HICON)SendDlgItemMessageA(box, MessageBoxIconId, STM_GETICON, 0, 0);
                Box seen = {qt::MessageBoxText(box), qt::Caption(box),
                            icon && icon == LoadIconA(nullptr, IDI_WARNING)};
                {
                    // Kept before the answer, so the call that showed the
                    // box returns only after it was recorded.
                    std::lock_guard<std::mutex> hold(lock_);
                    boxes_.push_back(seen);
                }
                qt::AnswerMessageBox(box);
            }
            Sleep(10);
        }
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

std::vector<DWORD> Children(DWORD parentId)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == parentId && IsRunning(entry.th32ProcessID))
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

bool IsRunning(DWORD processId)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (!process)
        return false;
    bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

void KillProcessId(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId);
    if (!process)
        return;
    TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

std::string EditText(HWND edit)
{
    return qt::Text(edit);
}

bool IsModified(HWND edit)
{
    DWORD_PTR modified = 1;
    SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_ABORTIFHUNG, 10000, &modified);
    return modified != 0;
}

bool Type(HWND edit, const std::string &text)
{
    std::string before = EditText(edit);
    for (char c : text)
        PostMessageA(edit, WM_CHAR, (unsigned char)c, 1);
    return qt::WaitFor([&] { return EditText(edit).size() == before.size() + text.size(); });
}

bool CloseWindow(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
    return qt::WaitFor([&] { return !IsWindow(window); });
}

std::string WineDll(const char *name)
{
    return qt::HostPath("/usr/lib/i386-linux-gnu/wine/i386-windows/" + std::string(name));
}

std::string ExpectedListing(const std::string &path)
{
    long exitCode = -1;
    std::string listing =
        qt::Capture("\"" + BuildProgram("tools/quorrin-list.exe") + "\" \"" + path + "\"", &exitCode);
    return exitCode == 0 ? listing : "quorrin-list failed on " + path;
}

std::string BuildProgram(const char *relative)
{
    return qt::HostPath(std::string(QUORRIN_BUILD_DIR) + "/" + relative);
}

} // namespace vt
