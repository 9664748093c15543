// quorrin-bench-viewer [DLL] [ROUNDS]: the seconds a listing takes to land in
// Notepad through ListExports and the viewer channel, against the same lines
// sent from a minimal loop of bare EM_REPLACESEL messages into the same
// Notepad. Each run starts from an empty text; the two kinds of run take
// turns, ROUNDS of each (default 3). Prints the quickest run of each kind and
// their ratio.
// quorrin-bench-viewer --file DLL [ROUNDS]: the seconds a listing takes
// where no Notepad can be attached, from the run to the file written, named
// and handed to the shell (the shell's open included), each run and the
// quickest.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "exports/exports.h"
#include "viewer/viewer.h"

// The viewer's text as lines, each with its CR LF.
static std::vector<std::string> ViewerLines()
{
    LRESULT length = SendMessageA(ViewerEdit, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length + 1, '\0');
    text.resize(SendMessageA(ViewerEdit, WM_GETTEXT, length + 1, (LPARAM)&text[0]));
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
         start = end + 2)
        lines.push_back(text.substr(start, end + 2 - start));
    return lines;
}

// The seconds run takes, from an empty viewer.
static double Time(const std::function<void()> &run)
{
    LARGE_INTEGER start, end, frequency;
    SendMessageA(ViewerEdit, WM_SETTEXT, 0, (LPARAM) "");
    QueryPerformanceCounter(&start);
    run();
    QueryPerformanceCounter(&end);
    QueryPerformanceFrequency(&frequency);
    return (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
}

static int TimeFileListings(const char *dll, int rounds)
{
    double quickest = 1e30;
    for (int round = 0; round < rounds; round++) {
        ViewerUnattachable = 1;
        LARGE_INTEGER start, end, frequency;
        QueryPerformanceCounter(&start);
        int listed = ListExports(nullptr, dll);
        QueryPerformanceCounter(&end);
        QueryPerformanceFrequency(&frequency);
        if (!listed || !ListingFilePath[0])
            return 1;
        double seconds = (double)(end.QuadPart - start.QuadPart) / (double)frequency.QuadPart;
        WIN32_FILE_ATTRIBUTE_DATA file = {};
        GetFileAttributesExA(ListingFilePath, GetFileExInfoStandard, &file);
        printf("turn %d: %.3f s, %lu bytes, %s\n", round + 1, seconds, file.nFileSizeLow,
               ListingFilePath);
        DeleteFileA(ListingFilePath); // the editor has read it
        quickest = std::min(quickest, seconds);
    }
    printf("%s: through a file, quickest of %d: %.3f s\n", dll, rounds, quickest);
    return 0;
}

int main(int argc, char **argv)
{
    if (argc > 2 && strcmp(argv[1], "--file") == 0)
        return TimeFileListings(argv[2], argc > 3 ? atoi(argv[3]) : 3);
    const char *dll = argc > 1 ? argv[1]
                               : "Z:\\usr\\lib\\i386-linux-gnu\\wine\\i386-windows\\ntdll.dll";
    int rounds = argc > 2 ? atoi(argv[2]) : 3;

    // Notepad is started and attached before any timing; a listing never goes to a file here.
    if (!FindNotepadPath(ViewerPath) || !LaunchViewer(ViewerPath)) {
        fprintf(stderr, "Notepad did not start\n");
        return 1;
    }
    if (!ListExports(nullptr, dll))
        return 1;
    std::vector<std::string> lines = ViewerLines();
    auto tool = [&] { ListExports(nullptr, dll); };
    auto bareLoop = [&] {
        for (const std::string &line : lines)
            SendMessageA(ViewerEdit, EM_REPLACESEL, FALSE, (LPARAM)line.c_str());
    };

    // The quickest run of each kind: other work on the machine only ever
    // slows a run down.
    double quickestTool = 1e30, quickestBare = 1e30;
    for (int round = 0; round < rounds; round++) {
        double toolRun = 0, bareRun = 0;
        if (round % 2 == 0) {
            toolRun = Time(tool);
            bareRun = Time(bareLoop);
        } else {
            bareRun = Time(bareLoop);
            toolRun = Time(tool);
        }
        printf("turn %d: tool %.3f s, bare %.3f s\n", round + 1, toolRun, bareRun);
        quickestTool = std::min(quickestTool, toolRun);
        quickestBare = std::min(quickestBare, bareRun);
    }
    if (ViewerLines() != lines) {
        fprintf(stderr, "the bare loop's text differs from the listing\n");
        return 1;
    }

    printf("%s: %u names, %d rounds\n", dll, (unsigned)lines.size() - 1, rounds);
    printf("through the tool:   %.3f s (quickest listing)\n", quickestTool);
    printf("bare EM_REPLACESEL: %.3f s (quickest loop)\n", quickestBare);
    printf("ratio:              %.4f\n", quickestTool / quickestBare);
    if (HANDLE viewer = OpenProcess(PROCESS_TERMINATE, FALSE, ViewerProcessId)) {
        TerminateProcess(viewer, 0);
        CloseHandle(viewer);
    }
    return 0;
}
