#!/usr/bin/env bash
# The four characters: their windows at start-up (caption, position, size,
# shape of the first frame), the walk after the cursor into their dead
# zones, a left click that starts the character's own launch path, and the
# right-button menu whose one command stops them and opens the settings
# window; closing it sets them walking again.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"

# One marker program per character, so a click that reaches the wrong
# character, or runs another character's path, shows which.
for i in 1 2 3 4; do
    printf '@echo off\r\necho clicked> C:\\marker%s.txt\r\n' "$i" >"$E2E_DRIVE_C/marker$i.bat"
done
app_write_ini "$E2E_APP_DIR/zimmo.ini" '[Execute]' \
    'Char01=C:\marker1.bat' 'Char02=C:\marker2.bat' 'Char03=C:\marker3.bat' 'Char04=C:\marker4.bat'

# The cursor waits where the characters will walk to; placed before the
# start so that their first steps point at it.
cursor_x=400 cursor_y=300
e2e_pointer move $cursor_x $cursor_y
e2e_start

# --- Start-up: the windows appear where they start, before they walk far.
# Their first tick comes a moment after they are shown; polling fast sees
# most of them still at the start, and a window first seen later must lie
# on its walk from there towards its target: whole steps, the same number
# on both axes (one apart while a move is half done), at most a few.
declare -A first_seen=() first_shape=()
deadline=$((SECONDS + E2E_TIMEOUT))
while ((${#first_seen[@]} < 4)); do
    while read -r name x y w h; do
        [[ -n ${first_seen[$name]:-} ]] && continue
        first_seen[$name]="$x $y $w $h"
        id=$(app_tree | awk -v n="$name" '$6 == n { print $1 }')
        first_shape[$name]=$(e2e_shape "$id")
        # The shape is read after the position: if the window has moved in
        # between, the shape belongs to a later frame and tells nothing.
        if [[ $(app_positions | awk -v n="$name" '$1 == n { print $2, $3 }') != "$x $y" ]]; then
            first_shape[$name]=moved
        fi
    done < <(app_positions)
    ((SECONDS < deadline)) || e2e_fail "only ${!first_seen[*]} of the four characters appeared within $E2E_TIMEOUT s"
    sleep 0.02
done

# check_start NAME TARGET_X TARGET_Y: the first sighting against the start.
check_start() {
    local name=$1 tx=$2 ty=$3 x y w h x0 y0 step
    read -r x y w h <<<"${first_seen[$name]}"
    x0=$(app_char "$name" x) y0=$(app_char "$name" y) step=$(app_char "$name" step)
    [[ "$w $h" == "$(app_char "$name" w) $(app_char "$name" h)" ]] ||
        e2e_fail "$name's window is ${w}x$h, expected $(app_char "$name" w)x$(app_char "$name" h)"
    local dx=$((x - x0)) dy=$((y - y0))
    if ((dx != 0 || dy != 0)); then
        local sx=$(((tx > x0) - (tx < x0))) sy=$(((ty > y0) - (ty < y0)))
        local ax=$((dx * sx)) ay=$((dy * sy))
        if ((ax < 0 || ay < 0 || ax % step || ay % step || ax / step > 8 || ay / step > 8 ||
            (ax - ay) * (ax - ay) > step * step)); then
            e2e_fail "$name was first seen at $x,$y: not its start $x0,$y0 nor a few steps of $step from it towards $tx,$ty"
        fi
        zimmo_say "$name first seen $((ax / step)) steps from its start"
        return 0
    fi
    # Still at the start, so still showing its first frame, cut to exactly
    # that frame's figure.
    local expected
    expected=$(app_frame_extents "$name" 1)
    [[ ${first_shape[$name]} == moved ]] && return 0
    [[ ${first_shape[$name]} == "$expected" ]] ||
        e2e_fail "$name at its start has shape extents '${first_shape[$name]}', expected those of its first frame, $expected"
}
check_start Mallo $cursor_x $cursor_y
check_start Tibbet $cursor_x $cursor_y
check_start Quon $cursor_x $cursor_y
check_start Oswy "$(app_char Tibbet x)" "$(app_char Tibbet y)"

# Shaped windows, whatever frame they show by now: the figure lies within
# the 24-pixel-wide frame at the window's top-left corner.
for name in "${APP_NAMES[@]}"; do
    id=$(e2e_find_windows "^$name\$" | head -n 1)
    [[ -n $id ]] || e2e_fail "$name's window is not viewable"
    shape=$(e2e_shape "$id")
    [[ $shape =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || e2e_fail "$name has no shape ('$shape')"
    ((BASH_REMATCH[1] + BASH_REMATCH[3] <= 24 && BASH_REMATCH[2] + BASH_REMATCH[4] <= $(app_char "$name" frame))) ||
        e2e_fail "$name's shape $shape is not within its 24x$(app_char "$name" frame) frame"
done

# --- Following: each comes to rest within its dead zone (one step of slack).
# in_zone VALUE LOW HIGH SLACK
in_zone() { (($1 >= $2 - $4 && $1 <= $3 + $4)); }

# at_rest CX CY: true when all four stand within their zones of the cursor
# (Oswy of Tibbet) and have not moved for half a second.
at_rest() {
    local cx=$1 cy=$2 before after
    before=$(app_positions | sort)
    sleep 0.5
    after=$(app_positions | sort)
    [[ $before == "$after" ]] || return 1
    local -A p=()
    local name x y w h
    while read -r name x y w h; do p[$name]="$x $y"; done <<<"$after"
    ((${#p[@]} == 4)) || return 1
    read -r mx my <<<"${p[Mallo]}"
    read -r tx ty <<<"${p[Tibbet]}"
    read -r qx qy <<<"${p[Quon]}"
    read -r ox oy <<<"${p[Oswy]}"
    in_zone $((cx - mx)) 0 32 3 && in_zone $((cy - my)) 0 32 3 &&
        in_zone $((tx - cx)) -12 24 2 && in_zone $((ty - cy)) -12 24 2 &&
        in_zone $((qx - cx)) -24 48 4 && in_zone $((qy - cy)) -24 48 4 &&
        in_zone $((ox - tx)) -32 12 2 && in_zone $((oy - ty)) -32 12 2
}

if ! zimmo_wait_until 60 at_rest $cursor_x $cursor_y; then
    e2e_fail "the characters did not come to rest around the cursor at $cursor_x,$cursor_y: $(app_positions | tr '\n' ';')"
fi
shot=$(e2e_screenshot characters)
zimmo_say "at rest around $cursor_x,$cursor_y: $(app_positions | tr '\n' ';') ($shot)"

# --- Left click on Mallo runs Mallo's launch path and no other. Mallo
# rests above-left of the cursor and the others below-right of it, so
# Mallo's middle is free; the cursor moving there stays in Mallo's zone.
read -r _ mx my _ _ < <(app_positions | grep '^Mallo ')
e2e_pointer click $((mx + 12)) $((my + 12))
zimmo_wait_until 15 test -e "$E2E_DRIVE_C/marker1.txt" ||
    e2e_fail "a click on Mallo at $((mx + 12)),$((my + 12)) did not run C:\\marker1.bat"
for i in 2 3 4; do
    [[ ! -e $E2E_DRIVE_C/marker$i.txt ]] || e2e_fail "a click on Mallo ran character $i's launch path"
done

# --- Right click opens the one-item menu at the cursor.
[[ -z $(app_popups) ]] || e2e_fail "a popup is open before the right click"
e2e_pointer click $((mx + 12)) $((my + 12)) 3
app_wait_popup 10 || e2e_fail "a right click on Mallo opened no menu"
read -r _ px py pw ph <<<"$APP_POPUP"
# One item: a single row of text (a second item or a separator would make it
# taller than one row of the menu font).
((ph >= 12 && ph <= 30)) || e2e_fail "Mallo's menu is ${pw}x$ph: not one item high"
((px >= mx && px <= mx + 40 && py >= my && py <= my + 40)) ||
    e2e_fail "Mallo's menu opened at $px,$py, not at the cursor $((mx + 12)),$((my + 12))"
e2e_screenshot menu >/dev/null

# Choosing the item opens the settings window and stops all four.
e2e_pointer click $((px + pw / 2)) $((py + ph / 2))
zimmo_wait_until 10 app_has_settings_window || e2e_fail "the menu item opened no settings window"
app_wait_no_popup 5 || e2e_fail "the menu stayed open after its item was chosen"
stopped=$(app_positions | sort)
e2e_pointer move 900 600
sleep 1.5
[[ $(app_positions | sort) == "$stopped" ]] ||
    e2e_fail "characters moved while the settings window was open: $(app_positions | tr '\n' ';')"
e2e_screenshot settings-from-menu >/dev/null

# Closing it sets them walking again, towards the cursor where it now is.
app_close_settings
moving() { [[ $(app_positions | sort) != "$stopped" ]]; }
zimmo_wait_until 10 moving || e2e_fail "the characters did not walk again after the settings window closed"

e2e_running || e2e_fail "the program ended"
e2e_pass "start positions, shapes, rest in the dead zones, launch on click, one-item menu; screenshot $shot"
