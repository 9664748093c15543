// What only the whole program shows, under Wine: its resources, starts with a
// command line (own and handed to a running instance), the shortcuts (Wine's
// own dialogs and Explorer among what they open), the ways to close it and
// listings into the real Notepad.
#include "tests/support/support.h"

#include "res/ids.h"

using namespace qt;
using namespace std::string_literals;

// Each popup on a line: "text: id text ..." with "-" for a separator.
static std::string MenuItems(HMENU menu)
{
    std::string items;
    char text[64] = {};
    for (int popup = 0; GetMenuStringA(menu, popup, text, sizeof text, MF_BYPOSITION); ++popup) {
        items += std::string(text) + ":";
        HMENU sub = GetSubMenu(menu, popup);
        for (int i = 0; i < GetMenuItemCount(sub); ++i) {
            UINT id = GetMenuItemID(sub, i);
            GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
            items += id ? " " + std::to_string(id) + " " + text : " -";
        }
        items += "\n";
    }
    return items;
}

static BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR languages)
{
    ((std::vector<WORD> *)languages)->push_back(language);
    return TRUE;
}

TEST(Resources, MenuAndVersionBlockAllInJapanese)
{
    HMODULE module = LoadLibraryExA(QuorrinExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(MenuItems(LoadMenuA(module, "QUORRIN_MENU")),
              "ファイル(&F): 100 DLLファイルを開く(&O)\tCtrl+O - "
              "103 システムフォルダ(&S)\tCtrl+S - 101 終了(&E)\tCtrl+E\n"
              "ヘルプ(&H): 102 ヘルプファイル(&H)\tCtrl+H - "
              "104 バージョン情報(&E)\tCtrl+A\n");
    const std::pair<LPCSTR, LPCSTR> resources[] = {
        {RT_ICON, MAKEINTRESOURCEA(1)},          {RT_MENU, "QUORRIN_MENU"},
        {RT_ACCELERATOR, "QUORRIN_ACCELERATOR"}, {RT_GROUP_ICON, "QUORRIN_ICON"},
        {RT_VERSION, MAKEINTRESOURCEA(1)},
    };
    for (auto [type, name] : resources) { // each in Japanese alone
        std::vector<WORD> languages;
        EnumResourceLanguagesA(module, type, name, AddLanguage, (LONG_PTR)&languages);
        EXPECT_EQ(languages, std::vector<WORD>{0x0411}) << "type " << (UINT_PTR)type;
    }
    FreeLibrary(module);

    // The version block as the system reads it, in Japanese and Unicode: its
    // numbers come from the project's version, its rights line is the about box's.
    std::vector<char> block(GetFileVersionInfoSizeA(QuorrinExe().c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(QuorrinExe().c_str(), 0, block.size(), block.data()));
    const std::pair<const char *, const char *> strings[] = {
        {"FileVersion", "1, 0, 0, 1"},
        {"ProductVersion", "1, 0, 0, 1"},
        {"ProductName", "Quorrin for Windows95"},
        {"LegalCopyright", "Copyright (C) Quorrin Works"},
    };
    for (auto [key, value] : strings) {
        char *text = nullptr;
        UINT length = 0;
        std::string path = "\\StringFileInfo\\041104b0\\"s + key;
        ASSERT_TRUE(VerQueryValueA(block.data(), path.c_str(), (void **)&text, &length)) << key;
        EXPECT_STREQ(text, value);
    }
}

// The first token that names a DLL reaches the path box in its long form, also
// when it begins with a Japanese character, whatever the program's own path.
TEST(Start, TheCommandLinesDllReachesThePathBoxOfTheOwnAndOfARunningInstance)
{
    std::string folder = TempFolder("start");
    std::string copy = folder + "\\ソフト 表\\Quorrin.exe";
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト 表").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "\\表.dll", "MZ"));
    ASSERT_TRUE(CopyFileA(QuorrinExe().c_str(), copy.c_str(), FALSE));
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {Quoted(copy), "表.dll", LongForm(folder + "\\表.dll")},
        {Quoted(QuorrinExe()), "", ""},
    };
    for (const auto &[program, arguments, expected] : rows) {
        SCOPED_TRACE(program + " " + arguments);
        App own;
        ASSERT_TRUE(own.Start(arguments, folder.c_str(), true, program));
        const std::string &want = expected; // a binding cannot be captured
        EXPECT_TRUE(WaitFor([&] { return own.Path() == want; }, 5000)) << own.Path();
        // A second start brings the first to the front, hands the line over
        // and ends.
        own.SetPath("marker");
        DWORD style = WS_POPUP | WS_VISIBLE;
        HWND other = CreateWindowExA(0, "STATIC", "other", style, 500, 400, 100, 50, 0, 0, 0, 0);
        ASSERT_TRUE(MakeForeground(other));
        App second;
        second.Start(arguments, folder.c_str(), false, program);
        EXPECT_EQ(second.Exit(), 0);
        EXPECT_EQ(own.Path(), arguments.empty() ? "marker" : expected);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == own.main; }, 5000));
        DestroyWindow(other);
        // Closed by the menu's Exit, or by Alt+F4: no question, exit code 0.
        ASSERT_TRUE(MakeForeground(own.main));
        if (arguments.empty())
            PressKeys({VK_MENU}, VK_F4);
        else
            own.Post(IDM_EXIT);
        EXPECT_EQ(own.Exit(), 0);
    }
}

// A top-level window of the program or of what it started, once it shows.
static HWND WaitShown(App &app, const char *className, const char *title)
{
    HWND found = nullptr;
    auto isShown = [&] {
        std::vector<DWORD> ids = Descendants(app.process.handle);
        ids.push_back(app.process.id);
        for (DWORD id : ids) {
            for (HWND top : TopWindows(id, className)) {
                if (IsWindowVisible(top) && (!title || Text(top) == title))
                    found = top;
            }
        }
        return found != nullptr;
    };
    WaitFor(isShown, 30000);
    return found;
}

TEST(Shortcuts, EachActsAsItsMenuItemWithTheFocusInThePathBox)
{
    App app;
    ASSERT_TRUE(app.Start());
    const std::tuple<WORD, int, const char *, const char *> rows[] = {
        {'H', IDM_HELP, "#32770", "ヘルプファイル"},
        {'A', IDM_ABOUT, "#32770", nullptr},
        {'O', IDM_OPEN, "#32770", "ファイルを開く"},
        {'S', IDM_SYSFOLDER, "ExplorerWClass", "system32"},
    };
    app.SetPath("abc");
    auto pathBoxHasFocus = [&] {
        GUITHREADINFO info = {sizeof info};
        return GetGUIThreadInfo(app.process.threadId, &info) && info.hwndFocus == app.pathEdit;
    };
    for (const auto &[key, id, className, title] : rows) {
        SCOPED_TRACE(std::string(1, (char)key));
        ASSERT_TRUE(MakeForeground(app.main));
        Click(app.pathEdit); // a dialog that closes leaves the focus on the main window
        ASSERT_TRUE(WaitFor(pathBoxHasFocus));
        PressKeys({VK_CONTROL}, key);
        HWND shown = WaitShown(app, className, title);
        ASSERT_NE(shown, nullptr);
        EXPECT_TRUE(id == IDM_SYSFOLDER || GetWindow(shown, GW_OWNER) == app.main);
        if (id == IDM_ABOUT) { // Wine shows the whole first text
            const char *title = "Quorrin のバージョン情報# Quorrin for Windows95";
            EXPECT_EQ(Text(GetDlgItem(shown, 100)), title);
            EXPECT_EQ(Text(GetDlgItem(shown, 101)), "Copyright (C) Quorrin Works");
            EXPECT_NE(ReadBox(shown).icon, nullptr);
        }
        // IDCANCEL closes the help box too.
        PostMessageA(shown, id == IDM_SYSFOLDER ? WM_CLOSE : WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(shown); }));
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    }
    EXPECT_EQ(app.Path(), "abc") << "Ctrl+H reached the path box as a backspace";
    ASSERT_TRUE(MakeForeground(app.main));
    PressKeys({VK_CONTROL}, 'E'); // Exit: no question, exit code 0
    EXPECT_EQ(app.Exit(), 0);
}

static DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

TEST(Run, AListingOutlivesTheProgramAndClosingTheViewerMidListingEndsIt)
{
    App app;
    ASSERT_TRUE(app.Start());
    std::string first = SystemPath("version.dll");
    EXPECT_EQ(Text(RunListing(app.process.handle, app.main, first, 120000)), Listing(first));
    HWND last = app.Viewer();
    Click(GetDlgItem(app.main, IDC_QUIT));
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
    auto isListing = [&] {
        shown = again.Viewer();
        return shown && Text(GetWindow(shown, GW_CHILD)).size() > 2000;
    };
    ASSERT_TRUE(WaitFor(isListing, 60000));
    DWORD notepad = ProcessOf(shown);
    PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(notepad).empty(); }));
    ASSERT_TRUE(AnswerBox(MessageBoxes(notepad)[0], IDNO));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(shown); }));
    again.Post(IDM_HELP);
    auto helpShows = [&] { return !MessageBoxes(again.process.id).empty(); };
    ASSERT_TRUE(WaitFor(helpShows, 20000)) << "still busy listing";
    EXPECT_EQ(again.Viewer(), nullptr);
    EXPECT_TRUE(AnswerBox(MessageBoxes(again.process.id)[0]));
    HWND edit = RunListing(again.process.handle, again.main, first, 120000);
    EXPECT_EQ(Text(edit), Listing(first)) << "the next run lists whole";
    EXPECT_NE(ProcessOf(edit), notepad);
}
