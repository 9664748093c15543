// Runs the reader with stand-ins for the viewer and the message box that write down every call, and with
// calloc wrapped (--wrap=calloc) to measure and fail its allocations. A program includes this once.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "exports/exports.h"
#include "viewer/viewer.h"

// The last run's calls in order: "[clear]", each line with its CR LF, "[reset]" and "[message STYLE]
// CAPTION: TEXT"; in Calls one letter each: c, l (! for a line past the limit), r, m.
static std::string Transcript, Calls;
static size_t LargestCalloc, CallocCount, FailCallocNumber; // the next run fails this call (1-based)
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

extern "C" void *__real_calloc(size_t count, size_t size);
extern "C" void *__wrap_calloc(size_t count, size_t size)
{
    LargestCalloc = std::max(LargestCalloc, count * size);
    return ++CallocCount == FailCallocNumber ? nullptr : __real_calloc(count, size);
}

// ListExports on path, or on bytes in a temporary file; returns its result.
static int ListPath(const char *path)
{
    Transcript = Calls = "";
    LargestCalloc = CallocCount = 0;
    // A stream left open holds the lowest free descriptor, which dup returns.
    int before = dup(2);
    close(before);
    int result = ListExports(nullptr, path), after = dup(2);
    close(after);
    DescriptorLeftOpen = after != before;
    FailCallocNumber = 0;
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
