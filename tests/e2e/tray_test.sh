#!/usr/bin/env bash
# The tray: the program shows an icon in the notification area and no
# taskbar button (against a program that has one, so the check can see
# buttons), also with three characters hidden by a hand-edited settings file
# (Oswy, left alone, stands still while Tibbet is hidden); the tray menu's
# last command ends the program, removes the icon and leaves the file
# exactly as it was.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
screen_w=${E2E_SCREEN%x*} screen_h=${E2E_SCREEN#*x}
bar_y=$((screen_h - 18))

# A hand-edited file the program must not rewrite: other letter cases, a
# hexadecimal flag, a comment, a key it does not know, no final line end.
# Only Oswy shows; with Tibbet hidden Oswy stands still at its start, away
# from the tray icon, so nothing the pointer draws along covers the icon.
ini=$E2E_APP_DIR/zimmo.ini
printf '; kept as written\r\n[visible]\r\nchar01=0\r\nCHAR02=0x0\r\nChar03=0\r\nOther=x\r\n\r\n[EXECUTE]\r\nChar04=C:\\none.bat' >"$ini"
cp "$ini" "$E2E_TMP/zimmo.ini.orig"

# Notepad first, in the same desktop: its taskbar button proves that the
# crop below sees buttons, and it keeps the desktop up after zimmo.exe ends.
(cd "$E2E_TMP" && exec wine explorer "/desktop=shell,$E2E_SCREEN" notepad </dev/null >"$E2E_ARTIFACTS/notepad.log" 2>&1) &
notepad_pid=$!
# Clean-ups run last registered first: end the prefix before waiting.
zimmo_on_exit "e2e_stop; wait $notepad_pid 2>/dev/null"
notepad_shown() { [[ -n $(e2e_find_windows '^Untitled - Notepad$') ]]; }
zimmo_wait_until "$E2E_TIMEOUT" notepad_shown || e2e_fail "notepad did not start"
notepad_button() {
    local shot
    shot=$(e2e_screenshot notepad) && (($(app_colours 60 "$bar_y" 160 16 "$shot") > 1))
}
zimmo_wait_until "$E2E_TIMEOUT" notepad_button || e2e_fail "notepad got no taskbar button within $E2E_TIMEOUT s"

e2e_start
# Joining a desktop that runs already, the launching process ends while the
# program is still on its way: wait for its window, not for the process.
oswy_shown() { [[ -n $(e2e_find_windows '^Oswy$') ]]; }
zimmo_wait_until "$E2E_TIMEOUT" oswy_shown || e2e_fail "Oswy did not show within $E2E_TIMEOUT s"
e2e_running || e2e_fail "zimmo.exe is not running"

tray_shown() {
    local shot
    shot=$(e2e_screenshot running) && app_tray_icon_shown "$shot"
}
zimmo_wait_until "$E2E_TIMEOUT" tray_shown || e2e_fail "no tray icon within $E2E_TIMEOUT s"
for name in Mallo Tibbet Quon; do
    [[ -z $(e2e_find_windows "^$name\$") ]] || e2e_fail "$name shows although its flag in the file is off"
done
# Tibbet hidden: Oswy has not taken a step nor changed its first frame.
read -r _ ox oy _ _ < <(app_positions | grep '^Oswy ')
[[ "$ox $oy" == "992 736" ]] || e2e_fail "Oswy walked to $ox,$oy while Tibbet was hidden"
oswy_shape=$(e2e_shape "$(e2e_find_windows '^Oswy$' | head -n 1)")
[[ $oswy_shape == "$(app_frame_extents Oswy 1)" ]] || e2e_fail "Oswy changed its frame to $oswy_shape while Tibbet was hidden"
# Taskbar buttons fill the bar from the left: past notepad's button the bar
# is one flat colour up to the notification area.
sleep 1
shot=$(e2e_screenshot running)
(($(app_colours 240 "$bar_y" $((screen_w - 320)) 16 "$shot") == 1)) ||
    e2e_fail "the taskbar shows a second button next to notepad's ($shot)"

# --- The tray menu: right button on the icon; its last item ends the program.
read -r tray_x tray_y <<<"$(app_tray_point)"
deadline=$((SECONDS + E2E_TIMEOUT))
until e2e_pointer click "$tray_x" "$tray_y" 3 && app_wait_popup 3; do
    ((SECONDS < deadline)) || e2e_fail "a right click on the tray icon opened no menu"
done
read -r _ px py pw ph <<<"$APP_POPUP"
# Three items and two separators: taller than three rows, and inside the
# screen above the taskbar's click point.
((ph > 50 && ph < 150)) || e2e_fail "the tray menu is ${pw}x$ph: not three items and two separators"
e2e_screenshot tray-menu >/dev/null
e2e_pointer click $((px + pw / 2)) $((py + ph - 10))
app_wait_ended "$E2E_TIMEOUT" || e2e_fail "the tray menu's last command did not end the program"

cmp -s "$ini" "$E2E_TMP/zimmo.ini.orig" ||
    e2e_fail "ending the program changed zimmo.ini: $(tr '\r' '|' <"$ini")"
icon_gone() {
    local shot
    shot=$(e2e_screenshot ended) && ! app_tray_icon_shown "$shot"
}
zimmo_wait_until 10 icon_gone || e2e_fail "the tray icon stayed after the program ended"
notepad_shown || e2e_fail "notepad went with the program"
e2e_pass "tray icon without a taskbar button; exit from the tray menu leaves zimmo.ini as it was"
