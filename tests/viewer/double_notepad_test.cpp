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

static std::string InWindowsDirectory()
{
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, sizeof directory);
    return std::string(directory) + "\\NotePad.exe";
}

static std::string InSystemDirectory()
{
    return qt::SystemPath("NotePad.exe");
}

// Where a started copy from the system directory says it runs from: a 32-bit
// program in a 64-bit prefix sees the system directory redirected.
static bool IsSystemCopy(const std::string &module)
{
    char wow64[MAX_PATH] = {};
    return lstrcmpiA(module.c_str(), InSystemDirectory().c_str()) == 0 ||
           (GetSystemWow64DirectoryA(wow64, sizeof wow64) &&
            lstrcmpiA(module.c_str(), (std::string(wow64) + "\\NotePad.exe").c_str()) == 0);
}

struct Start {
    unsigned long processId, cb, flags, show, x, y, width, height;
    std::string module;
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
        RemoveDirectoryA(InWindowsDirectory().c_str());
    }

    // The stand-in where asked for, and nothing of that name elsewhere.
    static void Install(bool windows, bool system)
    {
        std::string standIn = qt::BuildProgram("tests/viewer/quorrin-double-notepad.exe");
        for (const auto &[path, wanted] :
             {std::pair(InWindowsDirectory(), windows), std::pair(InSystemDirectory(), system)}) {
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
        std::string line;
        while (std::getline(in, line)) {
            Start s;
            char module[MAX_PATH] = {};
            if (sscanf(line.c_str(), "%lu %259s %lu %lu %lu %lu %lu %lu %lu", &s.processId, module,
                       &s.cb, &s.flags, &s.show, &s.x, &s.y, &s.width, &s.height) == 9) {
                s.module = module;
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
    EXPECT_STRCASEEQ(InWindowsDirectory().c_str(), starts[0].module.c_str());
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
    struct {
        int screenWidth, screenHeight;
        unsigned long width, height;
    } sizes[] = {{1024, 768, 568, 426}, {1920, 1080, 1066, 600}};
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);

    Install(true, false);
    ASSERT_EQ(1, ListExports(nullptr, SmallDll.c_str()));
    std::vector<Start> starts = Starts();
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(68u, starts[0].cb);
    EXPECT_EQ(7u, starts[0].flags);
    EXPECT_EQ(1u, starts[0].show);
    EXPECT_EQ(0u, starts[0].x);
    EXPECT_EQ(0u, starts[0].y);
    bool known = false;
    for (const auto &size : sizes) {
        if (size.screenWidth == screenWidth && size.screenHeight == screenHeight) {
            known = true;
            EXPECT_EQ(size.width, starts[0].width);
            EXPECT_EQ(size.height, starts[0].height);
        }
    }
    EXPECT_TRUE(known) << "no expected size for a screen of " << screenWidth << "x" << screenHeight;
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
    ASSERT_TRUE(CreateDirectoryA(InWindowsDirectory().c_str(), nullptr));
    ListExports(nullptr, SmallDll.c_str());
    std::vector<qt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(3u, boxes.size());
    ExpectBox(boxes[0], "メモ帳のハンドルを取得できませんでした", DefaultCaption);
    ExpectBox(boxes[1], "メモ帳のハンドルを取得できませんでした", DefaultCaption);
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
