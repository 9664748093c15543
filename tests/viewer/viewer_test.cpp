// The viewer channel in the test process: against Wine's own Notepad, listings
// land byte for byte as quorrin-list prints them, replace one another, go where
// the selection is and never reach a Notepad this process did not start;
// against a stand-in NotePad.exe (standInnotepad.cpp) in a prefix of its own,
// how the viewer is found and started.
#include <fstream>

#include "exports/exports.h"
#include "tests/support/support.h"
#include "viewer/viewer.h"

using namespace qt;

static const std::string SmallDll = WineDll("version.dll");  // 16 names
static const std::string LargeDll = WineDll("kernel32.dll"); // 1,363 names

static bool Modified()
{
    return SendMessageA(ViewerEdit, EM_GETMODIFY, 0, 0) != 0;
}

// Types text as characters into the viewer and waits until it shows.
static bool Type(const std::string &text)
{
    size_t before = Text(ViewerEdit).size();
    for (char c : text)
        PostMessageA(ViewerEdit, WM_CHAR, (unsigned char)c, 1);
    return WaitFor([&] { return Text(ViewerEdit).size() == before + text.size(); });
}

static void ExpectListed(const std::string &path)
{
    ASSERT_EQ(ListExports(nullptr, path.c_str()), 1);
    DWORD processId = 0;
    EXPECT_EQ(GetWindowThreadProcessId(ViewerWindow, &processId), ViewerThreadId);
    EXPECT_EQ(processId, ViewerProcessId);
    EXPECT_EQ(Text(ViewerWindow), "QUORRIN_VIEWER");
    EXPECT_EQ(Text(ViewerEdit), Listing(path));
    EXPECT_FALSE(Modified());
}

// From the first call of a fresh process: clearing before any viewer starts
// nothing; then listings into the one viewer, a reader failure, the user's
// selection, and a closed viewer; a Notepad the user opened is never written.
TEST(RealNotepad, ListingsFailuresSelectionsAndAClosedViewer)
{
    EXPECT_EQ(ViewerClear(), 0);
    ViewerResetModified();
    EXPECT_EQ(ViewerWindow, nullptr);
    EXPECT_EQ(ViewerEdit, nullptr);
    EXPECT_EQ(FindViewer(GetCurrentProcess()), nullptr);
    Process user = Start("notepad.exe");
    HWND userWindow = WaitTopWindow(user.id, "Notepad");
    std::string userTitle = Text(userWindow);
    std::string notPe = TempFolder("viewer") + "\\short.dll";
    ExpectListed(LargeDll);
    DWORD viewer = ViewerProcessId;
    ASSERT_TRUE(Type("typed by the user"));
    ASSERT_TRUE(Modified());
    ExpectListed(SmallDll);
    EXPECT_EQ(ViewerProcessId, viewer);
    EXPECT_NE(viewer, user.id);

    ASSERT_TRUE(Type("kept"));
    ASSERT_TRUE(WriteFileBytes(notPe, "MZ"));
    std::string before = Text(ViewerEdit);
    {
        BoxWatcher watcher;
        EXPECT_EQ(ListExports(nullptr, notPe.c_str()), 0);
        const char *dosFailed = "Dosヘッダーの読みに込みに失敗しました";
        EXPECT_EQ(watcher.Shown(), Boxes{BoxOf(dosFailed, "ファイル - エラー", Warning)});
    }
    EXPECT_EQ(Text(ViewerEdit), before) << "a failed run leaves the viewer as it was";
    EXPECT_TRUE(Modified());

    // The user selects the header line (in characters): the next line replaces it.
    std::string listing = Listing(SmallDll);
    int header = (int)listing.find("\r\n") + 2;
    ExpectListed(SmallDll);
    int headerCharacters = MultiByteToWideChar(CP_ACP, 0, listing.data(), header, nullptr, 0);
    SendMessageA(ViewerEdit, EM_SETSEL, 0, headerCharacters);
    ViewerAppendLine("here");
    EXPECT_EQ(Text(ViewerEdit), "here\r\n" + listing.substr(header));

    HWND closed = ViewerWindow;
    ViewerResetModified(); // no question to save
    PostMessageA(closed, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(closed); }));
    ExpectListed(SmallDll);
    EXPECT_NE(ViewerProcessId, viewer);
    EXPECT_NE(ViewerProcessId, user.id);
    EXPECT_EQ(Text(GetWindow(userWindow, GW_CHILD)), "");
    EXPECT_EQ(Text(userWindow), userTitle);
}

static std::string NotePadIn(UINT(WINAPI *folder)(LPSTR, UINT))
{
    char directory[MAX_PATH] = {};
    folder(directory, sizeof directory);
    return std::string(directory) + "\\NotePad.exe";
}
// A 32-bit program in a 64-bit prefix sees the system directory redirected.
static const std::string InWindows = NotePadIn(GetWindowsDirectoryA);
static const std::string InSystem = NotePadIn(GetSystemDirectoryA);
static const std::string InWow64 = NotePadIn(GetSystemWow64DirectoryA);

class DoubleNotepad : public ::testing::Test {
protected:
    std::string log_;
    void SetUp() override
    {
        if (!getenv("QUORRIN_DOUBLE_PREFIX"))
            GTEST_SKIP() << "only in a prefix of its own: it deletes Notepad";
        log_ = TempFolder("double") + "\\starts.log";
        SetEnvironmentVariableA("QUORRIN_DOUBLE_LOG", log_.c_str());
        SetEnvironmentVariableA("QUORRIN_DOUBLE_MODE", nullptr);
    }
    void TearDown() override
    {
        KillStarted();
        RemoveDirectoryA(InWindows.c_str());
    }
    // The stand-in where asked for, and nothing of that name elsewhere; one
    // that just ended may hold its file for a moment.
    static void Install(bool windows, bool system)
    {
        std::string standIn = BuildProgram("tests/quorrin-double-notepad.exe");
        for (const auto &[path, wanted] : {std::pair(InWindows, windows), {InSystem, system}}) {
            auto isGone = [&] {
                return DeleteFileA(path.c_str()) || GetFileAttributesA(path.c_str()) == ~0u;
            };
            ASSERT_TRUE(WaitFor(isGone));
            ASSERT_TRUE(!wanted || CopyFileA(standIn.c_str(), path.c_str(), FALSE));
        }
    }
    // Each start of the stand-in, a line of nine fields: its process, its
    // module, and its start-up information (cb, flags, show, x, y, width, height).
    std::vector<std::vector<std::string>> Starts()
    {
        std::vector<std::vector<std::string>> starts;
        std::ifstream in(log_);
        for (std::string field; in >> field;) {
            if (starts.empty() || starts.back().size() == 9)
                starts.emplace_back();
            starts.back().push_back(field);
        }
        return starts;
    }
};

TEST_F(DoubleNotepad,
       WindowsFolderFirstThenSystemFolderStartedTopLeftWithFiveNinthsOfTheScreenElseAWarning)
{
    bool small = GetSystemMetrics(SM_CXSCREEN) == 1024;
    ASSERT_TRUE(small || GetSystemMetrics(SM_CXSCREEN) == 1920)
        << "no expected size for this screen";
    for (bool inWindows : {true, false}) {
        Install(inWindows, true);
        ASSERT_EQ(ListExports(nullptr, SmallDll.c_str()), 1);
        EXPECT_EQ(Text(ViewerEdit), Listing(SmallDll));
        KillId(ViewerProcessId);
        ASSERT_TRUE(WaitFor([] { return !IsWindow(ViewerWindow); }));
    }
    auto starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_STRCASEEQ(starts[0][1].c_str(), InWindows.c_str());
    const char *second = starts[1][1].c_str();
    EXPECT_TRUE(!lstrcmpiA(second, InSystem.c_str()) || !lstrcmpiA(second, InWow64.c_str()));
    // STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION, SW_SHOWNORMAL,
    // at 0,0; 1920 x 1080 tells 600 from 599.
    std::vector<std::string> expected = {std::to_string(sizeof(STARTUPINFOA)), "7", "1", "0", "0"};
    expected.push_back(small ? "568" : "1066");
    expected.push_back(small ? "426" : "600");
    for (const auto &start : starts)
        EXPECT_EQ(std::vector<std::string>(start.begin() + 2, start.end()), expected);
    Install(false, false);
    BoxWatcher watcher;
    ListExports(nullptr, SmallDll.c_str());
    ListExports(nullptr, SmallDll.c_str());
    std::string noViewer = BoxOf("メモ帳が見つからないよ", "なんで？", Warning);
    EXPECT_EQ(watcher.Shown(), Boxes(2, noViewer));
    EXPECT_EQ(Starts().size(), 2u);
}

TEST_F(DoubleNotepad, FailedLaunchesShowOneBoxPerListingAndTheNextListingTriesAgain)
{
    Install(true, false);
    SetEnvironmentVariableA("QUORRIN_DOUBLE_MODE", "nowindow");
    BoxWatcher watcher;
    ListExports(nullptr, SmallDll.c_str());
    ListExports(nullptr, SmallDll.c_str());
    auto starts = Starts();
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_NE(starts[0][0], starts[1][0]);
    for (const auto &start : starts) {
        HANDLE launched = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(start[0]));
        EXPECT_EQ(WaitForSingleObject(launched, 0), WAIT_TIMEOUT)
            << "a launch that found no window leaves it running";
        CloseHandle(launched);
        KillId(std::stoul(start[0]));
    }
    EXPECT_EQ(ViewerWindow, nullptr);
    // A directory of that name is found but cannot be started.
    Install(false, false);
    ASSERT_TRUE(CreateDirectoryA(InWindows.c_str(), nullptr));
    ListExports(nullptr, SmallDll.c_str());
    // "エラー" is Wine's caption for a box given none.
    const char *noHandleText = "メモ帳のハンドルを取得できませんでした";
    std::string noHandle = BoxOf(noHandleText, "エラー", Warning);
    std::string noStart = BoxOf("メモ帳起動に失敗しました", "なんで？", Warning);
    EXPECT_EQ(watcher.Shown(), (Boxes{noHandle, noHandle, noStart}));
    EXPECT_EQ(Starts().size(), 2u);
}
