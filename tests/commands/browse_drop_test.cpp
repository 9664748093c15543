// The open-file dialog and dropped files through the real program: the
// dialog is Wine's own, filled in and answered through its windows; a drop
// is a DROPFILES block in the program's memory posted as WM_DROPFILES.
#include <gtest/gtest.h>

#include "res/ids.h"
#include "tests/commands/commands_support.h"

using namespace cmdtest;

namespace {

// Control ids of the platform's open-file dialog.
enum { FileNameBox = 1148, FolderCombo = 1137, FileTypeCombo = 1136 };

BOOL CALLBACK FindFileName(HWND child, LPARAM out)
{
    if (GetDlgCtrlID(child) != FileNameBox || qt::ClassName(child) != "Edit")
        return TRUE;
    *(HWND *)out = child;
    return FALSE;
}

class Browse : public ::testing::Test {
protected:
    // Opens the dialog with command id (0: it is being opened already) and
    // returns it.
    static HWND Open(Session &session, int id)
    {
        if (id)
            session.Post(id);
        HWND dialog = nullptr;
        qt::WaitFor([&] {
            for (HWND top : qt::TopWindows(session.process.id))
                if (top != session.main && IsWindowVisible(top) && qt::ClassName(top) == "#32770" &&
                    qt::Caption(top) == "ファイルを開く")
                    dialog = top;
            return dialog && FileName(dialog) != nullptr;
        });
        return dialog;
    }
    // The dialog's file-name edit box (inside its combo box).
    static HWND FileName(HWND dialog)
    {
        HWND found = nullptr;
        EnumChildWindows(dialog, FindFileName, (LPARAM)&found);
        return found;
    }
    static std::string Folder(HWND dialog)
    {
        return qt::Text(GetDlgItem(dialog, FolderCombo));
    }
    static bool Answer(HWND dialog, int button, const std::string &name = std::string())
    {
        if (button == IDOK)
            SendMessageA(FileName(dialog), WM_SETTEXT, 0, (LPARAM)name.c_str());
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     (LPARAM)GetDlgItem(dialog, button));
        return qt::WaitFor([&] { return !IsWindow(dialog); });
    }

    Session app;
};

TEST_F(Browse, AChosenFileLandsInThePathBoxAndIsTheNextDialogsStart)
{
    std::string folder = qt::TempFolder("browse");
    std::string dll = folder + "\\first.dll";
    ASSERT_TRUE(CopyFileA(SmallDll().c_str(), dll.c_str(), FALSE));
    ASSERT_TRUE(app.Start(folder.c_str()));

    HWND dialog = Open(app, IDC_BROWSE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), app.main);
    EXPECT_EQ(qt::Text(GetDlgItem(dialog, FileTypeCombo)), "Dll File (*.dll)");
    EXPECT_EQ(qt::Text(FileName(dialog)), "");
    ASSERT_TRUE(Answer(dialog, IDOK, dll));
    ASSERT_TRUE(qt::WaitFor([&] { return app.Path() == dll; })) << app.Path();

    // The menu item opens the same dialog, starting from the last choice
    // (the dialog shows its folder and its name apart); cancelling it leaves
    // the path box alone.
    app.SetPath("typed by hand");
    dialog = Open(app, IDM_OPEN);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Folder(dialog), "quorrin-browse");
    EXPECT_EQ(qt::Text(FileName(dialog)), "first.dll");
    ASSERT_TRUE(Answer(dialog, IDCANCEL));
    ASSERT_TRUE(app.Send(WM_NULL)); // the command has returned
    EXPECT_EQ(app.Path(), "typed by hand");
    EXPECT_TRUE(qt::MessageBoxes(app.process.id).empty());

    // The cancelled dialog kept the choice, too; Ctrl+O opens it as well.
    ASSERT_TRUE(PressCtrl(app.main, 'O'));
    dialog = Open(app, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Folder(dialog), "quorrin-browse");
    EXPECT_EQ(qt::Text(FileName(dialog)), "first.dll");
    ASSERT_TRUE(Answer(dialog, IDCANCEL));
}

TEST_F(Browse, TheCheckBoxMakesTheSystemFolderTheFirstDialogsFolder)
{
    std::string folder = qt::TempFolder("initial");
    std::string dll = folder + "\\here.dll";
    ASSERT_TRUE(CopyFileA(SmallDll().c_str(), dll.c_str(), FALSE));
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    // The platform remembers each program's last folder and falls back on
    // it for an empty initial folder: forget it, as on a first run.
    RegDeleteKeyA(HKEY_CURRENT_USER,
                  "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\LastVisitedMRU");
    {
        // Unticked: an empty initial folder, so the dialog shows the
        // program's current folder, where a bare name is found.
        Session unticked;
        ASSERT_TRUE(unticked.Start(folder.c_str()));
        HWND dialog = Open(unticked, IDC_BROWSE);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Folder(dialog), "quorrin-initial");
        ASSERT_TRUE(Answer(dialog, IDOK, "here.dll"));
        EXPECT_TRUE(qt::WaitFor([&] { return _stricmp(unticked.Path().c_str(), dll.c_str()) == 0; }))
            << unticked.Path();
        ASSERT_TRUE(unticked.Send(IDC_QUIT));
        EXPECT_EQ(unticked.Exit(), 0);
    }
    // Ticked, started in the same folder, which is now also the remembered
    // one: the system folder wins.
    ASSERT_TRUE(app.Start(folder.c_str()));
    SendMessageA(app.check, BM_CLICK, 0, 0);
    ASSERT_EQ(SendMessageA(app.check, BM_GETCHECK, 0, 0), BST_CHECKED);
    HWND dialog = Open(app, IDC_BROWSE);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Folder(dialog), "system32");
    ASSERT_TRUE(Answer(dialog, IDOK, "version.dll"));
    std::string expected = std::string(system) + "\\version.dll";
    EXPECT_TRUE(qt::WaitFor([&] { return _stricmp(app.Path().c_str(), expected.c_str()) == 0; }))
        << app.Path();
}

class Drops : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        folder = qt::TempFolder("drops");
    }
    // True when the run button has been told it has the focus (it draws
    // itself focused) although the keyboard focus is elsewhere.
    bool RunButtonShowsFocus()
    {
        return (SendMessageA(app.runButton, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
    }
    Session app;
    std::string folder;
};

TEST_F(Drops, AFolderIsRefusedWithItsBoxAndThePathBoxKeepsItsText)
{
    app.SetPath("kept");
    ASSERT_TRUE(app.Drop({folder, folder + "\\second.dll"}));
    ExpectBox(app.WaitBox(), "ファイルはドラッグ & ドロップできません", "D&D エラー");
    EXPECT_EQ(app.Path(), "kept");
    EXPECT_FALSE(RunButtonShowsFocus());
}

TEST_F(Drops, OnlyTheFirstOfThreeFilesLandsAndTheRunButtonIsToldItHasTheFocus)
{
    std::vector<std::string> names = {folder + "\\notes.txt", folder + "\\b.dll",
                                      folder + "\\c.dll"};
    for (const std::string &name : names)
        ASSERT_TRUE(qt::WriteFileBytes(name, "x"));
    app.SetPath("before");
    ASSERT_FALSE(RunButtonShowsFocus());
    ASSERT_TRUE(app.Drop(names));
    ASSERT_TRUE(qt::WaitFor([&] { return app.Path() == names[0]; })) << app.Path();
    EXPECT_TRUE(RunButtonShowsFocus());
    // The message went to the button; the keyboard focus did not move.
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(app.process.threadId, &info));
    EXPECT_EQ(info.hwndFocus, app.pathEdit);
    EXPECT_TRUE(qt::MessageBoxes(app.process.id).empty());

    // A dropped name that does not exist lands all the same; the run
    // command is the one that checks it.
    ASSERT_TRUE(app.Drop({folder + "\\gone.dll"}));
    EXPECT_TRUE(qt::WaitFor([&] { return app.Path() == folder + "\\gone.dll"; }));
}

} // namespace
