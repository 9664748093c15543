// Runs the reader with stand-ins for the viewer and the message box that write down every call, and
// with calloc wrapped (--wrap=calloc) to measure and fail its allocations. A program includes this
// once.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>

#include "exports/exports.h"
#include "viewer/viewer.h"

// The last run's calls in order: "[clear]", each line with its CR LF, "[reset]" and "[message
// STYLE] CAPTION: TEXT"; in Calls one letter each: c, l, r, m.
static std::string Transcript;
static std::string Calls;
static size_t LargestBlock;
static size_t BlockCount;
static size_t FailBlockNumber; // the next run fails this allocation (1-based)
static bool DescriptorLeftOpen;
// Done to the listed file once the next run has written its first line.
static std::function<void()> WhileListed;
// The file that ListBytes lists, of this process's own.
static const std::string Scratch = "/tmp/quorrin-test-" + std::to_string(getpid());

void ViewerAppendLine(const char *text)
{
    static char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    Calls += 'l';
    Transcript.append(line, length);
    if (WhileListed) {
        WhileListed();
        WhileListed = nullptr;
    }
}

void ViewerNameListing(const char *)
{
}

int ViewerClear(void)
{
    Calls += 'c';
    Transcript += "[clear]";
    return 1;
}

void ViewerResetModified(void)
{
    Calls += 'r';
    Transcript += "[reset]";
}

int ShowMessage(HWND, const char *text, const char *caption, UINT style)
{
    Calls += 'm';
    Transcript += "[message " + std::to_string(style) + "] " + caption + ": " + text;
    return 1;
}

extern "C" void *__real_calloc(size_t count, size_t size);
extern "C" void *__wrap_calloc(size_t count, size_t size)
{
    if (count * size > LargestBlock)
        LargestBlock = count * size;
    if (++BlockCount == FailBlockNumber)
        return nullptr;
    return __real_calloc(count, size);
}

// ListExports on path, or on bytes in Scratch; returns its result.
static int ListPath(const char *path)
{
    Transcript.clear();
    Calls.clear();
    LargestBlock = 0;
    BlockCount = 0;
    // A stream left open holds the lowest free descriptor, which dup returns.
    int before = dup(2);
    close(before);
    int result = ListExports(nullptr, path);
    int after = dup(2);
    close(after);
    DescriptorLeftOpen = after != before;
    FailBlockNumber = 0;
    WhileListed = nullptr;
    return result;
}

static int ListBytes(const std::string &bytes)
{
    if (!(std::ofstream(Scratch, std::ios::binary) << bytes))
        abort();
    int result = ListPath(Scratch.c_str());
    unlink(Scratch.c_str());
    return result;
}
