// libFuzzer target: any bytes as a DLL file. The reader must end in exactly
// one message or one complete listing, with every line inside the viewer's
// limit; ASan and UBSan watch every read and write.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "exports/exports.h"
#include "viewer/viewer.h"

static int MessagesShown;
static int Lines;
static bool Cleared, Reset;

void ViewerAppendLine(const char *text)
{
    static char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    if (length > ViewerLineTextMax + 2 || !Cleared || Reset)
        abort();
    Lines++;
}

int ViewerClear(void)
{
    Cleared = true;
    return 1;
}

void ViewerResetModified(void)
{
    Reset = true;
}

int ShowMessage(HWND, const char *, const char *, UINT)
{
    MessagesShown++;
    return 1;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static std::string path = "/tmp/quorrin-fuzz-" + std::to_string(getpid()) + ".dll";
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        abort();
    fwrite(data, 1, size, file);
    fclose(file);

    MessagesShown = Lines = 0;
    Cleared = Reset = false;
    int result = ListExports(nullptr, path.c_str());
    bool listed = result == 1 && MessagesShown == 0 && Cleared && Reset && Lines >= 1;
    bool failed = result == 0 && MessagesShown == 1 && !Cleared && !Reset && Lines == 0;
    if (!listed && !failed)
        abort();
    return 0;
}
