// The export lister: reads a DLL as a PE image and writes its named exports,
// one "ordinal   name" line each, into the viewer.
#pragma once

#include <cstdint>
#include <cstdio>

#include "shell/message.h"

enum {
    DosHeaderSize = 64,
    NtHeadersSize = 248,
    SectionHeaderSize = 40,
    ExportDirectorySize = 40,
};

// Reads path (at most 259 bytes) and writes the listing. Returns 0 after one
// message box owned by owner when the file cannot be read, the viewer not
// touched. Returns 1 once every read has succeeded and the lines have gone to
// the viewer operations; that includes a viewer that could not be found,
// started or written, which has shown its own message and taken no line.
int ListExports(HWND owner, const char *path);

// The section that holds the export directory: the section just before the
// first one that starts above the export RVA (the table is in ascending
// order). index is -1 when there is none; delta is the section's
// VirtualAddress - PointerToRawData and directoryOffset the file offset of
// the export directory, both modulo 2^32.
struct ExportSection {
    int index;
    uint32_t delta;
    uint32_t directoryOffset;
};
ExportSection FindExportSection(unsigned sectionCount, const unsigned char *ntHeaders,
                                const unsigned char *sectionTable);

// Reads the ordinal and name-RVA arrays and the export section's bytes, then
// writes the listing. Returns 1 when written, 0 after a message.
int WriteExportLines(HWND owner, FILE *stream, int sectionIndex, uint32_t delta,
                     const unsigned char *exportDirectory, const unsigned char *sectionTable);

// Opens path for reading as bytes ("rb"), sharing it with other readers and
// writers, on Windows as 64-bit programs see it. Returns 1 with *stream set,
// or 0 with *stream null.
int OpenReadStream(FILE **stream, const char *path);
void CloseStream(FILE *stream);

#ifdef _WIN32
// The file the user named as 64-bit programs see it (native.cpp): the calls
// that open, test or search it, and only they, run between BeginNativeFiles
// and EndNativeFiles, taking path from view->path. On 64-bit Windows the
// redirection of the system folder for this 32-bit program is off meanwhile,
// and a path through Sysnative is given as the same path through System32;
// elsewhere nothing changes and view->path is path.
struct NativeFiles {
    int off; // the redirection was turned off
    PVOID state;
    char path[MAX_PATH];
};
void BeginNativeFiles(NativeFiles *view, const char *path);
void EndNativeFiles(NativeFiles *view);
#endif
