// The viewer channel against Wine's own Notepad: listings land byte for
// byte as quorrin-list prints them, replace one another, and never reach a
// Notepad that this process did not start.
#include <gtest/gtest.h>

#include "exports/exports.h"
#include "tests/support/support.h"
#include "viewer/viewer.h"

static const std::string SmallDll = qt::WineDll("version.dll");  // 16 names
static const std::string LargeDll = qt::WineDll("kernel32.dll"); // 1,363 names

static bool IsModified(HWND edit)
{
    DWORD_PTR modified = 1;
    SendMessageTimeoutA(edit, EM_GETMODIFY, 0, 0, SMTO_ABORTIFHUNG, 10000, &modified);
    return modified != 0;
}

// Types text into an edit control as characters and waits until it shows.
static bool Type(HWND edit, const std::string &text)
{
    size_t before = qt::Text(edit).size();
    for (char c : text)
        PostMessageA(edit, WM_CHAR, (unsigned char)c, 1);
    return qt::WaitFor([&] { return qt::Text(edit).size() == before + text.size(); });
}

class RealNotepad : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (DWORD child : qt::Descendants(GetCurrentProcess()))
            qt::KillId(child);
    }

    void ExpectListed(const std::string &path)
    {
        ASSERT_EQ(1, ListExports(nullptr, path.c_str()));
        ASSERT_TRUE(IsWindow(ViewerWindow));
        DWORD processId = 0;
        EXPECT_EQ(ViewerThreadId, GetWindowThreadProcessId(ViewerWindow, &processId));
        EXPECT_EQ(ViewerProcessId, processId);
        EXPECT_EQ("QUORRIN_VIEWER", qt::Text(ViewerWindow));
        EXPECT_EQ(qt::Listing(path), qt::Text(ViewerEdit));
        EXPECT_FALSE(IsModified(ViewerEdit));
    }
};

TEST_F(RealNotepad, ListingsLandByteForByteAndReplaceWhatWasThere)
{
    ExpectListed(SmallDll);
    DWORD viewer = ViewerProcessId;
    ASSERT_TRUE(Type(ViewerEdit, "typed by the user"));
    ASSERT_TRUE(IsModified(ViewerEdit));
    ExpectListed(LargeDll);
    ExpectListed(SmallDll);
    EXPECT_EQ(viewer, ViewerProcessId);
}

TEST_F(RealNotepad, ClosedViewerIsStartedAgainAndTheUsersNotepadIsNeverWritten)
{
    qt::Process user = qt::Start("notepad.exe");
    HWND userWindow = nullptr;
    ASSERT_TRUE(qt::WaitFor([&] {
        std::vector<HWND> found = qt::TopWindows(user.id, "Notepad");
        return (userWindow = found.empty() ? nullptr : found[0]) != nullptr;
    }));
    std::string userTitle = qt::Text(userWindow);

    ExpectListed(SmallDll);
    DWORD first = ViewerProcessId;
    EXPECT_NE(user.id, first);
    HWND closed = ViewerWindow;
    PostMessageA(closed, WM_CLOSE, 0, 0);
    ASSERT_TRUE(qt::WaitFor([&] { return !IsWindow(closed); }));
    ExpectListed(SmallDll);
    EXPECT_NE(first, ViewerProcessId);
    EXPECT_NE(user.id, ViewerProcessId);

    EXPECT_EQ("", qt::Text(GetWindow(userWindow, GW_CHILD)));
    EXPECT_EQ(userTitle, qt::Text(userWindow));
    qt::Kill(user);
}

TEST_F(RealNotepad, LinesAreCutAndEndedAndEmptyFormatsAddNothing)
{
    // Before the first line there is no viewer, and nothing starts one.
    EXPECT_EQ(0, ViewerClear());
    ViewerResetModified();
    EXPECT_EQ(nullptr, ViewerWindow);
    EXPECT_EQ(nullptr, ViewerEdit);
    EXPECT_TRUE(qt::Descendants(GetCurrentProcess()).empty());

    std::string exact(65533, 'a'), over(65534, 'b'), huge(70000, 'c');
    ViewerAppendLine(exact.c_str());
    ViewerAppendLine(over.c_str());
    ViewerAppendLine("");
    EXPECT_EQ(0, ViewerPrintf("%s", ""));
    EXPECT_EQ(9, ViewerPrintf("%4d   %s", 7, "ab"));
    EXPECT_EQ(10, ViewerPrintf("%4d   %s", 12345, "ab"));
    EXPECT_EQ(65535, ViewerPrintf("%s", huge.c_str()));
    EXPECT_EQ(exact + "\r\n" + over.substr(0, 65533) + "\r\n\r\n   7   ab\r\n12345   ab\r\n" +
                  huge.substr(0, 65533) + "\r\n",
              qt::Text(ViewerEdit));
}

TEST_F(RealNotepad, ReaderFailureLeavesTheViewersTextAsItWas)
{
    ExpectListed(SmallDll);
    ASSERT_TRUE(Type(ViewerEdit, "kept"));
    std::string before = qt::Text(ViewerEdit);
    std::string notPe = qt::TempFolder("viewer") + "\\short.dll";
    ASSERT_TRUE(qt::WriteFileBytes(notPe, "MZ"));

    qt::BoxWatcher watcher;
    EXPECT_EQ(0, ListExports(nullptr, notPe.c_str()));
    std::vector<qt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(1u, boxes.size());
    qt::ExpectBox(boxes[0], "Dosヘッダーの読みに込みに失敗しました", "ファイル - エラー");
    EXPECT_EQ(before, qt::Text(ViewerEdit));
    EXPECT_TRUE(IsModified(ViewerEdit));
}

TEST_F(RealNotepad, QuorrinViewListsIntoANotepadOfItsOwnOrShowsTheReadersMessage)
{
    // Started, not captured: under Wine the viewer would hold the output
    // pipe open past quorrin-view's end.
    std::string view = "\"" + qt::BuildProgram("tools/quorrin-view.exe") + "\" ";
    qt::Process listing = qt::Start(view + "\"" + SmallDll + "\"");
    EXPECT_EQ(0, qt::WaitExit(listing));
    std::vector<DWORD> viewers = qt::Descendants(listing.handle);
    qt::Kill(listing);
    ASSERT_EQ(1u, viewers.size());
    HWND window = nullptr;
    for (HWND top : qt::TopWindows(viewers[0]))
        if (qt::Text(top) == "QUORRIN_VIEWER")
            window = top;
    std::string text = qt::Text(GetWindow(window, GW_CHILD));
    qt::KillId(viewers[0]);
    EXPECT_EQ(qt::Listing(SmallDll), text);

    qt::Process failing = qt::Start(view + "\"" + SmallDll + ".missing\"");
    qt::ExpectBox(qt::WaitMessageBox(failing.id), "ファイルオープンに失敗しました",
                  "ファイル - エラー");
    EXPECT_EQ(1, qt::WaitExit(failing));
    qt::Kill(failing);
}
