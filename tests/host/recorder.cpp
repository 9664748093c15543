#include "tests/host/recorder.h"

#include <cstdlib>

#include "shell/message.h"
#include "viewer/viewer.h"

std::vector<Event> Events;
size_t LargestCalloc;
int FailCallocNumber;
int CallocCount;

void StartRecording()
{
    Events.clear();
    LargestCalloc = 0;
    FailCallocNumber = 0;
    CallocCount = 0;
}

std::vector<Event> Messages()
{
    std::vector<Event> found;
    for (const Event &e : Events)
        if (e.kind == Event::Message)
            found.push_back(e);
    return found;
}

std::string ViewerText()
{
    std::string text;
    for (const Event &e : Events)
        if (e.kind == Event::Line)
            text += e.text;
    return text;
}

void ViewerAppendLine(const char *text)
{
    static char line[ViewerBufferSize];
    size_t length = ViewerMakeLine(text, line);
    Events.push_back({Event::Line, std::string(line, length), "", 0});
}

int ViewerClear(void)
{
    Events.push_back({Event::Clear, "", "", 0});
    return 1;
}

void ViewerResetModified(void)
{
    Events.push_back({Event::Reset, "", "", 0});
}

int ShowMessage(HWND, const char *text, const char *caption, UINT style)
{
    Events.push_back({Event::Message, text, caption, style});
    return 1;
}

// The test program is linked with --wrap=calloc.
extern "C" void *__real_calloc(size_t count, size_t size);
extern "C" void *__wrap_calloc(size_t count, size_t size)
{
    CallocCount++;
    if (count && size && count * size > LargestCalloc)
        LargestCalloc = count * size;
    if (CallocCount == FailCallocNumber)
        return nullptr;
    return __real_calloc(count, size);
}
