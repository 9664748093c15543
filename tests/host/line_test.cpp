// The viewer's line rules on the host: ViewerPrintf formats exactly as the C
// library would, bounded to its buffer, and every line is cut and ended the
// same way.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "tests/host/recorder.h"
#include "viewer/viewer.h"

namespace {

std::string Reference(const char *format, long long value, const char *text)
{
    char buffer[256];
    std::string f = format;
    if (f.find('s') != std::string::npos && f.find_first_of("diu") == std::string::npos)
        snprintf(buffer, sizeof buffer, format, text);
    else if (f.find('s') != std::string::npos)
        snprintf(buffer, sizeof buffer, format, (int)value, text);
    else if (f.find('u') != std::string::npos)
        snprintf(buffer, sizeof buffer, format, (unsigned)value);
    else
        snprintf(buffer, sizeof buffer, format, (int)value);
    return buffer;
}

int Printf(const char *format, long long value, const char *text)
{
    std::string f = format;
    if (f.find('s') != std::string::npos && f.find_first_of("diu") == std::string::npos)
        return ViewerPrintf(format, text);
    if (f.find('s') != std::string::npos)
        return ViewerPrintf(format, (int)value, text);
    if (f.find('u') != std::string::npos)
        return ViewerPrintf(format, (unsigned)value);
    return ViewerPrintf(format, (int)value);
}

TEST(ViewerPrintf, MatchesTheCLibraryOnTheFormatsItSpeedsUp)
{
    const char *formats[] = {"%4d   %s", "%d", "%i|", "%-6d|", "%06d", "%-06d", "%u", "%10u",
                             "x%%y%d", "%s", "%8s|", "%-8s|", "[%3d] %s %%", "%05i", "%.3d",
                             "%+d", "% d", "%x", "%ld"};
    const long long values[] = {0, 1, 7, -1, -42, 9999, 10000, 65535, INT_MAX, INT_MIN, UINT_MAX};
    const char *texts[] = {"", "ab", "GetProcAddress", "\x93\xfa\x96\x7b"};
    for (const char *format : formats) {
        for (long long value : values) {
            for (const char *text : texts) {
                std::string f = format;
                if (f == "%x" || f == "%ld")
                    continue; // only as a fallback check below
                StartRecording();
                std::string expected = Reference(format, value, text);
                int length = Printf(format, value, text);
                EXPECT_EQ((int)expected.size(), length) << format << " " << value;
                std::string got = Events.empty() ? "" : Events[0].text;
                EXPECT_EQ(expected.empty() ? "" : expected + "\r\n", got) << format << " " << value;
            }
        }
    }
    StartRecording();
    EXPECT_EQ(4, ViewerPrintf("%x", 0xBEEF));
    EXPECT_EQ("beef\r\n", Events[0].text);
}

TEST(ViewerPrintf, TheLineRulesOfTheViewer)
{
    StartRecording();
    EXPECT_EQ(9, ViewerPrintf("%4d   %s", 7, "ab"));
    EXPECT_EQ("   7   ab\r\n", Events[0].text);
    EXPECT_EQ(10, ViewerPrintf("%4d   %s", 12345, "ab"));
    EXPECT_EQ("12345   ab\r\n", Events[1].text);

    StartRecording();
    EXPECT_EQ(0, ViewerPrintf("%s", ""));
    EXPECT_TRUE(Events.empty()) << "an empty result adds nothing, not even CR LF";

    // The format buffer holds 65,535 bytes of text; the line 65,533.
    std::string longName(70000, 'n');
    StartRecording();
    EXPECT_EQ(65535, ViewerPrintf("%s", longName.c_str()));
    EXPECT_EQ(std::string(65533, 'n') + "\r\n", Events[0].text);
    EXPECT_EQ(65535, ViewerPrintf("%4d   %s", 1, longName.c_str()));
    EXPECT_EQ("   1   " + std::string(65533 - 7, 'n') + "\r\n", Events[1].text);
}

TEST(ViewerMakeLine, CutsAt65533BytesAndEndsWithCrLf)
{
    static char line[ViewerBufferSize];
    EXPECT_EQ(2u, ViewerMakeLine("", line));
    EXPECT_STREQ("\r\n", line);
    std::string exact(65533, 'e');
    EXPECT_EQ(65535u, ViewerMakeLine(exact.c_str(), line));
    EXPECT_EQ(exact + "\r\n", std::string(line));
    std::string over(65534, 'o');
    EXPECT_EQ(65535u, ViewerMakeLine(over.c_str(), line));
    EXPECT_EQ(std::string(65533, 'o') + "\r\n", std::string(line));
}

} // namespace
