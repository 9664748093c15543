#!/usr/bin/env bash
# Sets up the project's Wine prefix. Maps the Japanese Windows face names that
# Quorrin and Wine's dialogs ask for to the IPA Gothic fonts (Debian's
# fonts-ipafont-gothic), so Japanese texts show as text, not boxes, and puts
# Wine's own Marlett and Tahoma (fonts-wine) into the prefix: the caption
# buttons and title bars are drawn with them. quorrin-drive, the headless run,
# gets a virtual desktop of 1024 x 768 (Wine draws the window frames there
# itself); every other program keeps the default desktop. Text files open in Wine's Notepad, as
# every Windows opens them in an editor (a fresh prefix maps ".txt" to no type). Idempotent: a
# stamp in the prefix records that all is in place.
#   wine-prefix.sh           (WINEPREFIX set, as scripts/wine-run.sh sets it)
set -eu
: "${WINEPREFIX:?wine-prefix.sh: WINEPREFIX is not set}"
stamp=$WINEPREFIX/.quorrin-prefix-3
[ -f "$stamp" ] && exit 0
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/{marlett,tahoma,tahomabd}.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

reg=$(mktemp --suffix=.reg)
trap 'rm -f "$reg"' EXIT
# regedit reads UTF-16 with a byte-order mark; the names are full-width.
{
    printf '\xef\xbb\xbf'
    cat <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"ＭＳ ＵＩ Gothic"="IPAPGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
"Tahoma"=hex(7):69,00,70,00,61,00,67,00,70,00,2e,00,74,00,74,00,66,00,2c,00,\
  49,00,50,00,41,00,50,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
"MS Shell Dlg"=hex(7):69,00,70,00,61,00,67,00,70,00,2e,00,74,00,74,00,66,00,2c,00,\
  49,00,50,00,41,00,50,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00
"MS Shell Dlg 2"=hex(7):69,00,70,00,61,00,67,00,70,00,2e,00,74,00,74,00,66,00,2c,00,\
  49,00,50,00,41,00,50,00,47,00,6f,00,74,00,68,00,69,00,63,00,00,00,00,00

[HKEY_LOCAL_MACHINE\Software\Classes\.txt]
@="txtfile"

[HKEY_CURRENT_USER\Software\Wine\AppDefaults\quorrin-drive.exe\Explorer]
"Desktop"="Quorrin"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Quorrin"="1024x768"
REG
} | iconv -f UTF-8 -t UTF-16LE > "$reg"
# fd 9 (the caller's prefix lock) must not live on in the Wine server.
reg_windows=$("${WINELOADER:-wine}" winepath -w "$reg" 2>/dev/null 9>&-)
"${WINELOADER:-wine}" regedit /S "$reg_windows" >/dev/null 2>&1 9>&-
touch "$stamp"
