// The viewer's line rules, shared by every build: the bounded format of
// ViewerPrintf and the cut and CR LF of ViewerAppendLine.
#include "viewer/viewer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

size_t ViewerMakeLine(const char *text, char *line)
{
    size_t length = strnlen(text, ViewerLineTextMax);
    memcpy(line, text, length);
    memcpy(line + length, "\r\n", 3);
    return length + 2;
}

// Formats into a buffer of ViewerBufferSize bytes. A longer result is cut to
// what fits; its length is then that of the cut text.
int ViewerPrintf(const char *format, ...)
{
    char buffer[ViewerBufferSize];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0)
        return 0;
    if (length >= (int)sizeof buffer)
        length = (int)sizeof buffer - 1;
    if (length > 0)
        ViewerAppendLine(buffer);
    return length;
}
