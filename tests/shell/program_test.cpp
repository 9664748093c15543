// What only the whole program shows, under Wine: its resources, starts with a
// command line (own and handed to a running instance), dragging the window,
// the ways to close it, and a program without its shortcuts.
#include <fstream>
#include <functional>
#include <iterator>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

static BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    ((std::vector<WORD> *)found)->push_back(language);
    return TRUE;
}

TEST(Resources, MenuShortcutsIconAndVersionBlockAllInJapanese)
{
    HMODULE module = LoadLibraryExA(QuorrinExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HMENU menu = LoadMenuA(module, "QUORRIN_MENU");
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    std::vector<std::string> items; // "text", "-" for a separator, ")" ends a popup
    for (int popup = 0; popup < 2; ++popup) {
        char text[64] = {};
        GetMenuStringA(menu, popup, text, sizeof text, MF_BYPOSITION);
        items.push_back(text);
        HMENU sub = GetSubMenu(menu, popup);
        for (int i = 0; i < GetMenuItemCount(sub); ++i) {
            MENUITEMINFOA info = {sizeof info, MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE};
            info.dwTypeData = text;
            info.cch = sizeof text;
            GetMenuItemInfoA(sub, i, TRUE, &info);
            items.push_back(info.fType & MFT_SEPARATOR ? "-"
                            : std::to_string(info.wID) + " " + text +
                                  (info.fState ? " state " + std::to_string(info.fState) : ""));
        }
        items.push_back(")");
    }
    EXPECT_EQ(items, (std::vector<std::string>{
                         "ファイル(&F)", "100 DLLファイルを開く(&O)\tCtrl+O", "-",
                         "103 システムフォルダ(&S)\tCtrl+S", "-", "101 終了(&E)\tCtrl+E", ")",
                         "ヘルプ(&H)", "102 ヘルプファイル(&H)\tCtrl+H", "-",
                         "104 バージョン情報(&E)\tCtrl+A", ")"}));
    DestroyMenu(menu);

    ACCEL keys[6] = {};
    ASSERT_EQ(CopyAcceleratorTableA(LoadAcceleratorsA(module, "QUORRIN_ACCELERATOR"), keys, 6), 5);
    const ACCEL expected[] = {{0x0B, 'A', IDM_ABOUT}, {0x0B, 'E', IDM_EXIT}, {0x0B, 'H', IDM_HELP},
                              {0x0B, 'O', IDM_OPEN}, {0x0B, 'S', IDM_SYSFOLDER}};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(keys[i].fVirt == expected[i].fVirt && keys[i].key == expected[i].key &&
                    keys[i].cmd == expected[i].cmd) << "shortcut " << i;

    // One 32 x 32 image of 16 colours, 1 plane, 4 bits a pixel, id 1.
    HRSRC group = FindResourceA(module, "QUORRIN_ICON", RT_GROUP_ICON);
    std::string entry((const char *)LockResource(LoadResource(module, group)), SizeofResource(module, group));
    EXPECT_EQ(entry.substr(0, 12), std::string("\0\0\1\0\1\0\x20\x20\x10\0\1\0", 12));
    EXPECT_EQ(entry.substr(12, 2) + entry.substr(18), std::string("\4\0\1\0", 4));

    const WORD japanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    const std::pair<LPCSTR, LPCSTR> resources[] = {
        {RT_ICON, MAKEINTRESOURCEA(1)}, {RT_MENU, "QUORRIN_MENU"}, {RT_ACCELERATOR, "QUORRIN_ACCELERATOR"},
        {RT_GROUP_ICON, "QUORRIN_ICON"}, {RT_VERSION, MAKEINTRESOURCEA(1)}};
    for (auto [type, name] : resources) {
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module, type, name, CollectLanguage, (LONG_PTR)&languages);
        EXPECT_EQ(languages, std::vector<WORD>{japanese}) << "type " << (UINT_PTR)type;
    }
    HRSRC version = FindResourceA(module, MAKEINTRESOURCEA(1), RT_VERSION);
    std::string raw((const char *)LockResource(LoadResource(module, version)), SizeofResource(module, version));
    FreeLibrary(module);

    // The version block as the system reads it, its strings in this order.
    std::vector<char> block(GetFileVersionInfoSizeA(QuorrinExe().c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(QuorrinExe().c_str(), 0, block.size(), block.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    EXPECT_EQ(std::vector<DWORD>((DWORD *)fixed, (DWORD *)fixed + 13),
              (std::vector<DWORD>{0xFEEF04BD, 0x00010000, 0x00010000, 1, 0x00010000, 1, 0x3F, 0,
                                  0x00040004, 1, 0, 0, 0}));
    DWORD *translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translation, &length));
    EXPECT_EQ(*translation, 0x04B00411u);
    const char *product = "Quorrin for Windows95", *number = "1, 0, 0, 1";
    size_t last = 0;
    for (auto [key, value] : {std::pair("CompanyName", ""), {"FileDescription", product},
                              {"FileVersion", number}, {"InternalName", "Quorrin"},
                              {"LegalCopyright", ""}, {"OriginalFilename", "Quorrin.exe"},
                              {"ProductName", product}, {"ProductVersion", number}}) {
        char *text = nullptr;
        EXPECT_TRUE(VerQueryValueA(block.data(), (std::string("\\StringFileInfo\\041104b0\\") + key).c_str(),
                                   (void **)&text, &length) && text && *text) << key;
        if (*value && text) {
            EXPECT_STREQ(text, value) << key;
        }
        std::string wide;
        for (const char *c = key; *c; ++c)
            wide += std::string{*c, '\0'};
        size_t at = raw.find(wide);
        EXPECT_TRUE(at != std::string::npos && at > last) << key << " out of order";
        last = at;
    }
}

// A start with a command line, own and handed to a running instance: the
// first token that names a DLL reaches the path box in its long form, also
// when it begins with a Japanese character, whatever the program's own path.
TEST(Start, TheCommandLinesDllReachesThePathBoxOfTheOwnAndOfARunningInstance)
{
    std::string folder = TempFolder("start");
    for (const char *sub : {"\\ソフト", "\\ソフト 表"})
        ASSERT_TRUE(CreateDirectoryA((folder + sub).c_str(), nullptr));
    for (const char *name : {"\\b.dll", "\\c.dll", "\\表.dll", "\\ｶﾅ.dll", "\\ソフト\\表.dll"})
        ASSERT_TRUE(WriteFileBytes(folder + name, "MZ"));
    for (const char *copy : {"\\ソフト\\Quorrin.exe", "\\ソフト 表\\Quorrin.exe"})
        ASSERT_TRUE(CopyFileA(QuorrinExe().c_str(), (folder + copy).c_str(), FALSE));
    const struct {
        std::string program, arguments, expected;
    } rows[] = {
        {Quoted(QuorrinExe()), "x.txt b.Dll c.dll", LongForm(folder + "\\b.dll")},
        {Quoted(folder + "\\ソフト 表\\Quorrin.exe"), "表.dll", LongForm(folder + "\\表.dll")},
        {folder + "\\ソフト\\Quorrin.exe", "ソフト\\表.Dll", LongForm(folder + "\\ソフト\\表.dll")},
        {Quoted(QuorrinExe()) + "\t\x01", "ｶﾅ.dll", LongForm(folder + "\\ｶﾅ.dll")},
        {Quoted(QuorrinExe()), WineDll("kernel32.dll"), LongForm(WineDll("kernel32.dll"))},
        {Quoted(QuorrinExe()), "", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.program + " " + row.arguments);
        App own;
        ASSERT_TRUE(own.Start(row.arguments, folder.c_str(), true, row.program));
        EXPECT_TRUE(WaitFor([&] { return own.Path() == row.expected; }, 5000)) << own.Path();

        // A second start hands the line over and ends, without a window of
        // its own; with no arguments it only brings the first to the front.
        own.SetPath("marker");
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 500, 400, 100,
                                     50, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(MakeForeground(other));
        App second;
        second.Start(row.arguments, folder.c_str(), false, row.program);
        EXPECT_EQ(second.Exit(), 0);
        EXPECT_EQ(FindWindowA("Quorrin", "Quorrin Tools"), own.main);
        EXPECT_EQ(own.Path(), row.arguments.empty() ? "marker" : row.expected);
        if (row.arguments.empty()) {
            EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == own.main; }, 5000));
        }
        DestroyWindow(other);
    }
}

static POINT Origin(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

static bool WaitOrigin(HWND window, POINT want)
{
    return WaitFor([&] {
        POINT now = Origin(window);
        return now.x == want.x && now.y == want.y;
    }, 5000);
}

static HWND CaptureOf(HWND main)
{
    GUITHREADINFO info = {sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    return info.hwndCapture;
}

TEST(Drag, APlainLeftDragOnFreeClientAreaMovesTheWindowAndModifiedOnesDoNot)
{
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(MakeForeground(app.main));
    // A spot no control covers: between the check box and the run button.
    POINT from = {240, 40};
    ClientToScreen(app.main, &from);
    POINT start = Origin(app.main);
    MoveMouse(from.x, from.y);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    EXPECT_TRUE(WaitFor([&] { return CaptureOf(app.main) == app.main; }, 5000));
    for (int step = 1; step <= 2; ++step) {
        MoveMouse(from.x + 20 * step, from.y + 15 * step);
        WaitOrigin(app.main, {start.x + 20 * step, start.y + 15 * step});
    }
    MouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitOrigin(app.main, {start.x + 40, start.y + 30})) << "a plain drag moves the window";
    EXPECT_TRUE(WaitFor([&] { return CaptureOf(app.main) == nullptr; }, 5000));

    // With Shift, Ctrl or the right button also down nothing may happen. The
    // flags go in the press itself: Wine may take a SendInput modifier back
    // from X at the press. The real left button is held in the path box, so
    // a wrongly started move loop would take the capture from the box.
    for (WPARAM keys : {MK_LBUTTON | MK_SHIFT, MK_LBUTTON | MK_CONTROL, MK_LBUTTON | MK_RBUTTON}) {
        SCOPED_TRACE(keys);
        POINT before = Origin(app.main), inBox = {20, 5};
        ClientToScreen(app.pathEdit, &inBox);
        MoveMouse(inBox.x, inBox.y);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(WaitFor([&] { return CaptureOf(app.main) == app.pathEdit; }, 5000));
        PostMessageA(app.main, WM_LBUTTONDOWN, keys, MAKELPARAM(240, 40));
        // A posted change of the check box is the marker: once the box has
        // changed, the press before it has been handled too.
        LRESULT checked = SendMessageA(app.check, BM_GETCHECK, 0, 0);
        PostMessageA(app.check, BM_SETCHECK, !checked, 0);
        ASSERT_TRUE(WaitFor([&] { return SendMessageA(app.check, BM_GETCHECK, 0, 0) != checked; }, 5000));
        EXPECT_EQ(CaptureOf(app.main), app.pathEdit) << "a move loop took the capture";
        MoveMouse(inBox.x + 50, inBox.y + 20);
        MouseButton(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(WaitFor([&] { return CaptureOf(app.main) == nullptr; }, 5000));
        EXPECT_TRUE(WaitOrigin(app.main, before));
    }
}

TEST(Closing, EachKindOfCloseEndsTheProcessWithExitCodeZeroWithoutAQuestion)
{
    auto keys = [](std::vector<WORD> modifiers, WORD key) {
        return [=](App &app) { ASSERT_TRUE(MakeForeground(app.main)); PressKeys(modifiers, key); };
    };
    const struct {
        const char *name;
        std::function<void(App &)> close;
    } ways[] = {
        {"Alt+F4", keys({VK_MENU}, VK_F4)},
        {"Ctrl+E", keys({VK_CONTROL}, 'E')},
        {"menu item 終了", [](App &app) { app.Post(IDM_EXIT); }},
        {"quit button", [](App &app) { ASSERT_TRUE(MakeForeground(app.main)); Click(GetDlgItem(app.main, IDC_QUIT)); }},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        App app;
        ASSERT_TRUE(app.Start());
        way.close(app);
        EXPECT_EQ(app.Exit(), 0);
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    }
}

TEST(Closing, WithoutItsShortcutTableTheProgramWarnsOnceAndRunsWithoutShortcuts)
{
    // A copy whose accelerator table cannot be found by its name: one letter
    // of the name in the resource directory (UTF-16) is changed.
    std::ifstream in(QuorrinExe(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()), name;
    for (char c : std::string("QUORRIN_ACCELERATOR"))
        name += std::string{c, '\0'};
    size_t at = bytes.find(name);
    ASSERT_TRUE(at != std::string::npos && bytes.find(name, at + 1) == std::string::npos);
    bytes[at + name.size() - 2] = 'X';
    std::string copy = TempFolder("noaccel") + "\\Quorrin.exe";
    ASSERT_TRUE(WriteFileBytes(copy, bytes));

    App app;
    ASSERT_TRUE(app.Start("", nullptr, false, Quoted(copy)));
    HWND box = app.WaitBox();
    HWND main = FindWindowA("Quorrin", "Quorrin Tools");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ExpectBox(box, "アクセラレータロードエラー", "起動 - エラー", Warning).owner, main);

    // Ctrl+E would end the program; without the table it is plain typing.
    // The X typed after it marks when both have been handled.
    ASSERT_TRUE(MakeForeground(main));
    HWND pathEdit = GetWindow(main, GW_CHILD);
    Click(pathEdit, 20);
    ASSERT_TRUE(WaitFocus(app.process.threadId, pathEdit));
    PressKeys({VK_CONTROL}, 'E');
    PressKeys({VK_SHIFT}, 'X');
    EXPECT_TRUE(WaitFor([&] { return Text(pathEdit) == "X"; }, 5000)) << Text(pathEdit);
    EXPECT_TRUE(IsRunning(app.process.id));
    EXPECT_TRUE(MessageBoxes(app.process.id).empty()) << "only one warning";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.Exit(), 0);
}
