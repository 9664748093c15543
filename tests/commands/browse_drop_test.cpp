// The open-file dialog and dropped files through the real program: the
// dialog is Wine's own, filled in and answered through its windows; a drop
// is a DROPFILES block in the program's memory posted as WM_DROPFILES.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

namespace {

// Control ids of the platform's open-file dialog.
enum { FileNameBox = 1148, FolderCombo = 1137, FileTypeCombo = 1136 };

BOOL CALLBACK FindFileName(HWND child, LPARAM out)
{
    if (GetDlgCtrlID(child) != FileNameBox || ClassName(child) != "Edit")
        return TRUE;
    *(HWND *)out = child;
    return FALSE;
}

class Browse : public ::testing::Test {
protected:
    // Waits for the open-file dialog that command id opens (0: one opening
    // already), checks it and chooses name in it (empty: cancels it). It
    // must start in folder (null: any) with start as the file name.
    static void Choose(App &session, int id, const char *folder, const std::string &start,
                       const std::string &name)
    {
        if (id)
            session.Post(id);
        HWND dialog = nullptr, fileName = nullptr;
        WaitFor([&] {
            for (HWND top : TopWindows(session.process.id, "#32770"))
                if (IsWindowVisible(top) && Text(top) == "ファイルを開く")
                    dialog = top;
            // The file-name edit box, inside its combo box.
            if (dialog)
                EnumChildWindows(dialog, FindFileName, (LPARAM)&fileName);
            return fileName != nullptr;
        });
        ASSERT_NE(fileName, nullptr) << "no open-file dialog";
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), session.main);
        EXPECT_EQ(Text(GetDlgItem(dialog, FileTypeCombo)), "Dll File (*.dll)");
        if (folder)
            EXPECT_EQ(Text(GetDlgItem(dialog, FolderCombo)), folder);
        EXPECT_EQ(Text(fileName), start);
        int button = name.empty() ? IDCANCEL : IDOK;
        if (button == IDOK)
            SendMessageA(fileName, WM_SETTEXT, 0, (LPARAM)name.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, button));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    }

    App app;
};

TEST_F(Browse, AChosenFileLandsInThePathBoxAndIsTheNextDialogsStart)
{
    std::string folder = TempFolder("browse");
    std::string dll = folder + "\\first.dll";
    ASSERT_TRUE(CopyFileA(SystemPath("version.dll").c_str(), dll.c_str(), FALSE));
    ASSERT_TRUE(app.Start(QuorrinExe(), "", folder.c_str()));
    ASSERT_NO_FATAL_FAILURE(Choose(app, IDC_BROWSE, nullptr, "", dll));
    ASSERT_TRUE(WaitFor([&] { return app.Path() == dll; })) << app.Path();

    // The menu item opens the same dialog, starting from the last choice
    // (the dialog shows its folder and its name apart); cancelling it leaves
    // the path box alone.
    app.SetPath("typed by hand");
    ASSERT_NO_FATAL_FAILURE(Choose(app, IDM_OPEN, "quorrin-browse", "first.dll", ""));
    ASSERT_TRUE(app.Send(WM_NULL)); // the command has returned
    EXPECT_EQ(app.Path(), "typed by hand");
    EXPECT_TRUE(MessageBoxes(app.process.id).empty());

    // The cancelled dialog kept the choice, too; Ctrl+O opens it as well.
    ASSERT_TRUE(PressCtrl(app.main, 'O'));
    ASSERT_NO_FATAL_FAILURE(Choose(app, 0, "quorrin-browse", "first.dll", ""));
}

TEST_F(Browse, TheCheckBoxMakesTheSystemFolderTheFirstDialogsFolder)
{
    std::string folder = TempFolder("initial");
    std::string dll = folder + "\\here.dll";
    ASSERT_TRUE(CopyFileA(SystemPath("version.dll").c_str(), dll.c_str(), FALSE));
    // The platform remembers each program's last folder and falls back on
    // it for an empty initial folder: forget it, as on a first run.
    RegDeleteKeyA(HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    auto pathIs = [](App &session, const std::string &want) {
        return WaitFor([&] { return _stricmp(session.Path().c_str(), want.c_str()) == 0; });
    };
    {
        // Unticked: an empty initial folder, so the dialog shows the
        // program's current folder, where a bare name is found.
        App unticked;
        ASSERT_TRUE(unticked.Start(QuorrinExe(), "", folder.c_str()));
        ASSERT_NO_FATAL_FAILURE(Choose(unticked, IDC_BROWSE, "quorrin-initial", "", "here.dll"));
        EXPECT_TRUE(pathIs(unticked, dll)) << unticked.Path();
        ASSERT_TRUE(unticked.Send(IDC_QUIT));
        EXPECT_EQ(unticked.Exit(), 0);
    }
    // Ticked, started in the same folder, which is now also the remembered
    // one: the system folder wins.
    ASSERT_TRUE(app.Start(QuorrinExe(), "", folder.c_str()));
    SendMessageA(app.check, BM_CLICK, 0, 0);
    ASSERT_EQ(SendMessageA(app.check, BM_GETCHECK, 0, 0), BST_CHECKED);
    ASSERT_NO_FATAL_FAILURE(Choose(app, IDC_BROWSE, "system32", "", "version.dll"));
    EXPECT_TRUE(pathIs(app, SystemPath("version.dll"))) << app.Path();
}

class Drops : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        folder = TempFolder("drops");
    }
    // Puts names into a block as the platform's drag and drop hands it to a
    // window (DROPFILES, the names each ended by a NUL, one more NUL) in the
    // program's memory, and posts WM_DROPFILES.
    bool Drop(const std::vector<std::string> &names)
    {
        DROPFILES header = {};
        header.pFiles = sizeof header;
        header.pt = {10, 10};
        std::string block((const char *)&header, sizeof header);
        for (const std::string &name : names)
            block += name + '\0';
        block += '\0';
        void *remote = VirtualAllocEx(app.process.handle, nullptr, block.size(),
                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        return remote &&
               WriteProcessMemory(app.process.handle, remote, block.data(), block.size(),
                                  nullptr) &&
               PostMessageA(app.main, WM_DROPFILES, (WPARAM)remote, 0);
    }
    // True when the run button has been told it has the focus (it draws
    // itself focused) although the keyboard focus is elsewhere.
    bool RunButtonShowsFocus()
    {
        return (SendDlgItemMessageA(app.main, IDC_RUN, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
    }
    App app;
    std::string folder;
};

TEST_F(Drops, AFolderIsRefusedWithItsBoxAndThePathBoxKeepsItsText)
{
    app.SetPath("kept");
    ASSERT_TRUE(Drop({folder, folder + "\\second.dll"}));
    ExpectBox(app.WaitBox(), "ファイルはドラッグ & ドロップできません", "D&D エラー");
    EXPECT_EQ(app.Path(), "kept");
    EXPECT_FALSE(RunButtonShowsFocus());
}

TEST_F(Drops, OnlyTheFirstOfThreeFilesLandsAndTheRunButtonIsToldItHasTheFocus)
{
    std::vector<std::string> names = {folder + "\\notes.txt", folder + "\\b.dll",
                                      folder + "\\c.dll"};
    for (const std::string &name : names)
        ASSERT_TRUE(WriteFileBytes(name, "x"));
    app.SetPath("before");
    ASSERT_FALSE(RunButtonShowsFocus());
    ASSERT_TRUE(Drop(names));
    ASSERT_TRUE(WaitFor([&] { return app.Path() == names[0]; })) << app.Path();
    EXPECT_TRUE(RunButtonShowsFocus());
    // The message went to the button; the keyboard focus did not move.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(app.process.threadId, &info));
    EXPECT_EQ(info.hwndFocus, app.pathEdit);
    EXPECT_TRUE(MessageBoxes(app.process.id).empty());

    // A dropped name that does not exist lands all the same; the run
    // command is the one that checks it.
    ASSERT_TRUE(Drop({folder + "\\gone.dll"}));
    EXPECT_TRUE(WaitFor([&] { return app.Path() == folder + "\\gone.dll"; }));
}

} // namespace
