// The viewer's line rules, shared by every build: the bounded format of
// ViewerPrintf and the cut and CR LF of ViewerAppendLine.
#include "viewer/viewer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// ViewerPrintf's buffer and the length of the text in it.
static char Formatted[ViewerBufferSize];
static size_t FormattedLength;

size_t ViewerMakeLine(const char *text, char *line)
{
    // The length of ViewerPrintf's line is known without reading it again.
    size_t length = text == Formatted ? FormattedLength : strnlen(text, ViewerLineTextMax);
    length = length < ViewerLineTextMax ? length : (size_t)ViewerLineTextMax;
    memcpy(line, text, length);
    memcpy(line + length, "\r\n", 3);
    return length + 2;
}

// A simple format taken apart: pieces of literal text, each followed by a
// conversion ('d' also for %i, 'u', 's') with the '-' and '0' flags and a
// width, or by none ('\0'). A listing formats every line with one format.
struct Piece {
    const char *text;
    size_t length;
    char conversion;
    bool left, zero;
    size_t width;
};

enum { FormatMax = 64, PieceMax = FormatMax / 2 + 1 };

// Takes apart format (shorter than FormatMax) into pieces. Returns their
// count, or -1 for a conversion of another kind.
static int ParseFormat(const char *format, Piece *pieces)
{
    int count = 0;
    for (const char *p = format;;) {
        Piece &piece = pieces[count++];
        piece = Piece{p, 0, '\0', false, false, 0};
        while (*p && *p != '%')
            p++;
        if (p[0] == '%' && p[1] == '%') { // text that ends in one '%'
            piece.length = (size_t)(p + 1 - piece.text);
            p += 2;
            continue;
        }
        piece.length = (size_t)(p - piece.text);
        if (!*p)
            return count - (piece.length == 0);
        for (p++; *p == '-' || *p == '0'; p++)
            (*p == '-' ? piece.left : piece.zero) = true;
        for (; *p >= '0' && *p <= '9' && piece.width < 1000; p++)
            piece.width = piece.width * 10 + (size_t)(*p - '0');
        if (*p != 'd' && *p != 'i' && *p != 'u' && (*p != 's' || piece.zero))
            return -1;
        piece.conversion = *p == 'i' ? 'd' : *p;
        piece.zero &= !piece.left;
        p++;
    }
}

// The least number of i + 1 digits, and two digits for each number below 100.
static const unsigned LeastOfDigits[] = {0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
static const char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                                 "34353637383940414243444546474849505152535455565758596061626364656667"
                                 "6869707172737475767778798081828384858687888990919293949596979899";

// Copies count bytes 16 at a time from text, or from its first 16 bytes
// again and again when fill is set: up to 15 more bytes are read and written.
static char *Put(char *out, const char *text, size_t count, bool fill = false)
{
    for (size_t i = 0; i < count; i += 16)
        memcpy(out + i, text + (fill ? 0 : i), 16);
    return out + count;
}

// vsnprintf into buffer (ViewerBufferSize bytes) for the pieces of a format.
// Returns the length, or -1 for a result that does not fit.
static int FormatPieces(char *buffer, const Piece *pieces, int count, va_list args)
{
    static const char Blanks[] = "                ", Zeros[] = "0000000000000000";
    char *out = buffer, *last = buffer + ViewerBufferSize - 1;
    for (int i = 0; i < count; i++) {
        const Piece piece = pieces[i]; // a copy: the bytes written cannot change it
        if (piece.length + 16 > (size_t)(last - out))
            return -1;
        out = Put(out, piece.text, piece.length);
        if (piece.conversion == 's') {
            const char *text = va_arg(args, const char *);
            text = text ? text : "(null)";
            size_t length = strlen(text), pad = piece.width > length ? piece.width - length : 0;
            if (length + pad + 16 > (size_t)(last - out))
                return -1;
            out = Put(out, Blanks, piece.left ? 0 : pad, true);
            out = (char *)memcpy(out, text, length) + length;
            out = Put(out, Blanks, piece.left ? pad : 0, true);
        } else if (piece.conversion) {
            // The field filled first, then the digits written into it from their end.
            unsigned value = piece.conversion == 'u' ? va_arg(args, unsigned) : (unsigned)va_arg(args, int);
            bool negative = piece.conversion == 'd' && (int)value < 0;
            value = negative ? 0u - value : value;
            // The bits times log10(2) make the digits or one less; a look settles it.
            size_t length = (size_t)(32 - __builtin_clz(value | 1)) * 1233 >> 12;
            length += value >= LeastOfDigits[length];
            size_t field = piece.width > length + negative ? piece.width : length + negative;
            if (field + 16 > (size_t)(last - out))
                return -1;
            Put(out, piece.zero ? Zeros : Blanks, field, true);
            char *digits = piece.left ? out + negative : out + field - length, *d = digits + length;
            for (; value >= 100; value /= 100)
                memcpy(d -= 2, DigitPairs + value % 100 * 2, 2);
            if (value >= 10)
                memcpy(d - 2, DigitPairs + value * 2, 2);
            else
                d[-1] = (char)('0' + value);
            if (negative)
                *(piece.zero ? out : digits - 1) = '-';
            out += field;
        }
    }
    *out = '\0';
    return (int)(out - buffer);
}

// Formats into a buffer of ViewerBufferSize bytes. A longer result is cut to
// what fits; its length is then that of the cut text. The pieces of the last
// format are kept by its address: a format is a literal, never changed.
int ViewerPrintf(const char *format, ...)
{
    static const char *parsedFormat;
    static char parsed[FormatMax + 16]; // its copy, and 16 bytes to read past it
    static Piece pieces[PieceMax];
    static int count = -1; // -1: the C library formats
    if (format != parsedFormat) {
        size_t length = strnlen(format, FormatMax);
        parsedFormat = format;
        count = length < FormatMax ? ParseFormat((char *)memcpy(parsed, format, length + 1), pieces) : -1;
    }
    va_list args;
    va_start(args, format);
    int length = count < 0 ? -1 : FormatPieces(Formatted, pieces, count, args);
    va_end(args);
    if (length < 0) {
        va_start(args, format);
        length = vsnprintf(Formatted, sizeof Formatted, format, args);
        va_end(args);
        length = length < 0 ? 0 : length < (int)sizeof Formatted ? length : (int)sizeof Formatted - 1;
    }
    FormattedLength = (size_t)length;
    if (length > 0)
        ViewerAppendLine(Formatted);
    return length;
}
