// Single instance: a second start hands its DLL path to the running one (or
// just brings it to the front) and ends with exit code 0.
#include <gtest/gtest.h>

#include "tests/shell/shell_support.h"

using namespace shelltest;

namespace {

class HandOff : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(NoMainWindow()) << "a Quorrin window is left from elsewhere";
        folder = qt::TempFolder("handoff");
        Start(first, QuorrinExe(), "");
        ASSERT_NE(first.main, nullptr);
        pathEdit = GetWindow(first.main, GW_CHILD);
    }

    // Starts a second instance in directory with arguments; it must end by
    // itself with exit code 0 and without a window of its own.
    void SecondStart(const std::string &arguments, const char *directory = nullptr)
    {
        Instance second;
        Start(second, QuorrinExe(), arguments, directory ? directory : folder.c_str(), false);
        ASSERT_EQ(second.Exit(), 0);
        EXPECT_EQ(FindMain(), first.main);
    }

    // Puts text into the first instance's path box, as a marker.
    void Fill(const char *text)
    {
        SendMessageA(pathEdit, WM_SETTEXT, 0, (LPARAM)text);
        ASSERT_EQ(qt::Text(pathEdit), text);
    }

    std::string Touch(const std::string &path)
    {
        EXPECT_TRUE(qt::WriteFileBytes(path, "MZ"));
        return path;
    }

    static std::string LongForm(const std::string &path)
    {
        char result[MAX_PATH] = {};
        GetLongPathNameA(path.c_str(), result, sizeof result);
        return result;
    }

    std::string folder;
    Instance first;
    HWND pathEdit = nullptr;
};

TEST_F(HandOff, FirstDllTokenOfSeveralArrivesInLongFormAbsoluteToTheStartingDirectory)
{
    Touch(folder + "\\b.dll");
    Touch(folder + "\\c.dll");
    // b.Dll is relative: it names the file in the second start's directory,
    // not in the first instance's.
    SecondStart("x.txt b.Dll c.dll");
    EXPECT_EQ(qt::Text(pathEdit), LongForm(folder + "\\b.dll"));
}

TEST_F(HandOff, WithoutArgumentsTheRunningWindowComesToTheFront)
{
    Fill("unchanged");
    // Something else in front first: a window of this test.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 500, 400, 100,
                                 50, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(MakeForeground(other));
    SecondStart("");
    EXPECT_TRUE(qt::WaitFor([&] { return GetForegroundWindow() == first.main; }, 5000));
    EXPECT_EQ(qt::Text(pathEdit), "unchanged");
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
    EXPECT_EQ(qt::Text(pathEdit), expected);
}

TEST_F(HandOff, ADllThatDoesNotExistEmptiesTheBox)
{
    Fill("marker");
    SecondStart("missing.dll");
    EXPECT_EQ(qt::Text(pathEdit), "");
    Fill("marker");
    SecondStart(folder + "\\no-such-folder\\a.dll");
    EXPECT_EQ(qt::Text(pathEdit), "");
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
    EXPECT_EQ(qt::Text(pathEdit), dll);
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
        EXPECT_EQ(qt::Text(pathEdit), "marker");
    }
    Fill("marker");
    SecondStart(longest);
    EXPECT_EQ(qt::Text(pathEdit), "");
    // Case does not matter.
    SecondStart("A.dLl");
    EXPECT_EQ(qt::Text(pathEdit), LongForm(folder + "\\a.dll"));
}

} // namespace
