// Finding and starting the viewer, against a stand-in NotePad.exe
// (double_notepad.cpp) in a Wine prefix of its own: run only through
// double-run.sh, since the tests delete the prefix's Notepad. Each test
// installs the stand-in where it needs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "exports/exports.h"
#include "tests/support/support.h"
#include "viewer/viewer.h"

static const std::string SmallDll = qt::WineDll("version.dll");

// Wine's caption for a message box given none, in the Japanese locale.
static const char DefaultCaption[] = "エラー";

// NotePad.exe in one of the system's folders (empty when there is none).
static std::string NotePadIn(UINT(WINAPI *folder)(LPSTR, UINT))
{
    char directory[MAX_PATH] = {};
    return folder(directory, sizeof directory) ? std::string(directory) + "\\NotePad.exe" : "";
}
static const std::string InWindowsDirectory = NotePadIn(GetWindowsDirectoryA);
static const std::string InSystemDirectory = NotePadIn(GetSystemDirectoryA);

// Where a started copy from the system directory says it runs from: a 32-bit
// program in a 64-bit prefix sees the system directory redirected.
static bool IsSystemCopy(const std::string &module)
{
    std::string wow64 = NotePadIn(GetSystemWow64DirectoryA);
    return lstrcmpiA(module.c_str(), InSystemDirectory.c_str()) == 0 ||
           (!wow64.empty() && lstrcmpiA(module.c_str(), wow64.c_str()) == 0);
}

// One line of the stand-in's record: its process, its module and the rest
// (cb, flags, show, x, y, width, height of its start-up information).
struct Start {
    unsigned long processId;
    std::string module, placement;
};

class DoubleNotepad : public ::testing::Test {
protected:
    std::string log_;

    void SetUp() override
    {
        log_ = qt::TempFolder("double") + "\\starts.log";
        SetEnvironmentVariableA("QUORRIN_DOUBLE_LOG", log_.c_str());
        SetEnvironmentVariableA("QUORRIN_DOUBLE_MODE", nullptr);
    }

    void TearDown() override
    {
        for (DWORD child : qt::Descendants(GetCurrentProcess()))
            qt::KillId(child);
        RemoveDirectoryA(InWindowsDirectory.c_str());
    }

    // The stand-in where asked for, and nothing of that name elsewhere.
    static void Install(bool windows, bool system)
    {
        std::string standIn = qt::BuildProgram("tests/viewer/quorrin-double-notepad.exe");
        for (const auto &[path, wanted] :
             {std::pair(InWindowsDirectory, windows), std::pair(InSystemDirectory, system)}) {
            // A stand-in just ended may hold its file for a moment.
            ASSERT_TRUE(qt::WaitFor([&] {
                DeleteFileA(path.c_str());
                return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
            })) << path;
            if (wanted) {
                ASSERT_TRUE(CopyFileA(standIn.c_str(), path.c_str(), FALSE)) << path;
            }
        }
    }

    std::vector<Start> Starts()
    {
        std::vector<Start> starts;
        std::ifstream in(log_);
        for (std::string line; std::getline(in, line);) {
            Start s = {};
            char module[MAX_PATH] = {};
            int used = 0;
            if (sscanf(line.c_str(), "%lu %259s %n", &s.processId, module, &used) == 2) {
                s.module = module;
                s.placement = line.substr(used, line.find_last_not_of(" \r") + 1 - used);
                starts.push_back(s);
            }
        }
        return starts;
    }

    static void ExpectBox(const qt::Box &box, const char *text, const char *caption)
    {
        qt::ExpectBox(box, text, caption);
        EXPECT_TRUE(box.icon && box.icon == LoadIconA(nullptr, IDI_WARNING)) << "warning icon";
    }

    static void EndViewer()
    {
        qt::KillId(ViewerProcessId);
        ASSERT_TRUE(qt::WaitFor([] { return !IsWindow(ViewerWindow); }));
    }
};

TEST_F(DoubleNotepad, WindowsDirectoryFirstThenSystemDirectoryThenOneWarningPerListing)
{
    Install(true, true);
    ASSERT_EQ(1, ListExports(nullptr, SmallDll.c_str()));
    EXPECT_EQ(qt::Listing(SmallDll), qt::Text(ViewerEdit));
    EndViewer();
    Install(false, true);
    ASSERT_EQ(1, ListExports(nullptr, SmallDll.c_str()));
    EndViewer();
    std::vector<Start> starts = Starts();
    ASSERT_EQ(2u, starts.size());
    EXPECT_STRCASEEQ(InWindowsDirectory.c_str(), starts[0].module.c_str());
    EXPECT_TRUE(IsSystemCopy(starts[1].module)) << starts[1].module;

    Install(false, false);
    qt::BoxWatcher watcher;
    ListExports(nullptr, SmallDll.c_str());
    ListExports(nullptr, SmallDll.c_str());
    std::vector<qt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(2u, boxes.size());
    for (const qt::Box &box : boxes)
        ExpectBox(box, "メモ帳が見つからないよ", "なんで？");
    EXPECT_EQ(2u, Starts().size());
}

TEST_F(DoubleNotepad, ViewerStartsAtTheTopLeftWithFiveNinthsOfTheScreen)
{
    std::string screen = std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" +
                         std::to_string(GetSystemMetrics(SM_CYSCREEN));
    std::string size = screen == "1024x768"    ? "568 426"
                       : screen == "1920x1080" ? "1066 600"
                                               : "(no expected size for a screen of " + screen + ")";
    Install(true, false);
    ASSERT_EQ(1, ListExports(nullptr, SmallDll.c_str()));
    std::vector<Start> starts = Starts();
    ASSERT_EQ(1u, starts.size());
    // cb 68, flags STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION,
    // SW_SHOWNORMAL, at 0,0.
    EXPECT_EQ("68 7 1 0 0 " + size, starts[0].placement);
}

TEST_F(DoubleNotepad, FailedLaunchShowsOneMessagePerListingAndTheNextListingTriesAgain)
{
    Install(true, false);
    SetEnvironmentVariableA("QUORRIN_DOUBLE_MODE", "nowindow");
    qt::BoxWatcher watcher;
    ListExports(nullptr, SmallDll.c_str());
    ListExports(nullptr, SmallDll.c_str());
    std::vector<Start> starts = Starts();
    ASSERT_EQ(2u, starts.size());
    EXPECT_NE(starts[0].processId, starts[1].processId);
    EXPECT_TRUE(qt::IsRunning(starts[0].processId));
    EXPECT_TRUE(qt::IsRunning(starts[1].processId));
    EXPECT_EQ(nullptr, ViewerWindow);

    // A directory of that name is found but cannot be started.
    for (const Start &start : starts)
        qt::KillId(start.processId);
    Install(false, false);
    ASSERT_TRUE(CreateDirectoryA(InWindowsDirectory.c_str(), nullptr));
    ListExports(nullptr, SmallDll.c_str());
    std::vector<qt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(3u, boxes.size());
    for (int i : {0, 1})
        ExpectBox(boxes[i], "メモ帳のハンドルを取得できませんでした", DefaultCaption);
    ExpectBox(boxes[2], "メモ帳起動に失敗しました", "なんで？");
    EXPECT_EQ(2u, Starts().size());
}

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (!getenv("QUORRIN_DOUBLE_PREFIX")) {
        fprintf(stderr, "run through tests/viewer/double-run.sh: these tests delete Notepad "
                        "from the Wine prefix they run in\n");
        return 1;
    }
    return RUN_ALL_TESTS();
}
