#!/usr/bin/env bash
# The tray icon comes back when the taskbar is made anew. tray_helper.exe
# (tests/e2e/tools, built with the program) deletes the program's icon with
# the real Shell_NotifyIcon behind its back, as a restarted Explorer would
# have lost it, then broadcasts "TaskbarCreated" as the new taskbar does.
# The icon must be back, the same picture in the same place, held by the
# notification area for the same window, and its menu must still work.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
helper=$E2E_BUILD/tests/e2e-tools/tray_helper.exe
[[ -f $helper ]] || e2e_fail "no $helper: build the win64 preset"
cp "$helper" "$E2E_DRIVE_C/tray_helper.exe"
# Only Oswy shows, standing still away from the icon.
app_write_ini "$E2E_APP_DIR/zimmo.ini" '[Visible]' 'Char01=0' 'Char02=0' 'Char03=0' 'Char04=1'

# helper ARGUMENTS...: runs tray_helper.exe in the program's desktop and
# prints the line it reports.
helper() {
    local report=$E2E_DRIVE_C/tray-report.txt
    rm -f "$report"
    (cd "$E2E_DRIVE_C" && exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\tray_helper.exe' "$@" 'C:\tray-report.txt' \
        </dev/null >>"$E2E_ARTIFACTS/helper.log" 2>&1) || true
    zimmo_wait_until 20 test -s "$report" || e2e_fail "tray_helper $* reported nothing"
    tr -d '\r' <"$report"
}

icon_crop() {
    local w=${E2E_SCREEN%x*} h=${E2E_SCREEN#*x}
    convert "$1" -crop "18x16+$((w - 22))+$((h - 18))" +repage "$2"
}
tray_shown() {
    local shot
    shot=$(e2e_screenshot "$1") && app_tray_icon_shown "$shot"
}

e2e_start
e2e_wait_window '^Oswy$'
zimmo_wait_until "$E2E_TIMEOUT" tray_shown before || e2e_fail "no tray icon within $E2E_TIMEOUT s"
icon_crop "$E2E_ARTIFACTS/before.png" "$E2E_ARTIFACTS/icon-before.png"

held=$(helper shown zimmo.exe 1)
[[ $held == shown\ * ]] || e2e_fail "the notification area does not hold the program's icon 1 ($held)"
window=${held#shown }

removed=$(helper remove zimmo.exe 1)
[[ $removed == "removed $window" ]] || e2e_fail "removing the icon behind the program's back: $removed"
zimmo_wait_until 10 eval '! tray_shown removed' || e2e_fail "the icon still shows after NIM_DELETE"
[[ $(helper shown zimmo.exe 1) == none ]] || e2e_fail "the notification area still holds the icon after NIM_DELETE"
e2e_running || e2e_fail "the program ended when its icon was removed"

[[ $(helper broadcast) == sent ]] || e2e_fail "could not broadcast TaskbarCreated"
zimmo_wait_until 10 tray_shown after || e2e_fail "the icon did not come back after TaskbarCreated"
[[ $(helper shown zimmo.exe 1) == "shown $window" ]] || e2e_fail "the notification area does not hold the icon again"
icon_crop "$E2E_ARTIFACTS/after.png" "$E2E_ARTIFACTS/icon-after.png"
diff=$(compare -metric AE "$E2E_ARTIFACTS/icon-before.png" "$E2E_ARTIFACTS/icon-after.png" null: 2>&1) || true
[[ $diff == 0 ]] || e2e_fail "the icon came back with another picture ($diff pixels differ)"

# The icon that came back answers the mouse: its menu's last item ends the
# program.
read -r tray_x tray_y <<<"$(app_tray_point)"
deadline=$((SECONDS + E2E_TIMEOUT))
until e2e_pointer click "$tray_x" "$tray_y" 3 && app_wait_popup 3; do
    ((SECONDS < deadline)) || e2e_fail "a right click on the icon that came back opened no menu"
done
read -r _ px py pw ph <<<"$APP_POPUP"
e2e_pointer click $((px + pw / 2)) $((py + ph - 10))
app_wait_ended "$E2E_TIMEOUT" || e2e_fail "the menu of the icon that came back did not end the program"
e2e_pass "the icon deleted behind the program's back came back on TaskbarCreated, same window, same picture, menu working"
