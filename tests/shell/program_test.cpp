// What only the whole program shows, under Wine: its resources, starts with a
// command line (own and handed to a running instance), the shortcuts (Wine's
// own dialogs and Explorer among what they open), the ways to close it and
// listings into the real Notepad.
#include "tests/support/support.h"

#include "res/ids.h"

using namespace qt;
using namespace std::string_literals;

TEST(Resources, MenuIconAndVersionBlockAllInJapanese) {
    HMODULE module = LoadLibraryExA(QuorrinExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    HMENU menu = LoadMenuA(module, "QUORRIN_MENU");
    std::string items; // each popup on a line: "text: id text ..., - for a separator"
    char text[64] = {};
    for (int popup = 0; GetMenuStringA(menu, popup, text, sizeof text, MF_BYPOSITION); ++popup, items += "\n") {
        items += std::string(text) + ":";
        MENUITEMINFOA info = {sizeof info, MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_STATE};
        for (int i = 0; (info.dwTypeData = text, info.cch = sizeof text, GetMenuItemInfoA(GetSubMenu(menu, popup), i, TRUE, &info)); ++i)
            items += info.fType & MFT_SEPARATOR ? " -" : " " + std::to_string(info.wID) + " " + text +
                                                             (info.fState ? " state " + std::to_string(info.fState) : "");
    }
    EXPECT_EQ(items, "ファイル(&F): 100 DLLファイルを開く(&O)\tCtrl+O - 103 システムフォルダ(&S)\tCtrl+S - "
                     "101 終了(&E)\tCtrl+E\nヘルプ(&H): 102 ヘルプファイル(&H)\tCtrl+H - 104 バージョン情報(&E)\tCtrl+A\n");
    // One 32 x 32 image of 16 colours, 1 plane, 4 bits a pixel, id 1.
    HRSRC group = FindResourceA(module, "QUORRIN_ICON", RT_GROUP_ICON);
    std::string entry((const char *)LockResource(LoadResource(module, group)), SizeofResource(module, group));
    EXPECT_EQ(entry.substr(0, 14) + entry.substr(18), "\0\0\1\0\1\0\x20\x20\x10\0\1\0\4\0\1\0"s);
    const std::pair<LPCSTR, LPCSTR> resources[] = {{RT_ICON, MAKEINTRESOURCEA(1)}, {RT_MENU, "QUORRIN_MENU"},
        {RT_ACCELERATOR, "QUORRIN_ACCELERATOR"}, {RT_GROUP_ICON, "QUORRIN_ICON"}, {RT_VERSION, MAKEINTRESOURCEA(1)}};
    for (auto [type, name] : resources) { // each in Japanese alone
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module, type, name, [](HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) -> BOOL CALLBACK {
            return ((std::vector<WORD> *)found)->push_back(language), TRUE; }, (LONG_PTR)&languages);
        EXPECT_EQ(languages, std::vector<WORD>{0x0411}) << "type " << (UINT_PTR)type;
    }
    FreeLibrary(module);
    // The version block as the system reads it.
    std::vector<char> block(GetFileVersionInfoSizeA(QuorrinExe().c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(QuorrinExe().c_str(), 0, block.size(), block.data()));
    DWORD *fixed = nullptr, *translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length) &&
                VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", (void **)&translation, &length));
    EXPECT_EQ(std::vector<DWORD>(fixed, fixed + 13), (std::vector<DWORD>{0xFEEF04BD, 0x00010000, 0x00010000, 1,
                                                         0x00010000, 1, 0x3F, 0, 0x00040004, 1, 0, 0, 0}));
    EXPECT_EQ(*translation, 0x04B00411u);
    const char *product = "Quorrin for Windows95", *number = "1, 0, 0, 1";
    const char *rights = "Copyright (C) Quorrin Works"; // the about box's too
    for (auto [key, value] : {std::pair("CompanyName", ""), {"FileDescription", product}, {"FileVersion", number},
                              {"InternalName", "Quorrin"}, {"LegalCopyright", rights}, {"OriginalFilename", "Quorrin.exe"},
                              {"ProductName", product}, {"ProductVersion", number}}) {
        char *text = nullptr;
        VerQueryValueA(block.data(), ("\\StringFileInfo\\041104b0\\"s + key).c_str(), (void **)&text, &length);
        EXPECT_TRUE(text && *text && (!*value || !strcmp(text, value))) << key << ": " << (text ? text : "none");
    }
}

// The first token that names a DLL reaches the path box in its long form, also
// when it begins with a Japanese character, whatever the program's own path.
TEST(Start, TheCommandLinesDllReachesThePathBoxOfTheOwnAndOfARunningInstance) {
    std::string folder = TempFolder("start");
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト 表").c_str(), nullptr) && WriteFileBytes(folder + "\\表.dll", "MZ") &&
                CopyFileA(QuorrinExe().c_str(), (folder + "\\ソフト 表\\Quorrin.exe").c_str(), FALSE));
    const struct { std::string program, arguments, expected; } rows[] = {
        {Quoted(folder + "\\ソフト 表\\Quorrin.exe"), "表.dll", LongForm(folder + "\\表.dll")},
        {Quoted(QuorrinExe()), "", ""},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.program + " " + row.arguments);
        App own;
        ASSERT_TRUE(own.Start(row.arguments, folder.c_str(), true, row.program));
        EXPECT_TRUE(WaitFor([&] { return own.Path() == row.expected; }, 5000)) << own.Path();
        // A second start brings the first to the front, hands the line over
        // and ends, without a window of its own.
        own.SetPath("marker");
        HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 500, 400, 100, 50, 0, 0, 0, 0);
        ASSERT_TRUE(MakeForeground(other));
        App second;
        second.Start(row.arguments, folder.c_str(), false, row.program);
        EXPECT_EQ(second.Exit(), 0);
        EXPECT_EQ(own.Path(), row.arguments.empty() ? "marker" : row.expected);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == own.main; }, 5000));
        DestroyWindow(other);
    }
}

// A top-level window of the program or of what it started, once it shows.
static HWND WaitShown(App &app, const char *className, const char *title) {
    HWND found = nullptr;
    WaitFor([&] {
        std::vector<DWORD> ids = Descendants(app.process.handle);
        ids.push_back(app.process.id);
        for (DWORD id : ids)
            for (HWND top : TopWindows(id, className))
                if (IsWindowVisible(top) && (!title || Text(top) == title))
                    found = top;
        return found != nullptr;
    }, 30000);
    return found;
}

TEST(Shortcuts, EachActsAsItsMenuItemWithTheFocusInThePathBox) {
    App app;
    ASSERT_TRUE(app.Start());
    const struct { WORD key; int id; const char *className, *title; } rows[] = {
        {'H', IDM_HELP, "#32770", "ヘルプファイル"}, {'A', IDM_ABOUT, "#32770", nullptr},
        {'O', IDM_OPEN, "#32770", "ファイルを開く"}, {'S', IDM_SYSFOLDER, "ExplorerWClass", "system32"}};
    app.SetPath("abc");
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(1, (char)row.key));
        ASSERT_TRUE(MakeForeground(app.main));
        Click(app.pathEdit); // a dialog that closes leaves the focus on the main window
        GUITHREADINFO info = {sizeof info};
        ASSERT_TRUE(WaitFor([&] { return GetGUIThreadInfo(app.process.threadId, &info) && info.hwndFocus == app.pathEdit; }));
        PressKeys({VK_CONTROL}, row.key);
        HWND shown = WaitShown(app, row.className, row.title);
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(row.id == IDM_SYSFOLDER || GetWindow(shown, GW_OWNER) == app.main);
        if (row.id == IDM_ABOUT) { // Wine shows the whole first text
            EXPECT_EQ(Text(GetDlgItem(shown, 100)), "Quorrin のバージョン情報# Quorrin for Windows95");
            EXPECT_EQ(Text(GetDlgItem(shown, 101)), "Copyright (C) Quorrin Works");
            EXPECT_NE(ReadBox(shown).icon, nullptr);
        }
        PostMessageA(shown, row.id == IDM_SYSFOLDER ? WM_CLOSE : WM_COMMAND, IDCANCEL, 0); // the help box's OK too
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(shown); }));
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    }
    EXPECT_EQ(app.Path(), "abc") << "Ctrl+H reached the path box as a backspace";
}

TEST(Closing, EachKindOfCloseEndsTheProcessWithExitCodeZeroWithoutAQuestion) {
    for (int way : {0, 1, 2, 3}) { // Alt+F4, Ctrl+E, the menu's Exit, the Quit button
        App app;
        ASSERT_TRUE(app.Start() && MakeForeground(app.main));
        if (way < 2)
            PressKeys({WORD(way ? VK_CONTROL : VK_MENU)}, way ? 'E' : VK_F4);
        else
            way == 2 ? app.Post(IDM_EXIT) : Click(GetDlgItem(app.main, IDC_QUIT));
        EXPECT_EQ(app.Exit(), 0) << way;
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    }
}

TEST(Run, AListingOutlivesTheProgramAndClosingTheViewerMidListingEndsIt) {
    App app;
    ASSERT_TRUE(app.Start());
    auto processOf = [](HWND window) { DWORD id = 0; return GetWindowThreadProcessId(window, &id), id; };
    std::string first = SystemPath("version.dll");
    EXPECT_EQ(Text(RunListing(app.process.handle, app.main, first, 120000)), Listing(first));
    HWND last = app.Viewer();
    app.Post(IDC_QUIT);
    EXPECT_EQ(app.Exit(), 0);
    EXPECT_EQ(Text(GetWindow(last, GW_CHILD)), Listing(first)) << "the viewer stays with its text";

    // Closed as a user does it mid-listing (the close box, then No to saving),
    // the listing ends there: the main window answers again at once (its help
    // box shows) and no second viewer takes the rest.
    App again;
    ASSERT_TRUE(again.Start());
    again.SetPath(HostPath(QUORRIN_GNAT)); // 13,644 names: minutes into a shown Notepad
    again.Post(IDC_RUN);
    HWND shown = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (shown = again.Viewer()) && Text(GetWindow(shown, GW_CHILD)).size() > 2000; }, 60000));
    DWORD notepad = processOf(shown);
    PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(notepad).empty(); }));
    ASSERT_TRUE(AnswerBox(MessageBoxes(notepad)[0], IDNO));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(shown); }));
    again.Post(IDM_HELP);
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(again.process.id).empty(); }, 20000)) << "still busy listing";
    EXPECT_EQ(again.Viewer(), nullptr);
    EXPECT_TRUE(AnswerBox(MessageBoxes(again.process.id)[0]));
    HWND edit = RunListing(again.process.handle, again.main, first, 120000);
    EXPECT_EQ(Text(edit), Listing(first)) << "the next run lists whole";
    EXPECT_NE(processOf(edit), notepad);
}
