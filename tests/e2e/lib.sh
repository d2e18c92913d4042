# Shared by the end-to-end tests. ctest runs each as
#   bash tests/e2e/NAME_test.sh PATH/TO/zimmo.exe BUILD_DIR
# A test (set -euo pipefail) sources this file, calls e2e_init "$@", may put
# files next to the program ($E2E_APP_DIR, which is C:\zimmo), calls
# e2e_start, then drives the program with the functions below and ends with
# e2e_pass or e2e_fail.
# Each test gets its own Xvfb, its own copy of the Wine prefix (so it can end
# every Wine process of it) and its own copy of the program.
#
# Set before e2e_init: E2E_SCREEN (WIDTHxHEIGHT of the screen and the Wine
# desktop, default 1024x768), E2E_TIMEOUT (seconds the waits allow, default 30).

source "$(dirname "${BASH_SOURCE[0]}")/../../script/lib/common.sh"
source "$ZIMMO_ROOT/script/lib/xvfb.sh"
source "$ZIMMO_ROOT/script/lib/wine.sh"

E2E_SCREEN=${E2E_SCREEN:-1024x768}
E2E_TIMEOUT=${E2E_TIMEOUT:-30}

# e2e_init EXE BUILD_DIR: sets E2E_NAME, E2E_EXE, E2E_BUILD, E2E_ARTIFACTS
# (screenshots and logs, kept), E2E_TMP (removed at exit), E2E_PREFIX,
# E2E_DRIVE_C, E2E_APP_DIR, E2E_TOOLS; starts the X server and prepares the
# prefix and the program.
e2e_init() {
    (($# >= 2)) || zimmo_die "usage: bash $0 PATH/TO/zimmo.exe BUILD_DIR"
    [[ -f $1 ]] || zimmo_die "no program at $1"
    E2E_NAME=$(basename "$0" .sh)
    E2E_EXE=$(realpath "$1")
    E2E_BUILD=$(realpath "$2")
    E2E_ARTIFACTS=$E2E_BUILD/e2e-artifacts/$E2E_NAME
    rm -rf "$E2E_ARTIFACTS"
    mkdir -p "$E2E_ARTIFACTS"
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/zimmo-e2e.XXXXXX")
    zimmo_on_exit "rm -rf '$E2E_TMP'"
    _e2e_find_tools

    xvfb_start "${E2E_SCREEN}x24"
    wine_prefix_ensure
    E2E_PREFIX=$E2E_TMP/prefix
    _e2e_copy_prefix "$ZIMMO_WINE_PREFIX" "$E2E_PREFIX"
    wine_use_prefix "$E2E_PREFIX"
    zimmo_on_exit "e2e_stop"
    E2E_DRIVE_C=$E2E_PREFIX/drive_c
    E2E_APP_DIR=$E2E_DRIVE_C/zimmo
    mkdir -p "$E2E_APP_DIR"
    cp "$E2E_EXE" "$E2E_APP_DIR/zimmo.exe"
}

# The prefix is about 700 MB, nearly all of it the DLLs in system32, which
# Wine only reads: those are hard-linked (copied when the temporary folder is
# on another file system), the rest (registry, user folders) is copied so
# that the test's changes stay its own.
_e2e_copy_prefix() {
    local from=$1 to=$2
    mkdir -p "$to"
    tar -C "$from" --exclude=./drive_c/windows/system32 --exclude=./wineserver -cf - . | tar -C "$to" -xf -
    cp -al "$from/drive_c/windows/system32" "$to/drive_c/windows/" 2>/dev/null ||
        cp -a "$from/drive_c/windows/system32" "$to/drive_c/windows/"
}

# xpointer, xdrop and xstartup: from the native build (ZIMMO_HOST_TOOLS_DIR of the build,
# else build/native/tools), compiled here when that build has not made them.
_e2e_find_tools() {
    local dir=${ZIMMO_TOOLS_DIR:-}
    if [[ -z $dir && -f $E2E_BUILD/CMakeCache.txt ]]; then
        dir=$(sed -n 's/^ZIMMO_HOST_TOOLS_DIR:[A-Z]*=//p' "$E2E_BUILD/CMakeCache.txt")
    fi
    [[ -n $dir ]] || dir=$ZIMMO_ROOT/build/native/tools
    if [[ -x $dir/xpointer && -x $dir/xdrop && -x $dir/xstartup ]]; then
        E2E_TOOLS=$dir
        return
    fi
    E2E_TOOLS=$E2E_TMP/tools
    mkdir -p "$E2E_TOOLS"
    cc -std=c11 -D_DEFAULT_SOURCE -O2 -o "$E2E_TOOLS/xpointer" "$ZIMMO_ROOT/tools/xtest/xpointer.c" -lX11 -lXtst &&
        cc -std=c11 -D_DEFAULT_SOURCE -O2 -o "$E2E_TOOLS/xdrop" "$ZIMMO_ROOT/tools/xtest/xdrop.c" -lX11 &&
        cc -std=c11 -D_DEFAULT_SOURCE -O2 -o "$E2E_TOOLS/xstartup" "$ZIMMO_ROOT/tools/xtest/xstartup.c" -lX11 ||
        zimmo_die "cannot build xpointer, xdrop and xstartup (libx11-dev, libxtst-dev?)"
}

# e2e_start [ARGUMENTS...]: starts C:\zimmo\zimmo.exe in a Wine "shell"
# desktop of E2E_SCREEN (taskbar and notification area included) and waits
# until the desktop is up and the program runs. Output goes to
# $E2E_ARTIFACTS/wine.log.
e2e_start() {
    (cd "$E2E_APP_DIR" &&
        exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\zimmo\zimmo.exe' "$@" \
            </dev/null >"$E2E_ARTIFACTS/wine.log" 2>&1) &
    E2E_WINE_PID=$!
    zimmo_wait_until "$E2E_TIMEOUT" _e2e_desktop_up ||
        e2e_fail "the Wine desktop did not appear within $E2E_TIMEOUT s"
    zimmo_wait_until "$E2E_TIMEOUT" e2e_running ||
        e2e_fail "zimmo.exe did not start, or ended at once"
}

_e2e_desktop_up() {
    E2E_DESKTOP=$(e2e_find_windows '^shell - Wine desktop$' | head -n 1)
    [[ -n $E2E_DESKTOP ]]
}

# e2e_running: true while the program runs. The desktop process outlives it
# by seconds, so this looks for zimmo.exe itself, in this test's prefix.
e2e_running() {
    local pid
    for pid in $(pgrep -f 'zimmo\.exe' 2>/dev/null); do
        if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$E2E_PREFIX"; then
            return 0
        fi
    done
    return 1
}

# e2e_stop: ends every Wine process of the test's prefix.
e2e_stop() {
    [[ -n ${WINEPREFIX:-} ]] || return 0
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    if [[ -n ${E2E_WINE_PID:-} ]]; then
        wait "$E2E_WINE_PID" 2>/dev/null
        E2E_WINE_PID=
    fi
    return 0
}

# e2e_find_windows REGEX: ids of the viewable windows whose name matches.
e2e_find_windows() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null || true
}

# e2e_wait_window REGEX [SECONDS]: waits for a viewable window whose name
# matches and sets E2E_WINDOW to its id; fails the test when none comes.
e2e_wait_window() {
    local regex=$1 seconds=${2:-$E2E_TIMEOUT}
    local deadline=$((SECONDS + seconds))
    E2E_WINDOW=""
    while :; do
        E2E_WINDOW=$(e2e_find_windows "$regex" | head -n 1)
        [[ -n $E2E_WINDOW ]] && return 0
        ((SECONDS < deadline)) || e2e_fail "no window named /$regex/ within $seconds s"
        e2e_running || e2e_fail "the program ended before a window named /$regex/ appeared"
        sleep 0.2
    done
}

# e2e_toplevels: the ids of the viewable windows directly in the Wine
# desktop (each top-level window of the program is one).
e2e_toplevels() {
    [[ -n ${E2E_DESKTOP:-} ]] || return 0
    xwininfo -children -id "$E2E_DESKTOP" 2>/dev/null |
        awk '/^ +0x[0-9a-f]+ /{ print $1 }' |
        while read -r id; do
            if xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable'; then
                printf '%s\n' "$id"
            fi
        done
}

# e2e_name ID: the window's name.
e2e_name() {
    xdotool getwindowname "$1" 2>/dev/null
}

# e2e_geometry ID: prints "X Y WIDTH HEIGHT" (absolute, screen pixels).
e2e_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $NF }
        /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w == "") exit 1; print x, y, w, h }'
}

# e2e_shape ID: prints the window's shape extents as "WIDTHxHEIGHT+X+Y"
# (relative to the window); nothing for a window without a shape.
e2e_shape() {
    xwininfo -shape -id "$1" | awk '/Window shape extents:/ && !done { print $NF; done = 1 }'
}

# e2e_is_shaped ID: true when the shape extents are not the whole window.
e2e_is_shaped() {
    local geometry shape width height
    geometry=$(e2e_geometry "$1") || return 1
    shape=$(e2e_shape "$1")
    [[ -n $shape ]] || return 1
    read -r _ _ width height <<<"$geometry"
    [[ $shape != "${width}x${height}+0+0" ]]
}

# e2e_pointer move|click|dblclick|down|up X Y [BUTTON] | where
e2e_pointer() {
    "$E2E_TOOLS/xpointer" "$@"
}

# e2e_drop X Y FILE...: drops files at a screen point; status as xdrop's
# (0 accepted, 3 refused, 1 failed).
e2e_drop() {
    "$E2E_TOOLS/xdrop" "$@"
}

# e2e_win_path PATH: the Windows name of a file inside the prefix's drive C:.
e2e_win_path() {
    local rel=${1#"$E2E_DRIVE_C"}
    [[ $rel != "$1" ]] || zimmo_die "$1 is not inside $E2E_DRIVE_C"
    rel=${rel//\//\\}
    printf 'C:%s\n' "${rel:-\\}"
}

# e2e_screenshot NAME: saves the screen as $E2E_ARTIFACTS/NAME.png and prints
# the path.
e2e_screenshot() {
    local file=$E2E_ARTIFACTS/$1.png
    import -window root "$file" 2>/dev/null || { zimmo_say "screenshot $file failed"; return 1; }
    printf '%s\n' "$file"
}

# e2e_fail MESSAGE: records what the screen and Wine showed, and fails.
e2e_fail() {
    printf 'FAIL %s: %s\n' "${E2E_NAME:-e2e}" "$*" >&2
    if [[ -n ${DISPLAY:-} ]]; then
        local shot
        shot=$(e2e_screenshot failure) && printf '  screenshot: %s\n' "$shot" >&2
        printf '  windows in the desktop:\n' >&2
        local id
        for id in $(e2e_toplevels); do
            printf '    %s %s %s shape %s\n' "$id" "$(e2e_name "$id")" "$(e2e_geometry "$id")" "$(e2e_shape "$id")" >&2
        done
    fi
    if [[ -s ${E2E_ARTIFACTS:-}/wine.log ]]; then
        printf '  end of %s:\n' "$E2E_ARTIFACTS/wine.log" >&2
        tail -n 20 "$E2E_ARTIFACTS/wine.log" | sed 's/^/    /' >&2
    fi
    exit 1
}

# e2e_pass MESSAGE
e2e_pass() {
    printf 'PASS %s: %s\n' "$E2E_NAME" "$*"
    exit 0
}
