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

    // Puts a marker into the first instance's path box, starts a second
    // instance in directory (null: the test's folder) with arguments, which
    // must end by itself with exit code 0 and without a window of its own,
    // and expects the box to hold expected then.
    void ExpectHandOff(const std::string &arguments, const std::string &expected,
                       const char *directory = nullptr)
    {
        SCOPED_TRACE("arguments " + arguments.substr(0, 40));
        first.SetPath("marker");
        ASSERT_EQ(first.Path(), "marker");
        App second;
        second.Start(QuorrinExe(), arguments, directory ? directory : folder.c_str(), false);
        ASSERT_EQ(second.Exit(), 0);
        EXPECT_EQ(FindMain(), first.main);
        EXPECT_EQ(first.Path(), expected);
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
    ExpectHandOff("x.txt b.Dll c.dll", LongForm(folder + "\\b.dll"));
}

TEST_F(HandOff, WithoutArgumentsTheRunningWindowComesToTheFront)
{
    // Something else in front first: a window of this test.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 500, 400, 100,
                                 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(MakeForeground(other));
    ExpectHandOff("", "marker");
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == first.main; }, 5000));
    EXPECT_EQ(first.Path(), "marker");
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
    std::string expected = LongForm(dll);
    expected[0] = shortForm[0];
    ExpectHandOff(shortForm, expected, "C:\\");
}

TEST_F(HandOff, ADllThatDoesNotExistEmptiesTheBox)
{
    ExpectHandOff("missing.dll", "");
    ExpectHandOff(folder + "\\no-such-folder\\a.dll", "");
}

TEST_F(HandOff, APathThroughAFolderWhoseNameEndsInA5CTrailByteComesBackWhole)
{
    // "ソ" and "表" are 83 5C and 95 5C in code page 932.
    ASSERT_EQ(std::string("ソ"), "\x83\x5c");
    std::string dbcsFolder = folder + "\\ソフト";
    ASSERT_TRUE(CreateDirectoryA(dbcsFolder.c_str(), nullptr))
        << GetLastError() << " acp " << GetACP();
    std::string dll = Touch(dbcsFolder + "\\表.dll");
    ExpectHandOff(dll, dll);
}

TEST_F(HandOff, TokensThatNeverNameTheDllLeaveTheBoxAlone)
{
    Touch(folder + "\\a.dll");
    // Quoted, wrong suffixes, too short, and one byte too long for a path;
    // its twin of 259 bytes matches (and empties the box: it does not exist).
    std::string tooLong = std::string(256, 'a') + ".dll";
    ASSERT_EQ(tooLong.size(), 260u);
    for (const std::string &arguments : {std::string("\"a.dll\""), std::string("a.dl_ a.dll."),
                                         std::string("dll .dl"), tooLong})
        ExpectHandOff(arguments, "marker");
    ExpectHandOff(tooLong.substr(1), "");
    ExpectHandOff("A.dLl", LongForm(folder + "\\a.dll")); // case does not matter
}

} // namespace
