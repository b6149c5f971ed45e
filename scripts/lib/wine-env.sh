# shellcheck shell=bash
# Wine and headless X helpers shared by the test, run and CI scripts.
#
# Everything Kanjiforge runs on Linux runs under Wine on an X display. These functions give every
# script the same private prefix settings (no Mono/Gecko prompts, no debug noise, a Japanese locale,
# the Japanese faces mapped to the IPA fonts) and a throwaway X server, so that a fresh machine or a
# CI runner behaves like a developer's box and like the Japanese Windows the program is made for.
#
# Usage (bash):
#   source scripts/lib/wine-env.sh
#   kf_xvfb_start                                  # exports DISPLAY; see kf_xvfb_stop
#   kf_wine_prefix_init "$PWD/build/wineprefix"    # creates once, then exports the environment
#   kf_wine some.exe args...                       # wine with the prefix's locale
#
# For an existing prefix, kf_wine_env PREFIX alone exports the environment.
# Functions return non-zero on failure and print the reason on stderr; they never read stdin.

# Bump when the prefix configuration below changes, so existing prefixes are configured again.
KF_WINE_PREFIX_VERSION=3

# KF_WINE_DPI=N (for example 144 or 192) makes a prefix whose screen has N DPI (HKCU\Control Panel\Desktop
# "LogPixels"), as a Windows PC set to 150 % or 200 % has; without it the screen has 96 DPI.

# KF_WINE_WINDOWS=default leaves Wine's own window handling in place (no Managed=N): every hidden window
# then waits up to 2 s for a window manager, as on a slow or busy PC. The save tests run in such a prefix
# too, so that they cannot depend on how fast windows vanish.

# The faces the program and its peers ask for, mapped to the IPA fonts Debian ships
# (fonts-ipafont-gothic, fonts-ipafont-mincho).
KF_WINE_FONT_REPLACEMENTS=(
    "ＭＳ Ｐゴシック=IPAPGothic"
    "ＭＳ ゴシック=IPAGothic"
    "ＭＳ Ｐ明朝=IPAPMincho"
    "ＭＳ 明朝=IPAMincho"
    "MS PGothic=IPAPGothic"
    "MS Gothic=IPAGothic"
    "MS UI Gothic=IPAPGothic"
    "MS PMincho=IPAPMincho"
    "MS Mincho=IPAMincho"
)

_kf_err() { echo "wine-env: $*" >&2; }

# Finds the Wine loader and server. Debian's /usr/bin/wine is a wrapper that prefers the 32-bit
# loader and falls back to /usr/lib/wine/wine64; both work for win64 prefixes. KF_WINE overrides.
_kf_find_wine() {
    local c
    if [ -n "${KF_WINE:-}" ] && [ -x "$(command -v "$KF_WINE")" ]; then
        KF_WINE=$(command -v "$KF_WINE")
    else
        KF_WINE=""
        for c in wine wine64 /usr/lib/wine/wine64 /usr/lib/wine/wine; do
            if command -v "$c" >/dev/null 2>&1; then
                KF_WINE=$(command -v "$c")
                break
            fi
        done
    fi
    if [ -z "$KF_WINE" ]; then
        _kf_err "no wine binary found (run scripts/setup)"
        return 1
    fi
    KF_WINESERVER=""
    for c in wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver; do
        if command -v "$c" >/dev/null 2>&1; then
            KF_WINESERVER=$(command -v "$c")
            break
        fi
    done
    if [ -z "$KF_WINESERVER" ]; then
        _kf_err "no wineserver binary found (run scripts/setup)"
        return 1
    fi
    export KF_WINE KF_WINESERVER
}

# kf_wine_env PREFIX_DIR: exports the Wine environment for PREFIX_DIR (made absolute) and
# KF_WINE / KF_WINESERVER, the binaries to call.
kf_wine_env() {
    local prefix=${1:-}
    if [ -z "$prefix" ]; then
        _kf_err "kf_wine_env: prefix folder required"
        return 2
    fi
    # Wine insists on an absolute prefix path.
    prefix=$(realpath -m -- "$prefix") || return 1
    export WINEPREFIX=$prefix
    export WINEARCH=win64
    export WINEDEBUG=-all
    # Without these, the first start of a prefix offers to download Mono and Gecko in a dialog.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    _kf_find_wine || return 1
    _kf_locale_env
}

# Wine takes the Windows code page and user language from the Unix locale: ja_JP.UTF-8 gives code
# page 932 and Japanese, like the PCs the program is made for. The Unix locale must really exist, or
# Wine falls back to ASCII for Unix file names and loses every non-ASCII path; when the system has no
# compiled ja_JP.UTF-8, kf_wine_prefix_init compiles one into the prefix (LOCPATH).
# KF_WINE_LOCALE overrides the locale name; set it to C.UTF-8 to keep an English Wine.
_kf_locale_env() {
    KF_WINE_LC=${KF_WINE_LOCALE:-ja_JP.UTF-8}
    KF_WINE_LOCPATH=""
    if ! _kf_locale_usable "$KF_WINE_LC" && [ -d "$WINEPREFIX/.kanjiforge-locale" ]; then
        KF_WINE_LOCPATH="$WINEPREFIX/.kanjiforge-locale"
    fi
    export KF_WINE_LC KF_WINE_LOCPATH
}

# True when glibc can load locale $1 (with LOCPATH $2, if given) and its character set is UTF-8.
_kf_locale_usable() {
    local out
    if [ -n "${2:-}" ]; then
        out=$(LOCPATH=$2 LC_ALL=$1 locale charmap 2>&1)
    else
        out=$(env -u LOCPATH LC_ALL="$1" locale charmap 2>&1)
    fi
    [ "$out" = UTF-8 ]
}

_kf_locale_prepare() {
    local dir="$WINEPREFIX/.kanjiforge-locale" name=$KF_WINE_LC
    if _kf_locale_usable "$name" || _kf_locale_usable "$name" "$dir"; then
        return 0
    fi
    if [ "${name#*.}" != UTF-8 ] || ! command -v localedef >/dev/null; then
        _kf_err "locale $name is not installed and cannot be compiled here"
        return 1
    fi
    mkdir -p "$dir" || return 1
    # localedef warns about some ja_JP details yet writes a usable locale; judge by the result.
    localedef -i "${name%%.*}" -f UTF-8 "$dir/$name" >/dev/null 2>&1
    if ! _kf_locale_usable "$name" "$dir"; then
        _kf_err "could not compile locale $name into $dir (is the locales package installed?)"
        return 1
    fi
}

# kf_wine ARGS...: runs the Wine loader with the prefix's locale (after kf_wine_env).
kf_wine() {
    if [ -z "${KF_WINE:-}" ] || [ -z "${WINEPREFIX:-}" ]; then
        _kf_err "kf_wine: call kf_wine_env or kf_wine_prefix_init first"
        return 2
    fi
    if [ -n "${KF_WINE_LOCPATH:-}" ]; then
        LOCPATH=$KF_WINE_LOCPATH LC_ALL=$KF_WINE_LC "$KF_WINE" "$@"
    else
        LC_ALL=$KF_WINE_LC "$KF_WINE" "$@"
    fi
}

# Writes the prefix's registry settings as a UTF-16LE .reg file (the only encoding in which
# regedit reads Japanese value names reliably, whatever the Unix locale is).
_kf_write_prefix_reg() {
    local out=$1 entry name face
    {
        printf '\xff\xfe'
        {
            printf 'Windows Registry Editor Version 5.00\r\n\r\n'
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
            for entry in "${KF_WINE_FONT_REPLACEMENTS[@]}"; do
                name=${entry%%=*}
                face=${entry#*=}
                printf '"%s"="%s"\r\n' "$name" "$face"
            done
            # A crashing program under test must fail its test, not wait behind a crash dialog.
            printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
            printf '"ShowCrashDialog"=dword:00000000\r\n'
            # Windows the X server sees as managed wait up to 2 s, each time they are hidden, for a
            # window manager to confirm; Xvfb has none. Unmanaged windows hide at once.
            if [ "${KF_WINE_WINDOWS:-tuned}" != default ]; then
                printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n'
                printf '"Managed"="N"\r\n'
            fi
            printf '\r\n[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n'
            printf '"LogPixels"=dword:%08x\r\n' "${KF_WINE_DPI:-96}"
            printf '\r\n'
        } | iconv -f UTF-8 -t UTF-16LE
    } >"$out"
}

# kf_wine_prefix_init PREFIX_DIR: creates and configures the prefix once (about 15 s); later calls
# only check the marker file. Also exports the environment (kf_wine_env). Needs no display and no
# stdin. A prefix whose creation was interrupted is completed on the next call.
kf_wine_prefix_init() {
    kf_wine_env "${1:-}" || return $?
    local marker="$WINEPREFIX/.kanjiforge-prefix" stamp
    stamp="v$KF_WINE_PREFIX_VERSION $KF_WINE_LC windows=${KF_WINE_WINDOWS:-tuned} dpi=${KF_WINE_DPI:-96} $("$KF_WINE" --version 2>/dev/null)"
    if [ -f "$marker" ] && [ "$(cat "$marker")" = "$stamp" ]; then
        return 0
    fi
    mkdir -p "$WINEPREFIX" || return 1
    # An older configuration's marker also means wineboot has run.
    if [ -f "$marker" ]; then
        touch "$WINEPREFIX/.kanjiforge-booted"
        rm -f "$marker"
    fi
    _kf_locale_prepare || return 1
    _kf_locale_env
    echo "wine-env: preparing Wine prefix $WINEPREFIX" >&2
    # A prefix that only lacks our newer settings keeps its Windows installation.
    if [ ! -f "$WINEPREFIX/.kanjiforge-booted" ]; then
        if ! kf_wine wineboot -i </dev/null >"$WINEPREFIX/.kanjiforge-init.log" 2>&1; then
            _kf_err "wineboot failed; see $WINEPREFIX/.kanjiforge-init.log"
            return 1
        fi
        "$KF_WINESERVER" -w
        touch "$WINEPREFIX/.kanjiforge-booted"
    fi
    local reg="$WINEPREFIX/.kanjiforge-prefix.reg"
    _kf_write_prefix_reg "$reg" || return 1
    if ! kf_wine regedit /S "$(_kf_winpath "$reg")" </dev/null >>"$WINEPREFIX/.kanjiforge-init.log" 2>&1; then
        _kf_err "importing $reg failed; see $WINEPREFIX/.kanjiforge-init.log"
        return 1
    fi
    # regedit returns before the server has flushed the registry to user.reg.
    "$KF_WINESERVER" -w
    # Wine stores the value name "ＭＳ ゴシック" with \x escapes.
    if ! grep -qF '"\xff2d\xff33 \x30b4\x30b7\x30c3\x30af"="IPAGothic"' "$WINEPREFIX/user.reg" ||
        ! grep -qF "\"LogPixels\"=dword:$(printf %08x "${KF_WINE_DPI:-96}")" "$WINEPREFIX/user.reg" ||
        { [ "${KF_WINE_WINDOWS:-tuned}" != default ] && ! grep -qF '"Managed"="N"' "$WINEPREFIX/user.reg"; }; then
        _kf_err "settings missing from $WINEPREFIX/user.reg after importing $reg"
        return 1
    fi
    # Wine draws the caption buttons with the Marlett symbol font; without it they come out as the
    # letters "0 1 r". Debian's fonts-wine ships it, but this Wine does not look for it there, only
    # in the prefix's own fonts folder.
    local marlett=/usr/share/wine/fonts/marlett.ttf
    if [ -f "$marlett" ]; then
        mkdir -p "$WINEPREFIX/drive_c/windows/Fonts" &&
            cp "$marlett" "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" || return 1
    else
        _kf_err "warning: $marlett missing (fonts-wine): caption buttons will show letters"
    fi
    printf '%s\n' "$stamp" >"$marker"
}

# Wine maps the Unix root to drive Z:.
_kf_winpath() {
    local p
    p=$(realpath -m -- "$1") || return 1
    printf 'Z:%s' "${p//\//\\}"
}

# kf_xvfb_start: starts a private Xvfb on the first free display of :91..:99 and exports DISPLAY. Its screen
# is 1280x1024 pixels, or KF_XVFB_SCREEN (WIDTHxHEIGHTxDEPTH), as large as a screen of 150 % or 200 % is.
# With KF_USE_DISPLAY=1 and a DISPLAY that answers, that display is used instead.
# kf_xvfb_stop ends the server at once; otherwise a watchdog ends it within a second after the
# (sub)shell that started it, the one that has DISPLAY, has gone. (An EXIT trap would be lost to
# a caller's own trap.)
kf_xvfb_start() {
    if [ "${KF_USE_DISPLAY:-0}" = 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return 0
    fi
    if [ -n "${KF_XVFB_PID:-}" ] && _kf_alive "$KF_XVFB_PID"; then
        return 0
    fi
    if ! command -v Xvfb >/dev/null || ! command -v xdpyinfo >/dev/null; then
        _kf_err "Xvfb or xdpyinfo missing (run scripts/setup)"
        return 1
    fi
    local n pid i log owner=$BASHPID
    for n in 91 92 93 94 95 96 97 98 99; do
        # Xvfb clears a stale lock itself; only skip numbers whose server is alive.
        if _kf_display_taken "$n"; then
            continue
        fi
        log=$(mktemp "${TMPDIR:-/tmp}/kf-xvfb-$n.XXXXXX")
        Xvfb ":$n" -screen 0 "${KF_XVFB_SCREEN:-1280x1024x24}" -nolisten tcp -noreset </dev/null >"$log" 2>&1 &
        pid=$!
        for ((i = 0; i < 100; i++)); do
            if ! _kf_alive "$pid"; then
                break # lost a race for this number, or failed to start
            fi
            if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
                export DISPLAY=":$n" KF_XVFB_PID=$pid
                rm -f "$log"
                (
                    while kill -0 "$owner" 2>/dev/null && _kf_alive "$pid"; do
                        sleep 1
                    done
                    kill "$pid" 2>/dev/null
                ) </dev/null >/dev/null 2>&1 &
                disown 2>/dev/null
                return 0
            fi
            sleep 0.1
        done
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
        _kf_err "Xvfb :$n did not come up: $(tail -n 3 "$log" | tr '\n' ' ')"
        rm -f "$log"
    done
    _kf_err "no free X display in :91..:99"
    return 1
}

kf_xvfb_stop() {
    if [ -n "${KF_XVFB_PID:-}" ]; then
        kill "$KF_XVFB_PID" 2>/dev/null
        wait "$KF_XVFB_PID" 2>/dev/null
        unset KF_XVFB_PID
    fi
}

# True while process $1 runs (a zombie does not count: containers often have no init to reap).
_kf_alive() {
    local state
    kill -0 "$1" 2>/dev/null || return 1
    read -r _ _ state _ <"/proc/$1/stat" 2>/dev/null || return 0
    [ "$state" != Z ]
}

_kf_display_taken() {
    local lock="/tmp/.X$1-lock" holder
    [ -e "$lock" ] || [ -e "/tmp/.X11-unix/X$1" ] || return 1
    holder=$(tr -dc '0-9' <"$lock" 2>/dev/null)
    # A socket without a lock, or a lock that cannot be read: assume someone owns it.
    [ -n "$holder" ] || return 0
    _kf_alive "$holder"
}
