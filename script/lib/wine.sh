# The project's Wine prefix and the environment every Wine run here uses.
# Needs common.sh.

ZIMMO_WINE_PREFIX=${ZIMMO_WINE_PREFIX:-$ZIMMO_ROOT/build/wine-prefix}
# Wine wants an absolute prefix path.
[[ $ZIMMO_WINE_PREFIX == /* ]] || ZIMMO_WINE_PREFIX=$PWD/$ZIMMO_WINE_PREFIX
# Raise when wine_prefix_ensure sets up more, so old prefixes get it too.
ZIMMO_PREFIX_VERSION=2

# wine_use_prefix DIR: the environment for Wine in prefix DIR. No debug
# channels; no Mono, Gecko or menu entries (they would download or write
# outside the prefix).
wine_use_prefix() {
    export WINEPREFIX=$1
    export WINEARCH=win64
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
}

_wine_prefix_ready() {
    [[ -f $1/.zimmo-prefix && $(<"$1/.zimmo-prefix") == "$ZIMMO_PREFIX_VERSION" ]]
}

# The prefix's settings: no crash dialog (a crashing test must end, not wait
# for a click); the "zimmo" desktop of script/run gets the taskbar and
# notification area as the "shell" one has; the Japanese UI fonts map to
# the IPA faces with the same metrics (fonts-ipafont-gothic). Menus, tool
# tips and message boxes use Wine's Tahoma, which has no Japanese;
# Wine links Tahoma to "MS UI Gothic" for the characters it lacks, and the
# substitute below makes that the IPA face. Without it every Japanese
# character there is a box (tests/e2e/japanese_text_test.sh shows it).
_wine_prefix_registry() {
    cat <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops\zimmo]
"EnableShell"=dword:00000001

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"
REG
}

# wine_prefix_ensure [DIR]: creates and sets up the prefix on first use.
# A lock next to it makes parallel callers wait for the one that creates it.
wine_prefix_ensure() {
    local dir=${1:-$ZIMMO_WINE_PREFIX}
    _wine_prefix_ready "$dir" && return 0
    mkdir -p "$(dirname "$dir")"
    (
        flock 9
        _wine_prefix_ready "$dir" && exit 0
        wine_use_prefix "$dir"
        # Wine writes .update-timestamp once a prefix is complete; an older
        # set-up of ours only needs the settings below again.
        if [[ ! -f $dir/.update-timestamp ]]; then
            wineboot -i </dev/null >/dev/null 2>&1 || zimmo_die "wineboot -i failed for $dir"
        fi
        # regedit reads UTF-16 with a byte-order mark; the file must be on a
        # Wine drive.
        { printf '\xff\xfe'; _wine_prefix_registry | sed 's/$/\r/' | iconv -f UTF-8 -t UTF-16LE; } \
            >"$dir/drive_c/zimmo-prefix.reg"
        wine regedit /S 'C:\zimmo-prefix.reg' </dev/null >/dev/null 2>&1 || zimmo_die "regedit failed in $dir"
        rm -f "$dir/drive_c/zimmo-prefix.reg"
        # The registry is on disk only once the server has ended. Others may
        # keep it running (a persistent server, say): it saves the registry
        # itself then, so the wait is bounded.
        timeout 120 wineserver -w || true
        printf '%s\n' "$ZIMMO_PREFIX_VERSION" >"$dir/.zimmo-prefix"
    ) 9>"$dir.lock"
}

# wine_prefix_stop [DIR]: ends every Wine process of that prefix.
wine_prefix_stop() {
    WINEPREFIX=${1:-$ZIMMO_WINE_PREFIX} wineserver -k >/dev/null 2>&1 || true
}
