// The command-line hand-off: the first token that names a DLL goes, in its
// long form, into a path box (the own one or a running instance's).
#include "shell/startup.h"

#include <cstdio>
#include <cstring>

#include "exports/exports.h"

static const char DllSuffix[] = ".DLL";
static const char JoinFormat[] = "%s\\%s";

enum {
    SuffixLength = 4,
    WorkSize = MAX_PATH + 1, // ExpandLongPath's working strings
};

// Makes token absolute against this process's current directory, expands it
// and puts it into targetEdit; the box is emptied when either step fails.
// The absolute form matters when targetEdit belongs to a running instance,
// whose current directory is not ours.
static void SendExpandedPath(HWND targetEdit, const char *token)
{
    char absolute[MAX_PATH] = {};
    char result[MAX_PATH] = {};
    DWORD length = GetFullPathNameA(token, sizeof absolute, absolute, NULL);
    if (length > 0 && length < sizeof absolute)
        ExpandLongPath(absolute, result, sizeof result);
    SendMessageA(targetEdit, WM_SETTEXT, 0, (LPARAM)result);
    SetForegroundWindow(targetEdit);
    SendMessageA(targetEdit, WM_SETFOCUS, 0, 0);
}

char *CommandLineTail(char *line)
{
    unsigned char *p = (unsigned char *)line;
    if (*p == '"') {
        // A quoted name runs to the next quote; a double-byte character is
        // stepped over whole.
        for (++p; *p != '\0' && *p != '"'; ++p)
            if (IsDBCSLeadByte(*p) && p[1] != '\0')
                ++p;
        if (*p == '"')
            ++p;
    } else {
        while (*p > ' ')
            ++p;
    }
    // Compared unsigned: bytes of 0x80 and more are characters, not blanks.
    while (*p != '\0' && *p <= ' ')
        ++p;
    return (char *)p;
}

// The next token from *line on, ended in place with a NUL; null when none is
// left. Blanks separate tokens. A token that begins with a double quote runs
// to the next one, blanks included, and comes without its quotes (Explorer
// quotes a path that holds a blank); one never closed runs to the end of the
// line. Bytes are compared one by one: no trail byte of code page 932 (0x40
// to 0xFC) is a quote or a blank.
static char *NextToken(char **line)
{
    char *p = *line;
    while (*p == ' ')
        ++p;
    if (*p == '\0')
        return NULL;
    bool quoted = *p == '"';
    char end = quoted ? '"' : ' ';
    if (quoted)
        ++p;
    char *token = p;
    while (*p != '\0' && *p != end)
        ++p;
    if (*p != '\0')
        *p++ = '\0';
    *line = p;
    return token;
}

int HandOffCommandLine(HWND targetWindow, char *commandLine, HWND targetEdit)
{
    char token[MAX_PATH];
    char suffix[SuffixLength + 1];
    for (char *next = NextToken(&commandLine); next; next = NextToken(&commandLine)) {
        size_t length = strlen(next);
        // Shorter than the suffix, or too long for a path: never the DLL.
        if (length < SuffixLength || length >= sizeof token)
            continue;
        memset(token, 0, sizeof token);
        memcpy(token, next, length);
        memset(suffix, 0, sizeof suffix);
        memcpy(suffix, token + length - SuffixLength, SuffixLength);
        CharUpperA(suffix);
        if (strncmp(suffix, DllSuffix, SuffixLength) == 0) {
            SendExpandedPath(targetEdit, token);
            return 1;
        }
    }
    SetForegroundWindow(targetWindow);
    return 1;
}

// The last backslash in path, or null. Double-byte characters are stepped
// over whole: in code page 932 their second byte may be 0x5C ("ソ" is 83 5C).
static char *LastBackslash(char *path)
{
    char *last = NULL;
    for (char *p = path; *p != '\0'; ++p) {
        if (IsDBCSLeadByte((BYTE)*p) && p[1] != '\0')
            ++p;
        else if (*p == '\\')
            last = p;
    }
    return last;
}

// The length of path's leading part, which stays as typed and is never
// searched: a network path's \\server\share (a search of it finds nothing),
// otherwise what comes before the first backslash ("C:", or nothing
// for a path that starts with one).
static size_t LeadingLength(const char *path)
{
    const char *p = path;
    if (p[0] == '\\' && p[1] == '\\') {
        p += 2;
        for (int separators = 0; *p != '\0'; p = CharNextA(p))
            if (*p == '\\' && ++separators == 2)
                break;
    } else {
        while (*p != '\0' && *p != '\\')
            p = CharNextA(p);
    }
    return (size_t)(p - path);
}

// The directory record of path's last component; 0 when there is none.
static int FindRecord(const char *path, WIN32_FIND_DATAA *record)
{
    HANDLE search = FindFirstFileA(path, record);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    return 1;
}

// head, a backslash and tail into out (WorkSize bytes); 0 when it would not
// fit.
static int JoinPath(char *out, const char *head, const char *tail)
{
    int length = snprintf(out, WorkSize, JoinFormat, head, tail);
    return length >= 0 && length < WorkSize;
}

// Works from the last component back to the first: each search of the
// shortened path yields the long name of its last component. A search whose
// record would be used and fails ends the expansion with 0 (a missing
// folder); the leading part, a drive or a network path's server and share,
// stays as typed and is not searched. Wildcards are refused: they would
// expand to whichever file matched first.
static int ExpandSearched(const char *source, char *destination, size_t capacity)
{
    char work[WorkSize] = {};
    char result[WorkSize] = {};
    char joined[WorkSize] = {};
    WIN32_FIND_DATAA record = {};

    size_t sourceLength = strlen(source);
    if (sourceLength >= sizeof work || strpbrk(source, "*?"))
        return 0;
    memcpy(work, source, sourceLength);
    size_t leading = LeadingLength(work);
    if (!FindRecord(work, &record))
        return 0;
    for (char *backslash = LastBackslash(work); backslash && (size_t)(backslash - work) >= leading;
         backslash = LastBackslash(work)) {
        if (result[0] == '\0') {
            memcpy(result, record.cFileName, sizeof record.cFileName);
        } else {
            if (!JoinPath(joined, record.cFileName, result))
                return 0;
            memcpy(result, joined, sizeof result);
        }
        *backslash = '\0';
        if (strlen(work) > leading && !FindRecord(work, &record))
            return 0;
    }
    // A path that is its leading part alone (a bare name, a bare \\server\share)
    // comes back as it was given.
    if (result[0] == '\0')
        memcpy(joined, work, sizeof joined);
    else if (!JoinPath(joined, work, result))
        return 0;
    if (strlen(joined) >= capacity)
        return 0;
    memcpy(destination, joined, strlen(joined) + 1);
    return 1;
}

// The searches see the file system as 64-bit programs do, as the lister
// reads it: a path through Sysnative comes back through System32.
int ExpandLongPath(const char *source, char *destination, size_t capacity)
{
    NativeFiles view;
    BeginNativeFiles(&view, source);
    int expanded = ExpandSearched(view.path, destination, capacity);
    EndNativeFiles(&view);
    return expanded;
}
