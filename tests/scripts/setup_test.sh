#!/usr/bin/env bash
# scripts/setup.sh (or the script named as the argument) on pretend machines: shims of apt-get,
# dpkg, dpkg-query, locale, localedef, id and sudo (never working) keep the machine's state in
# files and log their calls. Each row runs setup.sh once, in order, on the same machine until
# "fresh" gives a new one.
set -u
setup=${1:-$(dirname "$0")/../../scripts/setup.sh}
t=$(mktemp -d)
trap 'rm -rf "$t"' EXIT
s=$t/state
mkdir "$t/bin"
cat >"$t/bin/shim" <<'SHIM'
#!/usr/bin/env bash
s=$SHIM_STATE
echo "${0##*/} $*" >>"$s/log"
case "${0##*/} $*" in
"id -u") echo "$SHIM_UID" ;;
sudo*) exit 1 ;;
"locale -a") [ ! -e "$s/locale" ] || echo ja_JP.utf8 ;;
localedef*) touch "$s/locale" ;;
*--print-foreign-architectures) cat "$s/arch" ;;
*--add-architecture*) echo i386 >"$s/arch" ;;
*--remove-architecture*) : >"$s/arch" ;;
dpkg-query*) grep -qx -- "${@: -1}" "$s/installed" && echo "install ok installed" ;;
"apt-get update"*) [ -z "$SHIM_UPDATE_FAILS" ] || { echo "E: Failed to fetch" >&2 && exit 100; } ;;
"apt-get install"*)
    for p in "${@:5}"; do
        if [[ " $SHIM_REFUSED " == *" $p "* ]]; then
            echo "E: Unable to locate package $p" >&2 && exit 100
        fi
    done
    printf '%s\n' "${@:5}" >>"$s/installed" ;;
esac
SHIM
chmod +x "$t/bin/shim"
for c in apt-get dpkg dpkg-query locale localedef id sudo; do ln -s shim "$t/bin/$c"; done

fresh() { rm -rf "$s" && mkdir "$s" && : >"$s/installed" && : >"$s/arch"; }
failures=0
# row NAME UID REFUSED UPDATE_FAILS ARGS EXIT OUTPUT_RE LOG_RES(;) LOG_NOT_RE MARKER(y/n)
row() {
    : >"$s/log"
    local out rc=0 why=
    out=$(SHIM_STATE=$s SHIM_UID=$2 SHIM_REFUSED=$3 SHIM_UPDATE_FAILS=$4 PATH=$t/bin:$PATH \
        QUORRIN_WINE32_MARKER=$s/marker bash "$setup" $5 2>&1) || rc=$?
    [ "$rc" = "$6" ] || why+=" exit $rc;"
    grep -qE -- "$7" <<<"$out" || why+=" no output /$7/;"
    IFS=';' read -ra res <<<"$8"
    for re in "${res[@]}"; do grep -qE -- "$re" "$s/log" || why+=" no call /$re/;"; done
    ! grep -qE -- "$9" "$s/log" || why+=" a call /$9/;"
    [ "$([ -e "$s/marker" ] && echo y || echo n)" = "${10}" ] || why+=" marker not ${10};"
    [ -z "$why" ] || { echo "FAIL $1:$why"$'\n'"$out" && failures=$((failures + 1)); }
}
w32=wine32:i386
fresh
row fresh-wine32-refused 0 $w32 y "" 0 "^[^ ]+ wine32:i386 did not install.*64-bit Wine" \
    "install .*cmake;install .*$w32;remove-architecture" NONE y
row again 0 $w32 y "" 0 "failed here.*--retry-wine32" . "apt-get" y
row retry 0 $w32 "" --retry-wine32 0 "64-bit Wine" "install .*$w32" "install .*cmake" y
rm -f "$s/marker"
row user-without-wine32 1000 "" "" "" 0 "root can add it: dpkg --add-arch" . "apt-get" n
row wine32-installs 0 "" "" "" 0 "done" "add-architecture;install .*$w32" "remove-arch" n
row all-there 1000 "" "" "" 0 "^setup.sh: everything is installed$" . "apt-get|localedef" n
fresh
row needed-refused 0 cmake "" "" 100 "Unable to locate package cmake" "install .*cmake" \
    "install .*$w32" n
row user-missing-cmake 1000 "" "" "" 1 "apt-get install -y --no-install-recommends cmake" . \
    "apt-get" n
exit $((failures > 0))
