#include "tests/support/support.h"

#include <cstdio>

namespace qt {

std::string SystemPath(const std::string &name)
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

std::string LongForm(const std::string &path)
{
    char result[MAX_PATH] = {};
    GetLongPathNameA(path.c_str(), result, sizeof result);
    return result;
}

std::string TempFolder(const std::string &name)
{
    char base[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    std::string folder = std::string(base) + "quorrin-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    FILE *file = fopen(path.c_str(), "wb");
    bool ok = file && fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && fclose(file) == 0 && ok;
}

static void ExpectWords(const Box &seen, const std::string &text, const std::string &caption)
{
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.caption, caption);
    EXPECT_TRUE(seen.okOnly) << "OK is the box's only button: " << text;
}

void ExpectBox(const Box &seen, const std::string &text, const std::string &caption, Icon icon)
{
    ExpectWords(seen, text, caption);
    HICON want = icon == NoIcon ? nullptr : LoadIconA(nullptr, icon == Warning ? IDI_WARNING : IDI_INFORMATION);
    EXPECT_EQ(seen.icon, want) << "icon of " << text;
}

Box ExpectBox(HWND box, const std::string &text, const std::string &caption)
{
    EXPECT_NE(box, nullptr) << "no message box: " << text;
    Box seen = box ? ReadBox(box) : Box();
    ExpectWords(seen, text, caption);
    EXPECT_TRUE(box && AnswerBox(box));
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
                AnswerBox(box);
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
    return WaitFor([&] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); }, 5000);
}

static void Send(INPUT input)
{
    SendInput(1, &input, sizeof input);
}

void PressKeys(const std::vector<WORD> &modifiers, WORD key)
{
    std::vector<WORD> keys = modifiers;
    keys.push_back(key);
    for (int up = 0; up < 2; ++up)
        for (size_t i = 0; i < keys.size(); ++i) {
            INPUT input = {INPUT_KEYBOARD};
            input.ki.wVk = keys[up ? keys.size() - 1 - i : i];
            input.ki.wScan = (WORD)MapVirtualKeyA(input.ki.wVk, MAPVK_VK_TO_VSC);
            input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
            Send(input);
        }
}

void MoveMouse(int x, int y)
{
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT input = {INPUT_MOUSE};
    input.mi.dx = (x * 65535 + width / 2) / (width - 1);
    input.mi.dy = (y * 65535 + height / 2) / (height - 1);
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(input);
    WaitFor([&] {
        POINT at = {};
        return GetCursorPos(&at) && at.x == x && at.y == y;
    }, 2000);
}

void MouseButton(DWORD flag)
{
    INPUT input = {INPUT_MOUSE};
    input.mi.dwFlags = flag;
    Send(input);
}

void Click(HWND window, int x)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    MoveMouse(x < 0 ? (rect.left + rect.right) / 2 : rect.left + x, (rect.top + rect.bottom) / 2);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
}

bool WaitFocus(DWORD threadId, HWND window)
{
    return WaitFor([&] {
        GUITHREADINFO info = {sizeof info};
        return GetGUIThreadInfo(threadId, &info) && info.hwndFocus == window;
    }, 5000);
}

bool App::Start(const std::string &arguments, const char *directory, bool waitForWindow, const std::string &program)
{
    if (waitForWindow) {
        EXPECT_TRUE(WaitFor([] { return !FindWindowA("Quorrin", "Quorrin Tools"); })) << "a Quorrin window is left";
    }
    job = CreateJobObjectA(nullptr, nullptr);
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

App::~App()
{
    // What the program started, then the program, each waited for: nothing
    // of this one meets the next test.
    std::vector<DWORD> children = process.handle ? Descendants(process.handle) : std::vector<DWORD>();
    if (job) {
        TerminateJobObject(job, 1);
        CloseHandle(job);
    }
    for (DWORD child : children)
        KillId(child);
    Kill(process);
}

bool App::Send(int id)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(main, WM_COMMAND, id, 0, SMTO_NORMAL, 15000, &result) != 0;
}

HWND App::WaitBox()
{
    std::vector<HWND> boxes;
    WaitFor([&] { return !(boxes = MessageBoxes(process.id)).empty(); });
    return boxes.empty() ? nullptr : boxes.front();
}

} // namespace qt
