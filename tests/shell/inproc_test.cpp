// The shell's code called in the test process, through the stand-ins of seams.h: the command-line
// tail, start-up, the main window, the hand-off, the drop and the commands.
#include <shlobj.h>

#include "res/ids.h"
#include "shell/startup.h"
#include "tests/support/support.h" // with <algorithm>, <cstdio> and <thread>
#include "viewer/viewer.h"

using namespace qt;
using namespace std::string_literals;

// The calls the stand-ins saw, in order: "destroy H", "delete H", "foreground H", "shell ...",
// "dialog ..." and "about ...". The handles of the controls and of the fonts as they were made
// (the main window's last: its controls are made while it is), and how many were asked for.
static std::vector<std::string> Calls;
static std::vector<std::string> Made[2];
static int Asked[2];
static int FailAt[2]; // the control and the font that cannot be made (1-based; 0: none)
static bool FailShortcuts;
static bool FailCodePage; // GetACP() gives 1252, as where the manifest cannot set it
// The platform's answer: the shell's result, or the file chosen in the open-file dialog (empty: the
// dialog is cancelled; TooLong: it fails, as for a choice that does not fit its buffer).
static std::string Answer;
static const std::string TooLong = "(too long)";

static std::string Hex(const void *handle)
{
    char text[20];
    snprintf(text, sizeof text, "%p", handle);
    return text;
}

bool SeamFails(char kind)
{
    if (kind == 'a' || kind == 'p')
        return kind == 'a' ? FailShortcuts : FailCodePage;
    return ++Asked[kind == 'f'] == FailAt[kind == 'f'];
}

const void *SeamRecorded(const char *what, const void *handle)
{
    if (what == "control"s || what == "font"s)
        Made[what == "font"s].push_back(Hex(handle));
    else
        Calls.push_back(what + (" " + Hex(handle)));
    return handle;
}

HINSTANCE SeamShell(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR args, LPCSTR dir, INT show)
{
    if (verb == "open"s) // a listing's file, opened as Explorer opens it
        return ShellExecuteA(owner, verb, file, args, dir, show);
    char call[600]; // a null text as "(null)"
    snprintf(call, sizeof call, "shell %p %s %s %s %s %d", owner, verb, file, args, dir, show);
    Calls.push_back(call);
    return (HINSTANCE)(INT_PTR)atoi(Answer.c_str());
}

// Kept: the owner, the title, the filter to the NUL pair that ends it, the initial folder and the
// file name.
BOOL SeamOpenDialog(OPENFILENAMEA *dialog)
{
    const char *end = dialog->lpstrFilter;
    while (end[0] || end[1])
        ++end;
    std::string filter(dialog->lpstrFilter, end + 2);
    std::string call = "dialog " + Hex(dialog->hwndOwner) + " " + dialog->lpstrTitle + " " + filter;
    Calls.push_back(call + dialog->lpstrInitialDir + "|" + dialog->lpstrFile);
    if (Answer == TooLong)
        *(WORD *)dialog->lpstrFile = 300; // the size it needed
    return Answer != TooLong && !Answer.empty() &&
           lstrcpynA(dialog->lpstrFile, Answer.c_str(), dialog->nMaxFile);
}

DWORD SeamDialogError(void)
{
    return Answer == TooLong ? FNERR_BUFFERTOOSMALL : 0;
}

int SeamAbout(HWND owner, LPCSTR title, LPCSTR rights, HICON icon)
{
    std::string texts = std::string(title) + "|" + rights;
    Calls.push_back("about " + Hex(owner) + " " + texts + (icon ? "" : " without an icon"));
    return 1;
}

// A 64-bit Windows as this program would meet it there, pretended (Wine's x86_64 build knows no
// redirection): while the redirection is on, the file calls on the system folder reach Wow64, a
// folder of 32-bit DLLs, as SysWOW64 is. The redirection calls record "off" and "on", and the
// file calls meanwhile "open", "short", "find" and "create" with their paths.
static bool Pretend64, RedirectionOff;
static std::string Wow64;

static BOOL WINAPI PretendDisable(PVOID *state)
{
    *state = &Wow64;
    RedirectionOff = true;
    Calls.push_back("off");
    return TRUE;
}

static BOOL WINAPI PretendRevert(PVOID state)
{
    RedirectionOff = false;
    Calls.push_back("on");
    return state == &Wow64;
}

FARPROC SeamEntry(HMODULE module, LPCSTR name)
{
    if (Pretend64 && name == "Wow64DisableWow64FsRedirection"s)
        return (FARPROC)(void (*)(void))PretendDisable;
    if (Pretend64 && name == "Wow64RevertWow64FsRedirection"s)
        return (FARPROC)(void (*)(void))PretendRevert;
    return GetProcAddress(module, name);
}

static std::string Reached(const char *call, LPCSTR path)
{
    std::string reached = path;
    if (Pretend64 && RedirectionOff)
        Calls.push_back(call + (" " + reached));
    for (const std::string &folder : {SystemPath("SysWOW64\\", true), SystemPath("")}) {
        bool redirected = !RedirectionOff || folder != SystemPath("");
        if (Pretend64 && redirected && _strnicmp(path, folder.c_str(), folder.size()) == 0)
            return Wow64 + "\\" + reached.substr(folder.size());
    }
    return reached;
}

DWORD SeamShortPath(LPCSTR path, LPSTR shortPath, DWORD size)
{
    return GetShortPathNameA(Reached("short", path).c_str(), shortPath, size);
}

HANDLE SeamCreate(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                  DWORD flags, HANDLE model)
{
    return CreateFileA(Reached("create", path).c_str(), access, share, security, how, flags, model);
}

FILE *SeamOpen(const char *path, const char *mode)
{
    return fopen(Reached("open", path).c_str(), mode);
}

// A network share as the searches see it (Wine has none): its folder "Long Folder", short name
// LONGFO~1, holds x.dll; as on Windows, no search finds \\server\share itself.
HANDLE SeamFind(LPCSTR path, LPWIN32_FIND_DATAA found)
{
    std::string name = path;
    const std::string share = "\\\\server\\share\\";
    if (name.compare(0, share.size(), share) != 0)
        return FindFirstFileA(Reached("find", path).c_str(), found);
    name = name.substr(share.size());
    if (name.compare(0, 8, "LONGFO~1") == 0)
        name = "Long Folder" + name.substr(8);
    if (name != "Long Folder" && name != "Long Folder\\x.dll")
        return INVALID_HANDLE_VALUE;
    HANDLE search = FindFirstFileA("C:\\windows", found); // a handle for FindClose
    *found = {};
    strcpy(found->cFileName, name.substr(name.rfind('\\') + 1).c_str()); // the last component
    found->dwFileAttributes = FILE_ATTRIBUTE_ARCHIVE;
    return search;
}

// The teardown of what was made: Browse, Run, Quit, check box, label, path box, each window
// destroyed before its font is deleted; the rest skipped. Then the quit message, taken out of the
// queue, where it would end the next test's message boxes.
static void ExpectTeardown(size_t calls)
{
    std::vector<std::string> expected;
    for (size_t i : {1, 2, 3, 4, 5, 0}) {
        if (i < Made[0].size() && Made[0][i] != Hex(nullptr))
            expected.push_back("destroy " + Made[0][i]);
        if (i < Made[1].size() && Made[1][i] != Hex(nullptr))
            expected.push_back("delete " + Made[1][i]);
    }
    EXPECT_EQ(Calls, expected);
    EXPECT_EQ(Calls.size(), calls);
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u) << "quit with 0";
}

static void Reset(int failControl = 0, int failFont = 0)
{
    MainWindow = PathEdit = BrowseButton = RunButton = nullptr;
    QuitButton = SystemFolderCheck = TargetLabel = nullptr;
    PathEditFont = BrowseButtonFont = RunButtonFont = nullptr;
    QuitButtonFont = SystemFolderCheckFont = TargetLabelFont = nullptr;
    UnregisterClassA("Quorrin", GetModuleHandleA(nullptr));
    Calls.clear();
    Made[0] = Made[1] = {};
    Asked[0] = Asked[1] = 0;
    FailAt[0] = failControl ? failControl + 1 : 0;
    FailAt[1] = failFont;
    FailShortcuts = FailCodePage = false;
}

TEST(CommandLineTail, SkipsTheProgramNameAndTheBytesUpTo0x20AfterItAndNoOthers)
{
    const std::tuple<const char *, const char *> rows[] = {
        {"q.exe", ""},
        {"q.exe  \t ", ""},
        {"\"C:\\a b\\q.exe\"", ""},
        {"\"C:\\no closing quote 表.dll", ""},
        {"q.exe 表.dll", "表.dll"},     // 95 5C: a trail byte of the backslash's value
        {"q.exe ｶﾅ.dll x", "ｶﾅ.dll x"}, // half-width katakana: single bytes of 0xB6 and up
        {"q.exe\t\x01\x1f\r\n 表.dll", "表.dll"},
        {"C:\\ソフト\\q.exe 表.dll", "表.dll"},
        {"\"C:\\a b\\q.exe\"表.dll", "表.dll"},
    };
    for (const auto &[text, tail] : rows) {
        std::string line = text;
        EXPECT_STREQ(CommandLineTail(&line[0]), tail) << text;
    }
}

TEST(StartUp, AControlOrAFontThatCannotBeMadeShowsTwoBoxesReleasesWhatWasMadeAndEnds)
{
    const char *ending = "コントロールを作成できませんでした。"
                         "アプリケーションを終了します。";
    const std::string endBox = BoxOf(ending, "起動エラー", Warning);
    const std::tuple<int, int, const char *> rows[] = {
        {1, 0, "エディットボックス作成失敗"},
        {2, 0, "コマンドボタンコントロール１作成失敗"},
        {3, 0, "コマンドボタンコントロール２作成失敗"},
        {4, 0, "コマンドボタンコントロール３作成失敗"},
        {5, 0, "チェックボタンコントロール１作成失敗"},
        {6, 0, "エディットボックス作成失敗"},
        {0, 1, "フォント作成失敗"},
        {0, 3, "フォント作成失敗"},
        {0, 6, "フォント作成失敗"},
    };
    for (const auto &[control, font, text] : rows) {
        SCOPED_TRACE("control " + std::to_string(control) + " font " + std::to_string(font));
        Reset(control, font);
        BoxWatcher watcher;
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
        EXPECT_EQ(watcher.Shown(), (Boxes{BoxOf(text, "ありゃりゃ"), endBox}));
        // Released: what was made before the failing call, each control with its font, and a
        // control whose font fails.
        size_t made = control ? control - 1 : font;
        ExpectTeardown(made * 2 - (font != 0));
    }
}

// Every key meets the shortcut table first: Ctrl+H shows the help note, and Ctrl+E ends the
// program. Without its table, or without code page 932, the program warns once and runs on until
// Alt+F4 or Ctrl+E ends it.
TEST(StartUp, EveryKeyMeetsTheShortcutsFirstAndWithoutThemTheProgramWarnsAndRunsOn)
{
    const char *noTableText = "アクセラレータロードエラー";
    const std::string noShortcuts = BoxOf(noTableText, "起動 - エラー", Warning);
    const char *noCodePageText = "Quorrin shows Japanese text. It needs Windows 11, or a Japanese "
                                 "system locale (code page 932) on older Windows: here its texts "
                                 "will not read right.";
    const std::string noCodePage = BoxOf(noCodePageText, "Quorrin", Warning);
    const std::tuple<bool, bool, WORD, WORD, Boxes> rows[] = {
        {false, false, VK_CONTROL, 'E', {HelpBox}},
        {true, false, VK_MENU, VK_F4, {noShortcuts}},
        {false, true, VK_CONTROL, 'E', {noCodePage, HelpBox}},
    };
    for (const auto &[noTable, no932, closeModifier, close, boxes] : rows) {
        Reset();
        FailShortcuts = noTable;
        FailCodePage = no932;
        BoxWatcher watcher;
        auto answered = [&](size_t count) {
            return watcher.Seen().size() == count && MessageBoxes(GetCurrentProcessId()).empty();
        };
        // As a user at the window once start-up has made it and its boxes are answered.
        auto use = [&, warnings = noTable + no932, shown = boxes.size(), modifier = closeModifier,
                    key = close] {
            HWND main = nullptr;
            auto started = [&] {
                return (main = FindWindowA("Quorrin", nullptr)) && answered(warnings);
            };
            EXPECT_TRUE(WaitFor(started) && MakeForeground(main));
            PressKeys(VK_CONTROL, 'H');
            EXPECT_TRUE(WaitFor([&] { return answered(shown); }));
            EXPECT_TRUE(MakeForeground(main));
            PressKeys(modifier, key);
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(main); })) << "still open";
            PostMessageA(main, WM_CLOSE, 0, 0);
        };
        std::thread user(use);
        EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
        user.join();
        EXPECT_EQ(watcher.Shown(), boxes);
        EXPECT_EQ(watcher.Seen().at(0).owner, MainWindow);
    }
}

class InProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        ASSERT_NE(RegisterMainWindowClass(GetModuleHandleA(nullptr)), 0);
        ASSERT_EQ(CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 1);
        folder = TempFolder("inproc");
    }
    void TearDown() override
    {
        if (IsWindow(MainWindow))
            DestroyWindow(MainWindow);
        KillDescendants(GetCurrentProcess());
    }
    void SetPath(const std::string &path)
    {
        SendMessageA(PathEdit, WM_SETTEXT, 0, (LPARAM)path.c_str());
    }
    std::string folder;
};

// Class, text, extended style, style, id, place and size in the main window, and its font's
// height, character set, face and handle.
static std::string Described(HWND control)
{
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, MainWindow, (POINT *)&r, 2);
    char className[64];
    GetClassNameA(control, className, sizeof className);
    HFONT font = (HFONT)SendMessageA(control, WM_GETFONT, 0, 0);
    LOGFONTA f = {};
    GetObjectA(font, sizeof f, &f);
    char text[200];
    snprintf(text, sizeof text, "%s %s %lx %lx %d %ld %ld %ld %ld, %ld %d %s ", className,
             Text(control).c_str(), GetWindowLongA(control, GWL_EXSTYLE),
             GetWindowLongA(control, GWL_STYLE), GetDlgCtrlID(control), r.left, r.top,
             r.right - r.left, r.bottom - r.top, f.lfHeight, f.lfCharSet, f.lfFaceName);
    return text + Hex(font);
}

// Each popup on a line: "text: id text ..." with "-" for a separator.
static std::string MenuItems(HMENU menu)
{
    std::string items;
    char text[64] = {};
    for (int popup = 0; GetMenuStringA(menu, popup, text, sizeof text, MF_BYPOSITION); ++popup) {
        items += std::string(text) + ":";
        HMENU sub = GetSubMenu(menu, popup);
        for (int i = 0; i < GetMenuItemCount(sub); ++i) {
            UINT id = GetMenuItemID(sub, i);
            GetMenuStringA(sub, i, text, sizeof text, MF_BYPOSITION);
            items += id ? " " + std::to_string(id) + " " + text : " -";
        }
        items += "\n";
    }
    return items;
}

// The shortcut table's entries as "flags key command".
static std::string Shortcuts()
{
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), "QUORRIN_ACCELERATOR");
    std::vector<ACCEL> entries(CopyAcceleratorTableA(table, nullptr, 0));
    CopyAcceleratorTableA(table, entries.data(), (int)entries.size());
    std::string shortcuts;
    for (const ACCEL &e : entries)
        shortcuts += " " + std::to_string(e.fVirt) + " " + (char)e.key + " " +
                     std::to_string(e.cmd);
    return shortcuts;
}

static WNDPROC Original;
static std::vector<int> Moves;
// The move loop itself is the platform's; it needs the capture free.
static LRESULT CALLBACK WatchMoves(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_NCLBUTTONDOWN)
        return CallWindowProcA(Original, window, message, wParam, lParam);
    Moves.push_back(GetCapture() ? -1 : (int)wParam);
    return 0;
}

// Sizes in pixels at 96 DPI, at the DPI of the session (wine-run.sh's QUORRIN_DPI), where the
// program is DPI-aware: the test program carries its manifest.
TEST_F(InProcess, TheWindowItsResourcesAndItsSixControlsEachWithAFontOfItsOwn)
{
    const char *dpi = getenv("QUORRIN_DPI");
    auto scaled = [dpi = dpi ? atoi(dpi) : 96](int pixels) { return MulDiv(pixels, dpi, 96); };
    EXPECT_TRUE(IsProcessDPIAware());
    HMODULE module = GetModuleHandleA(nullptr);
    EXPECT_NE(GetClassLongPtrA(MainWindow, GCLP_HICON), 0u) << "no icon";
    EXPECT_EQ(Text(MainWindow), "Quorrin Tools");
    EXPECT_EQ(GetWindowLongA(MainWindow, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS), 0x00CA0000);
    LONG extended = GetWindowLongA(MainWindow, GWL_EXSTYLE);
    EXPECT_EQ(extended & (WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES), WS_EX_ACCEPTFILES);
    RECT outer = {};
    GetWindowRect(MainWindow, &outer);
    EXPECT_EQ(outer.right - outer.left, scaled(392));
    EXPECT_EQ(outer.bottom - outer.top, scaled(110));

    // The menu, each shortcut its item's hint (VIRTKEY, NOINVERT and CONTROL: 11).
    EXPECT_EQ(MenuItems(GetMenu(MainWindow)),
              "ファイル(&F): 100 DLLファイルを開く(&O)\tCtrl+O - "
              "103 システムフォルダ(&S)\tCtrl+S - 101 終了(&E)\tCtrl+E\n"
              "ヘルプ(&H): 102 ヘルプファイル(&H)\tCtrl+H - "
              "104 バージョン情報(&E)\tCtrl+A\n");
    EXPECT_EQ(Shortcuts(), " 11 A 104 11 E 101 11 H 102 11 O 100 11 S 103");
    const std::pair<LPCSTR, LPCSTR> resources[] = {
        {RT_GROUP_ICON, "QUORRIN_ICON"},         {RT_MENU, "QUORRIN_MENU"},
        {RT_ACCELERATOR, "QUORRIN_ACCELERATOR"}, {RT_VERSION, MAKEINTRESOURCEA(1)},
        {RT_MANIFEST, MAKEINTRESOURCEA(1)},
    };
    // All in Japanese: each is found for Japanese and, unlike a neutral one (as a toolchain's own
    // manifest would be), not for English.
    for (auto [type, name] : resources) {
        EXPECT_TRUE(FindResourceExA(module, type, name, 0x0411)) << "type " << (UINT_PTR)type;
        EXPECT_FALSE(FindResourceExA(module, type, name, 0x0409)) << "type " << (UINT_PTR)type;
    }

    // Creation order is z-order: the path box first; each with a font of its own, as made.
    const std::pair<const char *, std::vector<int>> controls[] = {
        {"Edit  200 50001180 300", {70, 2, 290, 19}},
        {"Button ... 0 50000000 200", {362, 2, 20, 19}},
        {"Button 実  行 0 50000000 201", {260, 32, 60, 24}},
        {"Button 終  了 0 50000000 202", {320, 32, 60, 24}},
        {"Button Systemフォルダを初期フォルダとする 0 50000003 0", {10, 28, 212, 24}},
        {"Static 対象ﾌｧｲﾙ ： 0 50000000 0", {4, 4, 64, 20}},
    };
    ASSERT_EQ(Made[1].size(), 6u);
    HWND control = GetWindow(MainWindow, GW_CHILD);
    EXPECT_EQ(control, PathEdit);
    for (size_t i = 0; i < 6; ++i) {
        std::string expected = controls[i].first;
        for (int pixels : controls[i].second)
            expected += " " + std::to_string(scaled(pixels));
        expected += ", " + std::to_string(scaled(12)) + " 1 ＭＳ Ｐゴシック " + Made[1][i];
        EXPECT_STRCASEEQ(Described(control).c_str(), expected.c_str());
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "more than six controls";
    EXPECT_EQ(GetFocus(), PathEdit);

    // Only a plain left press on the client area moves the window by its caption.
    Original = (WNDPROC)SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, (LONG_PTR)WatchMoves);
    for (int other : {MK_SHIFT, MK_CONTROL, MK_RBUTTON, 0}) {
        SetCapture(MainWindow); // as the press itself leaves it
        LPARAM at = MAKELPARAM(240, 40);
        EXPECT_EQ(SendMessageA(MainWindow, WM_LBUTTONDOWN, MK_LBUTTON | other, at), 0);
    }
    EXPECT_EQ(Moves, std::vector<int>{HTCAPTION});

    // Closing asks nothing and releases all twelve handles.
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(MainWindow));
    ExpectTeardown(12);
}

TEST_F(InProcess, TheHandOffPutsTheFirstDllTokensLongFormIntoThePathBox)
{
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト").c_str(), nullptr)) << "ACP " << GetACP();
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト 表").c_str(), nullptr));
    std::string longName = "QuorrinLongFolderName\\QuorrinLongLibraryName.dll";
    CreateDirectoryA((folder + "\\QuorrinLongFolderName").c_str(), nullptr);
    const std::string names[] = {"a.dll", "b.dll", "c.dll", "表.dll", "ｶﾅ.dll", longName};
    for (const std::string &name : names)
        ASSERT_TRUE(WriteFileBytes(folder + "\\" + name, "MZ")) << name;
    ASSERT_TRUE(WriteFileBytes(folder + "\\ソフト\\表.dll", "MZ"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\ソフト 表\\x.dll", "MZ"));
    char shortForm[MAX_PATH] = {};
    GetShortPathNameA((folder + "\\" + longName).c_str(), shortForm, MAX_PATH);
    ASSERT_EQ(std::string(shortForm).find("Long"), std::string::npos) << shortForm;
    shortForm[0] = (char)tolower(shortForm[0]); // the drive stays as typed
    std::string fromShort = LongForm(shortForm);
    fromShort[0] = shortForm[0];
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str())); // relative names are this process's

    auto in = [&](const std::string &name) { return LongForm(folder + "\\" + name); };
    std::string tooLong = std::string(256, 'a') + ".dll";
    std::string kept = "(kept)";
    const std::tuple<std::string, std::string> rows[] = {
        {"x.txt b.Dll c.dll", in("b.dll")},
        {"A.dLl", in("a.dll")},
        {"ソフト\\表.Dll", in("ソフト\\表.dll")},
        {"表.dll", in("表.dll")},
        {"ｶﾅ.dll", in("ｶﾅ.dll")},
        {"ソフト\\..\\表.dll", in("表.dll")},
        {folder + "\\ソフト\\表.dll", in("ソフト\\表.dll")},
        {shortForm, fromShort},
        {"missing.dll", ""},
        {"no-such-folder\\a.dll", ""},
        {"*.dll", ""},
        {tooLong.substr(1), ""}, // 259 bytes: a path, but of nothing
        // As Explorer quotes a path that holds a blank; a quote never closed; no quotes.
        {"x.txt \"ソフト 表\\x.dll\" c.dll", in("ソフト 表\\x.dll")},
        {"\"\" \"ソフト 表\\x.dll", in("ソフト 表\\x.dll")},
        {"ソフト 表\\x.dll", ""}, // "表\x.dll", of no folder here
        // A network path's server and share stay as typed, the rest in long form.
        {"\\\\server\\share\\LONGFO~1\\x.dll", "\\\\server\\share\\Long Folder\\x.dll"},
        {"a.dl_ a.dll. a.dll\tx", kept},
        {"dll .dl", kept},
        {tooLong, kept},
    };
    for (const auto &[arguments, expected] : rows) {
        SetPath(kept);
        std::string line = arguments;
        EXPECT_EQ(HandOffCommandLine(MainWindow, &line[0], PathEdit), 1);
        EXPECT_EQ(Text(PathEdit), expected) << arguments.substr(0, 40);
    }
    SetCurrentDirectoryA("C:\\");
}

static void Drop(const std::vector<std::string> &names)
{
    std::string block(sizeof(DROPFILES), '\0');
    ((DROPFILES *)&block[0])->pFiles = sizeof(DROPFILES);
    for (const std::string &name : names)
        block += name + '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.size() + 1);
    memcpy(GlobalLock(memory), block.c_str(), block.size() + 1);
    GlobalUnlock(memory);
    SendMessageA(MainWindow, WM_DROPFILES, (WPARAM)memory, 0);
}

// The first name of a drop, of any file existing or not, lands in the path box, and the run button
// is told it has the focus while the keyboard focus stays where it was. A folder is refused.
TEST_F(InProcess, ADropPutsItsFirstNameIntoThePathBoxAndAFolderIsRefused)
{
    const char *refused = "ファイルはドラッグ & ドロップできません";
    const std::string folderRefused = BoxOf(refused, "D&D エラー", Warning);
    const std::string notes = folder + "\\notes.txt";
    const std::string gone = folder + "\\gone.dll";
    ASSERT_TRUE(WriteFileBytes(notes, "x"));
    using Names = std::vector<std::string>;
    const std::tuple<Names, Boxes, std::string, bool> rows[] = {
        {{folder, notes}, {folderRefused}, "kept", false},
        {{notes, gone}, {}, notes, true},
        {{gone}, {}, gone, true},
    };
    for (const auto &[names, boxes, path, runButtonTold] : rows) {
        SetPath("kept");
        HWND focus = GetFocus();
        BoxWatcher watcher;
        Drop(names);
        EXPECT_EQ(watcher.Shown(), boxes);
        for (const Box &box : watcher.Seen())
            EXPECT_EQ(box.owner, MainWindow);
        EXPECT_EQ(Text(PathEdit), path);
        bool told = SendMessageA(RunButton, BM_GETSTATE, 0, 0) & BST_FOCUS;
        EXPECT_EQ(told, runButtonTold);
        EXPECT_TRUE(!boxes.empty() || GetFocus() == focus) << "the keyboard focus moved";
    }
}

TEST_F(InProcess, TheRunCommandRefusesWhatIsNoFileAndReadsAtMost259Bytes)
{
    std::string bare = folder + "\\bare";
    std::string hidden = folder + "\\marked";
    std::string file = folder + "\\a.dll";
    ASSERT_TRUE(CreateDirectoryA(bare.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(hidden.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(WriteFileBytes(file, "MZ"));
    const char *noSuchFile = "そんなファイルは存在しないよ";
    const char *openFailed = "ファイルオープンに失敗しました";
    const std::string none = BoxOf(noSuchFile, "しぇからしか!!");
    const std::tuple<std::string, int, Boxes> rows[] = {
        {"", 0, {}},
        {folder + "\\missing.dll", 0, {none}},
        {bare, 0, {none}},
        {" " + file, 0, {none}},
        // Files by their bits: Wine keeps no archive bit on a directory, and the hidden bit is one
        // of the same four.
        {hidden, 1, {BoxOf(openFailed, "ファイル - エラー", Warning)}},
    };
    for (const auto &[path, result, boxes] : rows) {
        SetPath(path);
        BoxWatcher watcher;
        EXPECT_EQ(OnButtonCommand(MainWindow, IDC_RUN), result) << path;
        EXPECT_EQ(watcher.Shown(), boxes) << path;
    }
    // A DLL whose path is 259 bytes long, then more text in the box: the text after byte 259 is
    // never read.
    std::string dll = folder + "\\" + std::string(259 - folder.size() - 5, 'd') + ".dll";
    ASSERT_TRUE(CopyFileA(SystemPath("version.dll").c_str(), dll.c_str(), FALSE));
    SetPath(dll + "zzz");
    EXPECT_EQ(OnButtonCommand(MainWindow, IDC_RUN), 1);
    EXPECT_EQ(Text(ViewerEdit), Listing(dll));
}

// On a pretend 64-bit Windows, a path in the system folder, typed, through Sysnative or handed
// over, is tested and read as 64-bit programs see it, with the redirection off around exactly those
// calls: a DLL there is listed although SysWOW64 has another of its name, and one that only
// SysWOW64 holds is no file. The open dialog shows SysWOW64 at the system folder's path: a DLL
// chosen there goes into the path box by its SysWOW64 path. Without redirection (32-bit Windows)
// nothing is turned off.
TEST_F(InProcess, OnA64BitWindowsAPathNamesTheFileThat64BitProgramsSee)
{
    using Texts = std::vector<std::string>;
    Wow64 = folder;
    for (const char *name : {"\\version.dll", "\\only32.dll"})
        ASSERT_TRUE(CopyFileA(HostPath(QUORRIN_GNAT).c_str(), (Wow64 + name).c_str(), FALSE));
    const std::string dll = SystemPath("version.dll"), only32 = SystemPath("only32.dll");
    const std::string system = SystemPath(""), windows = SystemPath("", true);
    const std::string sysnative = windows + "Sysnative\\version.dll";
    auto read = [](const std::string &path, const std::string &found) {
        return Texts{"off", "short " + path, "find " + found, "on", "off", "open " + path, "on"};
    };
    const std::string told = "foreground " + Hex(PathEdit); // the path box, once filled
    auto expanded = [&](const std::string &path) { // the searches for each folder's long name
        return Texts{"off",
                     "find " + path,
                     "find " + system.substr(0, system.size() - 1),
                     "find " + windows.substr(0, windows.size() - 1),
                     "on",
                     told};
    };
    const char *noSuchFile = "そんなファイルは存在しないよ";
    const Boxes none = {BoxOf(noSuchFile, "しぇからしか!!")};
    const std::tuple<bool, bool, std::string, Boxes, Texts, std::string> rows[] = {
        {true, false, dll, {}, read(dll, dll), dll},
        {true, false, sysnative, {}, read(dll, dll), sysnative},
        {true, false, only32, none, {"off", "short " + only32, "find ", "on"}, only32},
        {false, false, dll, {}, {}, dll},
        {true, true, system + "VERSION.DLL", {}, expanded(system + "VERSION.DLL"), dll},
        {true, true, only32, {}, {"off", "find " + only32, "on", told}, ""},
    };
    for (const auto &[pretend, handed, typed, boxes, calls, path] : rows) {
        SCOPED_TRACE(typed);
        Pretend64 = pretend;
        SetPath(typed);
        Calls.clear();
        BoxWatcher watcher;
        std::string line = typed;
        if (handed)
            HandOffCommandLine(MainWindow, &line[0], PathEdit);
        else
            OnButtonCommand(MainWindow, IDC_RUN);
        EXPECT_EQ(Calls, calls);
        EXPECT_EQ(watcher.Shown(), boxes);
        EXPECT_EQ(Text(PathEdit), path);
        if (!handed && boxes.empty()) {
            EXPECT_EQ(Text(ViewerEdit), Listing(dll));
        }
    }
    Answer = dll;
    EXPECT_EQ(OnButtonCommand(MainWindow, IDC_BROWSE), 1);
    EXPECT_EQ(Text(PathEdit), windows + "SysWOW64\\version.dll");
    Pretend64 = false;
}

// What the commands ask of the platform and what follows its answer: the about box shows the
// program's texts and icon; a shell result above 32 brings the window to the front, one of 32 or
// less shows a box; a file chosen in the dialog lands in the path box and is the next dialog's file
// name, without its folder when the system folder is ticked (a folder there would win), and a
// failed dialog leaves the next one none.
TEST_F(InProcess, TheMenuAndButtonCommandsAskThePlatformAndFollowItsAnswer)
{
    strcpy(SystemDirectory, "C:\\quorrin-system");
    std::string owner = Hex(MainWindow);
    std::string dll = "C:\\a\\first.dll";
    const char *aboutTitle = "Quorrin のバージョン情報# Quorrin for Windows95";
    std::string about = "about " + owner + " " + aboutTitle + "|Copyright (C) Quorrin Works";
    std::string explore = "shell " + owner + " EXPLORE " + SystemDirectory + " (null) (null) " +
                          std::to_string(SW_SHOWNORMAL);
    std::string dialog = "dialog " + owner + " ファイルを開く Dll File (*.dll)\0*.dll\0\0"s;
    const char *exploreFailed = "システムディレクトリオープンエラー";
    std::string error = BoxOf(exploreFailed, "ファイル - エラー", Warning);
    using Texts = std::vector<std::string>;
    const std::tuple<int, bool, std::string, int, Texts, Boxes, std::string> rows[] = {
        {IDM_HELP, false, "", 1, {}, {HelpBox}, "typed"},
        {IDM_ABOUT, false, "", 1, {about}, {}, "typed"},
        {IDM_SYSFOLDER, false, "33", 1, {explore, "foreground " + owner}, {}, "typed"},
        {IDM_SYSFOLDER, false, "32", 0, {explore}, {error}, "typed"},
        {IDC_BROWSE, false, dll, 1, {dialog + "|"}, {}, dll},
        {IDM_OPEN, false, "", 0, {dialog + "|" + dll}, {}, "typed"},
        {IDC_BROWSE, true, "", 0, {dialog + "C:\\quorrin-system|first.dll"}, {}, "typed"},
        {IDM_OPEN, false, TooLong, 0, {dialog + "|" + dll}, {}, "typed"},
        {IDC_BROWSE, false, "", 0, {dialog + "|"}, {}, "typed"},
    };
    for (const auto &[id, ticked, answer, result, calls, boxes, path] : rows) {
        SCOPED_TRACE(std::to_string(id) + ", the platform answering " + answer);
        SendMessageA(SystemFolderCheck, BM_SETCHECK, ticked, 0);
        SetPath("typed");
        Answer = answer;
        Calls.clear();
        BoxWatcher watcher;
        int returned = id < IDC_BROWSE ? OnMenuCommand(MainWindow, id, AppInstance)
                                       : OnButtonCommand(MainWindow, id);
        EXPECT_EQ(returned, result);
        EXPECT_EQ(Calls, calls);
        EXPECT_EQ(watcher.Shown(), boxes);
        for (const Box &box : watcher.Seen())
            EXPECT_EQ(box.owner, MainWindow);
        EXPECT_EQ(Text(PathEdit), path);
    }
}
