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

// A listing cut short must not pass for a whole one.
static void WriteFailed(void)
{
    fprintf(stderr, "quorrin-list: the listing could not be written\n");
    exit(1);
}

void ViewerAppendLine(const char *text)
{
    char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    if (fwrite(line, 1, length, stdout) != length)
        WriteFailed();
}

void ViewerNameListing(const char *)
{
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
    static char buffer[1 << 16];
    setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    int listed = ListExports(nullptr, argv[1]);
    if (fflush(stdout) != 0)
        WriteFailed();
    return listed ? 0 : 1;
}
