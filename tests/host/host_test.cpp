// The export reader on PE images built in memory: a table of files and the exact transcript of each
// run. Then the viewer's line rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <vector>

#include "exports/exports.h"
#include "tests/host/recorder.h"
#include "viewer/viewer.h"

namespace {

using Image = std::string;
struct Section {
    uint32_t virtualAddress, sizeOfRawData, pointerToRawData;
};

// Four sections whose deltas all differ, the directory at the start of the second, the only one
// with bytes.
struct DllLayout {
    std::vector<std::string> names = {"alpha", "beta", "gamma"};
    std::vector<uint16_t> ordinals = {0, 1, 2}; // unbiased, parallel to names
    uint32_t base = 1, exportIndex = 1;
    bool pe32Plus = false;
    std::vector<Section> sections = {{0x1000, 0x200, 0x200},
                                     {0x3000, 0x200, 0x400},
                                     {0x5000, 0x200, 0x800},
                                     {0x7000, 0x200, 0xA00}};
};

// File offsets in the default layout: in the headers, in the export directory and its arrays, its
// size; Delta turns an offset in the export section into its RVA.
enum : uint32_t {
    NtAt = 0x40,
    SectionCountAt = NtAt + 6,
    ExportRvaAt = NtAt + 24 + 96,
    SectionTableAt = NtAt + 248,
    ExportRawSizeAt = SectionTableAt + 40 + 16,
    DirectoryAt = 0x400,
    CountAt = DirectoryAt + 24,
    NameRvasRvaAt = DirectoryAt + 32,
    OrdinalsRvaAt = DirectoryAt + 36,
    OrdinalsAt = DirectoryAt + 40,
    NameRvasAt = OrdinalsAt + 6,
    FileSize = 0x600,
    Delta = 0x3000 - 0x400,
};

void Put(Image &image, size_t at, uint32_t value, int bytes = 4)
{
    for (int i = 0; i < bytes; i++)
        image[at + i] = char(value >> 8 * i);
}

// The headers, the section table and the export section: directory, ordinals, name RVAs and names.
Image BuildDll(const DllLayout &layout)
{
    const Section &exports = layout.sections[layout.exportIndex];
    Image image(std::max(0x400u, exports.pointerToRawData + exports.sizeOfRawData), '\0');
    image.replace(0, 2, "MZ");
    Put(image, 60, NtAt);
    image.replace(NtAt, 4, "PE\0\0", 4);
    // The 16 data directories end the optional header; the section table follows it.
    uint32_t optionalSize = layout.pe32Plus ? 240 : 224;
    uint32_t directories = NtAt + 24 + optionalSize - 128;
    Put(image, SectionCountAt, (uint32_t)layout.sections.size(), 2);
    Put(image, NtAt + 20, optionalSize, 2);
    Put(image, NtAt + 24, layout.pe32Plus ? 0x20B : 0x10B, 2);
    Put(image, directories - 4, 16); // NumberOfRvaAndSizes
    Put(image, directories, exports.virtualAddress);
    for (size_t i = 0; i < layout.sections.size(); i++) {
        uint32_t at = NtAt + 24 + optionalSize + 40 * (uint32_t)i;
        Put(image, at + 12, layout.sections[i].virtualAddress);
        Put(image, at + 16, layout.sections[i].sizeOfRawData);
        Put(image, at + 20, layout.sections[i].pointerToRawData);
    }
    uint32_t count = (uint32_t)layout.names.size();
    uint32_t directory = exports.pointerToRawData;
    uint32_t delta = exports.virtualAddress - directory;
    uint32_t ordinals = directory + 40;
    uint32_t nameRvas = ordinals + 2 * count;
    Put(image, directory + 16, layout.base);
    Put(image, directory + 24, count);
    Put(image, directory + 32, nameRvas + delta);
    Put(image, directory + 36, ordinals + delta);
    uint32_t nameAt = nameRvas + 4 * count;
    for (uint32_t i = 0; i < count; i++) {
        const std::string &name = layout.names[i];
        Put(image, ordinals + 2 * i, layout.ordinals[i], 2);
        Put(image, nameRvas + 4 * i, nameAt + delta);
        image.replace(nameAt, name.size() + 1, name.c_str(), name.size() + 1);
        nameAt += (uint32_t)name.size() + 1;
    }
    return image;
}

// Changes to a built image, and to the run.
using Change = std::function<void(Image &)>;

Change Set(uint32_t at, uint32_t value, int bytes = 4)
{
    return [=](Image &dll) { Put(dll, at, value, bytes); };
}

Change Cut(size_t size)
{
    return [=](Image &dll) { dll.resize(size); };
}

// Copies length bytes at from to file offset to, growing the file as needed, and points field at
// the copy.
Change Moved(uint32_t field, uint32_t from, uint32_t length, uint32_t to, uint32_t delta = Delta)
{
    return [=](Image &dll) {
        dll.resize(std::max(dll.size(), (size_t)to + length));
        dll.replace(to, length, dll.substr(from, length));
        Put(dll, field, to + delta);
    };
}

// The first name's RVA points at file offset at, where text is written.
Change FirstNameAt(uint32_t at, const std::string &text)
{
    return [=](Image &dll) {
        Put(dll, NameRvasAt, at + Delta);
        dll.replace(at, text.size(), text);
    };
}

Change FailAllocation(size_t number)
{
    return [=](Image &) { FailBlockNumber = number; };
}

Change Filled(size_t at, size_t length)
{
    return [=](Image &dll) { dll.replace(at, length, length, '\xFF'); };
}

// Once the first line has been written, the listed file becomes the image changed.
Change WhileListing(Change change)
{
    return [=](Image &dll) {
        Image changed = dll;
        change(changed);
        WhileListed = [=] { ASSERT_TRUE(std::ofstream(Scratch, std::ios::binary) << changed); };
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
std::string Shown(const std::string &text, const std::string &caption = "ファイル - エラー")
{
    return "[message 48] " + caption + ": " + text;
}

const std::string Abc = Listed({"   1   alpha", "   2   beta", "   3   gamma"});
const std::string JustA = Listed({"   1   a"});
const std::string DosFailed = Shown("Dosヘッダーの読みに込みに失敗しました");
const std::string NotPe = Shown("PEファイルではありません");
const std::string NtFailed = Shown("NTヘッダーの読み込みに失敗しました");
const std::string SectionsFailed = Shown("セクションの読み込みに失敗しました");
const std::string NoExportTable = Shown("エクスポートテーブルがありません");
const std::string DirectoryFailed = //
    Shown("エクスポートディレクトリの読み込みに失敗しました");
const std::string OrdinalsFailed = Shown("序数取得の読み込みに失敗しました");
const std::string NameRvasFailed = //
    Shown("エクスポート関数名、読み取り位置の読み込みに失敗しました");
const std::string NamesFailed = //
    Shown("エクスポート関数名の読み込みに失敗しました");
const std::string NoMemory1 = Shown("Memory Allocation Error 1", "こんなの出る？");
const std::string NoMemory2 = Shown("Memory Allocation Error 2", "こんなの出る？");
const std::string NoMemory3 = Shown("Memory Allocation Error 3", "こんなの出る？");
const std::string NoTableMemory = //
    Shown("メモリー確保に失敗しました", "メモリー - エラー");

// A run shows exactly what was expected, returns 1 for a listing and 0 for a message, closes its
// stream and allocates no block larger than the file.
void ExpectRun(int result, const std::string &expected, size_t fileSize)
{
    EXPECT_EQ(expected, Transcript);
    EXPECT_EQ(expected.compare(0, 7, "[clear]") == 0 ? 1 : 0, result);
    EXPECT_FALSE(DescriptorLeftOpen) << "the stream was not closed";
    EXPECT_LE(LargestBlock, fileSize) << "allocated more than the file holds";
}

// Every malformed file next to its exact-boundary twin, in the default DLL or one laid out in
// another way.
TEST(Reader, ListsOrRefusesEachFile)
{
    const std::string longName(70000, 'x');
    const std::vector<Section> longSection = {{0x1000, 0, 0}, {0x2000, 0x12000, 0x400}};
    const std::string unreadable = "   1   <名前を読めません>";
    const std::string firstUnreadable = Listed({unreadable, "   2   beta", "   3   gamma"});
    struct Row {
        const char *name;
        Change change;
        std::string expected;
        DllLayout layout = {};
    } rows[] = {
        {"names in the name array's order, unsorted, their bytes unchanged",
         {},
         Listed({"   8   zeta", "   1   \x93\xfa\x96\x7b", "   4   mid", "   4   a%sb%n"}),
         {{"zeta", "\x93\xfa\x96\x7b", "mid", "a%sb%n"}, {7, 0, 3, 3}}},
        {"Base 0x1FFFF counts as 0xFFFF, sums wrap at 16 bits, five digits widen the field",
         {},
         Listed({"65535   a", "   0   b", "9999   c"}),
         {{"a", "b", "c"}, {0, 1, 10000}, 0x1FFFF}},
        {"no names, arrays anywhere: the header alone",
         Set(OrdinalsRvaAt, ~0u),
         Listed({}),
         {{}, {}}},
        {"PE32+ keeps its data directories further on", {}, JustA, {{"a"}, {0}, 1, 1, true}},
        {"an overlong name is cut at the viewer's line limit",
         {},
         Listed({"   1   " + std::string(65533 - 7, 'x'), "   2   after"}),
         {{longName, "after"}, {0, 1}, 1, 1, false, longSection}},
        {"an RVA at the last section's start takes it", {}, JustA, {{"a"}, {0}, 1, 3}},
        {"an RVA far beyond the last section takes it",
         Moved(ExportRvaAt, 0xA00, 40, 0xA00 + 0x9000, 0x7000 - 0xA00),
         JustA,
         {{"a"}, {0}, 1, 3}},
        {"an RVA in a gap takes the lower section", Moved(ExportRvaAt, DirectoryAt, 40, 0xD00),
         Abc},
        {"a name past the section", Set(NameRvasAt, FileSize + Delta), firstUnreadable},
        {"a name below the section", Set(NameRvasAt, 0x1000), firstUnreadable},
        {"a name whose NUL would lie past the section", FirstNameAt(FileSize - 4, "tail"),
         firstUnreadable},
        {"a name that ends on the section's last byte",
         FirstNameAt(FileSize - 4, std::string("tai\0", 4)),
         Listed({"   1   tai", "   2   beta", "   3   gamma"})},
        {"63 bytes are one short of the DOS header", Cut(63), DosFailed},
        {"NT headers one byte short", Cut(NtAt + 247), NtFailed},
        {"NT headers that end the file", Cut(NtAt + 248), SectionsFailed},
        {"e_lfanew of -4", Set(60, 0xFFFFFFFC), NtFailed},
        {"an M without its Z", Set(1, 'X', 1), NotPe},
        {"no PE signature", Set(NtAt + 2, 'X', 1), NotPe},
        {"a section table one byte short", Cut(SectionTableAt + 159), SectionsFailed},
        {"a section table that ends the file", Cut(SectionTableAt + 160), DirectoryFailed},
        {"65,535 sections", Set(SectionCountAt, 65535, 2), SectionsFailed},
        {"an export RVA below the first section", Set(ExportRvaAt, 0xFFF), NoExportTable},
        {"no sections", Set(SectionCountAt, 0, 2), NoExportTable},
        {"no data directories", Set(NtAt + 24 + 92, 0), NoExportTable},
        {"a directory that ends the file", Moved(ExportRvaAt, DirectoryAt, 40, FileSize - 40), Abc},
        {"a directory one byte past the end", Set(ExportRvaAt, FileSize - 39 + Delta),
         DirectoryFailed},
        {"ordinals that end the file", Moved(OrdinalsRvaAt, OrdinalsAt, 6, FileSize - 6), Abc},
        {"ordinals one byte past the end", Set(OrdinalsRvaAt, FileSize - 5 + Delta),
         OrdinalsFailed},
        {"name RVAs that end the file", Moved(NameRvasRvaAt, NameRvasAt, 12, FileSize - 12), Abc},
        {"name RVAs one byte past the end", Set(NameRvasRvaAt, FileSize - 11 + Delta),
         NameRvasFailed},
        {"section bytes that end the file", Cut(FileSize), Abc},
        {"section bytes one byte past the end", Cut(FileSize - 1), NamesFailed},
        {"no section bytes", Set(ExportRawSizeAt, 0), NamesFailed},
        {"4 GiB of section bytes", Set(ExportRawSizeAt, ~0u), NamesFailed},
        {"name RVAs that just fit in 4 GiB", Set(CountAt, 0x3FFFFFFF), OrdinalsFailed},
        {"name RVAs of 4 GiB", Set(CountAt, 0x40000000), NoMemory2},
        {"ordinals that just fit in 4 GiB", Set(CountAt, 0x7FFFFFFF), NoMemory2},
        {"ordinals of 4 GiB", Set(CountAt, 0x80000000), NoMemory1},
        {"no memory for the section table", FailAllocation(1), NoTableMemory},
        {"no memory for the ordinals", FailAllocation(2), NoMemory1},
        {"no memory for the name RVAs", FailAllocation(3), NoMemory2},
        {"no memory for the section bytes", FailAllocation(4), NoMemory3},
        {"a file cut to nothing while it is listed", WhileListing(Cut(0)), Abc},
        {"an export section overwritten while it is listed",
         WhileListing(Filled(DirectoryAt, FileSize - DirectoryAt)), Abc},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Image dll = BuildDll(row.layout);
        if (row.change)
            row.change(dll);
        ExpectRun(ListBytes(dll), row.expected, dll.size());
    }
    const std::string openFailed = Shown("ファイルオープンに失敗しました");
    ExpectRun(ListPath("/nonexistent/quorrin/x.dll"), openFailed, 0);
    ExpectRun(ListPath("/tmp"), DosFailed, 0); // a directory opens, but reads nothing
}

// ViewerPrintf's result and length: the format buffer holds 65,535 bytes of text, an empty result
// adds nothing, not even CR LF. Then the line's cut.
TEST(ViewerLines, AreCutToTheFormatBufferAndTheLineLimit)
{
    const std::string name(70000, 'n');
    Transcript.clear();
    EXPECT_EQ(0, ViewerPrintf("%s", ""));
    EXPECT_EQ(9, ViewerPrintf("%4d   %s", 7, "ab"));
    EXPECT_EQ(65535, ViewerPrintf("%4d   %s", 1, name.c_str()));
    std::string cut = "   1   " + std::string(65533 - 7, 'n');
    EXPECT_EQ("   7   ab\r\n" + cut + "\r\n", Transcript);
    const std::tuple<size_t, size_t> rows[] = {{0, 0}, {65533, 65533}, {65534, 65533}};
    static char line[ViewerBufferSize];
    for (const auto &[length, kept] : rows) {
        EXPECT_EQ(kept + 2, ViewerMakeLine(std::string(length, 'e').c_str(), line));
        EXPECT_EQ(std::string(kept, 'e') + "\r\n", line) << length;
    }
}

} // namespace
