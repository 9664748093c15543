// The menu commands and their shortcuts through the real program: the help
// note, the about box and Explorer on the system folder, also when the shell
// cannot open it. The ways to quit are in tests/shell/window_test.cpp.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <functional>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

namespace {

class Commands : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(app.Start()); }

    // Gives the command from the menu, then by its shortcut; check sees to
    // what it opened each time.
    void FromMenuAndShortcut(int id, WORD key, const std::function<void()> &check)
    {
        for (bool shortcut : {false, true}) {
            SCOPED_TRACE(shortcut ? "shortcut" : "menu");
            if (shortcut)
                ASSERT_TRUE(PressCtrl(app.main, key));
            else
                app.Post(id);
            check();
        }
    }
    App app;
};

TEST_F(Commands, HelpShowsItsNoteFromTheMenuAndFromCtrlH)
{
    FromMenuAndShortcut(IDM_HELP, 'H', [&] {
        Box box = ExpectBox(app.WaitBox(),
                            "無いよ、だって作るのがかったるいんだもん。 \n"
                            "まあ、気をつけて使用してください。",
                            "ヘルプファイル");
        EXPECT_EQ(box.owner, app.main);
        EXPECT_NE(box.icon, nullptr) << "MB_ICONINFORMATION shows an icon";
    });
}

TEST_F(Commands, AboutShowsThePlatformsAboutBoxFromTheMenuAndFromCtrlA)
{
    FromMenuAndShortcut(IDM_ABOUT, 'A', [&] {
        HWND box = app.WaitBox();
        ASSERT_NE(box, nullptr);
        Box seen = ReadBox(box);
        EXPECT_EQ(seen.owner, app.main);
        // Wine's about box shows the whole first text, the rights notice and
        // the program's icon.
        EXPECT_EQ(Text(GetDlgItem(box, 100)), "Quorrin のバージョン情報# Quorrin for Windows95");
        EXPECT_EQ(Text(GetDlgItem(box, 101)),
                  "Copyright (C) Quorrin developers. All rights reserved.");
        EXPECT_NE(seen.icon, nullptr);
        EXPECT_TRUE(AnswerMessageBox(box));
    });
}

TEST_F(Commands, TheSystemFolderOpensInExplorerFromTheMenuAndFromCtrlS)
{
    FromMenuAndShortcut(IDM_SYSFOLDER, 'S', [&] {
        HWND explorer = app.WaitChildWindow("ExplorerWClass", "system32");
        ASSERT_NE(explorer, nullptr);
        EXPECT_TRUE(MessageBoxes(app.process.id).empty());
        PostMessageA(explorer, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(explorer); }));
    });
}

// Replaces the program's SystemDirectory with text: the one run of 260
// bytes in its image that holds the system folder and zeros.
bool ReplaceSystemDirectory(App &app, const std::string &text)
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
    ASSERT_TRUE(WaitFor([&] { return ReplaceSystemDirectory(app, "C:\\quorrin-no-such-folder"); },
                        5000));
    app.Post(IDM_SYSFOLDER);
    Box box = ExpectBox(app.WaitBox(), "システムディレクトリオープンエラー", "ファイル - エラー");
    EXPECT_EQ(box.owner, app.main);
    EXPECT_NE(box.icon, nullptr);
    EXPECT_TRUE(app.Children().empty());
}

} // namespace
