// The run button through the real program: what it refuses, what it lists,
// and where the listing goes (one viewer, reused until the user closes it).
#include <gtest/gtest.h>

#include "res/ids.h"
#include "tests/support/support.h"

using namespace qt;

namespace {

DWORD ProcessOf(HWND window)
{
    DWORD id = 0;
    if (window)
        GetWindowThreadProcessId(window, &id);
    return id;
}

class Run : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.Start());
        folder = TempFolder("run");
    }

    // The viewer's edit control, once its window exists (null on time-out).
    HWND WaitViewerEdit()
    {
        HWND viewer = app.WaitChildWindow("Notepad", "QUORRIN_VIEWER");
        return viewer ? GetWindow(viewer, GW_CHILD) : nullptr;
    }

    // Presses run and waits until the listing is complete (the viewer's
    // modified flag is clear again); returns the viewer's text.
    std::string RunListing()
    {
        // A viewer left from an earlier listing is marked as modified, so
        // that the flag going clear means this listing has ended.
        for (DWORD id : app.Children())
            for (HWND top : TopWindows(id, "Notepad"))
                if (Text(top) == "QUORRIN_VIEWER")
                    SendMessageA(GetWindow(top, GW_CHILD), EM_SETMODIFY, TRUE, 0);
        app.Post(IDC_RUN);
        HWND edit = nullptr;
        bool done = WaitFor([&] {
            if (!edit || !IsWindow(edit)) // a new viewer replaces a closed one
                edit = WaitViewerEdit();
            return edit && SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) > 0 &&
                   SendMessageA(edit, EM_GETMODIFY, 0, 0) == 0;
        }, 120000);
        return done ? Text(edit) : std::string("(listing did not end)");
    }

    void ExpectRefused(const std::string &path, const char *text, const char *caption)
    {
        SCOPED_TRACE(path);
        app.SetPath(path);
        app.Post(IDC_RUN);
        ExpectBox(app.WaitBox(), text, caption);
    }

    App app;
    std::string folder;
};

const char NoSuchFile[] = "そんなファイルは存在しないよ";
const char NoSuchFileCaption[] = "しぇからしか!!";

TEST_F(Run, AnEmptyPathBoxDoesNothingAtAll)
{
    app.SetPath("");
    ASSERT_TRUE(app.Send(IDC_RUN));
    EXPECT_TRUE(MessageBoxes(app.process.id).empty());
    EXPECT_TRUE(app.Children().empty());
}

TEST_F(Run, PathsThatNameNoFileGetTheNoSuchFileBox)
{
    // A directory has the directory bit alone under Wine.
    std::string bare = folder + "\\bare";
    ASSERT_TRUE(CreateDirectoryA(bare.c_str(), nullptr));
    for (const std::string &path : {folder + "\\missing.dll", bare, " " + SystemPath("version.dll")})
        ExpectRefused(path, NoSuchFile, NoSuchFileCaption);
    EXPECT_TRUE(app.Children().empty()) << "no viewer for a refused path";
}

TEST_F(Run, ADirectoryWithAFileBitIsHandedToTheLister)
{
    // Wine keeps no archive bit on a directory; the hidden bit is one of the
    // same four.
    std::string marked = folder + "\\marked";
    ASSERT_TRUE(CreateDirectoryA(marked.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(GetFileAttributesA(marked.c_str()),
              DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    ExpectRefused(marked, "ファイルオープンに失敗しました", "ファイル - エラー");
}

TEST_F(Run, OnlyTheFirst259BytesOfThePathBoxAreRead)
{
    // A DLL whose path is 259 bytes long, then more text in the box: the
    // run lists the DLL, so the text after byte 259 was never read.
    std::string dll = folder + "\\" + std::string(259 - folder.size() - 5, 'd') + ".dll";
    ASSERT_EQ(dll.size(), 259u);
    ASSERT_TRUE(CopyFileA(SystemPath("version.dll").c_str(), dll.c_str(), FALSE));
    app.SetPath(dll + "zzz");
    EXPECT_EQ(RunListing(), Listing(dll));
}

TEST_F(Run, ListingsGoToOneViewerThatIsReplacedOnlyWhenClosed)
{
    std::string first = SystemPath("version.dll"), second = SystemPath("winmm.dll");
    app.SetPath(first);
    EXPECT_EQ(RunListing(), Listing(first));
    DWORD viewer = ProcessOf(WaitViewerEdit());
    ASSERT_NE(viewer, 0u);

    // Another listing empties and refills the same viewer.
    app.SetPath(second);
    EXPECT_EQ(RunListing(), Listing(second));
    EXPECT_EQ(ProcessOf(WaitViewerEdit()), viewer);

    // A malformed file: its one box, and the viewer keeps the last listing.
    std::string bad = folder + "\\bad.dll";
    std::string image(64 + 248, '\0');
    image.replace(0, 2, "MZ");
    image[60] = 64;
    image.replace(64, 4, "XE\0\0", 4);
    ASSERT_TRUE(WriteFileBytes(bad, image));
    ExpectRefused(bad, "PEファイルではありません", "ファイル - エラー");
    HWND edit = WaitViewerEdit();
    EXPECT_EQ(Text(edit), Listing(second));

    // The user closes the viewer: the next listing starts a new one.
    HWND window = GetAncestor(edit, GA_ROOT);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(window); }));
    app.SetPath(first);
    EXPECT_EQ(RunListing(), Listing(first));
    DWORD next = ProcessOf(WaitViewerEdit());
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, viewer);
}

} // namespace
