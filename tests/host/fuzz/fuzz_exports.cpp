// libFuzzer target: any bytes as a DLL file. A run must end in one message,
// or in one listing (clear, the header and lines within the viewer's limit,
// reset), and leave no descriptor open and no block larger than the file;
// ASan and UBSan watch every access.
#include <cstdlib>
#include <string>

#include "tests/host/recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    int result = ListBytes(std::string((const char *)data, size));
    bool failed = result == 0 && Calls == "m";
    bool listed = result == 1 && Calls.size() >= 3 && Calls == 'c' + std::string(Calls.size() - 2, 'l') + 'r';
    if ((!failed && !listed) || DescriptorLeftOpen || LargestCalloc > size)
        abort();
    return 0;
}
