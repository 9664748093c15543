// The running program: its main window, the six controls and their fonts,
// dragging by the client area, the command line, and every way of closing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        ASSERT_TRUE(quorrin.Start());
    }
    App quorrin;
};

TEST_F(MainWindowTest, HasItsClassTitleStyleAndOuterSize)
{
    EXPECT_EQ(ClassName(quorrin.main), "Quorrin");
    EXPECT_EQ(Text(quorrin.main), "Quorrin Tools");
    // Title bar, system menu, minimise box; no sizing border, no maximise.
    EXPECT_EQ(GetWindowLongA(quorrin.main, GWL_STYLE) &
                  (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME |
                   WS_POPUP | WS_CHILD),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(GetWindowLongA(quorrin.main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    RECT rect = {};
    GetWindowRect(quorrin.main, &rect);
    EXPECT_EQ(rect.right - rect.left, 392);
    EXPECT_EQ(rect.bottom - rect.top, 110);
    EXPECT_NE(GetMenu(quorrin.main), nullptr) << "the class menu is attached";
}

TEST_F(MainWindowTest, HasSixControlsWithTheirClassesTextsStylesPlacesAndIds)
{
    const LONG child = WS_CHILD | WS_VISIBLE;
    const struct {
        const char *className, *text;
        LONG exStyle, style;
        int x, y, width, height, id;
    } expected[] = {
        {"Edit", "", WS_EX_CLIENTEDGE, child | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
         70, 2, 290, 19, IDC_PATH},
        {"Button", "...", 0, child | BS_PUSHBUTTON, 362, 2, 20, 19, IDC_BROWSE},
        {"Button", "実  行", 0, child | BS_PUSHBUTTON, 260, 32, 60, 24, IDC_RUN},
        {"Button", "終  了", 0, child | BS_PUSHBUTTON, 320, 32, 60, 24, IDC_QUIT},
        {"Button", "Systemフォルダを初期フォルダとする", 0, child | BS_AUTOCHECKBOX, 10, 28, 212,
         24, 0},
        {"Static", "対象ﾌｧｲﾙ ：", 0, child | SS_LEFT, 4, 4, 64, 20, 0},
    };
    // Creation order is z-order: the path box must be the first child.
    HWND control = GetWindow(quorrin.main, GW_CHILD);
    for (const auto &want : expected) {
        SCOPED_TRACE(std::string(want.className) + " \"" + want.text + "\"");
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassName(control).c_str(), want.className);
        EXPECT_EQ(Text(control), want.text);
        EXPECT_EQ(GetWindowLongA(control, GWL_EXSTYLE), want.exStyle);
        EXPECT_EQ(GetWindowLongA(control, GWL_STYLE), want.style);
        RECT rect = ClientRectOf(control);
        EXPECT_EQ(rect.left, want.x);
        EXPECT_EQ(rect.top, want.y);
        EXPECT_EQ(rect.right - rect.left, want.width);
        EXPECT_EQ(rect.bottom - rect.top, want.height);
        EXPECT_EQ(GetDlgCtrlID(control), want.id);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "more than six controls";
    EXPECT_TRUE(WaitFocus(quorrin.process.threadId, GetWindow(quorrin.main, GW_CHILD)))
        << "the path box has the focus";
}

// The font arguments as the probe build records them, and that each control
// is given the font made for it (WM_SETFONT with redraw).
TEST(ControlFonts, EachControlHasItsOwnTwelveUnitDefaultCharsetGothicFont)
{
    ASSERT_TRUE(NoMainWindow());
    ProbeLog log("fonts");
    App probe;
    ASSERT_TRUE(probe.Start(ProbeExe()));
    std::vector<std::string> fonts = log.Lines({"font "}), setFonts = log.Lines({"setfont "});
    ASSERT_EQ(fonts.size(), 6u);
    ASSERT_EQ(setFonts.size(), 6u);
    HWND child = GetWindow(probe.main, GW_CHILD);
    for (int i = 0; i < 6; ++i, child = GetWindow(child, GW_HWNDNEXT)) {
        SCOPED_TRACE("control " + std::to_string(i + 1));
        int index = 0, used = 0;
        char handle[32] = {};
        ASSERT_EQ(sscanf(fonts[i].c_str(), "font %d %31s %n", &index, handle, &used), 2);
        EXPECT_EQ(index, i + 1);
        // height, width, escapement, orientation, weight, italic, underline,
        // strike-out, character set 1, precisions, quality, pitch; face bytes.
        EXPECT_EQ(fonts[i].substr(used), "12 0 0 0 0 0 0 0 1 0 0 0 0 ＭＳ Ｐゴシック");
        char expected[80] = {};
        snprintf(expected, sizeof expected, "setfont %p %s 1", (void *)child, handle);
        EXPECT_EQ(setFonts[i], expected) << "the control is given its font";
    }
}

POINT WindowOrigin(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

bool WaitOrigin(HWND window, POINT want)
{
    return WaitFor([&] {
        POINT now = WindowOrigin(window);
        return now.x == want.x && now.y == want.y;
    }, 5000);
}

HWND CaptureOf(HWND main)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    return info.hwndCapture;
}

// Presses the left button on a client spot that no control covers (between
// the check box and the run button), drags by (dx, dy) in two steps and
// releases. A plain drag waits for the window's move loop at each step; a
// modified one (down/up surround it) starts no loop and is not waited for.
void Drag(HWND main, int dx, int dy, const std::function<void()> &down,
          const std::function<void()> &up, bool plain)
{
    POINT from = {240, 40};
    ClientToScreen(main, &from);
    POINT origin = WindowOrigin(main);
    MoveMouse(from.x, from.y);
    down();
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    if (plain) {
        EXPECT_TRUE(WaitFor([&] { return CaptureOf(main) == main; }, 5000));
    }
    for (int step = 1; step <= 2; ++step) {
        MoveMouse(from.x + dx * step / 2, from.y + dy * step / 2);
        if (plain)
            WaitOrigin(main, {origin.x + dx * step / 2, origin.y + dy * step / 2});
    }
    MouseButton(MOUSEEVENTF_LEFTUP);
    up();
    if (plain) {
        EXPECT_TRUE(WaitFor([&] { return CaptureOf(main) == nullptr; }, 5000));
    }
}

TEST_F(MainWindowTest, PlainLeftDragOnFreeClientAreaMovesTheWindowAndModifiedOnesDoNot)
{
    ASSERT_TRUE(MakeForeground(quorrin.main));
    HWND check = quorrin.check;
    ASSERT_EQ(GetWindowLongA(check, GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
    POINT start = WindowOrigin(quorrin.main);
    Drag(quorrin.main, 40, 30, [] {}, [] {}, true);
    ASSERT_TRUE(WaitOrigin(quorrin.main, {start.x + 40, start.y + 30}))
        << "a plain drag moves the window with the pointer: from " << start.x << "," << start.y
        << " to " << WindowOrigin(quorrin.main).x << "," << WindowOrigin(quorrin.main).y;

    // With Shift, Ctrl or the right button also down nothing may happen. The
    // flags go in the press itself: Wine may take a SendInput modifier back
    // from X at the press. The real left button is held in the path box, so
    // a wrongly started move loop would take the capture from the box.
    const struct {
        const char *name;
        WPARAM keys;
    } modified[] = {{"Shift", MK_LBUTTON | MK_SHIFT},
                    {"Ctrl", MK_LBUTTON | MK_CONTROL},
                    {"right button", MK_LBUTTON | MK_RBUTTON}};
    for (const auto &variant : modified) {
        SCOPED_TRACE(variant.name);
        POINT before = WindowOrigin(quorrin.main);
        POINT inBox = {20, 5};
        ClientToScreen(quorrin.pathEdit, &inBox);
        MoveMouse(inBox.x, inBox.y);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        ASSERT_TRUE(WaitFor([&] { return CaptureOf(quorrin.main) == quorrin.pathEdit; }, 5000));
        PostMessageA(quorrin.main, WM_LBUTTONDOWN, variant.keys, MAKELPARAM(240, 40));
        // A posted change of the check box is the marker: once the box has
        // changed, the press before it has been handled too.
        LRESULT checked = SendMessageA(check, BM_GETCHECK, 0, 0);
        PostMessageA(check, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
        ASSERT_TRUE(WaitFor([&] { return SendMessageA(check, BM_GETCHECK, 0, 0) != checked; },
                            5000));
        EXPECT_EQ(quorrin.pathEdit, CaptureOf(quorrin.main)) << "a move loop took the capture";
        MoveMouse(inBox.x + 50, inBox.y + 20);
        MouseButton(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(WaitFor([&] { return CaptureOf(quorrin.main) == nullptr; }, 5000));
        POINT after = WindowOrigin(quorrin.main);
        EXPECT_EQ(after.x, before.x);
        EXPECT_EQ(after.y, before.y);
    }
}

TEST(OwnStart, CommandLineDllLandsInThePathBoxInLongForm)
{
    ASSERT_TRUE(NoMainWindow());
    App quorrin;
    std::string dll = WineDll("kernel32.dll");
    ASSERT_TRUE(quorrin.Start(QuorrinExe(), dll));
    std::string longForm = LongForm(dll);
    ASSERT_FALSE(longForm.empty());
    EXPECT_TRUE(WaitFor([&] { return Text(GetWindow(quorrin.main, GW_CHILD)) == longForm; },
                        5000))
        << Text(GetWindow(quorrin.main, GW_CHILD));
}

// Each way of closing ends the process with exit code 0, without a question.
TEST(Closing, EveryWayEndsTheProcessWithExitCodeZero)
{
    auto post = [](UINT message, WPARAM wParam) {
        return [=](HWND main) { PostMessageA(main, message, wParam, 0); };
    };
    auto keys = [](std::vector<WORD> modifiers, WORD key) {
        return [=](HWND main) {
            ASSERT_TRUE(MakeForeground(main));
            PressKeys(modifiers, key);
        };
    };
    const struct {
        const char *name;
        std::function<void(HWND main)> close;
    } ways[] = {
        {"WM_CLOSE", post(WM_CLOSE, 0)},
        {"close box / system menu", post(WM_SYSCOMMAND, SC_CLOSE)},
        {"Alt+F4", keys({VK_MENU}, VK_F4)},
        {"menu item 終了", post(WM_COMMAND, IDM_EXIT)},
        {"quit button command", post(WM_COMMAND, IDC_QUIT)},
        {"Ctrl+E", keys({VK_CONTROL}, 'E')},
        {"quit button click", [](HWND main) {
             ASSERT_TRUE(MakeForeground(main));
             Click(GetDlgItem(main, IDC_QUIT));
         }},
    };
    for (const auto &way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_TRUE(NoMainWindow());
        App quorrin;
        ASSERT_TRUE(quorrin.Start());
        way.close(quorrin.main);
        EXPECT_EQ(quorrin.Exit(), 0);
        EXPECT_TRUE(MessageBoxes(quorrin.process.id).empty());
    }
}

} // namespace
