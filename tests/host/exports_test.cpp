// The export reader on synthetic images: what a listing holds, how the export
// section is chosen, and that every malformed file ends in exactly one
// message with the viewer untouched, nothing leaked and no outsized buffer.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "exports/exports.h"
#include "tests/host/pe_builder.h"
#include "tests/host/recorder.h"

namespace {

const std::string FileCaption = "ファイル - エラー";
const std::string ArrayCaption = "こんなの出る？";
const std::string Header = "序数        関 数 名\r\n";

int OpenDescriptors()
{
    int count = 0;
    DIR *dir = opendir("/proc/self/fd");
    while (dir && readdir(dir))
        count++;
    if (dir)
        closedir(dir);
    return count;
}

std::string WriteTemp(const std::string &bytes)
{
    char path[] = "/tmp/quorrin-test-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ((ssize_t)bytes.size(), write(fd, bytes.data(), bytes.size()));
    close(fd);
    return path;
}

// Runs the reader on image; returns its result and leaves the events in
// Events. Checks that no file descriptor is left open.
int List(const std::string &image)
{
    std::string path = WriteTemp(image);
    int before = OpenDescriptors();
    StartRecording();
    int result = ListExports(nullptr, path.c_str());
    EXPECT_EQ(before, OpenDescriptors()) << "the stream was not closed";
    unlink(path.c_str());
    return result;
}

// A failed run: result 0, one message with this text and caption, the warning
// style, and not a single viewer call.
void ExpectFailure(const std::string &image, const std::string &text,
                   const std::string &caption = FileCaption)
{
    EXPECT_EQ(0, List(image));
    ASSERT_EQ(1u, Events.size()) << "expected one message and no viewer call";
    EXPECT_EQ(Event::Message, Events[0].kind);
    EXPECT_EQ(text, Events[0].text);
    EXPECT_EQ(caption, Events[0].caption);
    EXPECT_EQ(0x30u, Events[0].style);
}

std::string Listing(const std::vector<std::string> &lines)
{
    std::string text = Header;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text;
}

TEST(Listing, HeaderIsTheTwentyShiftJisBytes)
{
    ASSERT_EQ(1, List(BuildDll({}).image));
    const unsigned char expected[] = {0x8f, 0x98, 0x90, 0x94, ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                      ' ', 0x8a, 0xd6, ' ', 0x90, 0x94, ' ', 0x96, 0xbc, '\r', '\n'};
    EXPECT_EQ(std::string((const char *)expected, sizeof expected), Events[1].text);
}

TEST(Listing, ViewerCallsComeInOrderAfterEveryRead)
{
    ASSERT_EQ(1, List(BuildDll({}).image));
    ASSERT_EQ(6u, Events.size());
    EXPECT_EQ(Event::Clear, Events[0].kind);
    EXPECT_EQ(Event::Line, Events[1].kind);
    EXPECT_EQ("   1   alpha\r\n", Events[2].text);
    EXPECT_EQ("   2   beta\r\n", Events[3].text);
    EXPECT_EQ("   3   gamma\r\n", Events[4].text);
    EXPECT_EQ(Event::Reset, Events[5].kind);
}

TEST(Listing, FollowsTheNameArrayOrderWithoutSorting)
{
    DllLayout layout;
    layout.names = {"zeta", "Alpha", "mid", "alpha"};
    layout.ordinals = {7, 0, 3, 3};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"   8   zeta", "   1   Alpha", "   4   mid", "   4   alpha"}), ViewerText());
}

TEST(Listing, BaseUsesItsLow16BitsAndOrdinalsWrap)
{
    DllLayout layout;
    layout.names = {"first", "last"};
    layout.ordinals = {0, 65535};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"   1   first", "   0   last"}), ViewerText());

    layout.base = 0x10005;
    layout.ordinals = {0, 9990};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"   5   first", "9995   last"}), ViewerText());
}

TEST(Listing, FiveDigitOrdinalsWidenTheirField)
{
    DllLayout layout;
    layout.names = {"big", "biggest"};
    layout.ordinals = {9999, 65534};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"10000   big", "65535   biggest"}), ViewerText());
}

TEST(Listing, NoNamesGivesTheHeaderAlone)
{
    DllLayout layout;
    layout.names = {};
    layout.ordinals = {};
    Built b = BuildDll(layout);
    // Arrays pointing nowhere and an empty section do not matter without names.
    Put32(b.image, b.directoryAt + 32, 0xFFFFFFF0);
    Put32(b.image, b.directoryAt + 36, 0xFFFFFFF0);
    ASSERT_EQ(1, List(b.image));
    EXPECT_EQ(Header, ViewerText());
    EXPECT_EQ(Event::Reset, Events.back().kind);
}

TEST(Listing, Pe32PlusImagesListTheSame)
{
    DllLayout layout;
    layout.pe32Plus = true;
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"   1   alpha", "   2   beta", "   3   gamma"}), ViewerText());
}

TEST(Listing, BytesOfNamesPassUnchanged)
{
    DllLayout layout;
    layout.names = {"\x93\xfa\x96\x7b", "a%sb%n", "with space"};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    EXPECT_EQ(Listing({"   1   \x93\xfa\x96\x7b", "   2   a%sb%n", "   3   with space"}), ViewerText());
}

TEST(Listing, AnOverlongNameIsCutAtTheViewersLineLimit)
{
    DllLayout layout;
    layout.names = {std::string(70000, 'x'), "after"};
    layout.exportSection = {0x2000, 0x12000, 0x400};
    ASSERT_EQ(1, List(BuildDll(layout).image));
    ASSERT_EQ(5u, Events.size());
    EXPECT_EQ(65533u + 2, Events[2].text.size());
    EXPECT_EQ("   1   xxx", Events[2].text.substr(0, 10));
    EXPECT_EQ("\r\n", Events[2].text.substr(65533));
    EXPECT_EQ("   2   after\r\n", Events[3].text);
}

// Three sections whose deltas differ: only the right choice finds the names.
DllLayout ThreeSections(uint32_t exportVa)
{
    DllLayout layout;
    layout.exportSection = {exportVa, 0x200, 0x600};
    layout.otherSections = {{0x1000, 0x200, 0x200}, {0x3000, 0x200, 0x400}, {0x5000, 0x200, 0x800}};
    layout.otherSections.erase(std::remove_if(layout.otherSections.begin(), layout.otherSections.end(),
                                            [&](const Section &s) { return s.virtualAddress == exportVa; }),
                             layout.otherSections.end());
    return layout;
}

TEST(SectionChoice, AnRvaAtASectionStartChoosesThatSection)
{
    ASSERT_EQ(1, List(BuildDll(ThreeSections(0x3000)).image));
    EXPECT_EQ(Listing({"   1   alpha", "   2   beta", "   3   gamma"}), ViewerText());
}

// Copies the export directory to file offset at and points the data
// directory's export RVA to rva.
void MoveDirectory(Built &b, uint32_t at, uint32_t rva)
{
    std::string directory = b.image.substr(b.directoryAt, 40);
    if (b.image.size() < at + 40)
        b.image.resize(at + 40);
    b.image.replace(at, 40, directory);
    Put32(b.image, b.exportRvaAt, rva);
}

TEST(SectionChoice, AnRvaInAGapGoesToTheLowerSection)
{
    // 0x3900 lies between the sections at 0x3000 (raw size 0x200) and
    // 0x5000: the delta of 0x3000 (raw at 0x600) places it at 0xF00.
    Built b = BuildDll(ThreeSections(0x3000));
    MoveDirectory(b, 0xF00, 0x3900);
    ASSERT_EQ(1, List(b.image));
    EXPECT_EQ(Listing({"   1   alpha", "   2   beta", "   3   gamma"}), ViewerText());
}

TEST(SectionChoice, AnRvaBeyondTheLastSectionGoesToTheLast)
{
    Built b = BuildDll(ThreeSections(0x7000));
    ASSERT_EQ(1, List(b.image));
    // Far above the last section's start and its size: still the last one.
    MoveDirectory(b, 0x600 + 0x9000, 0x7000 + 0x9000);
    ASSERT_EQ(1, List(b.image));
    EXPECT_EQ(Listing({"   1   alpha", "   2   beta", "   3   gamma"}), ViewerText());
}

TEST(SectionChoice, FindExportSectionReportsIndexDeltaAndOffset)
{
    Built b = BuildDll(ThreeSections(0x3000));
    const unsigned char *image = (const unsigned char *)b.image.data();
    ExportSection found = FindExportSection(3, image + NtAt, image + b.sectionTableAt);
    EXPECT_EQ(1, found.index);
    EXPECT_EQ(0x3000u - 0x600u, found.delta);
    EXPECT_EQ(0x600u, found.directoryOffset);
    found = FindExportSection(0, image + NtAt, image + b.sectionTableAt);
    EXPECT_EQ(-1, found.index);
}

TEST(NamesOutOfRange, APlaceholderStandsInAndTheRunGoesOn)
{
    const std::string placeholder = "<名前を読めません>";
    DllLayout layout;
    Built b = BuildDll(layout);
    Put32(b.image, b.nameRvasAt + 0, 0x2000 + 0x200);     // one past the section bytes
    Put32(b.image, b.nameRvasAt + 4, 0x1000);             // below the section
    ASSERT_EQ(1, List(b.image));
    EXPECT_EQ(Listing({"   1   " + placeholder, "   2   " + placeholder, "   3   gamma"}), ViewerText());

    // A name whose NUL would lie one byte past the section: placeholder;
    // the same name ending exactly on the last byte: listed.
    Built edge = BuildDll(layout);
    std::string tail = "tail";
    Put32(edge.image, edge.nameRvasAt, 0x2000 + 0x200 - 4);
    edge.image.replace(0x400 + 0x200 - 4, 4, tail);
    ASSERT_EQ(1, List(edge.image));
    EXPECT_EQ("   1   " + placeholder + "\r\n", Events[2].text);
    Put32(edge.image, edge.nameRvasAt, 0x2000 + 0x200 - 4);
    edge.image.replace(0x400 + 0x200 - 4, 4, "tai\0", 4);
    ASSERT_EQ(1, List(edge.image));
    EXPECT_EQ("   1   tai\r\n", Events[2].text);
}

TEST(Failures, OpenAndHeaders)
{
    StartRecording();
    EXPECT_EQ(0, ListExports(nullptr, "/nonexistent/quorrin/x.dll"));
    ASSERT_EQ(1u, Events.size());
    EXPECT_EQ("ファイルオープンに失敗しました", Events[0].text);
    EXPECT_EQ(FileCaption, Events[0].caption);

    Built b = BuildDll({});
    ExpectFailure("", "Dosヘッダーの読みに込みに失敗しました");
    ExpectFailure(b.image.substr(0, 63), "Dosヘッダーの読みに込みに失敗しました");
    ExpectFailure(b.image.substr(0, 64), "NTヘッダーの読み込みに失敗しました");
    ExpectFailure(b.image.substr(0, NtAt + 247), "NTヘッダーの読み込みに失敗しました");

    std::string farAway = b.image;
    Put32(farAway, 60, (uint32_t)farAway.size());
    ExpectFailure(farAway, "NTヘッダーの読み込みに失敗しました");
    Put32(farAway, 60, 0x80000000u); // negative as a signed offset
    ExpectFailure(farAway, "NTヘッダーの読み込みに失敗しました");
    Put32(farAway, 60, 0xFFFFFFFCu);
    ExpectFailure(farAway, "NTヘッダーの読み込みに失敗しました");
}

TEST(Failures, FilesThatAreNoPeImages)
{
    Built b = BuildDll({});
    std::string noMz = b.image;
    noMz[0] = 'Z';
    ExpectFailure(noMz, "PEファイルではありません");
    std::string noPe = b.image;
    noPe[NtAt + 2] = 'X';
    ExpectFailure(noPe, "PEファイルではありません");
    ExpectFailure(std::string(4096, 'A'), "PEファイルではありません");
}

TEST(Failures, SectionTable)
{
    Built b = BuildDll({});
    // Two sections: cut inside the second header, then exactly at its end.
    std::string cut = b.image.substr(0, b.sectionTableAt + 79);
    ExpectFailure(cut, "セクションの読み込みに失敗しました");
    std::string whole = b.image.substr(0, b.sectionTableAt + 80);
    ExpectFailure(whole, "エクスポートディレクトリの読み込みに失敗しました");

    std::string many = b.image;
    Put16(many, NtAt + 6, 65535);
    ExpectFailure(many, "セクションの読み込みに失敗しました");
    EXPECT_LT(LargestCalloc, 65536u) << "allocated for a table the file cannot hold";
}

TEST(Failures, NoExportTable)
{
    const std::string text = "エクスポートテーブルがありません";
    Built none = BuildDll({});
    Put32(none.image, none.exportRvaAt, 0);
    ExpectFailure(none.image, text);

    Built below = BuildDll({});
    Put32(below.image, below.exportRvaAt, 0xFFF); // below the first section
    ExpectFailure(below.image, text);

    Built noSections = BuildDll({});
    Put16(noSections.image, NtAt + 6, 0);
    ExpectFailure(noSections.image, text);

    Built noDirectories = BuildDll({});
    Put32(noDirectories.image, NtAt + 24 + 92, 0); // NumberOfRvaAndSizes
    ExpectFailure(noDirectories.image, text);
}

TEST(Failures, ExportDirectoryOutsideTheFile)
{
    Built b = BuildDll({});
    uint32_t size = (uint32_t)b.image.size();
    MoveDirectory(b, size - 40, 0x2000 + size - 40 - 0x400);
    ASSERT_EQ(1, List(b.image)) << "a directory that ends at the end of the file is read";
    Put32(b.image, b.exportRvaAt, 0x2000 + size - 39 - 0x400);
    ExpectFailure(b.image, "エクスポートディレクトリの読み込みに失敗しました");
    Put32(b.image, b.exportRvaAt, 0xFFFFFFF0u);
    ExpectFailure(b.image, "エクスポートディレクトリの読み込みに失敗しました");
}

TEST(Failures, ArraysAndSectionBytesPastTheEnd)
{
    DllLayout layout;
    Built b = BuildDll(layout);
    uint32_t size = (uint32_t)b.image.size();
    uint32_t delta = 0x2000 - 0x400;

    std::string ordinals = b.image;
    Put32(ordinals, b.directoryAt + 36, size - 5 + delta); // 6 bytes needed, 5 left
    ExpectFailure(ordinals, "序数取得の読み込みに失敗しました");

    std::string names = b.image;
    Put32(names, b.directoryAt + 32, size - 11 + delta); // 12 bytes needed
    ExpectFailure(names, "エクスポート関数名、読み取り位置の読み込みに失敗しました");

    Built longSection = BuildDll(layout);
    longSection.image.resize(0x400 + 0x1FF); // one byte short of the raw data
    ExpectFailure(longSection.image, "エクスポート関数名の読み込みに失敗しました");
    longSection.image.resize(0x400 + 0x200);
    EXPECT_EQ(1, List(longSection.image));

    std::string empty = b.image;
    Put32(empty, b.sectionTableAt + 40 + 16, 0); // export section's SizeOfRawData
    ExpectFailure(empty, "エクスポート関数名の読み込みに失敗しました");
}

TEST(Failures, HugeCountsNeverAllocateWhatTheFileCannotHold)
{
    Built b = BuildDll({});
    std::string image = b.image;
    Put32(image, b.directoryAt + 24, 1000000);
    ExpectFailure(image, "序数取得の読み込みに失敗しました");
    EXPECT_LT(LargestCalloc, 4096u);

    Put32(image, b.directoryAt + 24, 0x7FFFFFFF); // 4 x N does not fit 32 bits
    ExpectFailure(image, "Memory Allocation Error 2", ArrayCaption);
    Put32(image, b.directoryAt + 24, 0x80000000u); // neither does 2 x N
    ExpectFailure(image, "Memory Allocation Error 1", ArrayCaption);
    Put32(image, b.directoryAt + 24, 0xFFFFFFFFu);
    ExpectFailure(image, "Memory Allocation Error 1", ArrayCaption);
    EXPECT_EQ(80u, LargestCalloc) << "only the section table was allocated";

    std::string section = b.image;
    Put32(section, b.sectionTableAt + 40 + 16, 0xFFFFFFFFu);
    ExpectFailure(section, "エクスポート関数名の読み込みに失敗しました");
    EXPECT_LT(LargestCalloc, 4096u);
}

TEST(Failures, AllocationFailuresEachGiveTheirRow)
{
    std::string image = BuildDll({}).image;
    struct Row {
        int call;
        const char *text;
        const char *caption;
    } rows[] = {
        {1, "メモリー確保に失敗しました", "メモリー - エラー"},
        {2, "Memory Allocation Error 1", "こんなの出る？"},
        {3, "Memory Allocation Error 2", "こんなの出る？"},
        {4, "Memory Allocation Error 3", "こんなの出る？"},
    };
    for (const Row &row : rows) {
        std::string path = WriteTemp(image);
        StartRecording();
        FailCallocNumber = row.call;
        EXPECT_EQ(0, ListExports(nullptr, path.c_str()));
        unlink(path.c_str());
        ASSERT_EQ(1u, Events.size()) << "calloc " << row.call;
        EXPECT_EQ(row.text, Events[0].text);
        EXPECT_EQ(row.caption, Events[0].caption);
    }
}

TEST(Failures, ADirectoryIsNoFile)
{
    StartRecording();
    EXPECT_EQ(0, ListExports(nullptr, "/tmp"));
    ASSERT_EQ(1u, Events.size());
    EXPECT_EQ(Event::Message, Events[0].kind);
}

} // namespace
