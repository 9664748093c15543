// The commands through the real program under Wine, from menu and shortcut:
// help, about, Explorer, the run button into the real Notepad, Wine's own
// open-file dialog, and a real drop.
#include "tests/support/support.h"

#include <shlobj.h>

#include "res/ids.h"

using namespace qt;

class Commands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Start()); }
    App app;
};

TEST_F(Commands, HelpFromTheMenuAndFromCtrlHWhicheverControlHasTheFocus)
{
    const char *note = "無いよ、だって作るのがかったるいんだもん。 \nまあ、気をつけて使用してください。";
    app.Post(IDM_HELP);
    EXPECT_EQ(ExpectBox(app.WaitBox(), note, "ヘルプファイル", Information).owner, app.main);
    // Ctrl+H in the path box runs the command and never reaches the box as
    // a backspace; on the check box it runs it as well.
    ASSERT_TRUE(MakeForeground(app.main));
    app.SetPath("abc");
    for (HWND focus : {app.pathEdit, app.check}) {
        Click(focus, focus == app.check ? 6 : 40);
        ASSERT_TRUE(WaitFocus(app.process.threadId, focus));
        PressKeys({VK_CONTROL}, 'H');
        ExpectBox(app.WaitBox(), note, "ヘルプファイル", Information);
    }
    EXPECT_EQ(app.Path(), "abc");
}

TEST_F(Commands, AboutShowsThePlatformsAboutBoxFromTheMenuAndFromCtrlA)
{
    for (bool shortcut : {false, true}) {
        shortcut ? (void)(MakeForeground(app.main), PressKeys({VK_CONTROL}, 'A')) : app.Post(IDM_ABOUT);
        HWND box = app.WaitBox();
        ASSERT_NE(box, nullptr);
        Box seen = ReadBox(box);
        EXPECT_EQ(seen.owner, app.main);
        // Wine's about box shows the whole first text, the rights notice and
        // the program's icon.
        EXPECT_EQ(Text(GetDlgItem(box, 100)), "Quorrin のバージョン情報# Quorrin for Windows95");
        EXPECT_EQ(Text(GetDlgItem(box, 101)), "Copyright (C) Quorrin developers. All rights reserved.");
        EXPECT_NE(seen.icon, nullptr);
        EXPECT_TRUE(AnswerBox(box));
    }
}

TEST_F(Commands, TheSystemFolderOpensInExplorerFromTheMenuAndFromCtrlS)
{
    for (bool shortcut : {false, true}) {
        shortcut ? (void)(MakeForeground(app.main), PressKeys({VK_CONTROL}, 'S')) : app.Post(IDM_SYSFOLDER);
        HWND explorer = nullptr;
        ASSERT_TRUE(WaitFor([&] {
            for (DWORD id : Descendants(app.process.handle))
                for (HWND top : TopWindows(id, "ExplorerWClass"))
                    if (IsWindowVisible(top) && Text(top) == "system32")
                        explorer = top;
            return explorer != nullptr;
        }, 30000));
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
        PostMessageA(explorer, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(explorer); }));
    }
}

class Run : public Commands {
protected:
    std::string Listed(const std::string &path)
    {
        HWND edit = RunListing(app.process.handle, app.main, path, 120000);
        return edit ? Text(edit) : "(no listing)";
    }
    static DWORD ProcessOf(HWND window)
    {
        DWORD id = 0;
        GetWindowThreadProcessId(window, &id);
        return id;
    }
};

TEST_F(Run, ListingsGoToOneViewerThatIsReplacedOnlyWhenClosedAndThatOutlivesTheProgram)
{
    std::string first = SystemPath("version.dll"), second = SystemPath("winmm.dll");
    EXPECT_EQ(Listed(first), Listing(first));
    DWORD viewer = ProcessOf(app.Viewer());
    EXPECT_EQ(Listed(second), Listing(second));
    EXPECT_EQ(ProcessOf(app.Viewer()), viewer);

    // The user closes the viewer: the next listing starts a new one, which
    // stays with its text when the program ends.
    HWND closed = app.Viewer();
    PostMessageA(closed, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(closed); }));
    EXPECT_EQ(Listed(first), Listing(first));
    HWND last = app.Viewer();
    EXPECT_NE(ProcessOf(last), viewer);
    app.Post(IDC_QUIT);
    EXPECT_EQ(app.Exit(), 0);
    EXPECT_TRUE(IsWindow(last));
    EXPECT_EQ(Text(GetWindow(last, GW_CHILD)), Listing(first));
}

TEST_F(Run, ClosingTheViewerMidListingEndsTheListingThereAndTheNextRunListsWhole)
{
    app.SetPath(HostPath(QUORRIN_GNAT)); // 13,644 names: minutes into a shown Notepad
    app.Post(IDC_RUN);
    HWND viewer = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        viewer = app.Viewer();
        return viewer && Text(GetWindow(viewer, GW_CHILD)).size() > 2000;
    }, 60000));
    // As a user does it: the close box, then No to the question whether to
    // save the text.
    DWORD notepad = ProcessOf(viewer);
    PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND question = nullptr;
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(notepad).empty() && (question = MessageBoxes(notepad)[0]); }));
    ASSERT_TRUE(AnswerBox(question, IDNO));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(viewer); }));

    // The main window answers again at once (its help box shows), and no
    // second viewer took the rest of the listing.
    app.Post(IDM_HELP);
    ASSERT_TRUE(WaitFor([&] { return !MessageBoxes(app.process.id).empty(); }, 20000))
        << "the main window is still busy with the listing";
    EXPECT_EQ(app.Viewer(), nullptr);
    EXPECT_TRUE(AnswerBox(app.WaitBox()));
    std::string next = SystemPath("version.dll");
    EXPECT_EQ(Listed(next), Listing(next));
    EXPECT_NE(ProcessOf(app.Viewer()), notepad);
}

// Control ids of the platform's open-file dialog.
enum { FileNameBox = 1148, FolderCombo = 1137, FileTypeCombo = 1136 };

// The first descendant of parent of the class (and the id, unless -1).
struct ChildSearch {
    const char *className;
    int id;
    HWND found;
};
static BOOL CALLBACK MatchChild(HWND child, LPARAM value)
{
    ChildSearch *search = (ChildSearch *)value;
    if (ClassName(child) == search->className && (search->id < 0 || GetDlgCtrlID(child) == search->id))
        search->found = child;
    return !search->found;
}
static HWND ChildOf(HWND parent, const char *className, int id = -1)
{
    ChildSearch search = {className, id, nullptr};
    if (parent)
        EnumChildWindows(parent, MatchChild, (LPARAM)&search);
    return search.found;
}

// Waits for the open-file dialog that command id opens (0: one opening
// already), checks it and chooses name in it (empty: cancels it). It must
// start in folder (null: any) with start as the file name and, when files
// is not negative, list that many files.
static void Choose(App &app, int id, const char *folder, const std::string &start,
                   const std::string &name, int files = -1)
{
    if (id)
        app.Post(id);
    HWND dialog = nullptr, fileName = nullptr;
    WaitFor([&] {
        for (HWND top : TopWindows(app.process.id, "#32770"))
            if (IsWindowVisible(top) && Text(top) == "ファイルを開く")
                dialog = top;
        // The file-name edit box, inside its combo box.
        return (fileName = ChildOf(dialog, "Edit", FileNameBox)) != nullptr;
    });
    ASSERT_NE(fileName, nullptr) << "no open-file dialog";
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app.main);
    EXPECT_EQ(Text(GetDlgItem(dialog, FileTypeCombo)), "Dll File (*.dll)");
    if (folder) {
        EXPECT_EQ(Text(GetDlgItem(dialog, FolderCombo)), folder);
    }
    EXPECT_EQ(Text(fileName), start);
    if (files >= 0) {
        EXPECT_EQ(SendMessageA(ChildOf(dialog, "SysListView32"), 0x1004 /* LVM_GETITEMCOUNT */, 0, 0), files);
    }
    int button = name.empty() ? IDCANCEL : IDOK;
    if (button == IDOK)
        SendMessageA(fileName, WM_SETTEXT, 0, (LPARAM)name.c_str());
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), (LPARAM)GetDlgItem(dialog, button));
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST(Browse, AChosenFileLandsInThePathBoxAndEveryLaterDialogStartsWithIt)
{
    std::string folder = TempFolder("browse"), dll = folder + "\\first.dll";
    ASSERT_TRUE(CopyFileA(SystemPath("version.dll").c_str(), dll.c_str(), FALSE));
    ASSERT_TRUE(WriteFileBytes(folder + "\\other.exe", "MZ"));
    // The platform remembers each program's last folder and falls back on
    // it for an empty initial folder: forget it, as on a first run.
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    App app;
    ASSERT_TRUE(app.Start("", folder.c_str()));
    // Unticked, the dialog starts in the program's own folder, where the
    // filter shows the DLL and not the program beside it.
    ASSERT_NO_FATAL_FAILURE(Choose(app, IDC_BROWSE, "quorrin-browse", "", "first.dll", 1));
    ASSERT_TRUE(WaitFor([&] { return _stricmp(app.Path().c_str(), dll.c_str()) == 0; })) << app.Path();

    // The menu item and Ctrl+O open the same dialog, starting from the last
    // choice; cancelling leaves the path box alone and keeps the choice.
    app.SetPath("typed by hand");
    ASSERT_NO_FATAL_FAILURE(Choose(app, IDM_OPEN, "quorrin-browse", "first.dll", ""));
    ASSERT_TRUE(app.Send(WM_NULL));
    EXPECT_EQ(app.Path(), "typed by hand");
    EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    ASSERT_TRUE(MakeForeground(app.main));
    PressKeys({VK_CONTROL}, 'O');
    ASSERT_NO_FATAL_FAILURE(Choose(app, 0, "quorrin-browse", "first.dll", ""));

    // Ticked, a new program started in the same folder, which is now also
    // the remembered one: the system folder wins.
    App ticked;
    app.Post(IDC_QUIT);
    ASSERT_EQ(app.Exit(), 0);
    ASSERT_TRUE(ticked.Start("", folder.c_str()));
    SendMessageA(ticked.check, BM_CLICK, 0, 0);
    ASSERT_EQ(SendMessageA(ticked.check, BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_NO_FATAL_FAILURE(Choose(ticked, IDC_BROWSE, "system32", "", "version.dll"));
    EXPECT_TRUE(WaitFor([&] { return _stricmp(ticked.Path().c_str(), SystemPath("version.dll").c_str()) == 0; }))
        << ticked.Path();
}

TEST_F(Commands, ARealDropOfThreeFilesPutsTheFirstIntoThePathBox)
{
    // The block as the platform's drag and drop hands it over, in the
    // program's own memory: DROPFILES, the names each ended by a NUL, one
    // more NUL.
    std::string folder = TempFolder("drop"), block(sizeof(DROPFILES), '\0');
    ((DROPFILES *)&block[0])->pFiles = sizeof(DROPFILES);
    for (const char *name : {"\\a.txt", "\\b.dll", "\\c.dll"})
        block += folder + name + '\0';
    block += '\0';
    void *remote = VirtualAllocEx(app.process.handle, nullptr, block.size(), MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    ASSERT_TRUE(remote && WriteProcessMemory(app.process.handle, remote, block.data(), block.size(), nullptr));
    PostMessageA(app.main, WM_DROPFILES, (WPARAM)remote, 0);
    EXPECT_TRUE(WaitFor([&] { return app.Path() == folder + "\\a.txt"; })) << app.Path();
}
