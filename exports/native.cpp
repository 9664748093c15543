// The file the user named, as 64-bit programs see it. On 64-bit Windows the file calls of a 32-bit
// program on the system folder (System32) reach SysWOW64, the folder of 32-bit DLLs, instead; a
// path dragged from Explorer, typed or handed over names the file that 64-bit programs see there.
// The redirection is turned off for this thread around the calls that open, test or search that
// file, and around nothing else: a DLL loaded meanwhile would be a 64-bit one.
#include "exports/exports.h"

#include <cstring>

typedef BOOL(WINAPI *DisableCall)(PVOID *);
typedef BOOL(WINAPI *RevertCall)(PVOID);

// 32-bit Windows has no redirection, and Windows 95 to XP not these calls either: they are looked
// up, never imported.
static void (*KernelEntry(const char *name))(void)
{
    return (void (*)(void))GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
}

// Sysnative, the 64-bit system folder's alias for 32-bit programs, exists only while the
// redirection is on: with it off, a path through it is taken as the same path through System32.
static void MapSysnative(const char *path, char *native)
{
    char system[MAX_PATH] = {};
    char full[MAX_PATH] = {};
    UINT systemLength = GetSystemDirectoryA(system, sizeof system);
    char *folder = strrchr(system, '\\');
    DWORD fullLength = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (systemLength == 0 || systemLength >= sizeof system || !folder || fullLength == 0 ||
        fullLength >= sizeof full)
        return;
    static const char Alias[] = "\\Sysnative";
    size_t windows = (size_t)(folder - system); // the Windows folder's length
    size_t prefix = windows + sizeof Alias - 1;
    if (fullLength < prefix || _strnicmp(full, system, windows) != 0 ||
        _strnicmp(full + windows, Alias, sizeof Alias - 1) != 0 ||
        (full[prefix] != '\0' && full[prefix] != '\\'))
        return;
    if (systemLength + (fullLength - prefix) < MAX_PATH) {
        memcpy(native, system, systemLength);
        memcpy(native + systemLength, full + prefix, fullLength - prefix + 1);
    }
}

void BeginNativeFiles(NativeFiles *view, const char *path)
{
    DisableCall disable = (DisableCall)KernelEntry("Wow64DisableWow64FsRedirection");
    view->state = nullptr;
    view->off = disable && disable(&view->state);
    lstrcpynA(view->path, path, sizeof view->path);
    if (view->off)
        MapSysnative(path, view->path);
}

void EndNativeFiles(NativeFiles *view)
{
    RevertCall revert = (RevertCall)KernelEntry("Wow64RevertWow64FsRedirection");
    if (view->off && revert)
        revert(view->state);
    view->off = 0;
}
