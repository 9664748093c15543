#include "tests/host/recorder.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "exports/exports.h"
#include "viewer/viewer.h"

std::string Transcript, Calls;
size_t LargestCalloc;
int FailCallocNumber;
bool DescriptorLeftOpen;
static int CallocCount;

int ListPath(const char *path)
{
    Transcript = Calls = "";
    LargestCalloc = CallocCount = 0;
    // A stream left open holds the lowest free descriptor, which dup returns.
    int before = dup(2);
    close(before);
    int result = ListExports(nullptr, path);
    int after = dup(2);
    close(after);
    DescriptorLeftOpen = after != before;
    FailCallocNumber = 0;
    return result;
}

int ListBytes(const std::string &bytes)
{
    char path[] = "/tmp/quorrin-test-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != (ssize_t)bytes.size())
        abort();
    close(fd);
    int result = ListPath(path);
    unlink(path);
    return result;
}

static void Record(char call, const std::string &text)
{
    Calls += call;
    Transcript += text;
}

void ViewerAppendLine(const char *text)
{
    static char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    Record(length <= ViewerLineTextMax + 2 ? 'l' : '!', std::string(line, length)); // '!': past the limit
}

int ViewerClear(void)
{
    Record('c', "[clear]");
    return 1;
}

void ViewerResetModified(void)
{
    Record('r', "[reset]");
}

int ShowMessage(HWND, const char *text, const char *caption, UINT style)
{
    char head[32];
    snprintf(head, sizeof head, "[message %x] ", style);
    Record('m', head + std::string(caption) + ": " + text);
    return 1;
}

extern "C" void *__real_calloc(size_t count, size_t size);
extern "C" void *__wrap_calloc(size_t count, size_t size)
{
    LargestCalloc = std::max(LargestCalloc, count * size);
    return ++CallocCount == FailCallocNumber ? nullptr : __real_calloc(count, size);
}
