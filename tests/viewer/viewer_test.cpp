// The viewer channel in the test process against Wine's own Notepad: listings
// land byte for byte as quorrin-list prints them, replace one another, go
// where the selection is, and never reach a Notepad this process did not start.
#include "exports/exports.h"
#include "tests/support/support.h"
#include "viewer/viewer.h"

using namespace qt;

static const std::string SmallDll = WineDll("version.dll"), LargeDll = WineDll("kernel32.dll"); // 16, 1,363 names

static bool Modified() { return SendMessageA(ViewerEdit, EM_GETMODIFY, 0, 0) != 0; }

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

class RealNotepad : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (DWORD child : Descendants(GetCurrentProcess()))
            KillId(child);
    }
};

TEST_F(RealNotepad, ListingsReplaceWhatWasThereAndLinesGoWhereTheSelectionIs)
{
    ExpectListed(LargeDll);
    DWORD viewer = ViewerProcessId;
    ASSERT_TRUE(Type("typed by the user") && Modified());
    ExpectListed(SmallDll);
    EXPECT_EQ(ViewerProcessId, viewer);
    // The user selects the header line (in characters): the next line replaces it.
    std::string listing = Listing(SmallDll);
    int header = (int)listing.find("\r\n") + 2;
    SendMessageA(ViewerEdit, EM_SETSEL, 0, MultiByteToWideChar(CP_ACP, 0, listing.data(), header, nullptr, 0));
    ViewerAppendLine("here");
    EXPECT_EQ(Text(ViewerEdit), "here\r\n" + listing.substr(header));
}

TEST_F(RealNotepad, BeforeAnyViewerClearAndResetDoNothingAndStartNothing)
{
    EXPECT_EQ(ViewerClear(), 0);
    ViewerResetModified();
    EXPECT_TRUE(!ViewerWindow && !ViewerEdit && Descendants(GetCurrentProcess()).empty());
}

TEST_F(RealNotepad, AClosedViewerIsStartedAgainAndTheUsersNotepadIsNeverWritten)
{
    Process user = Start("notepad.exe");
    HWND userWindow = WaitTopWindow(user.id, "Notepad");
    ASSERT_NE(userWindow, nullptr);
    std::string userTitle = Text(userWindow);
    ExpectListed(SmallDll);
    DWORD first = ViewerProcessId;
    HWND closed = ViewerWindow;
    PostMessageA(closed, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(closed); }));
    ExpectListed(SmallDll);
    EXPECT_TRUE(first != user.id && ViewerProcessId != first && ViewerProcessId != user.id);
    EXPECT_EQ(Text(GetWindow(userWindow, GW_CHILD)), "");
    EXPECT_EQ(Text(userWindow), userTitle);
    Kill(user);
}

TEST_F(RealNotepad, AReaderFailureShowsOneBoxAndLeavesTheViewerAsItWas)
{
    ExpectListed(SmallDll);
    ASSERT_TRUE(Type("kept"));
    std::string before = Text(ViewerEdit), notPe = TempFolder("viewer") + "\\short.dll";
    ASSERT_TRUE(WriteFileBytes(notPe, "MZ"));
    BoxWatcher watcher;
    EXPECT_EQ(ListExports(nullptr, notPe.c_str()), 0);
    ASSERT_EQ(watcher.Boxes().size(), 1u);
    ExpectBox(watcher.Boxes()[0], "Dosヘッダーの読みに込みに失敗しました", "ファイル - エラー", Warning);
    EXPECT_EQ(Text(ViewerEdit), before);
    EXPECT_TRUE(Modified());
}
