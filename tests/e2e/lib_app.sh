# What the end-to-end tests of zimmo.exe share beyond lib.sh: the four
# characters' constants, their positions as the X server sees them, the
# popup menus, the tray icon, the settings window and the settings file.
# Source it after lib.sh.

# Per character: start left, start top, window width, window height, frame
# height, step per tick.
declare -gA APP_CHAR=(
    [Mallo]="0 -50 132 51 23 3"
    [Tibbet]="480 -50 123 51 23 2"
    [Quon]="-50 480 123 56 28 4"
    [Oswy]="992 736 123 55 27 2"
)
APP_NAMES=(Mallo Tibbet Quon Oswy)
APP_SETTINGS_NAME='設定ウィンドウ'

# app_char NAME FIELD: one of the constants above (x y w h frame step).
app_char() {
    local -a v
    read -r -a v <<<"${APP_CHAR[$1]}"
    case $2 in
        x) echo "${v[0]}" ;; y) echo "${v[1]}" ;; w) echo "${v[2]}" ;;
        h) echo "${v[3]}" ;; frame) echo "${v[4]}" ;; step) echo "${v[5]}" ;;
        *) zimmo_die "app_char: no field $2" ;;
    esac
}

# app_frame_extents NAME N: the bounding box "WIDTHxHEIGHT+X+Y" of the figure
# in frame N (1 to 12) of the character's artwork, as xwininfo prints a
# window shape's extents.
app_frame_extents() {
    local file
    file=$ZIMMO_ROOT/resources/frames/${1,,}/rgn$(printf '%02d' "$2").txt
    [[ -f $file ]] || zimmo_die "no artwork $file"
    awk '/^\/\// || /^palette / || NF == 0 { next }
        {
            r++
            for (i = 1; i <= length($0); i++) if (substr($0, i, 1) != ".") {
                if (!seen || i < x0) x0 = i; if (!seen || i > x1) x1 = i
                if (!seen || r < y0) y0 = r; if (!seen || r > y1) y1 = r
                seen = 1
            }
        }
        END { if (seen) printf "%dx%d+%d+%d\n", x1 - x0 + 1, y1 - y0 + 1, x0 - 1, y0 - 1 }' "$file"
}

# app_tree: one line per named or unnamed top-level window of the program in
# the Wine desktop: "ID X Y WIDTH HEIGHT NAME" (position relative to the
# desktop window). Mapped or not; one X request for all, so the positions
# are taken at one moment.
app_tree() {
    [[ -n ${E2E_DESKTOP:-} ]] || return 0
    xwininfo -tree -id "$E2E_DESKTOP" 2>/dev/null | awk '
        /\("zimmo\.exe" "zimmo\.exe"\)/ {
            id = $1
            name = ""
            if (match($0, /"[^"]*":/)) name = substr($0, RSTART + 1, RLENGTH - 3)
            geo = $0
            sub(/.*\) +/, "", geo)
            split(geo, g, " ")
            # g[1] is WxH+X+Y; X and Y may be negative ("+-50").
            n = split(g[1], p, /[x+]/)
            if (n < 4) next
            print id, p[3], p[4], p[1], p[2], name
        }'
}

# app_positions: "NAME X Y W H" for each character window that exists.
app_positions() {
    app_tree | awk '$6 ~ /^(Mallo|Tibbet|Quon|Oswy)$/ { print $6, $2, $3, $4, $5 }'
}

# app_viewable ID: true when the window is mapped and viewable.
app_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

# app_popups: ids of the program's viewable unnamed windows larger than the
# 1x1 internal windows (popup menus).
app_popups() {
    local id x y w h name
    app_tree | while read -r id x y w h name; do
        [[ -z $name ]] && ((w > 8 && h > 8)) && app_viewable "$id" && printf '%s %s %s %s %s\n' "$id" "$x" "$y" "$w" "$h"
    done
    return 0
}

# app_wait_popup [SECONDS]: waits for a popup menu; sets APP_POPUP to
# "ID X Y W H".
app_wait_popup() {
    local deadline=$((SECONDS + ${1:-10}))
    APP_POPUP=""
    local seen=""
    # A menu window may be mapped before it gets its final size: the answer
    # is the first one seen twice, 0.3 s apart.
    while :; do
        APP_POPUP=$(app_popups | head -n 1)
        [[ -n $APP_POPUP && $APP_POPUP == "$seen" ]] && return 0
        seen=$APP_POPUP
        ((SECONDS < deadline)) || return 1
        sleep 0.3
    done
}

# app_wait_no_popup [SECONDS]
app_wait_no_popup() {
    local deadline=$((SECONDS + ${1:-10}))
    until [[ -z $(app_popups) ]]; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# app_tray_point: the screen point of the (only) tray icon, at the right end
# of the taskbar in the bottom-right corner.
app_tray_point() {
    local w=${E2E_SCREEN%x*} h=${E2E_SCREEN#*x}
    echo "$((w - 12)) $((h - 11))"
}

# app_colours X Y W H FILE: the number of distinct colours in that rectangle
# of a screenshot.
app_colours() {
    convert "$5" -crop "$3x$4+$1+$2" +repage -format '%k' info:
}

# app_tray_icon_shown FILE: true when the tray corner of the screenshot holds
# a picture (an empty notification area is one flat colour).
app_tray_icon_shown() {
    local w=${E2E_SCREEN%x*} h=${E2E_SCREEN#*x}
    (($(app_colours $((w - 22)) $((h - 18)) 18 16 "$1") >= 4))
}

# app_settings_window: the id of the viewable settings window, or nothing.
app_settings_window() {
    e2e_find_windows "^$APP_SETTINGS_NAME\$" | head -n 1
}

# app_open_settings_by_tray: double-clicks the tray icon until the settings
# window shows (the taskbar may take a moment to take the icon); sets
# APP_SETTINGS to its id.
app_open_settings_by_tray() {
    local deadline=$((SECONDS + E2E_TIMEOUT)) point
    point=$(app_tray_point)
    APP_SETTINGS=""
    while :; do
        # shellcheck disable=SC2086
        e2e_pointer dblclick $point
        local until=$((SECONDS + 3))
        while ((SECONDS < until)); do
            APP_SETTINGS=$(app_settings_window)
            [[ -n $APP_SETTINGS ]] && return 0
            sleep 0.1
        done
        e2e_running || e2e_fail "the program ended instead of opening the settings window"
        ((SECONDS < deadline)) || e2e_fail "a double click on the tray icon at $point opened no settings window"
    done
}

# app_click_settings DX DY [BUTTON]: clicks a point of the settings window,
# given relative to its top-left corner.
app_click_settings() {
    local x y
    read -r x y _ _ <<<"$(e2e_geometry "$APP_SETTINGS")"
    e2e_pointer click $((x + $1)) $((y + $2)) "${3:-1}"
}

# app_close_settings: presses the settings window's close button and waits
# until the window is gone.
app_close_settings() {
    app_click_settings 324 10
    zimmo_wait_until 10 app_no_settings_window ||
        e2e_fail "the settings window did not close on its close button"
}

# app_has_settings_window: true when the settings window shows; sets
# APP_SETTINGS to its id.
app_has_settings_window() {
    APP_SETTINGS=$(app_settings_window)
    [[ -n $APP_SETTINGS ]]
}

app_no_settings_window() {
    [[ -z $(app_settings_window) ]]
}

# app_write_ini FILE LINE...: writes a settings file with CR LF line ends, as
# a Windows editor would.
app_write_ini() {
    local file=$1
    shift
    printf '%s\r\n' "$@" >"$file"
}

# app_ini_get FILE SECTION KEY: prints the value (section and key names in
# any letter case); status 1 when the key is missing.
app_ini_get() {
    awk -v sec="$2" -v key="$3" '
        { sub(/\r$/, "") }
        /^\[.*\]$/ { cur = tolower(substr($0, 2, length($0) - 2)); next }
        cur == tolower(sec) {
            i = index($0, "=")
            if (i && tolower(substr($0, 1, i - 1)) == tolower(key)) { print substr($0, i + 1); found = 1; exit }
        }
        END { exit !found }' "$1"
}

# app_expect_ini FILE SECTION KEY VALUE: fails the test unless the file holds
# that value.
app_expect_ini() {
    local got
    got=$(app_ini_get "$1" "$2" "$3") || e2e_fail "$1 has no $3 in [$2]: $(tr '\r' ' ' <"$1")"
    [[ $got == "$4" ]] || e2e_fail "$1 [$2] $3 is '$got', expected '$4'"
}

# app_wait_ended [SECONDS]: waits until zimmo.exe has ended.
app_wait_ended() {
    local deadline=$((SECONDS + ${1:-$E2E_TIMEOUT}))
    while e2e_running; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# app_restart: ends every Wine process of the prefix and starts the program
# again in a fresh desktop.
app_restart() {
    # e2e_stop's wait reports the killed process's status; under set -e that
    # would end the test.
    e2e_stop || true
    E2E_DESKTOP=""
    e2e_start
}
