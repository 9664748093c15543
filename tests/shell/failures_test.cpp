// Start-up failures: a control or a font that cannot be created (probe
// build), and a program without its accelerator table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>

#include "tests/support/support.h"

using namespace qt;

namespace {

// Checks the next box while it is the only one and the main window has never
// been shown, then answers it.
void ExpectStartupBox(DWORD processId, const std::string &text, const std::string &caption)
{
    HWND box = WaitMessageBox(processId);
    ASSERT_NE(box, nullptr) << "no box";
    EXPECT_EQ(MessageBoxes(processId).size(), 1u) << "one box at a time";
    HWND main = FindMain();
    EXPECT_TRUE(!main || !IsWindowVisible(main));
    ExpectBox(box, text, caption);
}

// Runs the probe with the failing call ("control N" or "font N") and checks
// the two boxes, exit code 0 and the teardown: the created controls in the
// order Browse, Run, Quit, check box, label, path box, each destroyed before
// its font is deleted.
void ExpectFailure(const std::string &failure, int failingIndex, bool fontFails,
                   const std::string &firstText)
{
    SCOPED_TRACE(failure);
    ASSERT_TRUE(NoMainWindow());
    ProbeLog log("failure-" + failure.substr(0, 1) + std::to_string(failingIndex));
    SetEnvironmentVariableA("QUORRIN_PROBE_FAIL", failure.c_str());
    App probe;
    probe.Start(ProbeExe(), "", nullptr, false);
    SetEnvironmentVariableA("QUORRIN_PROBE_FAIL", nullptr);
    ExpectStartupBox(probe.process.id, firstText, "ありゃりゃ");
    ExpectStartupBox(probe.process.id,
                     "コントロールを作成できませんでした。アプリケーションを終了します。",
                     "起動エラー");
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
        if (index < failingIndex || (fontFails && index == failingIndex))
            expected.push_back("destroy " + controls[index]);
        if (index < failingIndex)
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
    for (int index = 1; index <= 6; ++index)
        ExpectFailure("control " + std::to_string(index), index, false, texts[index - 1]);
}

TEST(StartupFailures, AFontThatCannotBeCreatedKeepsItsControlAndStopsTheRest)
{
    for (int index : {1, 3, 6})
        ExpectFailure("font " + std::to_string(index), index, true, "フォント作成失敗");
}

// A copy of Quorrin.exe whose accelerator table cannot be found by its name:
// one letter of the name in the resource directory (UTF-16) is changed.
std::string CopyWithoutAccelerators()
{
    std::ifstream in(QuorrinExe(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string name;
    for (char c : std::string("QUORRIN_ACCELERATOR"))
        name += std::string{c, '\0'};
    size_t at = bytes.find(name);
    if (bytes.empty() || at == std::string::npos || bytes.find(name, at + 1) != std::string::npos)
        return std::string();
    bytes[at + name.size() - 2] = 'X';
    std::string copy = TempFolder("noaccel") + "\\Quorrin.exe";
    return WriteFileBytes(copy, bytes) ? copy : std::string();
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

    App quorrin;
    quorrin.Start(copy, "", nullptr, false);
    HWND box = WaitMessageBox(quorrin.process.id);
    HWND main = FindMain();
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ExpectBox(box, "アクセラレータロードエラー", "起動 - エラー").owner, main);

    // Ctrl+E would end the program; without the table it is plain typing.
    // The X typed after it marks when both have been handled.
    ASSERT_TRUE(MakeForeground(main));
    HWND pathEdit = GetWindow(main, GW_CHILD);
    Click(pathEdit, 20);
    ASSERT_TRUE(WaitFocus(quorrin.process.threadId, pathEdit));
    PressKeys({VK_CONTROL}, 'E');
    PressKeys({VK_SHIFT}, 'X');
    EXPECT_TRUE(WaitFor([&] { return Text(pathEdit) == "X"; }, 5000)) << Text(pathEdit);
    EXPECT_NE(WaitForSingleObject(quorrin.process.handle, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(MessageBoxes(quorrin.process.id).empty()) << "only one warning";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(quorrin.Exit(), 0);
}

} // namespace
