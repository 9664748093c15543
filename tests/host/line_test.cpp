// The viewer's line rules: ViewerPrintf formats as the C library does, on the
// formats it takes apart itself and on those it leaves to vsnprintf, within
// its buffer; every line is cut to its limit and ended with CR LF.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "tests/host/recorder.h"
#include "viewer/viewer.h"

namespace {

// Calls print with the arguments that format takes.
template <typename Print>
int WithArguments(const std::string &format, long long value, const char *text, Print print)
{
    if (format.find('s') != std::string::npos)
        return format.find_first_of("diu") == std::string::npos ? print(text) : print((int)value, text);
    if (format.find('l') != std::string::npos)
        return print((long)value);
    return format.find_first_of("ux") != std::string::npos ? print((unsigned)value) : print((int)value);
}

TEST(ViewerPrintf, FormatsAsTheCLibraryDoes)
{
    const char *formats[] = {"%4d   %s", "%d", "%i|", "%-6d|", "%06d", "%-06d", "%u", "%10u", "x%%y%d", "%s",
                             "%8s|", "%-8s|", "[%3d] %s %%", "%05i", "%.3d", "%+d", "% d", "%x", "%ld"};
    const long long values[] = {0, 1, 7, -1, -42, 9999, 10000, 65535, INT_MAX, INT_MIN, UINT_MAX};
    const char *texts[] = {"", "ab", "GetProcAddress", "\x93\xfa\x96\x7b"};
    for (const char *format : formats) {
        for (long long value : values) {
            for (const char *text : texts) {
                char expected[256];
                WithArguments(format, value, text,
                              [&](auto... args) { return snprintf(expected, sizeof expected, format, args...); });
                Transcript.clear();
                int length =
                    WithArguments(format, value, text, [&](auto... args) { return ViewerPrintf(format, args...); });
                // An empty result adds nothing, not even CR LF.
                EXPECT_EQ(*expected ? expected + std::string("\r\n") : "", Transcript) << format << " " << value;
                EXPECT_EQ((int)strlen(expected), length) << format << " " << value;
            }
        }
    }
}

TEST(ViewerLines, AreCutToTheFormatBufferAndTheLineLimit)
{
    // The format buffer holds 65,535 bytes of text; the line 65,533.
    const std::string name(70000, 'n');
    Transcript.clear();
    EXPECT_EQ(65535, ViewerPrintf("%s", name.c_str()));
    EXPECT_EQ(65535, ViewerPrintf("%4d   %s", 1, name.c_str()));
    EXPECT_EQ(std::string(65533, 'n') + "\r\n   1   " + std::string(65533 - 7, 'n') + "\r\n", Transcript);

    const struct {
        size_t length, kept;
    } rows[] = {{0, 0}, {65533, 65533}, {65534, 65533}};
    static char line[ViewerBufferSize];
    for (const auto &row : rows) {
        EXPECT_EQ(row.kept + 2, ViewerMakeLine(std::string(row.length, 'e').c_str(), line));
        EXPECT_EQ(std::string(row.kept, 'e') + "\r\n", line) << row.length;
    }
}

} // namespace
