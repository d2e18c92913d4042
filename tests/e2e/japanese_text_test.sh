#!/usr/bin/env bash
# Japanese text is drawn as text, not as "missing glyph" boxes, on every
# surface the program shows it: a character's menu, the tool tips of the
# settings window, the tray menu, and the error box of a save that fails
# (message and caption). The tray icon has no tip of its own. Each surface
# is cropped from a screenshot and judged by lib_text.sh; the crops and the
# screenshots stay in the artifacts.
# Run it against a prefix without the Japanese font mapping to see it fail:
#   ZIMMO_WINE_PREFIX=/path/to/plain-prefix bash tests/e2e/japanese_text_test.sh build/win64/zimmo.exe build/win64
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_text.sh"

E2E_SCREEN=1280x800
e2e_init "$@"

# Only Oswy shows; with Tibbet hidden Oswy stands at its start, away from
# the tray icon.
ini=$E2E_APP_DIR/zimmo.ini
app_write_ini "$ini" '[Visible]' 'Char01=0' 'Char02=0' 'Char03=0' 'Char04=1'

e2e_start
e2e_wait_window '^Oswy$'
tray_shown() {
    local shot
    shot=$(e2e_screenshot started) && app_tray_icon_shown "$shot"
}
zimmo_wait_until "$E2E_TIMEOUT" tray_shown || e2e_fail "no tray icon within $E2E_TIMEOUT s"

# new_popup OLD_LIST: the first viewable unnamed window in the desktop, of
# any process, that is not in OLD_LIST, as "ID X Y W H".
unnamed_windows() {
    xwininfo -tree -id "$E2E_DESKTOP" 2>/dev/null | awk '/^ +0x[0-9a-f]+ \(has no name\)/ { print $1 }' |
        while read -r id; do app_viewable "$id" && printf '%s\n' "$id"; done
    return 0
}
wait_new_window() {
    local before=$1 deadline=$((SECONDS + ${2:-10})) id
    NEW_WINDOW=""
    while ((SECONDS < deadline)); do
        for id in $(unnamed_windows); do
            grep -qx "$id" <<<"$before" && continue
            read -r x y w h <<<"$(e2e_geometry "$id")"
            ((w > 8 && h > 8)) || continue
            NEW_WINDOW="$id $x $y $w $h"
            sleep 0.3   # let it draw
            return 0
        done
        sleep 0.2
    done
    return 1
}

# check_window WHAT MIN_PIECES: screenshot, then the text check of the new
# window's inside (3 pixels off each edge: no frame).
check_window() {
    local what=$1 min=$2 id x y w h shot
    read -r id x y w h <<<"$NEW_WINDOW"
    shot=$(e2e_screenshot "${what// /-}")
    text_check "$shot" $((x + 3)) $((y + 3)) $((w - 6)) $((h - 6)) "$min" "$what"
}

read -r tray_x tray_y <<<"$(app_tray_point)"

# --- Oswy's menu: its one item.
read -r _ ox oy _ _ < <(app_positions | grep '^Oswy ')
e2e_pointer move $((ox + 12)) $((oy + 14))
sleep 0.5
e2e_pointer click $((ox + 12)) $((oy + 14)) 3
app_wait_popup 10 || e2e_fail "a right click on Oswy opened no menu"
NEW_WINDOW=$APP_POPUP
check_window "character menu" 8
read -r _ px py pw ph <<<"$APP_POPUP"
e2e_pointer click $((px + pw / 2)) $((py + ph / 2))
zimmo_wait_until 10 app_has_settings_window || e2e_fail "the menu item opened no settings window"
read -r sx sy _ _ <<<"$(e2e_geometry "$APP_SETTINGS")"

# --- Tool tips: Oswy's launch path edit, then the close button.
for tip in "edit tool tip:104:274:8" "close tool tip:318:8:3"; do
    IFS=: read -r what dx dy min <<<"$tip"
    e2e_pointer move $((sx + 200)) $((sy + 320))
    sleep 0.5
    before=$(unnamed_windows)
    e2e_pointer move $((sx + dx + 8)) $((sy + dy + 6))
    e2e_pointer move $((sx + dx + 10)) $((sy + dy + 7))
    wait_new_window "$before" 10 || e2e_fail "no tool tip over the settings window at $dx,$dy"
    check_window "$what" "$min"
done

# --- The tray menu, while the settings window is open.
before=$(unnamed_windows)
deadline=$((SECONDS + E2E_TIMEOUT))
until e2e_pointer click "$tray_x" "$tray_y" 3 && app_wait_popup 3; do
    ((SECONDS < deadline)) || e2e_fail "a right click on the tray icon opened no menu"
done
# Off the menu, so that no item is lit.
read -r _ px py pw ph <<<"$APP_POPUP"
e2e_pointer move $((px - 30)) $((py + 10))
sleep 1
NEW_WINDOW=$APP_POPUP
check_window "tray menu" 20
# Its first item only brings the open settings window forward.
e2e_pointer click $((px + pw / 2)) $((py + 10))
app_wait_no_popup 5 || e2e_fail "the tray menu stayed open"

# --- The error box of a save that cannot write zimmo.ini: a folder has
# taken its name since start-up.
rm "$ini"
mkdir "$ini"
app_click_settings 324 10
box=""
box_up() {
    box=$(e2e_find_windows '^Launcher Zimmo!' | head -n 1)
    [[ -n $box ]]
}
zimmo_wait_until 10 box_up || e2e_fail "a save that cannot write zimmo.ini showed no error box"
sleep 0.5
read -r bx by bw bh <<<"$(e2e_geometry "$box")"
shot=$(e2e_screenshot "error-box")
# The message, right of the icon and above the OK button: the file's name
# and "に書き込めません" (8 characters).
text_check "$shot" $((bx + 50)) $((by + 30)) $((bw - 60)) $((bh - 75)) 8 "error box"
# Its caption, the program's title, left of the close button.
text_check "$shot" $((bx + 3)) $((by + 3)) $((bw - 30)) 16 16 "error box caption"
text_verdict
e2e_pass "Japanese text drawn as glyphs in the character menu, two tool tips, the tray menu and the error box with its caption"
