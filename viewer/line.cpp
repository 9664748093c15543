// The viewer's line rules, shared by every build: the bounded format of
// ViewerPrintf and the cut and CR LF of ViewerAppendLine.
#include "viewer/viewer.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// ViewerPrintf's buffer and the length of the text in it.
static char Formatted[ViewerBufferSize];
static size_t FormattedLength;

// Copies count bytes 16 at a time from text, or from its first 16 bytes
// again and again when fill is set: up to 16 more bytes are read and written.
static char *Put(char *out, const char *text, size_t count, bool fill = false)
{
    memcpy(out, text, 16);
    for (size_t i = 16; i < count; i += 16)
        memcpy(out + i, text + (fill ? 0 : i), 16);
    return out + count;
}

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
// conversion ('d' also for %i, 'u', 's') or by none ('\0'); a number may have
// a width. A listing formats every line with one format.
struct Piece {
    const char *text;
    size_t length;
    char conversion;
    size_t width;
};

// Widths stop at WidthMax, so a format's text and fields, and the bytes
// written past them, take less than FixedMax bytes: only strings need room.
enum {
    FormatMax = 64,
    PieceMax = FormatMax / 2 + 1,
    WidthMax = 999,
    FixedMax = FormatMax + PieceMax * (WidthMax + 11 + 32),
};

// Takes apart format (shorter than FormatMax) into pieces. Returns their
// count, or -1 for a flag or a conversion of another kind.
static int ParseFormat(const char *format, Piece *pieces)
{
    int count = 0;
    for (const char *p = format;;) {
        Piece &piece = pieces[count++];
        piece = Piece{p, 0, '\0', 0};
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
        if (*++p == '0')
            return -1;
        for (; *p >= '0' && *p <= '9' && piece.width <= WidthMax; p++)
            piece.width = piece.width * 10 + (size_t)(*p - '0');
        if (piece.width > WidthMax || (*p != 'd' && *p != 'i' && *p != 'u' && (*p != 's' || piece.width)))
            return -1;
        piece.conversion = *p == 'i' ? 'd' : *p;
        p++;
    }
}

// The least number of i + 1 digits, and two digits for each number below 100.
static const unsigned LeastOfDigits[] = {0, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
static const char DigitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                                 "34353637383940414243444546474849505152535455565758596061626364656667"
                                 "6869707172737475767778798081828384858687888990919293949596979899";

// vsnprintf into buffer (ViewerBufferSize bytes) for the pieces of a format.
// Returns the length, or -1 for a result that does not fit.
static int FormatPieces(char *buffer, const Piece *pieces, int count, va_list args)
{
    static const char Blanks[] = "                ";
    char *out = buffer, *last = buffer + ViewerBufferSize - 1;
    for (const Piece *piece = pieces, *end = pieces + count; piece != end; piece++) {
        out = Put(out, piece->text, piece->length);
        if (piece->conversion == 's') {
            const char *text = va_arg(args, const char *);
            text = text ? text : "(null)";
            size_t length = strlen(text);
            if (length + FixedMax > (size_t)(last - out))
                return -1;
            out = (char *)memcpy(out, text, length) + length;
        } else if (piece->conversion) {
            unsigned value = piece->conversion == 'u' ? va_arg(args, unsigned) : (unsigned)va_arg(args, int);
            bool negative = piece->conversion == 'd' && (int)value < 0;
            value = negative ? 0u - value : value;
            // The bits times log10(2) make the digits or one less; a look settles it.
            size_t length = (size_t)(32 - __builtin_clz(value | 1)) * 1233 >> 12;
            length += (value >= LeastOfDigits[length]) + negative;
            size_t field = piece->width > length ? piece->width : length;
            // The field filled with blanks, then the digits written from its end.
            Put(out, Blanks, field, true);
            out += field;
            char *d = out;
            for (; value >= 100; value /= 100)
                memcpy(d -= 2, DigitPairs + 2 * (value % 100), 2);
            if (value >= 10)
                memcpy(d - 2, DigitPairs + 2 * value, 2);
            else
                d[-1] = (char)('0' + value);
            if (negative)
                out[-(ptrdiff_t)length] = '-';
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
