// The export reader on PE images built in memory: a table of layouts and
// their listings, and a table of malformed files, each case next to its
// exact-boundary twin. Every run goes through the same checks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "exports/exports.h"
#include "tests/host/recorder.h"

namespace {

using Image = std::string;

struct Section { uint32_t virtualAddress, sizeOfRawData, pointerToRawData; };

struct DllLayout {
    bool pe32Plus = false;
    uint32_t base = 1;
    std::vector<std::string> names = {"alpha", "beta", "gamma"};
    std::vector<uint16_t> ordinals = {0, 1, 2}; // unbiased, parallel to names
    // In ascending order; only the export section has contents.
    std::vector<Section> sections = {{0x1000, 0x200, 0x200}, {0x2000, 0x200, 0x400}};
    uint32_t exportIndex = 1;
};

// File offsets in the default layout: in the headers, in the export
// directory and its arrays, its size; Delta turns an offset in the export
// section into its RVA.
enum : uint32_t {
    NtAt = 0x40, SectionCountAt = NtAt + 6, ExportRvaAt = NtAt + 24 + 96, SectionTableAt = NtAt + 248,
    ExportRawSizeAt = SectionTableAt + 40 + 16,
    DirectoryAt = 0x400, CountAt = DirectoryAt + 24, NameRvasRvaAt = DirectoryAt + 32,
    OrdinalsRvaAt = DirectoryAt + 36, OrdinalsAt = DirectoryAt + 40, NameRvasAt = OrdinalsAt + 6,
    FileSize = 0x600, Delta = 0x2000 - 0x400,
};

void Put16(Image &image, size_t at, uint32_t value)
{
    image[at] = char(value);
    image[at + 1] = char(value >> 8);
}

void Put32(Image &image, size_t at, uint32_t value)
{
    Put16(image, at, value & 0xFFFF);
    Put16(image, at + 2, value >> 16);
}

// The headers, the section table and the export section: the directory, the
// ordinals, the name RVAs and the names, in that order.
Image BuildDll(const DllLayout &layout)
{
    const Section &s = layout.sections[layout.exportIndex];
    Image image(std::max(0x400u, s.pointerToRawData + s.sizeOfRawData), '\0');
    image.replace(0, 2, "MZ");
    Put32(image, 60, NtAt);
    image.replace(NtAt, 4, "PE\0\0", 4);
    uint32_t optSize = layout.pe32Plus ? 240 : 224, directories = NtAt + 24 + (layout.pe32Plus ? 112 : 96);
    Put16(image, SectionCountAt, (uint32_t)layout.sections.size());
    Put16(image, NtAt + 20, optSize);
    Put16(image, NtAt + 24, layout.pe32Plus ? 0x20B : 0x10B);
    Put32(image, directories - 4, 16); // NumberOfRvaAndSizes
    Put32(image, directories, s.virtualAddress);
    for (uint32_t i = 0, at = NtAt + 24 + optSize; i < layout.sections.size(); i++, at += 40) {
        Put32(image, at + 12, layout.sections[i].virtualAddress);
        Put32(image, at + 16, layout.sections[i].sizeOfRawData);
        Put32(image, at + 20, layout.sections[i].pointerToRawData);
    }

    uint32_t n = (uint32_t)layout.names.size(), directory = s.pointerToRawData;
    uint32_t delta = s.virtualAddress - directory, ordinals = directory + 40, nameRvas = ordinals + 2 * n;
    Put32(image, directory + 16, layout.base);
    Put32(image, directory + 24, n);
    Put32(image, directory + 32, nameRvas + delta);
    Put32(image, directory + 36, ordinals + delta);
    for (uint32_t i = 0, at = nameRvas + 4 * n; i < n; at += (uint32_t)layout.names[i++].size() + 1) {
        Put16(image, ordinals + 2 * i, layout.ordinals[i]);
        Put32(image, nameRvas + 4 * i, at + delta);
        image.replace(at, layout.names[i].size() + 1, layout.names[i].c_str(), layout.names[i].size() + 1);
    }
    return image;
}

// Copies length bytes at from to file offset to, growing the file as needed,
// and points the RVA field at the copy.
void Move(Image &image, uint32_t field, uint32_t from, uint32_t length, uint32_t to, uint32_t delta = Delta)
{
    Image block = image.substr(from, length);
    image.resize(std::max(image.size(), (size_t)to + length));
    image.replace(to, length, block);
    Put32(image, field, to + delta);
}

// Sections whose deltas all differ: only the right choice finds the names.
void FourSections(DllLayout &layout, uint32_t exportIndex)
{
    layout.sections = {{0x1000, 0x200, 0x200}, {0x3000, 0x200, 0x400}, {0x5000, 0x200, 0x800}, {0x7000, 0x200, 0xA00}};
    layout.exportIndex = exportIndex;
}

// The header line, as the CP932 bytes that the viewer receives.
const std::string Header = "\x8f\x98\x90\x94        \x8a\xd6 \x90\x94 \x96\xbc\r\n";
const std::vector<std::string> Abc = {"   1   alpha", "   2   beta", "   3   gamma"};
const std::string Unreadable = "<名前を読めません>";

std::string Listed(const std::vector<std::string> &lines)
{
    std::string text = "[clear]" + Header;
    for (const std::string &line : lines)
        text += line + "\r\n";
    return text + "[reset]";
}

// One warning box (MB_OK | MB_ICONWARNING) and not a single viewer call.
std::string Shown(const std::string &text, const std::string &caption = "ファイル - エラー")
{
    return "[message 30] " + caption + ": " + text;
}

const std::string DosFailed = Shown("Dosヘッダーの読みに込みに失敗しました"),
                  NtFailed = Shown("NTヘッダーの読み込みに失敗しました"), NotPe = Shown("PEファイルではありません"),
                  SectionsFailed = Shown("セクションの読み込みに失敗しました"),
                  NoExportTable = Shown("エクスポートテーブルがありません"),
                  DirectoryFailed = Shown("エクスポートディレクトリの読み込みに失敗しました"),
                  OrdinalsFailed = Shown("序数取得の読み込みに失敗しました"),
                  NamesFailed = Shown("エクスポート関数名の読み込みに失敗しました"),
                  NoMemory1 = Shown("Memory Allocation Error 1", "こんなの出る？"),
                  NoMemory2 = Shown("Memory Allocation Error 2", "こんなの出る？");

// A run must show exactly what was expected, return 1 for a listing and 0
// for a message, close its stream and allocate no block larger than the file.
void ExpectRun(int result, const std::string &expected, size_t fileSize)
{
    EXPECT_EQ(expected, Transcript);
    EXPECT_EQ(expected.compare(0, 7, "[clear]") == 0, result == 1) << result;
    EXPECT_FALSE(DescriptorLeftOpen) << "the stream was not closed";
    EXPECT_LE(LargestCalloc, fileSize) << "allocated more than the file holds";
}

TEST(Reader, ListsEachLayout)
{
    const struct {
        const char *name;
        void (*layout)(DllLayout &);
        void (*change)(Image &);
        std::vector<std::string> lines;
    } rows[] = {
        {"names come in the name array's order, unsorted",
         [](DllLayout &l) { l.names = {"zeta", "Alpha", "mid", "alpha"}; l.ordinals = {7, 0, 3, 3}; }, nullptr,
         {"   8   zeta", "   1   Alpha", "   4   mid", "   4   alpha"}},
        {"ordinals wrap at 16 bits", [](DllLayout &l) { l.names = {"first", "last"}; l.ordinals = {0, 65535}; },
         nullptr, {"   1   first", "   0   last"}},
        {"Base counts with all of its low 16 bits",
         [](DllLayout &l) { l.names = {"first", "next"}; l.ordinals = {0, 1}; l.base = 0xFFFF; }, nullptr,
         {"65535   first", "   0   next"}},
        {"only the low 16 bits of Base count",
         [](DllLayout &l) { l.names = {"first", "last"}; l.ordinals = {0, 9990}; l.base = 0x10005; }, nullptr,
         {"   5   first", "9995   last"}},
        {"five-digit ordinals widen their field",
         [](DllLayout &l) { l.names = {"big", "biggest"}; l.ordinals = {9999, 65534}; }, nullptr,
         {"10000   big", "65535   biggest"}},
        {"no names give the header alone, wherever the arrays point",
         [](DllLayout &l) { l.names = {}; l.ordinals = {}; },
         [](Image &dll) { Put32(dll, NameRvasRvaAt, ~0u); Put32(dll, OrdinalsRvaAt, ~0u); }, {}},
        {"a PE32+ image lists the same", [](DllLayout &l) { l.pe32Plus = true; }, nullptr, Abc},
        {"the bytes of names pass unchanged", [](DllLayout &l) { l.names = {"\x93\xfa\x96\x7b", "a%sb%n", "a b"}; },
         nullptr, {"   1   \x93\xfa\x96\x7b", "   2   a%sb%n", "   3   a b"}},
        {"an overlong name is cut at the viewer's line limit",
         [](DllLayout &l) { l.names = {std::string(70000, 'x'), "after"}; l.sections[1].sizeOfRawData = 0x12000; },
         nullptr, {"   1   " + std::string(65533 - 7, 'x'), "   2   after"}},
        {"an RVA at a section's start chooses that section", [](DllLayout &l) { FourSections(l, 1); }, nullptr, Abc},
        {"an RVA in a gap goes to the section below", [](DllLayout &l) { FourSections(l, 1); },
         [](Image &dll) { Move(dll, ExportRvaAt, 0x400, 40, 0xD00, 0x3000 - 0x400); }, Abc},
        {"an RVA at the last section's start chooses it", [](DllLayout &l) { FourSections(l, 3); }, nullptr, Abc},
        {"an RVA far beyond the last section goes to it", [](DllLayout &l) { FourSections(l, 3); },
         [](Image &dll) { Move(dll, ExportRvaAt, 0xA00, 40, 0xA00 + 0x9000, 0x7000 - 0xA00); }, Abc},
        {"names past or below the section are unreadable and the run goes on", nullptr,
         [](Image &dll) { Put32(dll, NameRvasAt, FileSize + Delta); Put32(dll, NameRvasAt + 4, 0x1000); },
         {"   1   " + Unreadable, "   2   " + Unreadable, "   3   gamma"}},
        {"a name whose NUL would lie one byte past the section is unreadable", nullptr,
         [](Image &dll) { Put32(dll, NameRvasAt, FileSize - 4 + Delta); dll.replace(FileSize - 4, 4, "tail"); },
         {"   1   " + Unreadable, "   2   beta", "   3   gamma"}},
        {"a name that ends on the section's last byte is listed", nullptr,
         [](Image &dll) { Put32(dll, NameRvasAt, FileSize - 4 + Delta); dll.replace(FileSize - 4, 4, "tai\0", 4); },
         {"   1   tai", "   2   beta", "   3   gamma"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        DllLayout layout;
        if (row.layout)
            row.layout(layout);
        Image dll = BuildDll(layout);
        if (row.change)
            row.change(dll);
        ExpectRun(ListBytes(dll), Listed(row.lines), dll.size());
    }
}

TEST(Reader, RefusesEachMalformedFile)
{
    const struct {
        const char *name;
        void (*change)(Image &);
        std::string expected;
    } rows[] = {
        {"an empty file has no DOS header", [](Image &dll) { dll.clear(); }, DosFailed},
        {"63 bytes are one short of the DOS header", [](Image &dll) { dll.resize(63); }, DosFailed},
        {"64 bytes hold the DOS header but no NT headers", [](Image &dll) { dll.resize(64); }, NtFailed},
        {"NT headers one byte short", [](Image &dll) { dll.resize(NtAt + 247); }, NtFailed},
        {"NT headers that end the file", [](Image &dll) { dll.resize(NtAt + 248); }, SectionsFailed},
        {"e_lfanew at the end of the file", [](Image &dll) { Put32(dll, 60, FileSize); }, NtFailed},
        {"e_lfanew one byte too far", [](Image &dll) { Put32(dll, 60, FileSize - 247); }, NtFailed},
        {"e_lfanew that just fits the NT headers", [](Image &dll) { Put32(dll, 60, FileSize - 248); }, NotPe},
        {"e_lfanew negative as a signed offset", [](Image &dll) { Put32(dll, 60, 0x80000000); }, NtFailed},
        {"e_lfanew of -4", [](Image &dll) { Put32(dll, 60, 0xFFFFFFFC); }, NtFailed},
        {"no MZ", [](Image &dll) { dll[0] = 'Z'; }, NotPe},
        {"an M without its Z", [](Image &dll) { dll[1] = 'X'; }, NotPe},
        {"no PE signature", [](Image &dll) { dll[NtAt + 2] = 'X'; }, NotPe},
        {"4,096 bytes of text", [](Image &dll) { dll.assign(4096, 'A'); }, NotPe},
        {"a section table one byte short", [](Image &dll) { dll.resize(SectionTableAt + 79); }, SectionsFailed},
        {"a section table that ends the file", [](Image &dll) { dll.resize(SectionTableAt + 80); }, DirectoryFailed},
        {"65,535 sections", [](Image &dll) { Put16(dll, SectionCountAt, 65535); }, SectionsFailed},
        {"an export RVA of 0", [](Image &dll) { Put32(dll, ExportRvaAt, 0); }, NoExportTable},
        {"an export RVA below the first section", [](Image &dll) { Put32(dll, ExportRvaAt, 0xFFF); }, NoExportTable},
        {"no sections", [](Image &dll) { Put16(dll, SectionCountAt, 0); }, NoExportTable},
        {"no data directories", [](Image &dll) { Put32(dll, NtAt + 24 + 92, 0); }, NoExportTable},
        {"an export directory that ends the file",
         [](Image &dll) { Move(dll, ExportRvaAt, DirectoryAt, 40, FileSize - 40); }, Listed(Abc)},
        {"an export directory one byte past the end",
         [](Image &dll) { Put32(dll, ExportRvaAt, FileSize - 39 + Delta); }, DirectoryFailed},
        {"an export directory at 4 GiB", [](Image &dll) { Put32(dll, ExportRvaAt, 0xFFFFFFF0); }, DirectoryFailed},
        {"ordinals that end the file", [](Image &dll) { Move(dll, OrdinalsRvaAt, OrdinalsAt, 6, FileSize - 6); },
         Listed(Abc)},
        {"ordinals one byte past the end", [](Image &dll) { Put32(dll, OrdinalsRvaAt, FileSize - 5 + Delta); },
         OrdinalsFailed},
        {"name RVAs that end the file",
         [](Image &dll) { Move(dll, NameRvasRvaAt, NameRvasAt, 12, FileSize - 12); }, Listed(Abc)},
        {"name RVAs one byte past the end", [](Image &dll) { Put32(dll, NameRvasRvaAt, FileSize - 11 + Delta); },
         Shown("エクスポート関数名、読み取り位置の読み込みに失敗しました")},
        {"section bytes that end the file", [](Image &) {}, Listed(Abc)},
        {"section bytes one byte past the end", [](Image &dll) { dll.resize(FileSize - 1); }, NamesFailed},
        {"no section bytes", [](Image &dll) { Put32(dll, ExportRawSizeAt, 0); }, NamesFailed},
        {"4 GiB of section bytes", [](Image &dll) { Put32(dll, ExportRawSizeAt, ~0u); }, NamesFailed},
        {"a million names", [](Image &dll) { Put32(dll, CountAt, 1000000); }, OrdinalsFailed},
        {"name RVAs that just fit in 4 GiB", [](Image &dll) { Put32(dll, CountAt, 0x3FFFFFFF); }, OrdinalsFailed},
        {"name RVAs of 4 GiB", [](Image &dll) { Put32(dll, CountAt, 0x40000000); }, NoMemory2},
        {"ordinals that just fit in 4 GiB", [](Image &dll) { Put32(dll, CountAt, 0x7FFFFFFF); }, NoMemory2},
        {"ordinals of 4 GiB", [](Image &dll) { Put32(dll, CountAt, 0x80000000); }, NoMemory1},
        {"the largest count", [](Image &dll) { Put32(dll, CountAt, ~0u); }, NoMemory1},
        {"no memory for the section table", [](Image &) { FailCallocNumber = 1; },
         Shown("メモリー確保に失敗しました", "メモリー - エラー")},
        {"no memory for the ordinals", [](Image &) { FailCallocNumber = 2; }, NoMemory1},
        {"no memory for the name RVAs", [](Image &) { FailCallocNumber = 3; }, NoMemory2},
        {"no memory for the section bytes", [](Image &) { FailCallocNumber = 4; },
         Shown("Memory Allocation Error 3", "こんなの出る？")},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        Image dll = BuildDll({});
        row.change(dll);
        ExpectRun(ListBytes(dll), row.expected, dll.size());
    }
    ExpectRun(ListPath("/nonexistent/quorrin/x.dll"), Shown("ファイルオープンに失敗しました"), 0);
    ExpectRun(ListPath("/tmp"), DosFailed, 0); // a directory opens, but reads nothing
}

TEST(Reader, FindExportSectionReportsIndexDeltaAndOffset)
{
    DllLayout layout;
    FourSections(layout, 1);
    Image dll = BuildDll(layout);
    const unsigned char *image = (const unsigned char *)dll.data();
    ExportSection found = FindExportSection(4, image + NtAt, image + SectionTableAt);
    EXPECT_EQ(1, found.index);
    EXPECT_EQ(0x3000u - 0x400u, found.delta);
    EXPECT_EQ(0x400u, found.directoryOffset);
    EXPECT_EQ(-1, FindExportSection(0, image + NtAt, image + SectionTableAt).index);
}

} // namespace
