// libFuzzer target: any bytes as a DLL. A run ends in one message or one listing (clear, lines,
// reset), leaves no stream open and no block larger than the file; ASan and UBSan watch.
#include "tests/host/recorder.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    int result = ListBytes(std::string((const char *)data, size));
    bool failed = result == 0 && Calls == "m";
    bool listed = result == 1 && Calls.size() >= 3 &&
                  Calls == 'c' + std::string(Calls.size() - 2, 'l') + 'r';
    if ((!failed && !listed) || DescriptorLeftOpen || LargestBlock > size)
        abort();
    return 0;
}
