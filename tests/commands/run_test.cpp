// The run button through the real program: what it refuses, what it lists,
// and where the listing goes (one viewer, reused until the user closes it).
#include <gtest/gtest.h>

#include "res/ids.h"
#include "tests/commands/commands_support.h"

using namespace cmdtest;

namespace {

const char NoSuchFile[] = "そんなファイルは存在しないよ";
const char NoSuchFileCaption[] = "しぇからしか!!";

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
        folder = qt::TempFolder("run");
    }
    Session app;
    std::string folder;
};

TEST_F(Run, AnEmptyPathBoxDoesNothingAtAll)
{
    app.SetPath("");
    ASSERT_TRUE(app.Send(IDC_RUN));
    EXPECT_TRUE(qt::MessageBoxes(app.process.id).empty());
    EXPECT_TRUE(app.Children().empty());
}

TEST_F(Run, PathsThatNameNoFileGetTheNoSuchFileBox)
{
    // A directory has the directory bit alone under Wine.
    std::string bare = folder + "\\bare";
    ASSERT_TRUE(CreateDirectoryA(bare.c_str(), nullptr));
    for (const std::string &path : {folder + "\\missing.dll", bare, std::string(" ") + SmallDll()}) {
        SCOPED_TRACE(path);
        app.SetPath(path);
        app.Post(IDC_RUN);
        ExpectBox(app.WaitBox(), NoSuchFile, NoSuchFileCaption);
    }
    EXPECT_TRUE(app.Children().empty()) << "no viewer for a refused path";
}

TEST_F(Run, ADirectoryWithAFileBitIsHandedToTheLister)
{
    // Wine keeps no archive bit on a directory; the hidden bit is one of the
    // same four.
    std::string marked = folder + "\\marked";
    ASSERT_TRUE(CreateDirectoryA(marked.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(marked.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_EQ(GetFileAttributesA(marked.c_str()), DWORD(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
    app.SetPath(marked);
    app.Post(IDC_RUN);
    ExpectBox(app.WaitBox(), "ファイルオープンに失敗しました", "ファイル - エラー");
}

TEST_F(Run, OnlyTheFirst259BytesOfThePathBoxAreRead)
{
    // A DLL whose path is 259 bytes long, then more text in the box: the
    // run lists the DLL, so the text after byte 259 was never read.
    std::string dll = folder + "\\" + std::string(259 - folder.size() - 5, 'd') + ".dll";
    ASSERT_EQ(dll.size(), 259u);
    ASSERT_TRUE(CopyFileA(SmallDll().c_str(), dll.c_str(), FALSE));
    app.SetPath(dll + "zzz");
    EXPECT_EQ(app.RunListing(), Listing(dll));
}

TEST_F(Run, ListingsGoToOneViewerThatIsReplacedOnlyWhenClosed)
{
    std::string first = SmallDll();
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, sizeof system);
    std::string second = std::string(system) + "\\winmm.dll";

    app.SetPath(first);
    EXPECT_EQ(app.RunListing(), Listing(first));
    DWORD viewer = ProcessOf(app.WaitViewerEdit());
    ASSERT_NE(viewer, 0u);

    // Another listing empties and refills the same viewer.
    app.SetPath(second);
    EXPECT_EQ(app.RunListing(), Listing(second));
    EXPECT_EQ(ProcessOf(app.WaitViewerEdit()), viewer);

    // A malformed file: its one box, and the viewer keeps the last listing.
    std::string bad = folder + "\\bad.dll";
    std::string image(64 + 248, '\0');
    image[0] = 'M';
    image[1] = 'Z';
    image[60] = 64;
    image.replace(64, 4, "XE\0\0", 4);
    ASSERT_TRUE(qt::WriteFileBytes(bad, image));
    app.SetPath(bad);
    app.Post(IDC_RUN);
    ExpectBox(app.WaitBox(), "PEファイルではありません", "ファイル - エラー");
    HWND edit = app.WaitViewerEdit();
    EXPECT_EQ(qt::Text(edit), Listing(second));

    // The user closes the viewer: the next listing starts a new one.
    HWND window = GetAncestor(edit, GA_ROOT);
    PostMessageA(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(qt::WaitFor([&] { return !IsWindow(window); }));
    app.SetPath(first);
    EXPECT_EQ(app.RunListing(), Listing(first));
    DWORD next = ProcessOf(app.WaitViewerEdit());
    EXPECT_NE(next, 0u);
    EXPECT_NE(next, viewer);
}

} // namespace
