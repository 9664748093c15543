// The shell's own code called in the test process: the command-line tail,
// the hand-off, the path check and the drop handler against a main window
// made here; the window, its controls and fonts, their teardown, and start-up
// failures through recorders forced into controls.cpp (seams.h).
#include <shlobj.h>

#include <cstdarg>
#include <cstdio>

#include "res/ids.h"
#include "shell/startup.h"
#include "tests/support/support.h"

using namespace qt;

static std::vector<std::string> Calls; // "control|font|setfont|destroy|delete ..."
static int Controls, Fonts, FailControl, FailFont;

static void Record(const char *format, ...)
{
    char line[160];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    Calls.push_back(line);
}

HWND SeamCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR text, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                         LPVOID param)
{
    HWND window = ++Controls == FailControl ? nullptr
                                            : CreateWindowExA(exStyle, className, text, style, x, y,
                                                              width, height, parent, menu, instance,
                                                              param);
    Record("control %p", (void *)window);
    return window;
}

HFONT SeamCreateFontA(int height, int width, int escapement, int orientation, int weight,
                      DWORD italic, DWORD underline, DWORD strikeOut, DWORD charSet,
                      DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                      DWORD pitchAndFamily, LPCSTR face)
{
    HFONT font = ++Fonts == FailFont ? nullptr
                                     : CreateFontA(height, width, escapement, orientation, weight,
                                                   italic, underline, strikeOut, charSet,
                                                   outPrecision, clipPrecision, quality,
                                                   pitchAndFamily, face);
    Record("font %p %d %d %d %d %d %lu %lu %lu %lu %lu %lu %lu %lu %s", (void *)font, height,
           width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
           outPrecision, clipPrecision, quality, pitchAndFamily, face);
    return font;
}

BOOL SeamDestroyWindow(HWND window)
{
    Record("destroy %p", (void *)window);
    return DestroyWindow(window);
}

BOOL SeamDeleteObject(HGDIOBJ object)
{
    Record("delete %p", (void *)object);
    return DeleteObject(object);
}

LRESULT SeamSendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETFONT)
        Record("setfont %p %p %d", (void *)window, (void *)wParam, (int)lParam);
    return SendMessageA(window, message, wParam, lParam);
}

// The handles the recorders saw, in creation order.
static std::vector<std::string> Made(const char *kind)
{
    std::vector<std::string> handles;
    for (const std::string &call : Calls)
        if (call.compare(0, strlen(kind) + 1, std::string(kind) + " ") == 0)
            handles.push_back(call.substr(strlen(kind) + 1, call.find(' ', strlen(kind) + 1) - strlen(kind) - 1));
    return handles;
}

// What the teardown must do with what was made: the controls in the order
// Browse, Run, Quit, check box, label, path box, each destroyed before its
// font is deleted; what was never made is skipped.
static std::vector<std::string> ExpectedTeardown()
{
    std::vector<std::string> controls = Made("control"), fonts = Made("font"), expected;
    for (size_t index : {1, 2, 3, 4, 5, 0}) {
        if (index < controls.size() && controls[index] != "00000000")
            expected.push_back("destroy " + controls[index]);
        if (index < fonts.size() && fonts[index] != "00000000")
            expected.push_back("delete " + fonts[index]);
    }
    return expected;
}

static std::vector<std::string> Teardown()
{
    std::vector<std::string> found;
    for (const std::string &call : Calls)
        if (call.compare(0, 8, "destroy ") == 0 || call.compare(0, 7, "delete ") == 0)
            found.push_back(call);
    return found;
}

// Every shell handle null again, nothing recorded, the class unregistered.
static void Reset(int failControl = 0, int failFont = 0)
{
    for (HWND *window : {&PathEdit, &BrowseButton, &RunButton, &QuitButton, &SystemFolderCheck,
                         &TargetLabel, &MainWindow})
        *window = nullptr;
    for (HFONT *font : {&PathEditFont, &BrowseButtonFont, &RunButtonFont, &QuitButtonFont,
                        &SystemFolderCheckFont, &TargetLabelFont})
        *font = nullptr;
    UnregisterClassA("Quorrin", GetModuleHandleA(nullptr));
    Calls.clear();
    Controls = Fonts = 0;
    FailControl = failControl;
    FailFont = failFont;
}

TEST(CommandLineTail, SkipsTheProgramNameAndTheBytesUpTo0x20AfterItAndNoOthers)
{
    const struct {
        const char *line, *tail;
    } rows[] = {
        {"q.exe", ""},
        {"q.exe  \t ", ""},
        {"\"C:\\a b\\q.exe\"", ""},
        {"q.exe 表.dll", "表.dll"},             // 95 5C: a trail byte of the backslash's value
        {"q.exe ソフト\\表.Dll", "ソフト\\表.Dll"}, // 83 5C
        {"q.exe ｶﾅ.dll x", "ｶﾅ.dll x"},         // half-width katakana, single bytes from 0xB6
        {"q.exe\t\x01\x1f\r\n 表.dll", "表.dll"},
        {"C:\\ソフト\\q.exe 表.dll", "表.dll"},
        {"\"C:\\ソフト 表\\q.exe\" ｶﾅ.dll", "ｶﾅ.dll"},
        {"\"C:\\a b\\q.exe\"表.dll", "表.dll"},
        {"\"C:\\no closing quote 表.dll", ""},
    };
    for (const auto &row : rows) {
        std::string line = row.line;
        EXPECT_STREQ(CommandLineTail(&line[0]), row.tail) << row.line;
    }
}

// The main window made in this process, as start-up makes it.
class InProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        Reset();
        ASSERT_NE(RegisterMainWindowClass(GetModuleHandleA(nullptr)), 0);
        ASSERT_EQ(CreateMainWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 1);
    }
    void TearDown() override
    {
        if (IsWindow(MainWindow))
            DestroyWindow(MainWindow);
    }
};

TEST_F(InProcess, TheWindowItsClassAndItsSixControlsWithTheirOwnFonts)
{
    WNDCLASSA windowClass = {};
    ASSERT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), "Quorrin", &windowClass));
    EXPECT_EQ(windowClass.style, 0u);
    EXPECT_EQ(windowClass.lpfnWndProc, MainWindowProc);
    EXPECT_NE(windowClass.hIcon, nullptr);
    EXPECT_EQ(windowClass.hCursor, LoadCursorA(nullptr, (LPCSTR)IDC_ARROW));
    EXPECT_EQ(windowClass.hbrBackground, (HBRUSH)(COLOR_SCROLLBAR + 1));
    EXPECT_STREQ(windowClass.lpszMenuName, "QUORRIN_MENU");
    EXPECT_EQ(Text(MainWindow), "Quorrin Tools");
    EXPECT_EQ(GetWindowLongA(MainWindow, GWL_STYLE) & ~(WS_VISIBLE | WS_CLIPSIBLINGS), 0x00CA0000);
    EXPECT_EQ(GetWindowLongA(MainWindow, GWL_EXSTYLE) & WS_EX_TOOLWINDOW, 0);
    RECT outer = {};
    GetWindowRect(MainWindow, &outer);
    EXPECT_EQ(outer.right - outer.left, 392);
    EXPECT_EQ(outer.bottom - outer.top, 110);
    EXPECT_NE(GetMenu(MainWindow), nullptr) << "the class menu is attached";

    const LONG child = WS_CHILD | WS_VISIBLE;
    const struct {
        const char *className, *text;
        LONG exStyle, style;
        int x, y, width, height, id;
    } controls[] = {
        {"Edit", "", WS_EX_CLIENTEDGE, child | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN, 70,
         2, 290, 19, IDC_PATH},
        {"Button", "...", 0, child | BS_PUSHBUTTON, 362, 2, 20, 19, IDC_BROWSE},
        {"Button", "実  行", 0, child | BS_PUSHBUTTON, 260, 32, 60, 24, IDC_RUN},
        {"Button", "終  了", 0, child | BS_PUSHBUTTON, 320, 32, 60, 24, IDC_QUIT},
        {"Button", "Systemフォルダを初期フォルダとする", 0, child | BS_AUTOCHECKBOX, 10, 28, 212,
         24, 0},
        {"Static", "対象ﾌｧｲﾙ ：", 0, child | SS_LEFT, 4, 4, 64, 20, 0},
    };
    // Creation order is z-order: the path box must be the first child.
    std::vector<std::string> fonts = Made("font");
    ASSERT_EQ(fonts.size(), 6u);
    std::vector<std::string> setFonts;
    for (const std::string &call : Calls)
        if (call.compare(0, 5, "font ") == 0)
            EXPECT_EQ(call.substr(call.find(' ', 5) + 1), "12 0 0 0 0 0 0 0 1 0 0 0 0 ＭＳ Ｐゴシック");
        else if (call.compare(0, 8, "setfont ") == 0)
            setFonts.push_back(call);
    HWND control = GetWindow(MainWindow, GW_CHILD);
    EXPECT_EQ(control, PathEdit);
    for (size_t i = 0; i < 6; ++i, control = GetWindow(control, GW_HWNDNEXT)) {
        const auto &want = controls[i];
        SCOPED_TRACE(want.text);
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassName(control).c_str(), want.className);
        EXPECT_EQ(Text(control), want.text);
        EXPECT_EQ(GetWindowLongA(control, GWL_EXSTYLE), want.exStyle);
        EXPECT_EQ(GetWindowLongA(control, GWL_STYLE), want.style);
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(HWND_DESKTOP, MainWindow, (POINT *)&rect, 2);
        EXPECT_EQ(std::vector<LONG>({rect.left, rect.top, rect.right - rect.left,
                                     rect.bottom - rect.top}),
                  std::vector<LONG>({want.x, want.y, want.width, want.height}));
        EXPECT_EQ(GetDlgCtrlID(control), want.id);
        char expected[64];
        snprintf(expected, sizeof expected, "setfont %p %s 1", (void *)control, fonts[i].c_str());
        EXPECT_EQ(setFonts.at(i), expected) << "the control is given a font of its own";
    }
    EXPECT_EQ(control, nullptr) << "more than six controls";
    EXPECT_EQ(GetFocus(), PathEdit);

    // Closing: no question, all twelve handles released, windows before
    // fonts, and the quit message with 0.
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(MainWindow));
    EXPECT_EQ(Teardown(), ExpectedTeardown());
    EXPECT_EQ(Teardown().size(), 12u);
    MSG quit = {};
    EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

TEST(StartUp, AControlOrAFontThatCannotBeMadeShowsTwoBoxesReleasesWhatWasMadeAndEnds)
{
    const struct {
        int control, font;
        const char *text;
    } rows[] = {
        {1, 0, "エディットボックス作成失敗"}, {2, 0, "コマンドボタンコントロール１作成失敗"},
        {3, 0, "コマンドボタンコントロール２作成失敗"}, {4, 0, "コマンドボタンコントロール３作成失敗"},
        {5, 0, "チェックボタンコントロール１作成失敗"}, {6, 0, "エディットボックス作成失敗"},
        {0, 1, "フォント作成失敗"}, {0, 3, "フォント作成失敗"}, {0, 6, "フォント作成失敗"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE("control " + std::to_string(row.control) + " font " + std::to_string(row.font));
        Reset(row.control, row.font);
        std::vector<Box> boxes;
        {
            BoxWatcher watcher;
            EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
            boxes = watcher.Boxes();
        }
        ASSERT_EQ(boxes.size(), 2u);
        ExpectBox(boxes[0], row.text, "ありゃりゃ", NoIcon);
        ExpectBox(boxes[1], "コントロールを作成できませんでした。アプリケーションを終了します。",
                  "起動エラー", Warning);
        int made = row.control ? row.control - 1 : row.font;
        EXPECT_EQ(Made("control").size(), (size_t)(made + (row.control != 0)));
        EXPECT_EQ(Made("font").size(), (size_t)(row.control ? made : row.font));
        EXPECT_EQ(Teardown(), ExpectedTeardown());
        EXPECT_EQ(Teardown().size(), (size_t)(made * 2 - (row.font != 0)));
        MSG quit = {};
        EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    }
}

TEST_F(InProcess, TheHandOffPutsTheFirstDllTokensLongFormIntoThePathBox)
{
    std::string folder = TempFolder("handoff");
    std::string longFolder = folder + "\\QuorrinLongFolderName";
    CreateDirectoryA(longFolder.c_str(), nullptr);
    ASSERT_TRUE(CreateDirectoryA((folder + "\\ソフト").c_str(), nullptr)) << "ACP " << GetACP();
    for (const char *name : {"b.dll", "c.dll", "a.dll", "表.dll", "ｶﾅ.dll", "ソフト\\表.dll",
                             "QuorrinLongFolderName\\QuorrinLongLibraryName.dll"})
        ASSERT_TRUE(WriteFileBytes(folder + "\\" + name, "MZ")) << name;
    char shortForm[MAX_PATH] = {};
    GetShortPathNameA((longFolder + "\\QuorrinLongLibraryName.dll").c_str(), shortForm, MAX_PATH);
    ASSERT_EQ(std::string(shortForm).find("Long"), std::string::npos) << shortForm;
    shortForm[0] = (char)tolower(shortForm[0]); // the drive stays as typed
    std::string fromShort = LongForm(shortForm);
    fromShort[0] = shortForm[0];
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

    std::string tooLong = std::string(256, 'a') + ".dll", same = "(unchanged)";
    const struct {
        std::string arguments, expected;
    } rows[] = {
        {"x.txt b.Dll c.dll", LongForm(folder + "\\b.dll")}, // relative to this process
        {"A.dLl", LongForm(folder + "\\a.dll")},
        {"ソフト\\表.Dll", LongForm(folder + "\\ソフト\\表.dll")},
        {"表.dll", LongForm(folder + "\\表.dll")},
        {"ｶﾅ.dll", LongForm(folder + "\\ｶﾅ.dll")},
        {"ソフト\\..\\表.dll", LongForm(folder + "\\表.dll")},
        {folder + "\\ソフト\\表.dll", LongForm(folder + "\\ソフト\\表.dll")},
        {shortForm, fromShort},
        {"missing.dll", ""},
        {"no-such-folder\\a.dll", ""},
        {"*.dll", ""},
        {tooLong.substr(1), ""}, // 259 bytes: a path, but none that exists
        {"\"a.dll\"", same},
        {"a.dl_ a.dll. a.dll\tx", same},
        {"dll .dl", same},
        {tooLong, same},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.arguments.substr(0, 40));
        SendMessageA(PathEdit, WM_SETTEXT, 0, (LPARAM) "marker");
        std::string line = row.arguments;
        EXPECT_EQ(HandOffCommandLine(MainWindow, &line[0], PathEdit), 1);
        EXPECT_EQ(Text(PathEdit), row.expected == same ? "marker" : row.expected);
    }
    SetCurrentDirectoryA("C:\\");
}

TEST_F(InProcess, ThePathCheckTakesFilesByTheirBitsAndDirectoriesAsDropped)
{
    std::string folder = TempFolder("check"), file = folder + "\\a.dll";
    std::string bare = folder + "\\bare", hidden = folder + "\\hidden";
    ASSERT_TRUE(WriteFileBytes(file, "MZ"));
    ASSERT_TRUE(CreateDirectoryA(bare.c_str(), nullptr) && CreateDirectoryA(hidden.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const struct {
        std::string path;
        int mode, result;
    } rows[] = {
        {file, 0, 1},    {file, 1, 0},  {bare, 0, 0}, {bare, 1, 1}, {hidden, 0, 1},
        {" " + file, 0, 0}, {folder + "\\missing.dll", 0, 0}, {folder + "\\missing", 1, 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(CheckPathKind(row.path.c_str(), row.mode), row.result)
            << row.path << " mode " << row.mode;
}

// A drop as the platform hands it to a window: DROPFILES, the names each
// ended by a NUL, one more NUL.
static HDROP DropOf(const std::vector<std::string> &names)
{
    std::string block(sizeof(DROPFILES), '\0');
    ((DROPFILES *)&block[0])->pFiles = sizeof(DROPFILES);
    for (const std::string &name : names)
        block += name + '\0';
    block += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.size());
    memcpy(GlobalLock(memory), block.data(), block.size());
    GlobalUnlock(memory);
    return (HDROP)memory;
}

TEST_F(InProcess, ADropPutsItsFirstNameIntoThePathBoxAndAFolderIsRefused)
{
    std::string folder = TempFolder("drops");
    auto runButtonShowsFocus = [] {
        return (SendMessageA(RunButton, BM_GETSTATE, 0, 0) & BST_FOCUS) != 0;
    };
    SendMessageA(PathEdit, WM_SETTEXT, 0, (LPARAM) "kept");
    {
        BoxWatcher watcher;
        OnDropFiles(MainWindow, DropOf({folder, folder + "\\second.dll"}));
        ASSERT_EQ(watcher.Boxes().size(), 1u);
        ExpectBox(watcher.Boxes()[0], "ファイルはドラッグ & ドロップできません", "D&D エラー", Warning);
        EXPECT_EQ(watcher.Boxes()[0].owner, MainWindow);
    }
    EXPECT_EQ(Text(PathEdit), "kept");
    EXPECT_FALSE(runButtonShowsFocus());

    // Files of any kind, existing or not: the first lands, the run button is
    // told it has the focus, and the keyboard focus does not move.
    std::vector<std::string> three = {folder + "\\notes.txt", folder + "\\b.dll", folder + "\\c.dll"};
    for (const std::string &name : three)
        ASSERT_TRUE(WriteFileBytes(name, "x"));
    for (const std::vector<std::string> &names : {three, {folder + "\\gone.dll"}}) {
        BoxWatcher watcher;
        HWND focus = GetFocus();
        OnDropFiles(MainWindow, DropOf(names));
        EXPECT_EQ(Text(PathEdit), names[0]);
        EXPECT_TRUE(runButtonShowsFocus());
        EXPECT_EQ(GetFocus(), focus);
        EXPECT_TRUE(watcher.Boxes().empty());
    }
}
