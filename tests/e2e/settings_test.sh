#!/usr/bin/env bash
# The settings window: opened by a double click on the tray icon; files
# dropped onto it become the selected character's launch path (the last of
# several, wherever on the window they land); its close button writes all
# eight settings; a character hidden in the file stays hidden after a
# restart, and the paths and flags written come back with it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
ini=$E2E_APP_DIR/zimmo.ini
app_write_ini "$ini" '[Visible]' 'Char03=0'

# wait_started: the characters of the file's flags show, Quon does not, and
# the tray icon is there (the last step of start-up).
wait_started() {
    local name shot
    for name in Mallo Tibbet Oswy; do e2e_wait_window "^$name\$"; done
    local deadline=$((SECONDS + E2E_TIMEOUT))
    until shot=$(e2e_screenshot tray) && app_tray_icon_shown "$shot"; do
        ((SECONDS < deadline)) || e2e_fail "no tray icon within $E2E_TIMEOUT s"
        sleep 0.3
    done
    [[ -z $(e2e_find_windows '^Quon$') ]] || e2e_fail "Quon shows although its flag in the settings file is 0"
}

e2e_start
wait_started

# --- A double click on the tray icon opens the settings window (Mallo
# selected), with no taskbar button for it either.
app_open_settings_by_tray
read -r sx sy sw sh <<<"$(e2e_geometry "$APP_SETTINGS")"
[[ "$sw $sh" == "350 350" ]] || e2e_fail "the settings window is ${sw}x$sh, expected 350x350"
sleep 0.5
shot=$(e2e_screenshot settings)
taskbar_y=$((${E2E_SCREEN#*x} - 18))
(($(app_colours 60 "$taskbar_y" 1100 16 "$shot") == 1)) ||
    e2e_fail "the taskbar shows a button while the settings window is open ($shot)"

# --- Three files dropped at once over Quon's edit (Mallo is selected): the
# third becomes Mallo's path; the edit under the cursor plays no part.
drop=$E2E_TMP/drop
mkdir -p "$drop"
touch "$drop/first.txt" "$drop/second file.txt" "$drop/third tool.bat"
quon_edit_x=$((sx + 104 + 116)) quon_edit_y=$((sy + 202 + 9))
rc=0
e2e_drop "$quon_edit_x" "$quon_edit_y" "$drop/first.txt" "$drop/second file.txt" "$drop/third tool.bat" || rc=$?
((rc == 0)) || e2e_fail "the settings window did not accept the drop at $quon_edit_x,$quon_edit_y (xdrop status $rc)"
third='Z:'${drop//\//\\}'\third tool.bat'
sleep 0.5
e2e_screenshot dropped >/dev/null

# --- The close button writes the eight values.
# check_saved MALLO_PATH: the file holds every flag (Quon's 0) and path.
check_saved() {
    app_expect_ini "$ini" Visible Char01 1
    app_expect_ini "$ini" Visible Char02 1
    app_expect_ini "$ini" Visible Char03 0
    app_expect_ini "$ini" Visible Char04 1
    app_expect_ini "$ini" Execute Char01 "$1"
    app_expect_ini "$ini" Execute Char02 ''
    app_expect_ini "$ini" Execute Char03 ''
    app_expect_ini "$ini" Execute Char04 ''
}
app_close_settings
check_saved "$third"
cp "$ini" "$E2E_ARTIFACTS/zimmo-first-save.ini"

# --- After a restart Quon is still hidden; closing the settings window
# again writes back what the start loaded: the flags and the dropped path.
app_restart
wait_started
app_open_settings_by_tray
e2e_screenshot settings-after-restart >/dev/null
app_close_settings
check_saved "$third"
[[ -z $(e2e_find_windows '^Quon$') ]] || e2e_fail "Quon showed after the settings window closed"

e2e_running || e2e_fail "the program ended"
e2e_pass "settings window from the tray, drop of three files, save on close, hidden Quon across a restart; screenshot $shot"
