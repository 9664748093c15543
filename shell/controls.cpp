// The six controls of the main window and their fonts: built in WM_CREATE,
// torn down in WM_DESTROY. PathEdit is created first so that it stays the
// window's first child, which is how another instance finds it.
#include "shell/startup.h"

#include "res/ids.h"

static const char FailureCaption[] = "ありゃりゃ";
static const char FontFailed[] = "フォント作成失敗";
static const char FaceName[] = "ＭＳ Ｐゴシック";
static const char LabelText[] = "対象ﾌｧｲﾙ ：";

enum { FontHeight = 12 };

// What one builder creates: class, text, styles, place and size (in pixels at
// 96 DPI), id, and the text of its box when the control cannot be created.
struct ControlLayout {
    const char *className;
    const char *text;
    DWORD extendedStyle;
    DWORD style;
    int x, y, width, height;
    int id;
    const char *createFailed;
};

// One control a row.
// clang-format off
static const ControlLayout PathEditLayout = {
    "EDIT", NULL, WS_EX_CLIENTEDGE,
    WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN,
    70, 2, 290, 19, IDC_PATH, "エディットボックス作成失敗"};
static const ControlLayout BrowseButtonLayout = {
    "BUTTON", "...", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
    362, 2, 20, 19, IDC_BROWSE, "コマンドボタンコントロール１作成失敗"};
static const ControlLayout RunButtonLayout = {
    "BUTTON", "実  行", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
    260, 32, 60, 24, IDC_RUN, "コマンドボタンコントロール２作成失敗"};
static const ControlLayout QuitButtonLayout = {
    "BUTTON", "終  了", 0, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
    320, 32, 60, 24, IDC_QUIT, "コマンドボタンコントロール３作成失敗"};
static const ControlLayout SystemFolderCheckLayout = {
    "BUTTON", "Systemフォルダを初期フォルダとする", 0,
    WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX,
    10, 28, 212, 24, 0, "チェックボタンコントロール１作成失敗"};
// The label gets its text only after its font (see CreateTargetLabel).
static const ControlLayout TargetLabelLayout = {
    "STATIC", NULL, 0, WS_CHILD | WS_VISIBLE | SS_LEFT,
    4, 4, 64, 20, 0, "エディットボックス作成失敗"};
// clang-format on

// Creates one control and its font, storing each handle as soon as it
// exists. Returns 1, or 0 after a box; a control whose font failed stays.
static int BuildControl(const ControlLayout &layout, HWND parent, HINSTANCE instance, HWND *control,
                        HFONT *font)
{
    *control = CreateWindowExA(layout.extendedStyle, layout.className, layout.text, layout.style,
                               Scaled(layout.x), Scaled(layout.y), Scaled(layout.width),
                               Scaled(layout.height), parent, (HMENU)(INT_PTR)layout.id, instance,
                               NULL);
    if (!*control) {
        MessageBoxA(parent, layout.createFailed, FailureCaption, MB_OK);
        return 0;
    }
    *font = CreateFontA(Scaled(FontHeight), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, FaceName);
    if (!*font) {
        MessageBoxA(parent, FontFailed, FailureCaption, MB_OK);
        return 0;
    }
    SendMessageA(*control, WM_SETFONT, (WPARAM)*font, TRUE);
    return 1;
}

int CreatePathEdit(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    return BuildControl(PathEditLayout, parent, instance, control, font);
}

int CreateBrowseButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    return BuildControl(BrowseButtonLayout, parent, instance, control, font);
}

int CreateRunButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    return BuildControl(RunButtonLayout, parent, instance, control, font);
}

int CreateQuitButton(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    return BuildControl(QuitButtonLayout, parent, instance, control, font);
}

int CreateSystemFolderCheck(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    return BuildControl(SystemFolderCheckLayout, parent, instance, control, font);
}

int CreateTargetLabel(HWND parent, HINSTANCE instance, HWND *control, HFONT *font)
{
    if (!BuildControl(TargetLabelLayout, parent, instance, control, font))
        return 0;
    SetWindowTextA(*control, LabelText);
    return 1;
}

// Returns 1 when all six exist; stops at the first builder that fails,
// leaving the ones after it uncreated.
int CreateControls(HWND window, HINSTANCE instance)
{
    if (!CreatePathEdit(window, instance, &PathEdit, &PathEditFont) ||
        !CreateBrowseButton(window, instance, &BrowseButton, &BrowseButtonFont) ||
        !CreateRunButton(window, instance, &RunButton, &RunButtonFont) ||
        !CreateQuitButton(window, instance, &QuitButton, &QuitButtonFont) ||
        !CreateSystemFolderCheck(window, instance, &SystemFolderCheck, &SystemFolderCheckFont) ||
        !CreateTargetLabel(window, instance, &TargetLabel, &TargetLabelFont))
        return 0;
    SetFocus(PathEdit);
    return 1;
}

// A font is deleted only after its control is gone; null handles (controls
// never created) are skipped.
static void DestroyControl(HWND control, HFONT font)
{
    if (control)
        DestroyWindow(control);
    if (font)
        DeleteObject(font);
}

void DestroyControls(void)
{
    DestroyControl(BrowseButton, BrowseButtonFont);
    DestroyControl(RunButton, RunButtonFont);
    DestroyControl(QuitButton, QuitButtonFont);
    DestroyControl(SystemFolderCheck, SystemFolderCheckFont);
    DestroyControl(TargetLabel, TargetLabelFont);
    DestroyControl(PathEdit, PathEditFont);
}
