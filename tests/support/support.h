// The Windows tests' helpers, over the harness they share with quorrin-drive. Every wait polls with
// a bound; nothing sleeps for a fixed time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "tools/harness.h"

namespace qt {

inline const std::string QuorrinExe = BuildProgram("shell/Quorrin.exe");

inline std::string SystemPath(const std::string &name, bool windows = false)
{
    char folder[MAX_PATH] = {};
    (windows ? GetWindowsDirectoryA : GetSystemDirectoryA)(folder, sizeof folder);
    return std::string(folder) + "\\" + name;
}

inline std::string LongForm(const std::string &path)
{
    char result[MAX_PATH] = {};
    GetLongPathNameA(path.c_str(), result, sizeof result);
    return result;
}

// Ends what the tests started, failed or not: CTest waits for a process left holding their output.
struct EndStarted : ::testing::Environment {
    void TearDown() override { KillDescendants(GetCurrentProcess()); }
};
inline ::testing::Environment *const Ending = ::testing::AddGlobalTestEnvironment(new EndStarted);

inline std::string TempFolder(const char *prefix)
{
    char base[MAX_PATH] = {};
    char folder[MAX_PATH] = {};
    GetTempPathA(sizeof base, base);
    GetTempFileNameA(base, prefix, 0, folder); // makes an empty file of a new name
    DeleteFileA(folder);
    CreateDirectoryA(folder, nullptr);
    return folder;
}

inline bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    return bool(std::ofstream(path, std::ios::binary) << bytes);
}

inline std::string ListingFolder()
{
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    return std::string(temp) + "Quorrin";
}

inline std::vector<std::string> FilesIn(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code none; // no folder: no files
    for (const auto &file : std::filesystem::directory_iterator(folder, none))
        names.push_back(file.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string FileBytes(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// A window's text through the Unicode call, and bytes of a code page (932 unless told) in Unicode:
// the two agree only where the window shows the text right, whatever this process's code page.
inline std::wstring Unicode(HWND window)
{
    std::wstring text(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(SendMessageW(window, WM_GETTEXT, text.size(), (LPARAM)&text[0]));
    return text;
}

inline std::wstring Unicode(const std::string &bytes, UINT codePage = 932)
{
    std::wstring text(bytes.size(), L'\0');
    int size = (int)bytes.size();
    text.resize(MultiByteToWideChar(codePage, 0, bytes.data(), size, &text[0], size));
    return text;
}

// The Notepad windows on the desktop, of any process: the shell opens files in Notepads that are no
// descendants of ours. The texts of the shown ones, sorted; ending them all.
inline std::vector<HWND> Editors()
{
    std::vector<HWND> windows;
    for (HWND window = FindWindowExA(nullptr, nullptr, "Notepad", nullptr); window;
         window = FindWindowExA(nullptr, window, "Notepad", nullptr))
        windows.push_back(window);
    return windows;
}

inline std::vector<std::string> EditorTexts()
{
    std::vector<std::string> texts;
    for (HWND window : Editors())
        if (IsWindowVisible(window))
            texts.push_back(Text(FindWindowExA(window, nullptr, "Edit", nullptr)));
    std::sort(texts.begin(), texts.end());
    return texts;
}

inline void EndEditors()
{
    for (HWND window : Editors()) {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        Process editor;
        editor.handle = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        Kill(editor);
    }
}

// A box as the tests compare it: caption and text byte for byte, its icon (a handle of this
// process: they do not cross processes under Wine), and whether OK is its only button.
enum Icon { NoIcon, Warning, Information };
using Boxes = std::vector<std::string>;

inline std::string BoxOf(const std::string &text, const std::string &caption, Icon icon = NoIcon,
                         bool okOnly = true)
{
    std::string buttons = okOnly ? ", OK)" : ", other buttons)";
    return "[" + caption + "] " + text + " (icon " + std::to_string(icon) + buttons;
}

inline std::string BoxOf(const Box &box)
{
    const HICON icons[] = {nullptr, LoadIconA(nullptr, IDI_WARNING),
                           LoadIconA(nullptr, IDI_INFORMATION)};
    Icon icon = Icon(std::find(icons, icons + 3, box.icon) - icons);
    return BoxOf(box.text, box.caption, icon, box.okOnly);
}

inline const char HelpNote[] = "無いよ、だって作るのがかったるいんだもん。 \n"
                               "まあ、気をつけて使用してください。";
inline const std::string HelpBox = BoxOf(HelpNote, "ヘルプファイル", Information);

// Answers every message box this process shows, from a thread of its own, and keeps what each
// showed, read before the answer: the call that showed it returns only then.
class BoxWatcher {
public:
    BoxWatcher() : thread_([this] { WaitFor([this] { return AnswerAll(); }, INFINITE); }) {}
    ~BoxWatcher()
    {
        stop_ = true;
        thread_.join();
    }
    std::vector<Box> Seen()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return seen_;
    }
    Boxes Shown()
    {
        Boxes shown;
        for (const Box &box : Seen())
            shown.push_back(BoxOf(box));
        return shown;
    }

private:
    bool AnswerAll() // true once the watcher is to stop
    {
        for (HWND box : MessageBoxes(GetCurrentProcessId())) {
            std::lock_guard<std::mutex> hold(lock_);
            seen_.push_back(ReadBox(box));
            AnswerBox(box);
        }
        return stop_;
    }
    std::mutex lock_;
    std::vector<Box> seen_;
    volatile bool stop_ = false;
    std::thread thread_;
};

inline bool MakeForeground(HWND window)
{
    auto isForeground = [&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    };
    return WaitFor(isForeground, 5000);
}

// Keys as a user presses them (SendInput): the modifier down, the key down and up, the modifier up.
inline void PressKeys(WORD modifier, WORD key)
{
    const WORD order[] = {modifier, key, key, modifier};
    for (int i = 0; i < 4; ++i) {
        INPUT input = {INPUT_KEYBOARD};
        input.ki.wVk = order[i];
        input.ki.wScan = (WORD)MapVirtualKeyA(order[i], MAPVK_VK_TO_VSC);
        input.ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof input);
    }
}

// A started Quorrin, ended with what it started when the object goes.
struct App {
    Process process;
    HWND main = nullptr;
    HWND pathEdit = nullptr;

    bool Start(const std::string &line = '"' + QuorrinExe + '"', const char *directory = nullptr)
    {
        EXPECT_TRUE(WaitFor([] { return !FindWindowA("Quorrin", nullptr); })) << "one is left";
        process = qt::Start(line, directory);
        main = process.handle ? WaitTopWindow(process.id, "Quorrin") : nullptr;
        pathEdit = GetWindow(main, GW_CHILD);
        return main && pathEdit;
    }
    ~App()
    {
        if (process.handle)
            KillDescendants(process.handle);
        Kill(process);
    }
    void Post(int id) { PostMessageA(main, WM_COMMAND, id, 0); }
    std::string Path() { return Text(pathEdit); }
    void SetPath(const std::string &path)
    {
        SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str());
    }
    HWND Viewer() { return FindViewer(process.handle); }
};

} // namespace qt
