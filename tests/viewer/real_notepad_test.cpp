// The viewer channel against Wine's own Notepad: listings land byte for
// byte as quorrin-list prints them, replace one another, and never reach a
// Notepad that this process did not start.
#include <gtest/gtest.h>

#include "exports/exports.h"
#include "tests/support/support.h"
#include "tests/viewer/viewer_support.h"
#include "viewer/viewer.h"

static const std::string SmallDll = vt::WineDll("version.dll");  // 16 names
static const std::string LargeDll = vt::WineDll("kernel32.dll"); // 1,363 names

class RealNotepad : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (DWORD child : vt::Children(GetCurrentProcessId()))
            vt::KillProcessId(child);
    }

    void ExpectListed(const std::string &path)
    {
        ASSERT_EQ(1, ListExports(nullptr, path.c_str()));
        ASSERT_TRUE(IsWindow(ViewerWindow));
        DWORD processId = 0;
        EXPECT_EQ(ViewerThreadId, GetWindowThreadProcessId(ViewerWindow, &processId));
        EXPECT_EQ(ViewerProcessId, processId);
        EXPECT_EQ("QUORRIN_VIEWER", qt::Caption(ViewerWindow));
        EXPECT_EQ(vt::ExpectedListing(path), vt::EditText(ViewerEdit));
        EXPECT_FALSE(vt::IsModified(ViewerEdit));
    }
};

TEST_F(RealNotepad, ListingsLandByteForByteAndReplaceWhatWasThere)
{
    ExpectListed(SmallDll);
    DWORD viewer = ViewerProcessId;
    ASSERT_TRUE(vt::Type(ViewerEdit, "typed by the user"));
    ASSERT_TRUE(vt::IsModified(ViewerEdit));
    ExpectListed(LargeDll);
    ExpectListed(SmallDll);
    EXPECT_EQ(viewer, ViewerProcessId);
}

TEST_F(RealNotepad, ClosedViewerIsStartedAgainAndTheUsersNotepadIsNeverWritten)
{
    qt::Process user = qt::Start("notepad.exe");
    HWND userWindow = nullptr;
    ASSERT_TRUE(qt::WaitFor([&] { return (userWindow = qt::FindTopWindow(user.id, "Notepad")); }));
    std::string userTitle = qt::Caption(userWindow);

    ExpectListed(SmallDll);
    DWORD first = ViewerProcessId;
    EXPECT_NE(user.id, first);
    ASSERT_TRUE(vt::CloseWindow(ViewerWindow));
    ExpectListed(SmallDll);
    EXPECT_NE(first, ViewerProcessId);
    EXPECT_NE(user.id, ViewerProcessId);

    EXPECT_EQ("", vt::EditText(GetWindow(userWindow, GW_CHILD)));
    EXPECT_EQ(userTitle, qt::Caption(userWindow));
    qt::Kill(user);
}

TEST_F(RealNotepad, LinesAreCutAndEndedAndEmptyFormatsAddNothing)
{
    // Before the first line there is no viewer, and nothing starts one.
    EXPECT_EQ(0, ViewerClear());
    ViewerResetModified();
    EXPECT_EQ(nullptr, ViewerWindow);
    EXPECT_EQ(nullptr, ViewerEdit);
    EXPECT_TRUE(vt::Children(GetCurrentProcessId()).empty());

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
              vt::EditText(ViewerEdit));
}

TEST_F(RealNotepad, ReaderFailureLeavesTheViewersTextAsItWas)
{
    ExpectListed(SmallDll);
    ASSERT_TRUE(vt::Type(ViewerEdit, "kept"));
    std::string before = vt::EditText(ViewerEdit);
    std::string notPe = qt::TempFolder("viewer") + "\\short.dll";
    ASSERT_TRUE(qt::WriteFileBytes(notPe, "MZ"));

    vt::BoxWatcher watcher;
    EXPECT_EQ(0, ListExports(nullptr, notPe.c_str()));
    std::vector<vt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Dosヘッダーの読みに込みに失敗しました", boxes[0].text);
    EXPECT_EQ("ファイル - エラー", boxes[0].caption);
    EXPECT_EQ(before, vt::EditText(ViewerEdit));
    EXPECT_TRUE(vt::IsModified(ViewerEdit));
}

TEST_F(RealNotepad, QuorrinViewListsIntoANotepadOfItsOwnOrShowsTheReadersMessage)
{
    // Started, not captured: under Wine the viewer would hold the output
    // pipe open past quorrin-view's end.
    std::string view = "\"" + vt::BuildProgram("tools/quorrin-view.exe") + "\" ";
    qt::Process listing = qt::Start(view + "\"" + SmallDll + "\"");
    EXPECT_EQ(0, qt::WaitExit(listing));
    std::vector<DWORD> viewers = vt::Children(listing.id);
    qt::Kill(listing);
    ASSERT_EQ(1u, viewers.size());
    HWND window = nullptr;
    for (HWND top : qt::TopWindows(viewers[0]))
        if (qt::Caption(top) == "QUORRIN_VIEWER")
            window = top;
    std::string text = vt::EditText(GetWindow(window, GW_CHILD));
    vt::KillProcessId(viewers[0]);
    EXPECT_EQ(vt::ExpectedListing(SmallDll), text);

    qt::Process failing = qt::Start(view + "\"" + SmallDll + ".missing\"");
    HWND box = qt::WaitMessageBox(failing.id);
    EXPECT_EQ("ファイルオープンに失敗しました", qt::MessageBoxText(box));
    EXPECT_EQ("ファイル - エラー", qt::Caption(box));
    qt::AnswerMessageBox(box);
    EXPECT_EQ(1, qt::WaitExit(failing));
    qt::Kill(failing);
}
