// Shortcuts pressed as a user would, and the window procedure's dispatch,
// observed through the probe build's recording command handlers.
#include <gtest/gtest.h>

#include "res/ids.h"
#include "tests/shell/shell_support.h"

using namespace shelltest;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        Start(probe, ProbeExe(), "");
        ASSERT_NE(probe.main, nullptr);
        pathEdit = GetWindow(probe.main, GW_CHILD);
    }

    // The recorded command lines, without the controls and fonts.
    std::vector<std::string> Commands()
    {
        std::vector<std::string> commands;
        for (const std::string &line : log.Lines())
            if (line.compare(0, 5, "menu ") == 0 || line.compare(0, 7, "button ") == 0 ||
                line.compare(0, 5, "drop ") == 0)
                commands.push_back(line);
        return commands;
    }

    ProbeLog log{"dispatch"};
    Instance probe;
    HWND pathEdit = nullptr;
};

TEST_F(Dispatch, EachShortcutReachesTheMainWindowAsItsCommandWhicheverControlHasFocus)
{
    ASSERT_TRUE(MakeForeground(probe.main));
    struct {
        WORD key;
        int id;
    } shortcuts[] = {{'O', IDM_OPEN}, {'S', IDM_SYSFOLDER}, {'E', IDM_EXIT}, {'H', IDM_HELP},
                     {'A', IDM_ABOUT}};
    // The path box has the focus from the start; then the check box, which
    // takes it when clicked.
    HWND check = GetWindow(pathEdit, GW_HWNDNEXT);
    for (int i = 0; i < 3; ++i)
        check = GetWindow(check, GW_HWNDNEXT);
    ASSERT_TRUE(WaitFocus(probe.process.threadId, pathEdit));
    SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM) "abc");
    SendMessageA(pathEdit, EM_SETSEL, 3, 3);
    for (HWND focus : {pathEdit, check}) {
        if (focus == check) {
            RECT rect = {};
            GetWindowRect(check, &rect);
            MoveMouse(rect.left + 6, (rect.top + rect.bottom) / 2);
            MouseButton(MOUSEEVENTF_LEFTDOWN);
            MouseButton(MOUSEEVENTF_LEFTUP);
        }
        ASSERT_TRUE(WaitFocus(probe.process.threadId, focus));
        for (auto &shortcut : shortcuts) {
            SCOPED_TRACE(std::to_string(shortcut.id));
            size_t before = Commands().size();
            PressKeys({VK_CONTROL}, shortcut.key);
            ASSERT_TRUE(qt::WaitFor([&] { return Commands().size() == before + 1; }, 5000));
            EXPECT_EQ(Commands().back(), "menu " + std::to_string(shortcut.id) + " 1 1");
        }
    }
    EXPECT_EQ(Commands().size(), 10u);
    // Ctrl+H never reached the box as a backspace.
    EXPECT_EQ(qt::Text(pathEdit), "abc");
}

TEST_F(Dispatch, CommandIdsGoToTheirHandlersAndOthersToNone)
{
    // Ids with no handler first; the run button's id last, as a marker that
    // everything before it has been dispatched.
    for (WPARAM wParam : {MAKEWPARAM(105, 0), MAKEWPARAM(199, 0), MAKEWPARAM(IDC_PATH, EN_CHANGE),
                          MAKEWPARAM(0, BN_CLICKED), MAKEWPARAM(203, 0), MAKEWPARAM(99, 0)})
        PostMessageA(probe.main, WM_COMMAND, wParam, 0);
    PostMessageA(probe.main, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 1), 0);
    PostMessageA(probe.main, WM_COMMAND, MAKEWPARAM(IDM_OPEN, 0), 0);
    PostMessageA(probe.main, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
    PostMessageA(probe.main, WM_COMMAND, MAKEWPARAM(IDC_QUIT, 0), 0);
    PostMessageA(probe.main, WM_COMMAND, MAKEWPARAM(IDC_RUN, 0), 0);
    ASSERT_TRUE(log.WaitLine("button 201 1"));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"menu 104 1 1", "menu 100 1 1",
                                                    "button 200 1", "button 202 1",
                                                    "button 201 1"}));
    // A real click on a button arrives the same way.
    ASSERT_TRUE(MakeForeground(probe.main));
    RECT rect = {};
    GetWindowRect(GetDlgItem(probe.main, IDC_BROWSE), &rect);
    MoveMouse((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    EXPECT_TRUE(qt::WaitFor([&] { return Commands().size() == 6; }, 5000));
    EXPECT_EQ(Commands().back(), "button 200 1");
}

} // namespace
