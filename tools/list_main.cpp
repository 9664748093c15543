// quorrin-list FILE: the listing that the viewer would receive, on standard
// output, byte for byte (CP932, CR LF). A failure prints its caption and
// text on standard error and exits 1, as does a failed write.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "exports/exports.h"
#include "viewer/viewer.h"

// Lines are made in place here and go out, unbuffered, in writes of
// WriteSize bytes or a little more: a listing can have 65,535 lines, and each
// page of the buffer that is used costs a page fault. After WriteSize bytes
// there is room for the longest line.
enum { WriteSize = 1 << 14 };
static char Output[WriteSize + ViewerBufferSize];
static size_t OutputUsed;

static void FlushOutput()
{
    if (fwrite(Output, 1, OutputUsed, stdout) != OutputUsed)
        exit(1);
    OutputUsed = 0;
}

// The viewer's line: the text cut to ViewerLineTextMax bytes, then CR LF.
void ViewerAppendLine(const char *text)
{
    OutputUsed += ViewerMakeLine(text, Output + OutputUsed);
    if (OutputUsed >= WriteSize)
        FlushOutput();
}

int ViewerClear(void)
{
    return 0;
}

void ViewerResetModified(void)
{
}

int ShowMessage(HWND, const char *text, const char *caption, UINT)
{
    fprintf(stderr, "%s: %s\n", caption, text);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 2 || strlen(argv[1]) >= 260) {
        fprintf(stderr, "usage: quorrin-list FILE (a path of at most 259 bytes)\n");
        return 2;
    }
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    setvbuf(stdout, nullptr, _IONBF, 0);
    int listed = ListExports(nullptr, argv[1]);
    FlushOutput();
    return listed ? 0 : 1;
}
