#!/usr/bin/env bash
# The tray: the program shows an icon in the notification area and no
# taskbar button (against a program that has one, so the check can see
# buttons); the tray menu's last command ends the program, removes the icon
# and leaves the settings file exactly as it was.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
screen_w=${E2E_SCREEN%x*} screen_h=${E2E_SCREEN#*x}
bar_y=$((screen_h - 18))

# A hand-edited file the program must not rewrite: other letter cases, a
# comment, a key it does not know, no final line end.
ini=$E2E_APP_DIR/zimmo.ini
printf '; kept as written\r\n[visible]\r\nchar02=0x10\r\nOther=x\r\n\r\n[EXECUTE]\r\nChar04=C:\\none.bat' >"$ini"
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
app_wait_characters
e2e_running || e2e_fail "zimmo.exe is not running"

tray_shown() {
    local shot
    shot=$(e2e_screenshot running) && app_tray_icon_shown "$shot"
}
zimmo_wait_until "$E2E_TIMEOUT" tray_shown || e2e_fail "no tray icon within $E2E_TIMEOUT s"
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
