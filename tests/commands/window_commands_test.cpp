// The menu commands and their shortcuts through the real program: the four
// ways to quit, the help note, the about box and Explorer on the system
// folder, also when the shell cannot open it.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>

#include "res/ids.h"
#include "tests/commands/commands_support.h"

using namespace cmdtest;

namespace {

const char HelpText[] =
    "無いよ、だって作るのがかったるいんだもん。 \nまあ、気をつけて使用してください。";
const char HelpCaption[] = "ヘルプファイル";

TEST(Quit, TheButtonTheMenuItemTheCloseBoxAndCtrlEEndTheProgramWithExitCode0)
{
    for (int way = 0; way < 4; ++way) {
        SCOPED_TRACE(way);
        Session app;
        ASSERT_TRUE(app.Start());
        if (way == 0)
            app.Post(IDC_QUIT);
        else if (way == 1)
            app.Post(IDM_EXIT);
        else if (way == 2)
            PostMessageA(app.main, WM_SYSCOMMAND, SC_CLOSE, 0);
        else
            ASSERT_TRUE(PressCtrl(app.main, 'E'));
        EXPECT_EQ(app.Exit(), 0);
        EXPECT_TRUE(qt::MessageBoxes(app.process.id).empty());
    }
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Start()); }
    Session app;
};

TEST_F(Commands, HelpShowsItsNoteFromTheMenuAndFromCtrlH)
{
    for (bool shortcut : {false, true}) {
        SCOPED_TRACE(shortcut);
        if (shortcut)
            ASSERT_TRUE(PressCtrl(app.main, 'H'));
        else
            app.Post(IDM_HELP);
        HWND box = app.WaitBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), app.main);
        // MB_ICONINFORMATION: the box shows an icon.
        EXPECT_NE(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0), 0);
        ExpectBox(box, HelpText, HelpCaption);
    }
}

TEST_F(Commands, AboutShowsThePlatformsAboutBoxFromTheMenuAndFromCtrlA)
{
    for (bool shortcut : {false, true}) {
        SCOPED_TRACE(shortcut);
        if (shortcut)
            ASSERT_TRUE(PressCtrl(app.main, 'A'));
        else
            app.Post(IDM_ABOUT);
        HWND box = app.WaitBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(GetWindow(box, GW_OWNER), app.main);
        // Wine's about box shows the whole first text, the rights notice and
        // the program's icon.
        EXPECT_EQ(qt::Text(GetDlgItem(box, 100)), "Quorrin のバージョン情報# Quorrin for Windows95");
        EXPECT_EQ(qt::Text(GetDlgItem(box, 101)),
                  "Copyright (C) Quorrin developers. All rights reserved.");
        EXPECT_NE(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0), 0);
        EXPECT_TRUE(qt::AnswerMessageBox(box));
    }
}

TEST_F(Commands, TheSystemFolderOpensInExplorerFromTheMenuAndFromCtrlS)
{
    for (bool shortcut : {false, true}) {
        SCOPED_TRACE(shortcut);
        if (shortcut)
            ASSERT_TRUE(PressCtrl(app.main, 'S'));
        else
            app.Post(IDM_SYSFOLDER);
        HWND explorer = app.WaitChildWindow("ExplorerWClass", "system32");
        ASSERT_NE(explorer, nullptr);
        EXPECT_TRUE(qt::MessageBoxes(app.process.id).empty());
        PostMessageA(explorer, WM_CLOSE, 0, 0);
        ASSERT_TRUE(qt::WaitFor([&] { return !IsWindow(explorer); }));
    }
}

// Replaces the program's SystemDirectory with text: the one run of 260
// bytes in its image that holds the system folder and zeros.
bool ReplaceSystemDirectory(Session &app, const std::string &text)
{
    HMODULE module = nullptr;
    DWORD needed = 0;
    MODULEINFO info = {};
    if (!EnumProcessModules(app.process.handle, &module, sizeof module, &needed) ||
        !GetModuleInformation(app.process.handle, module, &info, sizeof info))
        return false;
    std::string image(info.SizeOfImage, '\0');
    for (size_t page = 0; page < image.size(); page += 4096)
        ReadProcessMemory(app.process.handle, (char *)info.lpBaseOfDll + page, &image[page],
                          std::min<size_t>(4096, image.size() - page), nullptr);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    std::string pattern(system, sizeof system);
    size_t at = image.find(pattern);
    if (at == std::string::npos || image.find(pattern, at + 1) != std::string::npos)
        return false;
    std::string replacement(MAX_PATH, '\0');
    replacement.replace(0, text.size(), text);
    return WriteProcessMemory(app.process.handle, (char *)info.lpBaseOfDll + at,
                              replacement.data(), MAX_PATH, nullptr) != 0;
}

TEST_F(Commands, WhenTheShellCannotOpenTheSystemFolderItsErrorBoxShows)
{
    // A system folder that does not exist: ShellExecuteA fails for real.
    // The window shows before start-up has filled the buffer.
    ASSERT_TRUE(qt::WaitFor([&] { return ReplaceSystemDirectory(app, "C:\\quorrin-no-such-folder"); },
                            5000));
    app.Post(IDM_SYSFOLDER);
    HWND box = app.WaitBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), app.main);
    EXPECT_NE(SendDlgItemMessageA(box, 0x440, STM_GETICON, 0, 0), 0);
    ExpectBox(box, "システムディレクトリオープンエラー", "ファイル - エラー");
    EXPECT_TRUE(app.Children().empty());
}

} // namespace
