// Start-up failures: a control or a font that cannot be created (probe
// build), and a program without its accelerator table.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "tests/shell/shell_support.h"

using namespace shelltest;

namespace {

const char Oops[] = "ありゃりゃ";
const char ControlsFailed[] = "コントロールを作成できませんでした。アプリケーションを終了します。";
const char StartupError[] = "起動エラー";

// Answers the next message box of the process after checking its text and
// caption byte for byte.
void ExpectBox(DWORD processId, const std::string &text, const std::string &caption)
{
    HWND box = qt::WaitMessageBox(processId);
    ASSERT_NE(box, nullptr) << "no box with " << text;
    EXPECT_EQ(qt::MessageBoxText(box), text);
    EXPECT_EQ(qt::Caption(box), caption);
    EXPECT_EQ(qt::MessageBoxes(processId).size(), 1u) << "one box at a time";
    // The main window has never been shown.
    HWND main = FindMain();
    EXPECT_TRUE(!main || !IsWindowVisible(main));
    ASSERT_TRUE(qt::AnswerMessageBox(box));
}

// Runs the probe with one failure and checks the two boxes, exit code 0 and
// the teardown: the created controls in the order Browse, Run, Quit, check
// box, label, path box, each destroyed before its font is deleted.
void ExpectFailure(const char *failure, int failingIndex, bool fontFails,
                   const std::string &firstText)
{
    ASSERT_TRUE(NoMainWindow());
    ProbeLog log(std::string("failure-") + failure[0] + std::to_string(failingIndex));
    SetProbeFailure(failure);
    Instance probe;
    Start(probe, ProbeExe(), "", nullptr, false);
    SetProbeFailure(nullptr);
    ExpectBox(probe.process.id, firstText, Oops);
    ExpectBox(probe.process.id, ControlsFailed, StartupError);
    EXPECT_EQ(probe.Exit(), 0);

    std::map<int, std::string> controls, fonts;
    std::vector<std::string> teardown;
    for (const std::string &line : log.Lines()) {
        int index = 0;
        char handle[32] = {};
        if (sscanf(line.c_str(), "control %d %31s", &index, handle) == 2)
            controls[index] = handle;
        else if (sscanf(line.c_str(), "font %d %31s", &index, handle) == 2)
            fonts[index] = handle;
        else if (line.compare(0, 8, "setfont ") != 0)
            teardown.push_back(line);
    }
    // Creation stopped at the failing call.
    EXPECT_EQ(controls.size(), (size_t)failingIndex);
    EXPECT_EQ(fonts.size(), (size_t)(fontFails ? failingIndex : failingIndex - 1));

    std::vector<std::string> expected;
    for (int index : {2, 3, 4, 5, 6, 1}) {
        bool controlMade = index < failingIndex || (fontFails && index == failingIndex);
        bool fontMade = index < failingIndex;
        if (controlMade)
            expected.push_back("destroy " + controls[index]);
        if (fontMade)
            expected.push_back("delete " + fonts[index]);
    }
    EXPECT_EQ(teardown, expected);
}

TEST(StartupFailures, AControlThatCannotBeCreatedShowsItsBoxThenTheStartupErrorAndEnds)
{
    const char *texts[] = {"エディットボックス作成失敗",
                           "コマンドボタンコントロール１作成失敗",
                           "コマンドボタンコントロール２作成失敗",
                           "コマンドボタンコントロール３作成失敗",
                           "チェックボタンコントロール１作成失敗",
                           "エディットボックス作成失敗"};
    for (int index = 1; index <= 6; ++index) {
        SCOPED_TRACE("control " + std::to_string(index));
        std::string failure = "control " + std::to_string(index);
        ExpectFailure(failure.c_str(), index, false, texts[index - 1]);
    }
}

TEST(StartupFailures, AFontThatCannotBeCreatedKeepsItsControlAndStopsTheRest)
{
    for (int index : {1, 3, 6}) {
        SCOPED_TRACE("font " + std::to_string(index));
        std::string failure = "font " + std::to_string(index);
        ExpectFailure(failure.c_str(), index, true, "フォント作成失敗");
    }
}

// A copy of Quorrin.exe whose accelerator table cannot be found by its name:
// one letter of the name in the resource directory (UTF-16) is changed.
std::string CopyWithoutAccelerators()
{
    std::string folder = qt::TempFolder("noaccel");
    std::string copy = folder + "\\Quorrin.exe";
    std::string bytes;
    FILE *in = fopen(QuorrinExe().c_str(), "rb");
    if (!in)
        return std::string();
    char buffer[65536];
    for (size_t got; (got = fread(buffer, 1, sizeof buffer, in)) > 0;)
        bytes.append(buffer, got);
    fclose(in);
    std::string name;
    for (char c : std::string("QUORRIN_ACCELERATOR"))
        name += std::string{c, '\0'};
    size_t at = bytes.find(name);
    if (at == std::string::npos || bytes.find(name, at + 1) != std::string::npos)
        return std::string();
    bytes[at + name.size() - 2] = 'X';
    return qt::WriteFileBytes(copy, bytes) ? copy : std::string();
}

TEST(StartupFailures, WithoutTheAcceleratorTableOneWarningThenItRunsWithoutShortcuts)
{
    ASSERT_TRUE(NoMainWindow());
    std::string copy = CopyWithoutAccelerators();
    ASSERT_FALSE(copy.empty());
    HMODULE module = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(FindResourceA(module, "QUORRIN_ACCELERATOR", RT_ACCELERATOR), nullptr);
    EXPECT_NE(FindResourceA(module, "QUORRIN_MENU", RT_MENU), nullptr);
    FreeLibrary(module);

    Instance quorrin;
    Start(quorrin, copy, "", nullptr, false);
    HWND box = qt::WaitMessageBox(quorrin.process.id);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(qt::MessageBoxText(box), "アクセラレータロードエラー");
    EXPECT_EQ(qt::Caption(box), "起動 - エラー");
    HWND main = FindMain();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), main);
    ASSERT_TRUE(qt::AnswerMessageBox(box));

    // Ctrl+E would end the program; without the table it is plain typing.
    // The X typed after it marks when both have been handled.
    ASSERT_TRUE(MakeForeground(main));
    HWND pathEdit = GetWindow(main, GW_CHILD);
    RECT rect = {};
    GetWindowRect(pathEdit, &rect);
    MoveMouse(rect.left + 20, (rect.top + rect.bottom) / 2);
    MouseButton(MOUSEEVENTF_LEFTDOWN);
    MouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitFocus(quorrin.process.threadId, pathEdit));
    PressKeys({VK_CONTROL}, 'E');
    PressKeys({VK_SHIFT}, 'X');
    EXPECT_TRUE(qt::WaitFor([&] { return qt::Text(pathEdit) == "X"; }, 5000))
        << qt::Text(pathEdit);
    EXPECT_NE(WaitForSingleObject(quorrin.process.handle, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(qt::MessageBoxes(quorrin.process.id).empty()) << "only one warning";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(quorrin.Exit(), 0);
}

} // namespace
