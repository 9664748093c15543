// The export reader on PE images built in memory: one table of files and the exact transcript of each
// run, every malformed file next to its exact-boundary twin. Then the viewer's line rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "exports/exports.h"
#include "tests/host/recorder.h"
#include "viewer/viewer.h"

namespace {

using Image = std::string;
struct Section { uint32_t virtualAddress, sizeOfRawData, pointerToRawData; };

// Four sections whose deltas all differ, the directory at the start of the second, the only one with bytes.
struct DllLayout {
    std::vector<std::string> names = {"alpha", "beta", "gamma"};
    std::vector<uint16_t> ordinals = {0, 1, 2}; // unbiased, parallel to names
    uint32_t base = 1, exportIndex = 1;
    bool pe32Plus = false;
    std::vector<Section> sections = {{0x1000, 0x200, 0x200}, {0x3000, 0x200, 0x400}, {0x5000, 0x200, 0x800},
                                     {0x7000, 0x200, 0xA00}};
};

// File offsets in the default layout: in the headers, in the export directory and its arrays, its size;
// Delta turns an offset in the export section into its RVA.
enum : uint32_t {
    NtAt = 0x40, SectionCountAt = NtAt + 6, ExportRvaAt = NtAt + 24 + 96, SectionTableAt = NtAt + 248,
    ExportRawSizeAt = SectionTableAt + 40 + 16, DirectoryAt = 0x400, CountAt = DirectoryAt + 24,
    NameRvasRvaAt = DirectoryAt + 32, OrdinalsRvaAt = DirectoryAt + 36, OrdinalsAt = DirectoryAt + 40,
    NameRvasAt = OrdinalsAt + 6, FileSize = 0x600, Delta = 0x3000 - 0x400,
};

void Put(Image &image, size_t at, uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; i++)
        image[at + i] = char(value >> 8 * i);
}

// The headers, the section table and the export section: directory, ordinals, name RVAs and names.
Image BuildDll(const DllLayout &layout)
{
    const Section &s = layout.sections[layout.exportIndex];
    Image image(std::max(0x400u, s.pointerToRawData + s.sizeOfRawData), '\0');
    image.replace(0, 2, "MZ");
    Put(image, 60, NtAt);
    image.replace(NtAt, 4, "PE\0\0", 4);
    // The 16 data directories end the optional header.
    uint32_t optSize = layout.pe32Plus ? 240 : 224, directories = NtAt + 24 + optSize - 128;
    Put(image, SectionCountAt, (uint32_t)layout.sections.size(), 2);
    Put(image, NtAt + 20, optSize, 2);
    Put(image, NtAt + 24, layout.pe32Plus ? 0x20B : 0x10B, 2);
    Put(image, directories - 4, 16); // NumberOfRvaAndSizes
    Put(image, directories, s.virtualAddress);
    for (uint32_t i = 0, at = NtAt + 24 + optSize; i < layout.sections.size(); i++, at += 40) {
        Put(image, at + 12, layout.sections[i].virtualAddress);
        Put(image, at + 16, layout.sections[i].sizeOfRawData);
        Put(image, at + 20, layout.sections[i].pointerToRawData);
    }
    uint32_t n = (uint32_t)layout.names.size(), directory = s.pointerToRawData;
    uint32_t delta = s.virtualAddress - directory, ordinals = directory + 40, nameRvas = ordinals + 2 * n;
    Put(image, directory + 16, layout.base);
    Put(image, directory + 24, n);
    Put(image, directory + 32, nameRvas + delta);
    Put(image, directory + 36, ordinals + delta);
    for (uint32_t i = 0, at = nameRvas + 4 * n; i < n; at += (uint32_t)layout.names[i++].size() + 1) {
        Put(image, ordinals + 2 * i, layout.ordinals[i], 2);
        Put(image, nameRvas + 4 * i, at + delta);
        image.replace(at, layout.names[i].size() + 1, layout.names[i].c_str(), layout.names[i].size() + 1);
    }
    return image;
}

// Changes to a built image, and to the run: FailCall fails that allocation (1-based); the
// file changes of the last two are made once the first line has been written.
using Change = std::function<void(Image &)>;
Change Set(uint32_t at, uint32_t value, int bytes = 4) { return [=](Image &d) { Put(d, at, value, bytes); }; }
Change Cut(size_t size) { return [=](Image &d) { d.resize(size); }; }
Change FailCall(size_t number) { return [=](Image &) { FailBlockNumber = number; }; }

Change CutWhileListed(off_t size)
{
    return [=](Image &) {
        WhileListed = [=](const char *path) { ASSERT_EQ(0, truncate(path, size)); };
    };
}

Change OverwrittenWhileListed(long at, size_t length)
{
    return [=](Image &) {
        WhileListed = [=](const char *path) {
            FILE *file = fopen(path, "r+b");
            ASSERT_TRUE(file);
            fseek(file, at, SEEK_SET);
            fwrite(std::string(length, '\xFF').data(), 1, length, file);
            fclose(file);
        };
    };
}

// Copies length bytes at from to file offset to, growing the file as needed, and points field at the copy.
Change Moved(uint32_t field, uint32_t from, uint32_t length, uint32_t to, uint32_t delta = Delta)
{
    return [=](Image &d) {
        d.resize(std::max(d.size(), (size_t)to + length));
        d.replace(to, length, d.substr(from, length));
        Put(d, field, to + delta);
    };
}

// The header line, as the CP932 bytes that the viewer receives, and the lines.
std::string Listed(const std::vector<std::string> &lines)
{
    std::string text = "[clear]\x8f\x98\x90\x94        \x8a\xd6 \x90\x94 \x96\xbc\r\n";
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text + "[reset]";
}

// One warning box (MB_OK | MB_ICONWARNING) and not a single viewer call.
std::string Shown(const std::string &text, const std::string &caption = "ファイル - エラー") { return "[message 48] " + caption + ": " + text; }

const std::string Unreadable = "<名前を読めません>",
    Abc = Listed({"   1   alpha", "   2   beta", "   3   gamma"}),
    DosFailed = Shown("Dosヘッダーの読みに込みに失敗しました"), NotPe = Shown("PEファイルではありません"),
    NtFailed = Shown("NTヘッダーの読み込みに失敗しました"),
    SectionsFailed = Shown("セクションの読み込みに失敗しました"),
    NoExportTable = Shown("エクスポートテーブルがありません"),
    DirectoryFailed = Shown("エクスポートディレクトリの読み込みに失敗しました"),
    OrdinalsFailed = Shown("序数取得の読み込みに失敗しました"),
    NameRvasFailed = Shown("エクスポート関数名、読み取り位置の読み込みに失敗しました"),
    NamesFailed = Shown("エクスポート関数名の読み込みに失敗しました"),
    NoMemory1 = Shown("Memory Allocation Error 1", "こんなの出る？"),
    NoMemory2 = Shown("Memory Allocation Error 2", "こんなの出る？"),
    NoMemory3 = Shown("Memory Allocation Error 3", "こんなの出る？"),
    NoTableMemory = Shown("メモリー確保に失敗しました", "メモリー - エラー");

// A run shows exactly what was expected, returns 1 for a listing and 0 for a message, closes its stream
// and allocates no block larger than the file.
void ExpectRun(int result, const std::string &expected, size_t fileSize)
{
    EXPECT_EQ(expected, Transcript);
    EXPECT_EQ(expected.compare(0, 7, "[clear]") == 0 ? 1 : 0, result);
    EXPECT_FALSE(DescriptorLeftOpen) << "the stream was not closed";
    EXPECT_LE(LargestBlock, fileSize) << "allocated more than the file holds";
}

TEST(Reader, ListsOrRefusesEachFile)
{
    const struct { const char *name; DllLayout layout; Change change; std::string expected; } rows[] = {
        {"names come in the name array's order, unsorted", {{"zeta", "Alpha", "mid", "alpha"}, {7, 0, 3, 3}},
         {}, Listed({"   8   zeta", "   1   Alpha", "   4   mid", "   4   alpha"})},
        {"ordinals wrap at 16 bits", {{"a", "b"}, {0, 65535}}, {}, Listed({"   1   a", "   0   b"})},
        {"Base 0xFFFF counts in full", {{"a", "b"}, {0, 1}, 0xFFFF}, {}, Listed({"65535   a", "   0   b"})},
        {"Base 0x10005 counts as 5", {{"a", "b"}, {0, 9990}, 0x10005}, {}, Listed({"   5   a", "9995   b"})},
        {"five digits widen the field", {{"a", "b"}, {9999, 65534}}, {}, Listed({"10000   a", "65535   b"})},
        {"no names give the header alone, wherever the arrays point", {{}, {}},
         [](Image &d) { Put(d, NameRvasRvaAt, ~0u); Put(d, OrdinalsRvaAt, ~0u); }, Listed({})},
        {"PE32+ keeps its data directories further on", {{"a"}, {0}, 1, 1, true}, {}, Listed({"   1   a"})},
        {"the bytes of names pass unchanged", {{"\x93\xfa\x96\x7b", "a%sb%n", "a b"}, {0, 1, 2}}, {},
         Listed({"   1   \x93\xfa\x96\x7b", "   2   a%sb%n", "   3   a b"})},
        {"an overlong name is cut at the viewer's line limit",
         {{std::string(70000, 'x'), "after"}, {0, 1}, 1, 1, false, {{0x1000, 0, 0}, {0x2000, 0x12000, 0x400}}},
         {}, Listed({"   1   " + std::string(65533 - 7, 'x'), "   2   after"})},
        {"an RVA in a gap takes the section below", {}, Moved(ExportRvaAt, DirectoryAt, 40, 0xD00), Abc},
        {"an RVA at the last section's start takes it", {{"a"}, {0}, 1, 3}, {}, Listed({"   1   a"})},
        {"an RVA far beyond the last section takes it", {{"a"}, {0}, 1, 3},
         Moved(ExportRvaAt, 0xA00, 40, 0xA00 + 0x9000, 0x7000 - 0xA00), Listed({"   1   a"})},
        {"names past or below the section are unreadable and the run goes on", {},
         [](Image &d) { Put(d, NameRvasAt, FileSize + Delta); Put(d, NameRvasAt + 4, 0x1000); },
         Listed({"   1   " + Unreadable, "   2   " + Unreadable, "   3   gamma"})},
        {"a name whose NUL would lie one byte past the section is unreadable", {},
         [](Image &d) { Put(d, NameRvasAt, FileSize - 4 + Delta); d.replace(FileSize - 4, 4, "tail"); },
         Listed({"   1   " + Unreadable, "   2   beta", "   3   gamma"})},
        {"a name that ends on the section's last byte is listed", {},
         [](Image &d) { Put(d, NameRvasAt, FileSize - 4 + Delta); d.replace(FileSize - 4, 4, "tai\0", 4); },
         Listed({"   1   tai", "   2   beta", "   3   gamma"})},
        {"63 bytes are one short of the DOS header", {}, Cut(63), DosFailed},
        {"64 bytes hold the DOS header but no NT headers", {}, Cut(64), NtFailed},
        {"NT headers one byte short", {}, Cut(NtAt + 247), NtFailed},
        {"NT headers that end the file", {}, Cut(NtAt + 248), SectionsFailed},
        {"e_lfanew one byte too far", {}, Set(60, FileSize - 247), NtFailed},
        {"e_lfanew that just fits the NT headers", {}, Set(60, FileSize - 248), NotPe},
        {"e_lfanew negative as a signed offset", {}, Set(60, 0x80000000), NtFailed},
        {"e_lfanew of -4", {}, Set(60, 0xFFFFFFFC), NtFailed},
        {"no MZ", {}, Set(0, 'Z', 1), NotPe},
        {"an M without its Z", {}, Set(1, 'X', 1), NotPe},
        {"no PE signature", {}, Set(NtAt + 2, 'X', 1), NotPe},
        {"4,096 bytes of text", {}, [](Image &d) { d.assign(4096, 'A'); }, NotPe},
        {"a section table one byte short", {}, Cut(SectionTableAt + 159), SectionsFailed},
        {"a section table that ends the file", {}, Cut(SectionTableAt + 160), DirectoryFailed},
        {"65,535 sections", {}, Set(SectionCountAt, 65535, 2), SectionsFailed},
        {"an export RVA of 0", {}, Set(ExportRvaAt, 0), NoExportTable},
        {"an export RVA below the first section", {}, Set(ExportRvaAt, 0xFFF), NoExportTable},
        {"no sections", {}, Set(SectionCountAt, 0, 2), NoExportTable},
        {"no data directories", {}, Set(NtAt + 24 + 92, 0), NoExportTable},
        {"a directory that ends the file", {}, Moved(ExportRvaAt, DirectoryAt, 40, FileSize - 40), Abc},
        {"a directory one byte past the end", {}, Set(ExportRvaAt, FileSize - 39 + Delta), DirectoryFailed},
        {"a directory at 4 GiB", {}, Set(ExportRvaAt, 0xFFFFFFF0), DirectoryFailed},
        {"ordinals that end the file", {}, Moved(OrdinalsRvaAt, OrdinalsAt, 6, FileSize - 6), Abc},
        {"ordinals one byte past the end", {}, Set(OrdinalsRvaAt, FileSize - 5 + Delta), OrdinalsFailed},
        {"name RVAs that end the file", {}, Moved(NameRvasRvaAt, NameRvasAt, 12, FileSize - 12), Abc},
        {"name RVAs one byte past the end", {}, Set(NameRvasRvaAt, FileSize - 11 + Delta), NameRvasFailed},
        {"section bytes that end the file, an RVA at its section's start", {}, Cut(FileSize), Abc},
        {"section bytes one byte past the end", {}, Cut(FileSize - 1), NamesFailed},
        {"no section bytes", {}, Set(ExportRawSizeAt, 0), NamesFailed},
        {"4 GiB of section bytes", {}, Set(ExportRawSizeAt, ~0u), NamesFailed},
        {"name RVAs that just fit in 4 GiB", {}, Set(CountAt, 0x3FFFFFFF), OrdinalsFailed},
        {"name RVAs of 4 GiB", {}, Set(CountAt, 0x40000000), NoMemory2},
        {"ordinals that just fit in 4 GiB", {}, Set(CountAt, 0x7FFFFFFF), NoMemory2},
        {"ordinals of 4 GiB", {}, Set(CountAt, 0x80000000), NoMemory1},
        {"no memory for the section table", {}, FailCall(1), NoTableMemory},
        {"no memory for the ordinals", {}, FailCall(2), NoMemory1},
        {"no memory for the name RVAs", {}, FailCall(3), NoMemory2},
        {"no memory for the section bytes", {}, FailCall(4), NoMemory3},
        {"a file cut to nothing while it is listed", {}, CutWhileListed(0), Abc},
        {"an export section overwritten while it is listed", {},
         OverwrittenWhileListed(DirectoryAt, FileSize - DirectoryAt), Abc},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Image dll = BuildDll(row.layout);
        if (row.change)
            row.change(dll);
        ExpectRun(ListBytes(dll), row.expected, dll.size());
    }
    ExpectRun(ListPath("/nonexistent/quorrin/x.dll"), Shown("ファイルオープンに失敗しました"), 0);
    ExpectRun(ListPath("/tmp"), DosFailed, 0); // a directory opens, but reads nothing
}

TEST(ViewerPrintf, AddsItsTextAsOneLineAndReturnsItsLength)
{
    const struct { int ordinal; const char *name, *line; } rows[] = {
        {7, "ab", "   7   ab"},
        {12345, "ab", "12345   ab"}, // five digits widen the field
    };
    for (const auto &row : rows) {
        Transcript.clear();
        EXPECT_EQ((int)strlen(row.line), ViewerPrintf("%4d   %s", row.ordinal, row.name));
        EXPECT_EQ(row.line + std::string("\r\n"), Transcript);
    }
    Transcript.clear();
    EXPECT_EQ(0, ViewerPrintf("%s", ""));
    EXPECT_EQ("", Transcript) << "an empty result adds nothing, not even CR LF";
}

TEST(ViewerLines, AreCutToTheFormatBufferAndTheLineLimit)
{
    // The format buffer holds 65,535 bytes of text; the line 65,533.
    const std::string name(70000, 'n');
    Transcript.clear();
    EXPECT_EQ(65535, ViewerPrintf("%s", name.c_str()));
    EXPECT_EQ(65535, ViewerPrintf("%4d   %s", 1, name.c_str()));
    EXPECT_EQ(std::string(65533, 'n') + "\r\n   1   " + std::string(65533 - 7, 'n') + "\r\n", Transcript);
    const struct { size_t length, kept; } rows[] = {{0, 0}, {65533, 65533}, {65534, 65533}};
    static char line[ViewerBufferSize];
    for (const auto &row : rows) {
        EXPECT_EQ(row.kept + 2, ViewerMakeLine(std::string(row.length, 'e').c_str(), line));
        EXPECT_EQ(std::string(row.kept, 'e') + "\r\n", line) << row.length;
    }
}

} // namespace
