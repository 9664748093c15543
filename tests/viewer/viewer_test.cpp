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

    // Once closed, the viewer's handles reach no other window, even one that takes their values:
    // here the user's own Notepad, which the next listing leaves as it was.
    Process user = Start("notepad.exe");
    HWND own = WaitTopWindow(user.id, "Notepad");
    HWND ownEdit = FindWindowExA(own, nullptr, "Edit", nullptr);
    std::string title = Text(own);
    SendMessageA(ownEdit, WM_SETTEXT, 0, (LPARAM) "mine");
    SendMessageA(ViewerWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitFor([] { return !IsWindow(ViewerWindow); }));
    ViewerWindow = own;
    ViewerEdit = ownEdit;
    ASSERT_EQ(ListExports(nullptr, SmallDll.c_str()), 1);
    EXPECT_EQ(Text(own) + Text(ownEdit), title + "mine");
    EXPECT_EQ(Text(ViewerWindow) + Text(ViewerEdit), "QUORRIN_VIEWER" + Listing(SmallDll));
    Kill(user);
}

// What the viewer's launch sees and does, as the seams of seams.h hand it over: which NotePad.exe
// files exist (all that do when null), the screen's size (the real one when 0), and each start, as
// "PATH cb flags show x y width height". A start can fail, lose its window (its thread id is then
// no thread's, as for Windows 11's notepad.exe, whose window belongs to another process), or start
// a stand-in (notepad_standin.cpp) for what Wine's Notepad never shows: an editor in Notepad's
// place; a Notepad idle for input a second before its window shows, its thread's hidden and
// childless "IME" window before it, as on a Japanese Windows. Where no Notepad is found, the
// listing's file may meet: a temporary folder that does not exist, or one so deep that only the
// shortest name fits, and is taken; no program that opens ".txt"; a system without UTF-8 (Windows
// 95); a write that fails midway; a file held for a while by another program, as a virus scanner
// holds every new file (a rename or delete then fails for 300 ms). Or the listed path is
// drive-relative.
// clang-format off
enum class Launch { Works, Fails, LosesWindow, Editor, Late, NoTempFolder, Deep, NoTextType, NoUtf8,
                    WriteFails, Held, DriveRelative };
// clang-format on
static const std::vector<std::string> *Present;
static SIZE Screen;
static Launch Launching = Launch::Works;
static std::vector<std::string> Starts;
static int Writes;
static DWORD HeldSince;

BOOL SeamValidCodePage(UINT codePage)
{
    return (Launching != Launch::NoUtf8 || codePage != CP_UTF8) && IsValidCodePage(codePage);
}

size_t SeamWrite(const void *data, size_t size, size_t count, FILE *stream)
{
    return Launching == Launch::WriteFails && ++Writes > 3 ? 0 : fwrite(data, size, count, stream);
}

static bool Held()
{
    if (Launching != Launch::Held && Launching != Launch::WriteFails)
        return false;
    HeldSince = HeldSince ? HeldSince : GetTickCount();
    bool held = GetTickCount() - HeldSince < 300;
    HeldSince = held ? HeldSince : 0;
    SetLastError(ERROR_SHARING_VIOLATION);
    return held;
}

BOOL SeamMove(LPCSTR from, LPCSTR to)
{
    return !Held() && MoveFileA(from, to);
}

BOOL SeamDelete(LPCSTR path)
{
    return !Held() && DeleteFileA(path);
}

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
    std::string standIn = '"' + BuildProgram("tests/notepad-standin.exe") + '"';
    standIn += Launching == Launch::Editor ? " editor" : " late";
    if (Launching == Launch::Editor || Launching == Launch::Late) {
        path = nullptr;
        line = &standIn[0];
    }
    BOOL started = CreateProcessA(path, line, processSecurity, threadSecurity, inherit, flags,
                                  environment, folder, s, process);
    if (Launching == Launch::LosesWindow)
        process->dwThreadId = 0;
    return started;
}

// The Windows folder's NotePad.exe first, then the system folder's, started at the screen's
// top-left corner with five ninths of its size (1920 x 1080 tells 600 from 599); two listings go
// into it, also when it shows its window only a second after it is idle. Where none can be
// attached, each listing goes whole into a file that the shell opens in an editor, as UTF-8 with a
// byte-order mark that reads back as quorrin-list's bytes (as those bytes where UTF-8 is unknown),
// named after the listed file and numbered from the second on, never replacing one: when none is
// found (no box), when the start fails (its box each time, and each listing tries again), and when
// the started program shows no window of its own, or an editor's (no box, and it is never started
// again: the one window is its own, left running as it was). A file that cannot be made, or only
// under a name that does not fit, shows a box and leaves no file; one that no program opens stays,
// and each one's box names it; one held for a while by another program is waited for.
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
    const std::string notOpened = "一覧のファイルを開けませんでした。"
                                  "ファイルはここにあります:\n" +
                                  ListingFolder() + "\\version.dll";
    const Boxes opensNone = {BoxOf(notOpened + ".txt", "なんで？", Warning),
                             BoxOf(notOpened + " (2).txt", "なんで？", Warning)};
    const std::string listing = Listing(SmallDll);
    using Texts = std::vector<std::string>;
    const Texts inViewer = {listing}, inFiles = {listing, listing};
    const Texts named = {"version.dll (2).txt", "version.dll.txt"};
    const SIZE vga = {1024, 768};
    const std::tuple<Texts, SIZE, Launch, Texts, Boxes, Texts, Texts> rows[] = {
        {{inWindows, inSystem}, vga, Launch::Works, {small}, {}, inViewer, {}},
        {{inSystem}, {1920, 1080}, Launch::Works, {large}, {}, inViewer, {}},
        {{inWindows}, vga, Launch::Late, {small}, {}, inViewer, {}},
        {{}, vga, Launch::Works, {}, {}, inFiles, named},
        {{inWindows}, vga, Launch::Fails, {small, small}, notStarted, inFiles, named},
        {{inWindows}, vga, Launch::LosesWindow, {small}, {}, {"", listing, listing}, named},
        {{inWindows}, vga, Launch::Editor, {small}, {}, inFiles, named},
        {{}, vga, Launch::NoTempFolder, {}, Boxes(2, notWritten), {}, {}},
        {{}, vga, Launch::Deep, {}, Boxes(2, notWritten), {}, {"Quorrin.txt"}},
        {{}, vga, Launch::NoTextType, {}, opensNone, {}, named},
        {{}, vga, Launch::NoUtf8, {}, {}, inFiles, named},
        {{}, vga, Launch::WriteFails, {}, Boxes(2, notWritten), {}, {}},
        {{}, vga, Launch::Held, {}, {}, inFiles, named},
        {{}, vga, Launch::DriveRelative, {}, {}, inFiles, named},
    };
    char tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", tmp, sizeof tmp);
    GetEnvironmentVariableA("TEMP", temp, sizeof temp);
    std::string deep = TempFolder("deep") + "\\";
    deep.resize(236, 'd'); // its Quorrin folder's path is 244 bytes long
    CreateDirectoryA(deep.c_str(), nullptr);
    SetCurrentDirectoryA(SystemPath("").c_str()); // C:version.dll is the system folder's
    for (const auto &[present, screen, launch, starts, boxes, editors, files] : rows) {
        SCOPED_TRACE("launch " + std::to_string((int)launch));
        Present = &present;
        Screen = screen;
        Launching = launch;
        Starts.clear();
        Writes = 0;
        if (launch == Launch::NoTempFolder || launch == Launch::Deep) {
            const char *folder = launch == Launch::Deep ? deep.c_str() : "C:\\no such folder";
            SetEnvironmentVariableA("TMP", folder);
            SetEnvironmentVariableA("TEMP", folder);
        }
        const std::string folder = ListingFolder();
        for (const std::string &name : FilesIn(folder))
            DeleteFileA((folder + "\\" + name).c_str());
        if (launch == Launch::Deep) { // the one name that fits there is taken
            CreateDirectoryA(folder.c_str(), nullptr);
            WriteFileBytes(folder + "\\Quorrin.txt", "taken");
        }
        if (launch == Launch::NoTextType)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt");
        std::string bytes = launch == Launch::NoUtf8 ? listing : "\xEF\xBB\xBF" + ToUtf8(listing);
        BoxWatcher watcher;
        for (int i = 0; i < 2; i++) {
            memset(ListingFilePath, 0, sizeof ListingFilePath);
            const char *dll = launch == Launch::DriveRelative ? "C:version.dll" : SmallDll.c_str();
            EXPECT_EQ(ListExports(nullptr, dll), 1);
            if (ListingFilePath[0]) { // in the folder, under the name it was given
                EXPECT_EQ(FileBytes(ListingFilePath), bytes);
                Texts in = FilesIn(folder);
                EXPECT_EQ(std::count(in.begin(), in.end(), strrchr(ListingFilePath, '\\') + 1), 1);
            }
        }
        RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.txt", REG_SZ, "txtfile", 7);
        SetEnvironmentVariableA("TMP", tmp);
        SetEnvironmentVariableA("TEMP", temp);
        EXPECT_EQ(Starts, starts);
        EXPECT_EQ(watcher.Shown(), boxes);
        HWND editor = FindWindowA("Editor", nullptr); // as it was: title, tool bar, document
        HWND document = FindWindowExA(editor, nullptr, "Edit", nullptr);
        EXPECT_EQ(Text(editor) + Text(GetWindow(editor, GW_CHILD)) + Text(document),
                  launch == Launch::Editor ? "Editortoolbardocument" : "");
        EXPECT_EQ(FilesIn(folder), files);
        EXPECT_TRUE(WaitFor([&] { return EditorTexts() == editors; }));
        EXPECT_EQ(EditorTexts(), editors);
        KillDescendants(GetCurrentProcess());
        EndEditors();
        ASSERT_TRUE(WaitFor([] { return !IsWindow(ViewerWindow) && !FindWindowA("Editor", 0); }));
        ViewerUnattachable = 0;
    }
    SetCurrentDirectoryA("C:\\");
    Present = nullptr;
    Screen = {};
    Launching = Launch::Works;
}
