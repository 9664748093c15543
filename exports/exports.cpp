// Reads a DLL's export table as the PE/COFF format lays it out: the DOS
// header, the NT headers, the section table and the export directory, then
// the ordinal array, the name-RVA array and the export section's raw bytes,
// each in one read into a buffer of the reader's own. Names are looked up
// inside that copy of the section, so nothing another process does to the
// file while the listing is written can reach them.
//
// Nothing in the file is trusted: every read is bounded by the file's size
// before anything is allocated for it, and a name is taken only when its NUL
// lies inside the section bytes that were read.
#include "exports/exports.h"

#include <cstdlib>
#include <cstring>

#include "viewer/viewer.h"

#ifdef _WIN32
#define SeekStream _fseeki64
#define TellStream _ftelli64
#else
#define SeekStream fseeko
#define TellStream ftello
#endif

static const char ListingHeader[] = "序数        関 数 名";
static const char NamePlaceholder[] = "<名前を読めません>";

static const char FileErrorCaption[] = "ファイル - エラー";
static const char MemoryErrorCaption[] = "メモリー - エラー";
static const char ArrayMemoryCaption[] = "こんなの出る？";

static const char OpenFailed[] = "ファイルオープンに失敗しました";
static const char DosHeaderFailed[] = "Dosヘッダーの読みに込みに失敗しました";
static const char NtHeadersFailed[] = "NTヘッダーの読み込みに失敗しました";
static const char NotPeFile[] = "PEファイルではありません";
static const char SectionTableMemoryFailed[] = "メモリー確保に失敗しました";
static const char SectionsFailed[] = "セクションの読み込みに失敗しました";
static const char NoExportTable[] = "エクスポートテーブルがありません";
static const char ExportDirectoryFailed[] = // the export directory could not be read
    "エクスポートディレクトリの読み込みに失敗しました";
static const char OrdinalMemoryFailed[] = "Memory Allocation Error 1";
static const char NameRvaMemoryFailed[] = "Memory Allocation Error 2";
static const char SectionMemoryFailed[] = "Memory Allocation Error 3";
static const char OrdinalsFailed[] = "序数取得の読み込みに失敗しました";
static const char NameRvasFailed[] = // where the names lie could not be read
    "エクスポート関数名、読み取り位置の読み込みに失敗しました";
static const char NamesFailed[] = "エクスポート関数名の読み込みに失敗しました";

// Field offsets. NT-header offsets count from the "PE\0\0" signature.
enum {
    DosLfanew = 60,
    NtNumberOfSections = 6,
    NtSizeOfOptionalHeader = 20,
    NtOptionalHeader = 24,
    OptMagic = 0,
    Pe32PlusMagic = 0x20B,
    Pe32RvaCount = 92,    // NumberOfRvaAndSizes, within the optional header
    Pe32ExportEntry = 96, // DataDirectory[0]
    Pe32PlusRvaCount = 108,
    Pe32PlusExportEntry = 112,
    SecVirtualAddress = 12,
    SecSizeOfRawData = 16,
    SecPointerToRawData = 20,
    DirBase = 16,
    DirNumberOfNames = 24,
    DirAddressOfNames = 32,
    DirAddressOfNameOrdinals = 36,
};

static uint32_t Get16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t Get32(const unsigned char *p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

static int Fail(HWND owner, const char *text, const char *caption)
{
    ShowMessage(owner, text, caption, MB_OK | MB_ICONWARNING);
    return 0;
}

// The stream's size in bytes, or UINT64_MAX when it cannot be told.
static uint64_t StreamSize(FILE *stream)
{
    if (SeekStream(stream, 0, SEEK_END) != 0)
        return UINT64_MAX;
    int64_t size = TellStream(stream);
    return size < 0 ? UINT64_MAX : (uint64_t)size;
}

static bool FitsInFile(uint64_t offset, uint64_t size, uint64_t fileSize)
{
    return offset <= fileSize && size <= fileSize - offset;
}

// Positions the stream at offset. Reads then go on from there.
static bool SeekTo(FILE *stream, uint64_t offset)
{
    return offset <= (uint64_t)INT64_MAX && SeekStream(stream, (int64_t)offset, SEEK_SET) == 0;
}

// Reads exactly size bytes (at least one) at offset. A failed positioning is a
// failed read.
static bool ReadAt(FILE *stream, uint64_t offset, void *buffer, size_t size)
{
    return SeekTo(stream, offset) && fread(buffer, size, 1, stream) == 1;
}

// The export directory's RVA, or 0 when the optional header has no entry for
// it. PE32+ images keep their data directories 16 bytes further on.
static uint32_t ExportDirectoryRva(const unsigned char *nt)
{
    const unsigned char *opt = nt + NtOptionalHeader;
    bool plus = Get16(opt + OptMagic) == Pe32PlusMagic;
    uint32_t rvaCount = Get32(opt + (plus ? Pe32PlusRvaCount : Pe32RvaCount));
    uint32_t entry = plus ? Pe32PlusExportEntry : Pe32ExportEntry;
    if (rvaCount == 0 || Get16(nt + NtSizeOfOptionalHeader) < entry + 8)
        return 0;
    return Get32(opt + entry);
}

ExportSection FindExportSection(unsigned sectionCount, const unsigned char *ntHeaders,
                                const unsigned char *sectionTable)
{
    uint32_t rva = ExportDirectoryRva(ntHeaders);
    ExportSection found = {(int)sectionCount - 1, 0, 0};
    for (unsigned i = 0; i < sectionCount; i++) {
        if (Get32(sectionTable + i * SectionHeaderSize + SecVirtualAddress) > rva) {
            found.index = (int)i - 1;
            break;
        }
    }
    if (found.index < 0)
        return found;
    const unsigned char *section = sectionTable + found.index * SectionHeaderSize;
    found.delta = Get32(section + SecVirtualAddress) - Get32(section + SecPointerToRawData);
    found.directoryOffset = rva - found.delta;
    return found;
}

int WriteExportLines(HWND owner, FILE *stream, int sectionIndex, uint32_t delta,
                     const unsigned char *exportDirectory, const unsigned char *sectionTable)
{
    const unsigned char *section = sectionTable + sectionIndex * SectionHeaderSize;
    uint32_t sectionRva = Get32(section + SecVirtualAddress);
    uint32_t rawSize = Get32(section + SecSizeOfRawData);
    uint32_t rawOffset = Get32(section + SecPointerToRawData);
    uint32_t count = Get32(exportDirectory + DirNumberOfNames);
    uint32_t base = Get32(exportDirectory + DirBase) & 0xFFFF;
    uint32_t ordinalOffset = Get32(exportDirectory + DirAddressOfNameOrdinals) - delta;
    uint32_t nameRvaOffset = Get32(exportDirectory + DirAddressOfNames) - delta;

    if (count == 0) {
        // Every export is by ordinal alone: the listing is its header.
        ViewerClear();
        ViewerAppendLine(ListingHeader);
        ViewerResetModified();
        return 1;
    }

    // Counts whose byte sizes do not fit in 32 bits cannot be allocated on
    // the target; counts that fit but exceed the file fail as their reads
    // would, before a byte is allocated for them: a small file never costs
    // much memory.
    uint64_t ordinalBytes = (uint64_t)count * 2;
    uint64_t nameRvaBytes = (uint64_t)count * 4;
    if (ordinalBytes > UINT32_MAX)
        return Fail(owner, OrdinalMemoryFailed, ArrayMemoryCaption);
    if (nameRvaBytes > UINT32_MAX)
        return Fail(owner, NameRvaMemoryFailed, ArrayMemoryCaption);
    uint64_t fileSize = StreamSize(stream);
    if (!FitsInFile(ordinalOffset, ordinalBytes, fileSize))
        return Fail(owner, OrdinalsFailed, FileErrorCaption);
    if (!FitsInFile(nameRvaOffset, nameRvaBytes, fileSize))
        return Fail(owner, NameRvasFailed, FileErrorCaption);
    if (rawSize == 0 || !FitsInFile(rawOffset, rawSize, fileSize))
        return Fail(owner, NamesFailed, FileErrorCaption);

    int result = 0;
    unsigned char *ordinals = (unsigned char *)calloc(count, 2);
    unsigned char *nameRvas = ordinals ? (unsigned char *)calloc(count, 4) : nullptr;
    unsigned char *bytes = nameRvas ? (unsigned char *)calloc(rawSize, 1) : nullptr;
    if (!ordinals)
        Fail(owner, OrdinalMemoryFailed, ArrayMemoryCaption);
    else if (!nameRvas)
        Fail(owner, NameRvaMemoryFailed, ArrayMemoryCaption);
    else if (!bytes)
        Fail(owner, SectionMemoryFailed, ArrayMemoryCaption);
    else if (!ReadAt(stream, ordinalOffset, ordinals, (size_t)ordinalBytes))
        Fail(owner, OrdinalsFailed, FileErrorCaption);
    else if (!ReadAt(stream, nameRvaOffset, nameRvas, (size_t)nameRvaBytes))
        Fail(owner, NameRvasFailed, FileErrorCaption);
    else if (!ReadAt(stream, rawOffset, bytes, rawSize))
        Fail(owner, NamesFailed, FileErrorCaption);
    else {
        // A name that starts before end has its NUL inside the section bytes.
        uint32_t end = rawSize;
        while (end > 0 && bytes[end - 1] != 0)
            end--;
        ViewerClear();
        ViewerAppendLine(ListingHeader);
        for (uint32_t i = 0; i < count; i++) {
            unsigned ordinal = (Get16(ordinals + 2 * (size_t)i) + base) & 0xFFFF;
            uint32_t at = Get32(nameRvas + 4 * (size_t)i) - sectionRva;
            const char *name = at < end ? (const char *)bytes + at : NamePlaceholder;
            ViewerPrintf("%4d   %s", (int)ordinal, name);
        }
        ViewerResetModified();
        result = 1;
    }
    free(bytes);
    free(nameRvas);
    free(ordinals);
    return result;
}

// Reads the section headers one after another from offset into table.
static bool ReadSectionTable(FILE *stream, uint64_t offset, unsigned count, unsigned char *table)
{
    if (!SeekTo(stream, offset))
        return false;
    for (unsigned i = 0; i < count; i++) {
        if (fread(table + (size_t)i * SectionHeaderSize, SectionHeaderSize, 1, stream) != 1)
            return false;
    }
    return true;
}

// Reads the headers and the section table, then lists. *sections receives
// the table so that the caller frees it on every way out.
static int ReadAndList(HWND owner, FILE *stream, unsigned char **sections)
{
    unsigned char dos[DosHeaderSize] = {};
    unsigned char nt[NtHeadersSize] = {};
    unsigned char directory[ExportDirectorySize] = {};

    if (!ReadAt(stream, 0, dos, sizeof dos))
        return Fail(owner, DosHeaderFailed, FileErrorCaption);
    if (dos[0] != 'M' || dos[1] != 'Z')
        return Fail(owner, NotPeFile, FileErrorCaption);
    int32_t lfanew = (int32_t)Get32(dos + DosLfanew);
    if (lfanew < 0 || !ReadAt(stream, (uint64_t)lfanew, nt, sizeof nt))
        return Fail(owner, NtHeadersFailed, FileErrorCaption);
    if (memcmp(nt, "PE\0\0", 4) != 0)
        return Fail(owner, NotPeFile, FileErrorCaption);

    unsigned count = Get16(nt + NtNumberOfSections);
    uint64_t tableOffset = (uint64_t)lfanew + NtOptionalHeader + Get16(nt + NtSizeOfOptionalHeader);
    if (!FitsInFile(tableOffset, (uint64_t)count * SectionHeaderSize, StreamSize(stream)))
        return Fail(owner, SectionsFailed, FileErrorCaption);
    if (count > 0) {
        *sections = (unsigned char *)calloc(count, SectionHeaderSize);
        if (!*sections)
            return Fail(owner, SectionTableMemoryFailed, MemoryErrorCaption);
        if (!ReadSectionTable(stream, tableOffset, count, *sections))
            return Fail(owner, SectionsFailed, FileErrorCaption);
    }

    ExportSection found = FindExportSection(count, nt, *sections);
    if (ExportDirectoryRva(nt) == 0 || found.index < 0)
        return Fail(owner, NoExportTable, FileErrorCaption);
    if (!ReadAt(stream, found.directoryOffset, directory, sizeof directory))
        return Fail(owner, ExportDirectoryFailed, FileErrorCaption);
    return WriteExportLines(owner, stream, found.index, found.delta, directory, *sections);
}

int ListExports(HWND owner, const char *path)
{
    FILE *stream = nullptr;
    ViewerNameListing(path);
    if (!OpenReadStream(&stream, path))
        return Fail(owner, OpenFailed, FileErrorCaption);
    unsigned char *sections = nullptr;
    int result = ReadAndList(owner, stream, &sections);
    free(sections);
    CloseStream(stream);
    return result;
}

int OpenReadStream(FILE **stream, const char *path)
{
    // fopen shares the file with other readers and writers on both builds.
#ifdef _WIN32
    NativeFiles view;
    BeginNativeFiles(&view, path);
    *stream = fopen(view.path, "rb");
    EndNativeFiles(&view);
#else
    *stream = fopen(path, "rb");
#endif
    return *stream != nullptr;
}

void CloseStream(FILE *stream)
{
    if (stream)
        fclose(stream);
}
