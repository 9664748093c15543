// The running program: its main window, the six controls and their fonts,
// dragging by the client area, and every way of closing it.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

#include "res/ids.h"
#include "tests/shell/shell_support.h"

using namespace shelltest;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        Start(quorrin, QuorrinExe(), "");
        ASSERT_NE(quorrin.main, nullptr);
    }
    Instance quorrin;
};

TEST_F(MainWindowTest, HasItsClassTitleStyleAndOuterSize)
{
    EXPECT_EQ(qt::ClassName(quorrin.main), "Quorrin");
    EXPECT_EQ(qt::Text(quorrin.main), "Quorrin Tools");
    LONG style = GetWindowLongA(quorrin.main, GWL_STYLE);
    // Title bar, system menu, minimise box; no sizing border, no maximise.
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                       WS_THICKFRAME | WS_POPUP | WS_CHILD),
              WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(GetWindowLongA(quorrin.main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    RECT rect = {};
    GetWindowRect(quorrin.main, &rect);
    EXPECT_EQ(rect.right - rect.left, 392);
    EXPECT_EQ(rect.bottom - rect.top, 110);
    EXPECT_NE(GetMenu(quorrin.main), nullptr) << "the class menu is attached";
}

struct ExpectedControl {
    const char *className;
    const char *text;
    LONG exStyle, style;
    int x, y, width, height, id;
};

TEST_F(MainWindowTest, HasSixControlsWithTheirClassesTextsStylesPlacesAndIds)
{
    const ExpectedControl expected[] = {
        {"Edit", "", WS_EX_CLIENTEDGE,
         WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN, 70, 2, 290, 19,
         IDC_PATH},
        {"Button", "...", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 362, 2, 20, 19, IDC_BROWSE},
        {"Button", "実  行", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 260, 32, 60, 24, IDC_RUN},
        {"Button", "終  了", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 320, 32, 60, 24, IDC_QUIT},
        {"Button", "Systemフォルダを初期フォルダとする", 0,
         WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 10, 28, 212, 24, 0},
        {"Static", "対象ﾌｧｲﾙ ：", 0, WS_CHILD | WS_VISIBLE | SS_LEFT, 4, 4, 64, 20, 0},
    };
    // Creation order is z-order: the path box must be the first child.
    HWND child = GetWindow(quorrin.main, GW_CHILD);
    for (const ExpectedControl &want : expected) {
        SCOPED_TRACE(want.text);
        ASSERT_NE(child, nullptr);
        EXPECT_STRCASEEQ(qt::ClassName(child).c_str(), want.className);
        EXPECT_EQ(qt::Text(child), want.text);
        EXPECT_EQ(GetWindowLongA(child, GWL_EXSTYLE), want.exStyle);
        EXPECT_EQ(GetWindowLongA(child, GWL_STYLE), want.style);
        RECT rect = ClientRectOf(child);
        EXPECT_EQ(rect.left, want.x);
        EXPECT_EQ(rect.top, want.y);
        EXPECT_EQ(rect.right - rect.left, want.width);
        EXPECT_EQ(rect.bottom - rect.top, want.height);
        EXPECT_EQ(GetDlgCtrlID(child), want.id);
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr) << "more than six controls";

    HWND pathEdit = GetWindow(quorrin.main, GW_CHILD);
    EXPECT_TRUE(WaitFocus(quorrin.process.threadId, pathEdit)) << "the path box has the focus";
}

// The font arguments, as the probe build records them, and that each control
// is given the font made for it (WM_SETFONT with redraw).
TEST(ControlFonts, EachControlHasItsOwnTwelveUnitDefaultCharsetGothicFont)
{
    ASSERT_TRUE(NoMainWindow());
    ProbeLog log("fonts");
    Instance probe;
    Start(probe, ProbeExe(), "");
    ASSERT_NE(probe.main, nullptr);
    std::vector<std::string> fonts, setFonts;
    for (const std::string &line : log.Lines()) {
        if (line.compare(0, 5, "font ") == 0)
            fonts.push_back(line);
        if (line.compare(0, 8, "setfont ") == 0)
            setFonts.push_back(line);
    }
    ASSERT_EQ(fonts.size(), 6u);
    ASSERT_EQ(setFonts.size(), 6u);
    HWND child = GetWindow(probe.main, GW_CHILD);
    for (int i = 0; i < 6; ++i, child = GetWindow(child, GW_HWNDNEXT)) {
        int index = 0;
        char handle[32] = {};
        int used = 0;
        ASSERT_EQ(sscanf(fonts[i].c_str(), "font %d %31s %n", &index, handle, &used), 2);
        EXPECT_EQ(index, i + 1);
        // height, width, escapement, orientation, weight, italic, underline,
        // strike-out, character set 1, precisions, quality, pitch; face bytes.
        EXPECT_EQ(fonts[i].substr(used), "12 0 0 0 0 0 0 0 1 0 0 0 0 ＭＳ Ｐゴシック");
        char expected[80] = {};
        snprintf(expected, sizeof expected, "setfont %p %s 1", (void *)child, handle);
        EXPECT_EQ(setFonts[i], expected) << "control " << i + 1 << " is given its font";
    }
}

// Screen point of a client-area spot that no control covers (between the
// check box and the run button).
POINT FreeClientSpot(HWND main)
{
    POINT spot = {240, 40};
    ClientToScreen(main, &spot);
    return spot;
}

POINT WindowOrigin(HWND window)
{
    RECT rect = {};
    GetWindowRect(window, &rect);
    return {rect.left, rect.top};
}

HWND CaptureOf(HWND main)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info);
    return info.hwndCapture;
}

// Presses the left button at the free spot, drags by (dx, dy) and releases.
// A plain drag waits for the window's move loop at each step, so the steps
// are not merged; a modified one (extraDown/extraUp surround it: a modifier
// key or another button) starts no loop and is not waited for.
void Drag(HWND main, int dx, int dy, const std::function<void()> &extraDown,
          const std::function<void()> &extraUp, bool plain)
{
    POINT from = FreeClientSpot(main);
    POINT origin = WindowOrigin(main);
    MoveMouse(from.x, from.y);
    extraDown();
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    if (plain)
        EXPECT_TRUE(qt::WaitFor([&] { return CaptureOf(main) == main; }, 5000));
    for (int step = 1; step <= 2; ++step) {
        MoveMouse(from.x + dx * step / 2, from.y + dy * step / 2);
        if (plain)
            qt::WaitFor([&] {
                POINT now = WindowOrigin(main);
                return now.x == origin.x + dx * step / 2 && now.y == origin.y + dy * step / 2;
            }, 5000);
    }
    MouseButton(MOUSEEVENTF_LEFTUP);
    extraUp();
    if (plain)
        EXPECT_TRUE(qt::WaitFor([&] { return CaptureOf(main) == nullptr; }, 5000));
}

TEST_F(MainWindowTest, PlainLeftDragOnFreeClientAreaMovesTheWindowAndModifiedOnesDoNot)
{
    ASSERT_TRUE(MakeForeground(quorrin.main));
    auto nothing = [] {};
    auto keyDown = [](WORD vk) {
        return [vk] { INPUT in = {}; in.type = INPUT_KEYBOARD; in.ki.wVk = vk;
                      SendInput(1, &in, sizeof in); };
    };
    auto keyUp = [](WORD vk) {
        return [vk] { INPUT in = {}; in.type = INPUT_KEYBOARD; in.ki.wVk = vk;
                      in.ki.dwFlags = KEYEVENTF_KEYUP; SendInput(1, &in, sizeof in); };
    };
    auto button = [](DWORD flag) { return [flag] { MouseButton(flag); }; };

    HWND check = GetWindow(GetDlgItem(quorrin.main, IDC_QUIT), GW_HWNDNEXT);
    ASSERT_EQ(GetWindowLongA(check, GWL_STYLE) & 0xF, BS_AUTOCHECKBOX);
    POINT start = WindowOrigin(quorrin.main);
    Drag(quorrin.main, 40, 30, nothing, nothing, true);
    ASSERT_TRUE(qt::WaitFor([&] {
        POINT now = WindowOrigin(quorrin.main);
        return now.x == start.x + 40 && now.y == start.y + 30;
    }, 5000)) << "a plain drag moves the window with the pointer: from " << start.x << ","
               << start.y << " to " << WindowOrigin(quorrin.main).x << ","
               << WindowOrigin(quorrin.main).y;

    struct {
        const char *name;
        std::function<void()> down, up;
    } modified[] = {{"Shift", keyDown(VK_SHIFT), keyUp(VK_SHIFT)},
                    {"Ctrl", keyDown(VK_CONTROL), keyUp(VK_CONTROL)},
                    {"right button", button(MOUSEEVENTF_RIGHTDOWN), button(MOUSEEVENTF_RIGHTUP)}};
    for (auto &variant : modified) {
        SCOPED_TRACE(variant.name);
        POINT before = WindowOrigin(quorrin.main);
        Drag(quorrin.main, 50, 20, variant.down, variant.up, false);
        // A click on the check box afterwards is the marker: once it has
        // toggled the box, the drag before it has been handled too.
        LRESULT checked = SendMessageA(check, BM_GETCHECK, 0, 0);
        RECT box = {};
        GetWindowRect(check, &box);
        MoveMouse(box.left + 6, (box.top + box.bottom) / 2);
        MouseButton(MOUSEEVENTF_LEFTDOWN);
        MouseButton(MOUSEEVENTF_LEFTUP);
        ASSERT_TRUE(qt::WaitFor([&] {
            return SendMessageA(check, BM_GETCHECK, 0, 0) != checked;
        }, 5000));
        POINT after = WindowOrigin(quorrin.main);
        EXPECT_EQ(after.x, before.x);
        EXPECT_EQ(after.y, before.y);
    }
}

TEST(OwnStart, CommandLineDllLandsInThePathBoxInLongForm)
{
    ASSERT_TRUE(NoMainWindow());
    Instance quorrin;
    std::string dll = qt::HostPath("/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll");
    Start(quorrin, QuorrinExe(), dll);
    ASSERT_NE(quorrin.main, nullptr);
    char longForm[MAX_PATH] = {};
    ASSERT_NE(GetLongPathNameA(dll.c_str(), longForm, sizeof longForm), 0u);
    EXPECT_TRUE(qt::WaitFor([&] {
        return qt::Text(GetWindow(quorrin.main, GW_CHILD)) == longForm;
    }, 5000)) << qt::Text(GetWindow(quorrin.main, GW_CHILD));
}

// Each way of closing ends the process with exit code 0, without a question.
TEST(Closing, EveryWayEndsTheProcessWithExitCodeZero)
{
    struct {
        const char *name;
        std::function<void(HWND main)> close;
    } ways[] = {
        {"WM_CLOSE", [](HWND main) { PostMessageA(main, WM_CLOSE, 0, 0); }},
        {"close box / system menu",
         [](HWND main) { PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4", [](HWND main) {
             ASSERT_TRUE(MakeForeground(main));
             PressKeys({VK_MENU}, VK_F4);
         }},
        {"menu item 終了", [](HWND main) { PostMessageA(main, WM_COMMAND, IDM_EXIT, 0); }},
        {"Ctrl+E", [](HWND main) {
             ASSERT_TRUE(MakeForeground(main));
             PressKeys({VK_CONTROL}, 'E');
         }},
        {"quit button", [](HWND main) {
             ASSERT_TRUE(MakeForeground(main));
             HWND quit = GetDlgItem(main, IDC_QUIT);
             RECT rect = {};
             GetWindowRect(quit, &rect);
             MoveMouse((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
             MouseButton(MOUSEEVENTF_LEFTDOWN);
             MouseButton(MOUSEEVENTF_LEFTUP);
         }},
    };
    for (auto &way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_TRUE(NoMainWindow());
        Instance quorrin;
        Start(quorrin, QuorrinExe(), "");
        ASSERT_NE(quorrin.main, nullptr);
        way.close(quorrin.main);
        EXPECT_EQ(quorrin.Exit(10000), 0);
    }
}

} // namespace
