// Single instance: a second start hands its DLL path to the running one (or
// just brings it to the front) and ends with exit code 0.
#include <gtest/gtest.h>

#include "tests/support/support.h"

using namespace qt;

namespace {

class HandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        folder = TempFolder("handoff");
        ASSERT_TRUE(first.Start());
    }

    // Starts a second instance in directory with arguments; it must end by
    // itself with exit code 0 and without a window of its own.
    void SecondStart(const std::string &arguments, const char *directory = nullptr)
    {
        App second;
        second.Start(QuorrinExe(), arguments, directory ? directory : folder.c_str(), false);
        ASSERT_EQ(second.Exit(), 0);
        EXPECT_EQ(FindMain(), first.main);
    }

    // Puts text into the first instance's path box, as a marker.
    void Fill(const char *text)
    {
        first.SetPath(text);
        ASSERT_EQ(first.Path(), text);
    }

    std::string Touch(const std::string &path)
    {
        EXPECT_TRUE(WriteFileBytes(path, "MZ"));
        return path;
    }

    std::string folder;
    App first;
};

TEST_F(HandOff, FirstDllTokenOfSeveralArrivesInLongFormAbsoluteToTheStartingDirectory)
{
    Touch(folder + "\\b.dll");
    Touch(folder + "\\c.dll");
    // b.Dll is relative: it names the file in the second start's directory,
    // not in the first instance's.
    SecondStart("x.txt b.Dll c.dll");
    EXPECT_EQ(first.Path(), LongForm(folder + "\\b.dll"));
}

TEST_F(HandOff, WithoutArgumentsTheRunningWindowComesToTheFront)
{
    Fill("unchanged");
    // Something else in front first: a window of this test.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 500, 400, 100,
                                 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(MakeForeground(other));
    SecondStart("");
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == first.main; }, 5000));
    EXPECT_EQ(first.Path(), "unchanged");
    DestroyWindow(other);
}

TEST_F(HandOff, ShortFormComesBackWithEveryComponentAfterTheDriveInLongForm)
{
    std::string longFolder = folder + "\\QuorrinLongFolderName";
    ASSERT_TRUE(CreateDirectoryA(longFolder.c_str(), nullptr));
    std::string dll = Touch(longFolder + "\\QuorrinLongLibraryName.dll");
    char shortForm[MAX_PATH] = {};
    ASSERT_NE(GetShortPathNameA(dll.c_str(), shortForm, sizeof shortForm), 0u);
    ASSERT_EQ(std::string(shortForm).find("Long"), std::string::npos) << shortForm;
    // The drive, typed in lower case, stays as typed.
    shortForm[0] = (char)tolower((unsigned char)shortForm[0]);
    SecondStart(shortForm, "C:\\");
    std::string expected = LongForm(dll);
    expected[0] = shortForm[0];
    EXPECT_EQ(first.Path(), expected);
}

TEST_F(HandOff, ADllThatDoesNotExistEmptiesTheBox)
{
    Fill("marker");
    SecondStart("missing.dll");
    EXPECT_EQ(first.Path(), "");
    Fill("marker");
    SecondStart(folder + "\\no-such-folder\\a.dll");
    EXPECT_EQ(first.Path(), "");
}

TEST_F(HandOff, APathThroughAFolderWhoseNameEndsInA5CTrailByteComesBackWhole)
{
    // "ソ" and "表" are 83 5C and 95 5C in code page 932.
    ASSERT_EQ(std::string("ソ"), "\x83\x5c");
    std::string dbcsFolder = folder + "\\ソフト";
    ASSERT_TRUE(CreateDirectoryA(dbcsFolder.c_str(), nullptr))
        << GetLastError() << " acp " << GetACP();
    std::string dll = Touch(dbcsFolder + "\\表.dll");
    SecondStart(dll);
    EXPECT_EQ(first.Path(), dll);
}

TEST_F(HandOff, TokensThatNeverNameTheDllLeaveTheBoxAlone)
{
    Touch(folder + "\\a.dll");
    // Quoted, wrong suffixes, too short, and one byte too long for a path;
    // the last line's twin, 259 bytes, matches (and empties the box, since
    // it does not exist).
    std::string tooLong = std::string(256, 'a') + ".dll";
    std::string longest = std::string(255, 'a') + ".dll";
    ASSERT_EQ(tooLong.size(), 260u);
    for (std::string arguments : {std::string("\"a.dll\""), std::string("a.dl_ a.dll."),
                                  std::string("dll .dl"), tooLong}) {
        SCOPED_TRACE(arguments.substr(0, 20));
        Fill("marker");
        SecondStart(arguments);
        EXPECT_EQ(first.Path(), "marker");
    }
    Fill("marker");
    SecondStart(longest);
    EXPECT_EQ(first.Path(), "");
    // Case does not matter.
    SecondStart("A.dLl");
    EXPECT_EQ(first.Path(), LongForm(folder + "\\a.dll"));
}

} // namespace
