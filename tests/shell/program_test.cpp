// What only the whole program shows, under Wine: a start with a command line, its own and handed to
// a running instance, and listings into the real Notepad that outlive the program or end when the
// viewer is closed.
#include "tests/support/support.h"

#include "res/ids.h"

using namespace qt;

// The first token that names a DLL reaches the path box in its long form, also when it begins with
// a Japanese character and the program's own path holds one and a blank. A second start, without
// arguments and then with the DLL, brings the running one to the front, hands it its line and ends.
TEST(Start, TheCommandLinesDllReachesThePathBoxOfTheOwnAndOfARunningInstance)
{
    std::string folder = TempFolder("start");
    std::string copy = folder + "\\ソフト 表\\Quorrin.exe";
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト 表").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "\\表.dll", "MZ"));
    ASSERT_TRUE(CopyFileA(QuorrinExe().c_str(), copy.c_str(), FALSE));
    std::string program = "\"" + copy + "\"";
    std::string line = program + " 表.dll";
    std::string expected = LongForm(folder + "\\表.dll");
    App own;
    ASSERT_TRUE(own.Start(line, folder.c_str()));
    EXPECT_TRUE(WaitFor([&] { return own.Path() == expected; }, 5000)) << own.Path();

    own.SetPath("marker");
    DWORD style = WS_POPUP | WS_VISIBLE;
    HWND other = CreateWindowExA(0, "STATIC", "other", style, 500, 400, 100, 50, 0, 0, 0, 0);
    for (const std::string &second : {program, line}) {
        ASSERT_TRUE(MakeForeground(other));
        Process started = Start(second, folder.c_str());
        EXPECT_EQ(WaitExit(started), 0);
        Kill(started);
        EXPECT_EQ(own.Path(), second == line ? expected : "marker");
        EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == own.main; }, 5000));
    }
    DestroyWindow(other);
}

// Closed as a user does it mid-listing (the close box, then No to saving), the viewer ends that
// listing: the main window answers again at once (its help box shows), no second viewer takes the
// rest, and the next run lists whole into a new one. A listing outlives the program that made it.
TEST(Run, ClosingTheViewerMidListingEndsItAndAListingOutlivesTheProgram)
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

    std::string dll = SystemPath("version.dll");
    HWND edit = RunListing(app.process.handle, app.main, dll, 120000);
    EXPECT_EQ(Text(edit), Listing(dll));
    HWND quit = GetDlgItem(app.main, IDC_QUIT); // clicked
    PostMessageA(quit, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(quit, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(app.Exit(), 0);
    EXPECT_EQ(Text(edit), Listing(dll)) << "the viewer stays with its text";
}
