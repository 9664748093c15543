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

// A format that uses only %d, %i and %u with the '-' and '0' flags and a
// field width, %s with '-' and a width, and %%, taken apart once: a listing
// formats every line with the same format, so that is worth caching.
struct Piece {
    char kind; // 'l' literal text, 'd' signed, 'u' unsigned, 's' string
    bool left, zero;
    unsigned width;
    const char *text; // literal only
    size_t length;
};

enum { MaxPieces = 16 };

static int ParseSimpleFormat(const char *format, Piece *pieces)
{
    int count = 0;
    for (const char *p = format; *p;) {
        if (count == MaxPieces)
            return -1;
        Piece &piece = pieces[count++];
        piece = Piece{'l', false, false, 0, p, 0};
        if (*p != '%' || p[1] == '%') {
            // Literal text up to the next conversion; "%%" starts one with "%".
            piece.text = *p == '%' ? p + 1 : p;
            const char *end = *p == '%' ? p + 2 : p;
            while (*end && *end != '%')
                end++;
            piece.length = (size_t)(end - piece.text);
            p = end;
            continue;
        }
        p++;
        for (; *p == '-' || *p == '0'; p++)
            (*p == '-' ? piece.left : piece.zero) = true;
        for (int digits = 0; *p >= '0' && *p <= '9'; p++) {
            if (++digits > 4)
                return -1;
            piece.width = piece.width * 10 + (unsigned)(*p - '0');
        }
        if (*p == 'd' || *p == 'i')
            piece.kind = 'd';
        else if (*p == 'u' || (*p == 's' && !piece.zero))
            piece.kind = *p;
        else
            return -1;
        piece.zero &= !piece.left;
        p++;
    }
    return count;
}

struct Output {
    char *buffer;
    size_t size;   // bytes in buffer, terminator included
    size_t length; // length of the whole result, also past the buffer
};

static inline void Append(Output &out, const char *text, size_t length)
{
    if (out.length < out.size - 1) {
        size_t room = out.size - 1 - out.length;
        size_t n = length < room ? length : room;
        char *to = out.buffer + out.length;
        if (n <= 16) // the usual piece: a few digits or blanks
            for (size_t i = 0; i < n; i++)
                to[i] = text[i];
        else
            memcpy(to, text, n);
    }
    out.length += length;
}

static void Pad(Output &out, char fill, size_t count)
{
    static const char spaces[] = "                ", zeros[] = "0000000000000000";
    for (; count > 0; count -= count < 16 ? count : 16)
        Append(out, fill == ' ' ? spaces : zeros, count < 16 ? count : 16);
}

// vsnprintf for the simple formats, without the C library's general
// machinery. Returns the length of the whole result.
static size_t FormatSimple(char *buffer, size_t size, const Piece *pieces, int count,
                           va_list args)
{
    Output out = {buffer, size, 0};
    for (int i = 0; i < count; i++) {
        const Piece &piece = pieces[i];
        if (piece.kind == 'l') {
            Append(out, piece.text, piece.length);
            continue;
        }
        char digits[12];
        const char *text;
        size_t length;
        bool negative = false;
        if (piece.kind == 's') {
            text = va_arg(args, const char *);
            if (!text)
                text = "(null)";
            length = strlen(text);
        } else {
            unsigned value;
            if (piece.kind == 'u') {
                value = va_arg(args, unsigned);
            } else {
                int number = va_arg(args, int);
                negative = number < 0;
                value = negative ? 0u - (unsigned)number : (unsigned)number;
            }
            char *d = digits + sizeof digits;
            do
                *--d = (char)('0' + value % 10);
            while (value /= 10);
            text = d;
            length = (size_t)(digits + sizeof digits - d);
        }
        size_t used = length + negative;
        size_t pad = piece.width > used ? piece.width - used : 0;
        if (pad && !piece.left && !piece.zero)
            Pad(out, ' ', pad);
        if (negative)
            Append(out, "-", 1);
        if (pad && piece.zero)
            Pad(out, '0', pad);
        Append(out, text, length);
        if (pad && piece.left)
            Pad(out, ' ', pad);
    }
    out.buffer[out.length < size ? out.length : size - 1] = '\0';
    return out.length;
}

// Formats into a buffer of ViewerBufferSize bytes. A longer result is cut to
// what fits; its length is then that of the cut text.
int ViewerPrintf(const char *format, ...)
{
    static char buffer[ViewerBufferSize];
    static const char *parsedFormat;
    static Piece pieces[MaxPieces];
    static int pieceCount = -1;
    if (format != parsedFormat) {
        parsedFormat = format;
        pieceCount = ParseSimpleFormat(format, pieces);
    }
    va_list args;
    va_start(args, format);
    long long length = pieceCount >= 0
                           ? (long long)FormatSimple(buffer, sizeof buffer, pieces, pieceCount, args)
                           : vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (length < 0)
        return 0;
    if (length >= (long long)sizeof buffer)
        length = sizeof buffer - 1;
    if (length > 0)
        ViewerAppendLine(buffer);
    return (int)length;
}
