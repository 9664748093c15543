// Shortcuts pressed as a user would, and the window procedure's dispatch,
// observed through the probe build's recording command handlers.
#include <gtest/gtest.h>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        ASSERT_TRUE(probe.Start(ProbeExe()));
    }
    std::vector<std::string> Commands() { return log.Lines({"menu ", "button ", "drop "}); }

    ProbeLog log{"dispatch"};
    App probe;
};

TEST_F(Dispatch, EachShortcutReachesTheMainWindowAsItsCommandWhicheverControlHasFocus)
{
    ASSERT_TRUE(MakeForeground(probe.main));
    const struct {
        WORD key;
        int id;
    } shortcuts[] = {{'O', IDM_OPEN}, {'S', IDM_SYSFOLDER}, {'E', IDM_EXIT}, {'H', IDM_HELP},
                     {'A', IDM_ABOUT}};
    // The path box has the focus from the start; then the check box, which
    // takes it when clicked.
    ASSERT_TRUE(WaitFocus(probe.process.threadId, probe.pathEdit));
    probe.SetPath("abc");
    SendMessageA(probe.pathEdit, EM_SETSEL, 3, 3);
    for (HWND focus : {probe.pathEdit, probe.check}) {
        if (focus == probe.check)
            Click(probe.check, 6);
        ASSERT_TRUE(WaitFocus(probe.process.threadId, focus));
        for (const auto &shortcut : shortcuts) {
            SCOPED_TRACE(std::to_string(shortcut.id));
            size_t before = Commands().size();
            PressKeys({VK_CONTROL}, shortcut.key);
            ASSERT_TRUE(WaitFor([&] { return Commands().size() == before + 1; }, 5000));
            EXPECT_EQ(Commands().back(), "menu " + std::to_string(shortcut.id) + " 1 1");
        }
    }
    EXPECT_EQ(Commands().size(), 10u);
    EXPECT_EQ(probe.Path(), "abc") << "Ctrl+H reached the box as a backspace";
}

TEST_F(Dispatch, CommandIdsGoToTheirHandlersAndOthersToNone)
{
    // Ids with no handler first; the run button's id last, as a marker that
    // everything before it has been dispatched.
    for (WPARAM wParam :
         {MAKEWPARAM(105, 0), MAKEWPARAM(199, 0), MAKEWPARAM(IDC_PATH, EN_CHANGE),
          MAKEWPARAM(0, BN_CLICKED), MAKEWPARAM(203, 0), MAKEWPARAM(99, 0),
          MAKEWPARAM(IDM_ABOUT, 1), MAKEWPARAM(IDM_OPEN, 0), MAKEWPARAM(IDC_BROWSE, BN_CLICKED),
          MAKEWPARAM(IDC_QUIT, 0), MAKEWPARAM(IDC_RUN, 0)})
        PostMessageA(probe.main, WM_COMMAND, wParam, 0);
    ASSERT_TRUE(WaitFor([&] { return !log.Lines({"button 201 1"}).empty(); }, 10000));
    EXPECT_EQ(Commands(), (std::vector<std::string>{"menu 104 1 1", "menu 100 1 1",
                                                    "button 200 1", "button 202 1",
                                                    "button 201 1"}));
    // A real click on a button arrives the same way.
    ASSERT_TRUE(MakeForeground(probe.main));
    Click(GetDlgItem(probe.main, IDC_BROWSE));
    EXPECT_TRUE(WaitFor([&] { return Commands().size() == 6; }, 5000));
    EXPECT_EQ(Commands().back(), "button 200 1");
}

} // namespace
