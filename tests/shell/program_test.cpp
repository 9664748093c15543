// What only the whole program shows, under Wine: its command line, its own and handed over, and
// listings into the real Notepad, or into files where Notepad opens in another process.
#include "tests/support/support.h"

#include "res/ids.h"

using namespace qt;

// The first token that names a DLL reaches the path box in its long form: in quotes, as Explorer
// passes a path that holds a blank, and, handed to a running instance, when it begins with a
// Japanese character. A second start, without arguments and then with the DLL, brings the running
// one to the front, hands it its line and ends.
TEST(Start, TheCommandLinesDllReachesThePathBoxOfTheOwnAndOfARunningInstance)
{
    std::string folder = TempFolder("start");
    std::string copy = folder + "\\ソフト 表\\Quorrin.exe";
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト 表").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "\\表.dll", "MZ"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\ソフト 表\\x.dll", "MZ"));
    ASSERT_TRUE(CopyFileA(QuorrinExe.c_str(), copy.c_str(), FALSE));
    std::string program = "\"" + copy + "\"";
    std::string quoted = LongForm(folder + "\\ソフト 表\\x.dll");
    App own;
    ASSERT_TRUE(own.Start(program + " \"" + quoted + "\"", folder.c_str()));
    EXPECT_TRUE(WaitFor([&] { return own.Path() == quoted; }, 5000)) << own.Path();
    // The texts as the user reads them, whatever the system's code page.
    const char *check = "Systemフォルダを初期フォルダとする";
    const char *label = "対象ﾌｧｲﾙ ：";
    const std::string texts[] = {quoted, "...", "実  行", "終  了", check, label};
    HWND control = own.pathEdit;
    for (const std::string &text : texts) {
        EXPECT_EQ(Unicode(control), Unicode(text));
        control = GetWindow(control, GW_HWNDNEXT);
    }

    own.SetPath("marker");
    DWORD style = WS_POPUP | WS_VISIBLE;
    HWND other = CreateWindowExA(0, "STATIC", "other", style, 500, 400, 100, 50, 0, 0, 0, 0);
    const std::tuple<std::string, std::string> seconds[] = {
        {program, "marker"},
        {program + " 表.dll", LongForm(folder + "\\表.dll")},
        {program + " \"" + quoted + "\"", quoted},
    };
    for (const auto &[line, path] : seconds) {
        ASSERT_TRUE(MakeForeground(other));
        Process started = Start(line, folder.c_str());
        EXPECT_EQ(WaitExit(started), 0);
        Kill(started);
        EXPECT_EQ(own.Path(), path);
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == own.main; }, 5000));
    }
    DestroyWindow(other);
}

// Closed as a user does it mid-listing (the close box, then No to saving), the viewer ends that
// listing: the main window answers again at once (its help box shows), no second viewer takes the
// rest, and the next run lists into a new one. That listing ends whole when Word Wrap is switched
// while it is written (Notepad makes a new edit control), and when a run is clicked meanwhile (an
// automation tool's BM_CLICK reaches the program while it waits on the viewer): it is ignored. A
// listing outlives the program that made it.
TEST(Run, ClosingTheViewerEndsItsListingARunClickedDuringOneIsIgnoredAndAListingOutlivesAll)
{
    App app;
    ASSERT_TRUE(app.Start());
    app.SetPath(HostPath(QUORRIN_GNAT)); // 13,644 names: minutes into a shown Notepad
    app.Post(IDC_RUN);
    HWND shown = nullptr;
    auto isListing = [&] {
        shown = app.Viewer();
        return shown && Text(GetWindow(shown, GW_CHILD)).size() > 2000;
    };
    ASSERT_TRUE(WaitFor(isListing, 60000));
    DWORD notepad = 0;
    GetWindowThreadProcessId(shown, &notepad);
    PostMessageA(shown, WM_SYSCOMMAND, SC_CLOSE, 0);
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(notepad).empty(); }));
    ASSERT_TRUE(AnswerBox(MessageBoxes(notepad)[0], IDNO));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(shown); }));
    app.Post(IDM_HELP);
    auto helpShows = [&] { return !MessageBoxes(app.process.id).empty(); };
    ASSERT_TRUE(WaitFor(helpShows, 20000)) << "still busy listing";
    EXPECT_EQ(app.Viewer(), nullptr);
    EXPECT_TRUE(AnswerBox(MessageBoxes(app.process.id)[0]));

    std::string dll = SystemPath("kernel32.dll"); // 1,363 names: 20 s into a shown Notepad
    app.SetPath(dll);
    app.Post(IDC_RUN);
    ASSERT_TRUE(WaitFor(isListing, 60000));
    SendMessageA(shown, WM_COMMAND, 0x119, 0); // Word Wrap, under Wine
    app.SetPath(SystemPath("version.dll"));
    SendMessageA(GetDlgItem(app.main, IDC_RUN), BM_CLICK, 0, 0);
    ShowWindow(shown, SW_MINIMIZE); // the rest comes faster
    HWND edit = FindWindowExA(shown, nullptr, "Edit", nullptr);
    auto done = [&] { return SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0; };
    EXPECT_TRUE(WaitFor(done, 60000));
    EXPECT_EQ(Unicode(edit), Unicode(Listing(dll)));
    HWND quit = GetDlgItem(app.main, IDC_QUIT); // clicked
    PostMessageA(quit, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(quit, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(WaitExit(app.process), 0);
    EXPECT_EQ(Unicode(edit), Unicode(Listing(dll))) << "the viewer stays with its text";
}

// The version block of the built program, as the file's properties show it: the fixed part (file
// and product versions, flags, system and type) and the Japanese string table.
TEST(Resources, TheBuiltProgramCarriesItsVersionBlock)
{
    std::string program = QuorrinExe;
    std::vector<char> block(GetFileVersionInfoSizeA(program.c_str(), nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(program.c_str(), 0, (DWORD)block.size(), block.data()));
    VS_FIXEDFILEINFO *fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void **)&fixed, &length));
    std::vector<DWORD> fields = {fixed->dwFileVersionMS,    fixed->dwFileVersionLS,
                                 fixed->dwProductVersionMS, fixed->dwProductVersionLS,
                                 fixed->dwFileFlagsMask,    fixed->dwFileFlags,
                                 fixed->dwFileOS,           fixed->dwFileType};
    EXPECT_EQ(fields, (std::vector<DWORD>{0x10000, 1, 0x10000, 1, 0x3F, 0, 0x40004, 1}));
    const std::tuple<std::string, std::string> strings[] = {
        {"CompanyName", "Quorrin Works"},
        {"FileDescription", "Quorrin for Windows95"},
        {"FileVersion", "1, 0, 0, 1"},
        {"InternalName", "Quorrin"},
        {"LegalCopyright", "Copyright (C) Quorrin Works"},
        {"OriginalFilename", "Quorrin.exe"},
        {"ProductName", "Quorrin for Windows95"},
        {"ProductVersion", "1, 0, 0, 1"},
    };
    for (const auto &[key, value] : strings) {
        char *text = nullptr;
        std::string path = "\\StringFileInfo\\041104b0\\" + key;
        EXPECT_TRUE(VerQueryValueA(block.data(), path.c_str(), (void **)&text, &length)) << key;
        EXPECT_EQ(std::string(text ? text : ""), value) << key;
    }
}

// Where starting notepad.exe opens a window in another process, as on Windows 11 (a stand-in in
// the Windows folder, where the viewer is looked for first): two listings each reach the user
// whole, in files that the shell opens in an editor, with no box; the stand-in is started once,
// so one empty editor window is all it leaves.
TEST(Run, WhereNotepadOpensInAnotherProcessEachListingReachesAnEditorWhole)
{
    std::string notepad = SystemPath("notepad.exe", true);
    std::string kept = TempFolder("notepad") + "\\notepad.exe";
    ASSERT_TRUE(CopyFileA(notepad.c_str(), kept.c_str(), FALSE));
    struct PutBack { // the real one, whether the test passes or fails
        const std::string &kept, &notepad;
        ~PutBack() { CopyFileA(kept.c_str(), notepad.c_str(), FALSE); }
    } putBack{kept, notepad};
    std::string standIn = BuildProgram("tests/notepad-standin.exe");
    ASSERT_TRUE(CopyFileA(standIn.c_str(), notepad.c_str(), FALSE));
    DeleteFileA((notepad + ".log").c_str());

    for (const std::string &name : FilesIn(ListingFolder()))
        DeleteFileA((ListingFolder() + "\\" + name).c_str());
    App app;
    ASSERT_TRUE(app.Start());
    std::string dll = SystemPath("kernel32.dll");
    std::string listing = Listing(dll);
    for (size_t listed = 1; listed <= 2; ++listed) {
        app.SetPath(dll);
        app.Post(IDC_RUN);
        auto shown = [&] {
            std::vector<std::string> texts = EditorTexts();
            return (size_t)std::count(texts.begin(), texts.end(), listing) == listed;
        };
        EXPECT_TRUE(WaitFor(shown, 30000)) << listed;
    }
    app.Post(IDM_HELP); // answered once the runs are done: their boxes would come first
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(app.process.id).empty(); }));
    std::vector<HWND> boxes = MessageBoxes(app.process.id);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(Unicode(boxes.at(0)), Unicode("ヘルプファイル"));
    EXPECT_EQ(Unicode(GetDlgItem(boxes.at(0), 0xFFFF)), Unicode(HelpNote));
    EXPECT_EQ(FileBytes(notepad + ".log"), "started\n");
    // Their files hold the same bytes on any system: UTF-8 with its mark, from code page 932.
    EXPECT_EQ(FilesIn(ListingFolder()).size(), 2u);
    for (const std::string &name : FilesIn(ListingFolder())) {
        std::string file = FileBytes(ListingFolder() + "\\" + name);
        EXPECT_EQ(Unicode(file, CP_UTF8), L"\xFEFF" + Unicode(listing)) << name;
    }
    std::vector<std::string> texts = EditorTexts();
    EXPECT_LE(std::count(texts.begin(), texts.end(), ""), 1);
    EndEditors();
}

// Where wine32 runs the i686 build, 64-bit Wine redirects its file calls on the system folder to
// SysWOW64, as 64-bit Windows does: a System32 path is listed, by the window and by quorrin-list,
// as the 64-bit DLL there, not as SysWOW64's of its name.
TEST(Run, OnA64BitWindowsASystem32PathIsListedAsThe64BitDllThere)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not run: this build runs under 64-bit Wine here, not as a 32-bit program";
    std::string dll = SystemPath("kernel32.dll"), native = TempFolder("native") + "\\k.dll";
    PVOID state = nullptr;
    ASSERT_TRUE(Wow64DisableWow64FsRedirection(&state));
    BOOL copied = CopyFileA(dll.c_str(), native.c_str(), FALSE);
    Wow64RevertWow64FsRedirection(state);
    ASSERT_TRUE(copied);
    std::string listing = Listing(native);
    ASSERT_NE(listing, Listing(SystemPath("SysWOW64\\kernel32.dll", true)));
    EXPECT_EQ(Listing(dll), listing);
    App app;
    ASSERT_TRUE(app.Start());
    app.SetPath(dll);
    app.Post(IDC_RUN);
    ASSERT_TRUE(WaitFor([&] { return app.Viewer(); }, 30000));
    ShowWindow(app.Viewer(), SW_MINIMIZE); // the listing comes faster
    HWND edit = FindWindowExA(app.Viewer(), nullptr, "Edit", nullptr);
    EXPECT_TRUE(WaitFor([&] { return SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0; }, 60000));
    EXPECT_EQ(Text(edit), listing);
}
