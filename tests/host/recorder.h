// Runs the reader with stand-ins for the viewer and the message box that write down every call, and with
// mmap wrapped (--wrap=mmap) to measure and fail its mappings. A program includes this once.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "exports/exports.h"
#include "viewer/viewer.h"

// The last run's calls in order: "[clear]", each line with its CR LF, "[reset]" and "[message STYLE]
// CAPTION: TEXT"; in Calls one letter each: c, l (! for a line past the limit), r, m.
static std::string Transcript, Calls;
static size_t LargestBlock, BlockCount, FailBlockNumber; // the next run fails this call (1-based)
static bool DescriptorLeftOpen;

void ViewerAppendLine(const char *text)
{
    static char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    Calls += length <= ViewerLineTextMax + 2 ? 'l' : '!';
    Transcript.append(line, length);
}

int ViewerClear(void) { Calls += 'c'; Transcript += "[clear]"; return 1; }
void ViewerResetModified(void) { Calls += 'r'; Transcript += "[reset]"; }

int ShowMessage(HWND, const char *text, const char *caption, UINT style)
{
    Calls += 'm';
    Transcript += "[message " + std::to_string(style) + "] " + caption + ": " + text;
    return 1;
}

extern "C" void *__real_mmap(void *at, size_t size, int protection, int flags, int fd, off_t offset);
extern "C" void *__wrap_mmap(void *at, size_t size, int protection, int flags, int fd, off_t offset)
{
    LargestBlock = size > LargestBlock ? size : LargestBlock;
    return ++BlockCount == FailBlockNumber ? MAP_FAILED : __real_mmap(at, size, protection, flags, fd, offset);
}

// ListExports on path, or on bytes in a temporary file; returns its result.
static int ListPath(const char *path)
{
    Transcript = Calls = "";
    LargestBlock = BlockCount = 0;
    // A stream left open holds the lowest free descriptor, which dup returns.
    int before = dup(2);
    close(before);
    int result = ListExports(nullptr, path), after = dup(2);
    close(after);
    DescriptorLeftOpen = after != before;
    FailBlockNumber = 0;
    return result;
}

static int ListBytes(const std::string &bytes)
{
    char path[] = "/tmp/quorrin-test-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size() || close(fd) != 0)
        abort();
    int result = ListPath(path);
    unlink(path);
    return result;
}
