// Reads a DLL's export table as the PE/COFF format lays it out: the DOS
// header, the NT headers, the section table and the export directory, then
// the ordinal array, the name-RVA array and the export section's raw bytes.
// The section table and the three blocks are mapped read-only rather than
// copied: a listing touches no fresh memory for them. Names are looked up
// inside the section's mapped bytes.
//
// Nothing in the file is trusted: every read and mapping is bounded by the
// file's size first, and a name is taken only when its NUL lies inside the
// section bytes.
#include "exports/exports.h"

#include <cstring>

#include "viewer/viewer.h"

#ifdef _WIN32
#include <io.h>
#define SeekStream _fseeki64
#define TellStream _ftelli64
#else
#include <sys/mman.h>
#include <unistd.h>
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
static const char ExportDirectoryFailed[] = "エクスポートディレクトリの読み込みに失敗しました";
static const char OrdinalMemoryFailed[] = "Memory Allocation Error 1";
static const char NameRvaMemoryFailed[] = "Memory Allocation Error 2";
static const char SectionMemoryFailed[] = "Memory Allocation Error 3";
static const char OrdinalsFailed[] = "序数取得の読み込みに失敗しました";
static const char NameRvasFailed[] = "エクスポート関数名、読み取り位置の読み込みに失敗しました";
static const char NamesFailed[] = "エクスポート関数名の読み込みに失敗しました";

// Field offsets. NT-header offsets count from the "PE\0\0" signature.
enum {
    DosLfanew = 60,
    NtNumberOfSections = 6,
    NtSizeOfOptionalHeader = 20,
    NtOptionalHeader = 24,
    OptMagic = 0,
    Pe32PlusMagic = 0x20B,
    Pe32RvaCount = 92,       // NumberOfRvaAndSizes, within the optional header
    Pe32ExportEntry = 96,    // DataDirectory[0]
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

// Reads exactly size bytes at offset. A failed positioning is a failed read.
static bool ReadAt(FILE *stream, uint64_t offset, void *buffer, size_t size)
{
    if (offset > (uint64_t)INT64_MAX || SeekStream(stream, (int64_t)offset, SEEK_SET) != 0)
        return false;
    return fread(buffer, size, 1, stream) == 1;
}

// Bytes of the file mapped read-only: view is null when nothing is mapped;
// bytes is the first byte asked for, within the view. On POSIX systems a
// file cut short while it is mapped ends the process at the first lost page.
struct MappedBlock {
    void *view;
    size_t viewSize;
    const unsigned char *bytes;
};

// Maps size bytes at offset, which lie inside the file. A view starts at a
// multiple of the page size, of 64 KiB on Windows.
static bool MapAt(FILE *stream, uint64_t offset, size_t size, MappedBlock *block)
{
    void *view = nullptr;
#ifdef _WIN32
    uint64_t start = offset & ~(uint64_t)0xFFFF;
#else
    uint64_t start = offset & ~(uint64_t)(sysconf(_SC_PAGESIZE) - 1);
#endif
    if (offset - start > SIZE_MAX - size)
        return false;
    size_t viewSize = (size_t)(offset - start) + size;
#ifdef _WIN32
    HANDLE file = (HANDLE)_get_osfhandle(_fileno(stream));
    HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (mapping) {
        view = MapViewOfFile(mapping, FILE_MAP_READ, (DWORD)(start >> 32), (DWORD)start, viewSize);
        CloseHandle(mapping); // the view keeps the mapping
    }
#else
    view = mmap(nullptr, viewSize, PROT_READ, MAP_PRIVATE, fileno(stream), (off_t)start);
    if (view == MAP_FAILED)
        view = nullptr;
#endif
    if (!view)
        return false;
    *block = MappedBlock{view, viewSize, (const unsigned char *)view + (offset - start)};
    return true;
}

static void Unmap(const MappedBlock &block)
{
    if (!block.view)
        return;
#ifdef _WIN32
    UnmapViewOfFile(block.view);
#else
    munmap(block.view, block.viewSize);
#endif
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
    // would, before a byte is allocated for them.
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
    MappedBlock ordinals = {}, nameRvas = {}, raw = {};
    if (!MapAt(stream, ordinalOffset, (size_t)ordinalBytes, &ordinals))
        Fail(owner, OrdinalMemoryFailed, ArrayMemoryCaption);
    else if (!MapAt(stream, nameRvaOffset, (size_t)nameRvaBytes, &nameRvas))
        Fail(owner, NameRvaMemoryFailed, ArrayMemoryCaption);
    else if (!MapAt(stream, rawOffset, rawSize, &raw))
        Fail(owner, SectionMemoryFailed, ArrayMemoryCaption);
    else {
        // A name's NUL lies inside the section when the name starts before
        // end, just past the section's last NUL.
        const unsigned char *bytes = raw.bytes;
        uint32_t end = rawSize;
        while (end > 0 && bytes[end - 1] != 0)
            end--;
        ViewerClear();
        ViewerAppendLine(ListingHeader);
        for (uint32_t i = 0; i < count; i++) {
            unsigned ordinal = (Get16(ordinals.bytes + 2 * (size_t)i) + base) & 0xFFFF;
            uint32_t at = Get32(nameRvas.bytes + 4 * (size_t)i) - sectionRva;
            ViewerPrintf("%4d   %s", (int)ordinal, at < end ? (const char *)bytes + at : NamePlaceholder);
        }
        ViewerResetModified();
        result = 1;
    }
    Unmap(raw);
    Unmap(nameRvas);
    Unmap(ordinals);
    return result;
}

// Reads the headers, maps the section table, then lists. *sections receives
// the table so that the caller unmaps it on every way out.
static int ReadAndList(HWND owner, FILE *stream, MappedBlock *sections)
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
    size_t tableBytes = (size_t)count * SectionHeaderSize;
    if (!FitsInFile(tableOffset, tableBytes, StreamSize(stream)))
        return Fail(owner, SectionsFailed, FileErrorCaption);
    if (count > 0 && !MapAt(stream, tableOffset, tableBytes, sections))
        return Fail(owner, SectionTableMemoryFailed, MemoryErrorCaption);

    ExportSection found = FindExportSection(count, nt, sections->bytes);
    if (ExportDirectoryRva(nt) == 0 || found.index < 0)
        return Fail(owner, NoExportTable, FileErrorCaption);
    if (!ReadAt(stream, found.directoryOffset, directory, sizeof directory))
        return Fail(owner, ExportDirectoryFailed, FileErrorCaption);
    return WriteExportLines(owner, stream, found.index, found.delta, directory, sections->bytes);
}

int ListExports(HWND owner, const char *path)
{
    FILE *stream = nullptr;
    if (!OpenReadStream(&stream, path))
        return Fail(owner, OpenFailed, FileErrorCaption);
    MappedBlock sections = {};
    int result = ReadAndList(owner, stream, &sections);
    Unmap(sections);
    CloseStream(stream);
    return result;
}

int OpenReadStream(FILE **stream, const char *path)
{
    // fopen shares the file with other readers and writers on both builds.
    *stream = fopen(path, "rb");
    return *stream != nullptr;
}

void CloseStream(FILE *stream)
{
    if (stream)
        fclose(stream);
}
