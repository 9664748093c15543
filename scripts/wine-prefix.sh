#!/usr/bin/env bash
# Maps the Japanese Windows face names that Quorrin and Wine's dialogs ask
# for to the IPA Gothic fonts (Debian's fonts-ipafont-gothic), so Japanese
# texts show as text, not boxes. Idempotent: a stamp in the prefix records
# that the mapping is in place.
#   wine-fonts.sh            (WINEPREFIX set, as scripts/wine-run.sh sets it)
set -eu
: "${WINEPREFIX:?wine-fonts.sh: WINEPREFIX is not set}"
stamp=$WINEPREFIX/.quorrin-fonts-1
[ -f "$stamp" ] && exit 0

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
REG
} | iconv -f UTF-8 -t UTF-16LE > "$reg"
# fd 9 (the caller's prefix lock) must not live on in the Wine server.
wine regedit /S "$(winepath -w "$reg" 2>/dev/null 9>&-)" >/dev/null 2>&1 9>&-
touch "$stamp"
