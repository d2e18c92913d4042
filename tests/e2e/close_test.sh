#!/usr/bin/env bash
# Closing by the system (Alt+F4): a character other than Mallo stays; the
# settings window refuses with no character ticked and otherwise closes as
# its close button does, writing zimmo.ini and setting the characters
# walking again; Mallo ends the program, as the tray menu's exit does,
# without writing the file.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
ini=$E2E_APP_DIR/zimmo.ini

e2e_start
for name in "${APP_NAMES[@]}"; do e2e_wait_window "^$name\$"; done
# The tray icon is the last thing start-up brings up.
tray_shown() {
    local shot
    shot=$(e2e_screenshot tray) && app_tray_icon_shown "$shot"
}
zimmo_wait_until "$E2E_TIMEOUT" tray_shown || e2e_fail "no tray icon within $E2E_TIMEOUT s"

# settled: no character has moved for half a second.
settled() {
    local before
    before=$(app_positions | sort)
    sleep 0.5
    [[ $(app_positions | sort) == "$before" ]]
}

# alt_f4_on NAME: clicks the middle of the character's frame (which gives it
# the focus; its launch path is empty, so the click only beeps) and presses
# Alt+F4.
alt_f4_on() {
    local x y
    read -r _ x y _ _ < <(app_positions | grep "^$1 ")
    e2e_pointer click $((x + 12)) $((y + 12))
    sleep 0.3
    xdotool key alt+F4
    sleep 1
}

# shown_count: how many characters are shown.
shown_count() {
    local n=0 name
    for name in "${APP_NAMES[@]}"; do [[ -n $(e2e_find_windows "^$name\$") ]] && n=$((n + 1)); done
    echo $n
}
none_shown() { (($(shown_count) == 0)); }
mallo_shown() { [[ -n $(e2e_find_windows '^Mallo$') ]]; }

# --- The settings window with no character ticked refuses to close: its
# four check boxes (12,34 / 12,106 / 12,177 / 12,249) cleared, Alt+F4 leaves
# it open and writes nothing.
app_open_settings_by_tray
for y in 34 106 177 249; do
    app_click_settings 18 $((y + 6))
    sleep 0.3
done
zimmo_wait_until 5 none_shown || e2e_fail "unticking all four left $(shown_count) characters shown"
xdotool key alt+F4
sleep 1
app_has_settings_window || e2e_fail "Alt+F4 closed the settings window with no character ticked"
[[ ! -e $ini ]] || e2e_fail "Alt+F4 with no character ticked wrote $ini"
e2e_screenshot refused >/dev/null

# --- With Mallo and Tibbet ticked again, Alt+F4 closes it as the close
# button does: the file holds all eight values and the characters walk
# again.
app_click_settings 18 40
app_click_settings 18 112
zimmo_wait_until 5 mallo_shown || e2e_fail "ticking Mallo did not show it"
stopped=$(app_positions)
xdotool key alt+F4
zimmo_wait_until 10 app_no_settings_window || e2e_fail "Alt+F4 did not close the settings window"
[[ -e $ini ]] || e2e_fail "Alt+F4 closed the settings window without writing $ini"
for key in Char01:1 Char02:1 Char03:0 Char04:0; do app_expect_ini "$ini" Visible "${key%:*}" "${key#*:}"; done
for key in Char01 Char02 Char03 Char04; do app_expect_ini "$ini" Execute "$key" ''; done
e2e_pointer move 400 300
moving() { [[ $(app_positions) != "$stopped" ]]; }
zimmo_wait_until 10 moving || e2e_fail "Mallo did not walk again after Alt+F4 closed the settings window"
shot=$(e2e_screenshot walking-again)

# --- Tibbet is not closed by the system.
zimmo_wait_until 60 settled || e2e_fail "the characters did not come to rest: $(app_positions | tr '\n' ';')"
alt_f4_on Tibbet
[[ -n $(e2e_find_windows '^Tibbet$') ]] || e2e_fail "Alt+F4 on Tibbet closed (hid) it"
e2e_running || e2e_fail "Alt+F4 on Tibbet ended the program"

# --- Alt+F4 on Mallo ends the program and writes nothing.
zimmo_wait_until 60 settled || e2e_fail "the characters did not come to rest: $(app_positions | tr '\n' ';')"
cp "$ini" "$E2E_TMP/before.ini"
alt_f4_on Mallo
app_wait_ended 15 || e2e_fail "Alt+F4 on Mallo did not end the program"
cmp -s "$ini" "$E2E_TMP/before.ini" || e2e_fail "ending the program by Alt+F4 on Mallo changed $ini"

e2e_pass "Alt+F4 leaves Tibbet, is refused by the settings window with nothing ticked, saves and restarts the walk otherwise, and ends the program on Mallo; screenshot $shot"
