// The viewer in the test process: listings into Wine's own Notepad and, through the seams of
// seams.h, how the viewer is found, started and placed, or a file is listed into instead.
#include "exports/exports.h"
#include "tests/support/support.h"
#include "viewer/viewer.h"

using namespace qt;

static const std::string SmallDll = SystemPath("version.dll");  // 16 names
static const std::string LargeDll = SystemPath("kernel32.dll"); // 1,363 names

static void ExpectListed(const std::string &path)
{
    ASSERT_EQ(ListExports(nullptr, path.c_str()), 1);
    EXPECT_EQ(FindViewer(GetCurrentProcess()), ViewerWindow) << "not the retitled Notepad started";
    EXPECT_EQ(Text(ViewerEdit), Listing(path));
    EXPECT_EQ(SendMessageA(ViewerEdit, EM_GETMODIFY, 0, 0), 0) << "left modified";
}

// From the first call of a fresh process: clearing before any viewer starts nothing; then listings
// into the one viewer, whole also when Word Wrap was switched between two (Notepad makes a new edit
// control: the program's Run test switches it during one), and the user's selection. A viewer left
// without an edit control stops the listing with one box, and the next listing starts a new viewer.
// (A failed run makes no viewer call at all: the reader's host tests. A closed viewer is replaced:
// the Run test. Only a window of the started Notepad's own thread is taken: ViewerLaunch's
// LosesWindow row.)
TEST(RealNotepad, ListingsReplaceOneAnotherAndGoWhereTheSelectionIs)
{
    EXPECT_EQ(ViewerClear(), 0);
    ViewerResetModified();
    EXPECT_EQ(FindViewer(GetCurrentProcess()), nullptr) << "a viewer started";
    ExpectListed(LargeDll);
    HWND viewer = ViewerWindow;
    SendMessageA(ViewerEdit, EM_SETMODIFY, TRUE, 0);  // as the user's typing does
    SendMessageA(ViewerWindow, WM_COMMAND, 0x119, 0); // Word Wrap, under Wine
    ExpectListed(SmallDll);
    EXPECT_EQ(ViewerWindow, viewer);

    // The user selects the header line (in characters): the next line replaces it.
    std::string listing = Listing(SmallDll);
    int header = (int)listing.find("\r\n") + 2;
    int headerCharacters = MultiByteToWideChar(CP_ACP, 0, listing.data(), header, nullptr, 0);
    SendMessageA(ViewerEdit, EM_SETSEL, 0, headerCharacters);
    ViewerAppendLine("here");
    EXPECT_EQ(Text(ViewerEdit), "here\r\n" + listing.substr(header));

    SendMessageA(ViewerEdit, WM_CLOSE, 0, 0); // its window procedure destroys it
    BoxWatcher watcher;
    ASSERT_EQ(ListExports(nullptr, SmallDll.c_str()), 1);
    const char *noEdit = "メモ帳のエディットコントロール"
                         "が見つかりませんでした";
    EXPECT_EQ(watcher.Shown(), Boxes{BoxOf(noEdit, "なんで？", Warning)});
    ASSERT_EQ(ListExports(nullptr, SmallDll.c_str()), 1);
    EXPECT_NE(ViewerWindow, viewer);
    EXPECT_EQ(Text(ViewerEdit), Listing(SmallDll));
}

// What the viewer's launch sees and does, as the seams of seams.h hand it over: which NotePad.exe
// files exist (all that do when null), the screen's size (the real one when 0), and each start, as
// "PATH cb flags show x y width height". A start can fail, lose its window (its thread id is then
// no thread's, as for Windows 11's notepad.exe, whose window belongs to another process), or start
// a stand-in for what Wine's Notepad never shows: windows of this thread, the first hidden and
// childless, as a Japanese Windows' "IME" window may be, the next with an edit control. Where no
// Notepad is found, the listing's file may meet a temporary folder that does not exist, or no
// program that opens ".txt".
enum class Launch { Works, Fails, LosesWindow, ImeFirst, NoTempFolder, NoTextType };
static const std::vector<std::string> *Present;
static SIZE Screen;
static Launch Launching = Launch::Works;
static std::vector<std::string> Starts;
static std::vector<HWND> StandIn;

DWORD SeamAttributes(LPCSTR path)
{
    std::string name = path;
    if (!Present || name.size() < 12 || name.compare(name.size() - 12, 12, "\\NotePad.exe"))
        return GetFileAttributesA(path);
    bool present = std::find(Present->begin(), Present->end(), name) != Present->end();
    return present ? FILE_ATTRIBUTE_NORMAL : INVALID_FILE_ATTRIBUTES;
}

int SeamMetric(int index)
{
    if (Screen.cx && (index == SM_CXSCREEN || index == SM_CYSCREEN))
        return index == SM_CXSCREEN ? Screen.cx : Screen.cy;
    return GetSystemMetrics(index);
}

BOOL SeamStart(LPCSTR path, LPSTR line, LPSECURITY_ATTRIBUTES processSecurity,
               LPSECURITY_ATTRIBUTES threadSecurity, BOOL inherit, DWORD flags, LPVOID environment,
               LPCSTR folder, LPSTARTUPINFOA s, LPPROCESS_INFORMATION process)
{
    char start[MAX_PATH + 80];
    snprintf(start, sizeof start, "%s %lu %lu %u %lu %lu %lu %lu", path, s->cb, s->dwFlags,
             s->wShowWindow, s->dwX, s->dwY, s->dwXSize, s->dwYSize);
    Starts.push_back(start);
    if (Launching == Launch::Fails)
        return FALSE;
    if (Launching == Launch::ImeFirst) { // on this thread; the launch's wait returns at once
        DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE;
        HWND main = CreateWindowExA(0, "STATIC", "", style, 0, 0, 300, 200, 0, 0, 0, 0);
        style = WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL;
        CreateWindowExA(0, "EDIT", "", style, 0, 0, 300, 200, main, 0, 0, 0);
        HWND ime = CreateWindowExA(0, "STATIC", "Default IME", WS_POPUP, 0, 0, 0, 0, 0, 0, 0, 0);
        StandIn = {ime, main};
        HANDLE none = CreateEventA(nullptr, TRUE, TRUE, nullptr); // no process to wait for
        *process = {none, CreateEventA(nullptr, TRUE, TRUE, nullptr), GetCurrentProcessId(),
                    GetCurrentThreadId()};
        return TRUE;
    }
    BOOL started = CreateProcessA(path, line, processSecurity, threadSecurity, inherit, flags,
                                  environment, folder, s, process);
    if (Launching == Launch::LosesWindow)
        process->dwThreadId = 0;
    return started;
}

// The Windows folder's NotePad.exe first, then the system folder's, started at the screen's
// top-left corner with five ninths of its size (1920 x 1080 tells 600 from 599); two listings go
// into it. Where none can be attached, each listing goes whole into a file that the shell opens in
// an editor, as UTF-8 with a byte-order mark that reads back as quorrin-list's bytes, named after
// the listed file and numbered from the second on, never replacing one: when none is found (no
// box), when the start fails (its box each time, and each listing tries again), and when the
// started program shows no window of its own (no box, and it is never started again: the one empty
// window is its own, left running). A file that cannot be made shows a box each time and leaves no
// file; one that no program opens stays, and each one's box names it.
TEST(ViewerLaunch, FindsStartsAndPlacesNotepadOrListsIntoAFileOpenedByTheShell)
{
    const std::string inWindows = SystemPath("NotePad.exe", true);
    const std::string inSystem = SystemPath("NotePad.exe");
    const std::string placed = " " + std::to_string(sizeof(STARTUPINFOA)) + " 7 1 0 0 ";
    const std::string small = inWindows + placed + "568 426";
    const std::string large = inSystem + placed + "1066 600";
    const char *notStartedText = "メモ帳起動に失敗しました";
    const Boxes notStarted(2, BoxOf(notStartedText, "なんで？", Warning));
    const std::string notWritten = BoxOf("一覧をファイルに書き込めませんでした",
                                         "ファイル - エラー", Warning);
    const std::string folder = ListingFolder();
    const std::string notOpened = "一覧のファイルを開けませんでした。"
                                  "ファイルはここにあります:\n" +
                                  folder + "\\version.dll";
    const Boxes opensNone = {BoxOf(notOpened + ".txt", "なんで？", Warning),
                             BoxOf(notOpened + " (2).txt", "なんで？", Warning)};
    const std::string listing = Listing(SmallDll);
    const std::string file = "\xEF\xBB\xBF" + ToUtf8(listing);
    using Texts = std::vector<std::string>;
    const Texts inViewer = {listing}, inFiles = {listing, listing};
    const Texts named = {"version.dll (2).txt", "version.dll.txt"};
    const SIZE vga = {1024, 768};
    const std::tuple<Texts, SIZE, Launch, Texts, Boxes, Texts, Texts> rows[] = {
        {{inWindows, inSystem}, vga, Launch::Works, {small}, {}, inViewer, {}},
        {{inSystem}, {1920, 1080}, Launch::Works, {large}, {}, inViewer, {}},
        {{inWindows}, vga, Launch::ImeFirst, {small}, {}, {}, {}},
        {{}, vga, Launch::Works, {}, {}, inFiles, named},
        {{inWindows}, vga, Launch::Fails, {small, small}, notStarted, inFiles, named},
        {{inWindows}, vga, Launch::LosesWindow, {small}, {}, {"", listing, listing}, named},
        {{}, vga, Launch::NoTempFolder, {}, Boxes(2, notWritten), {}, {}},
        {{}, vga, Launch::NoTextType, {}, opensNone, {}, named},
    };
    char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    for (const auto &[present, screen, launch, starts, boxes, editors, files] : rows) {
        SCOPED_TRACE(std::to_string(present.size()) + " present, launch " +
                     std::to_string((int)launch));
        for (const std::string &name : FilesIn(folder))
            DeleteFileA((folder + "\\" + name).c_str());
        Present = &present;
        Screen = screen;
        Launching = launch;
        Starts.clear();
        if (launch == Launch::NoTempFolder) {
            SetEnvironmentVariableA("TMP", "C:\\no such folder");
            SetEnvironmentVariableA("TEMP", "C:\\no such folder");
        }
        if (launch == Launch::NoTextType)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt");
        BoxWatcher watcher;
        for (int i = 0; i < 2; i++) {
            memset(ListingFilePath, 0, sizeof ListingFilePath);
            EXPECT_EQ(ListExports(nullptr, SmallDll.c_str()), 1);
            if (!files.empty()) {
                EXPECT_EQ(FileBytes(ListingFilePath), file);
            }
        }
        RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", REG_SZ, "txtfile", 7);
        SetEnvironmentVariableA("TMP", tmp);
        SetEnvironmentVariableA("TEMP", temp);
        EXPECT_EQ(Starts, starts);
        EXPECT_EQ(watcher.Shown(), boxes);
        if (launch == Launch::ImeFirst) {
            EXPECT_EQ(Text(ViewerEdit), listing);
        }
        EXPECT_EQ(FilesIn(folder), files);
        EXPECT_TRUE(WaitFor([&] { return EditorTexts() == editors; }));
        EXPECT_EQ(EditorTexts(), editors);
        KillDescendants(GetCurrentProcess());
        EndEditors();
        for (HWND window : StandIn)
            DestroyWindow(window);
        ASSERT_TRUE(WaitFor([] { return !IsWindow(ViewerWindow); }));
        ViewerUnattachable = 0;
    }
    Present = nullptr;
    Screen = {};
    Launching = Launch::Works;
}
