#!/usr/bin/env bash
# The program never has a taskbar button: a watcher started in the Wine
# shell desktop before the program lists every button that appears on the
# taskbar, however briefly, through the program's start-up and the seconds
# after; there must be none. A screenshot of the running program shows the
# taskbar empty and the tray icon.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib_app.sh"

E2E_SCREEN=1280x800
e2e_init "$@"
command -v x86_64-w64-mingw32-gcc-posix >/dev/null || zimmo_die "x86_64-w64-mingw32-gcc-posix is missing"
x86_64-w64-mingw32-gcc-posix -O2 -s -o "$E2E_DRIVE_C/taskbarwatch.exe" "$ZIMMO_ROOT/tests/e2e/taskbarwatch.c" -luser32 ||
    zimmo_die "cannot build taskbarwatch.exe"
watch_log=$E2E_DRIVE_C/taskbarwatch.txt

# The desktop comes up with the watcher in it; then the program starts.
(cd "$E2E_DRIVE_C" &&
    exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\taskbarwatch.exe' 12000 'C:\taskbarwatch.txt' \
        </dev/null >"$E2E_ARTIFACTS/wine.log" 2>&1) &
E2E_WINE_PID=$!
zimmo_wait_until "$E2E_TIMEOUT" grep -q '^watching' "$watch_log" 2>/dev/null ||
    e2e_fail "the taskbar watcher did not start: $(cat "$watch_log" 2>/dev/null)"
(cd "$E2E_APP_DIR" &&
    exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\zimmo\zimmo.exe' </dev/null >>"$E2E_ARTIFACTS/wine.log" 2>&1) &
zimmo_wait_until "$E2E_TIMEOUT" _e2e_desktop_up || e2e_fail "no Wine desktop"
# The launcher's command line names the program too: wait for the windows.
four_windows() {
    local name
    for name in "${APP_NAMES[@]}"; do [[ -n $(e2e_find_windows "^$name\$") ]] || return 1; done
}
zimmo_wait_until "$E2E_TIMEOUT" four_windows || e2e_fail "the four characters did not show"
zimmo_wait_until 30 grep -q '^done' "$watch_log" || e2e_fail "the taskbar watcher did not finish"
cp "$watch_log" "$E2E_ARTIFACTS/"
if grep -q '^button:' "$watch_log"; then
    e2e_fail "the taskbar showed a button of the program: $(grep '^button:' "$watch_log" | tr '\n' ' ')"
fi

shot=$(e2e_screenshot running)
app_tray_icon_shown "$shot" || e2e_fail "no tray icon: $shot"
width=${E2E_SCREEN%x*}
height=${E2E_SCREEN#*x}
(($(convert "$shot" -crop "$((width - 160))x16+80+$((height - 18))" +repage -format '%k' info:) == 1)) ||
    e2e_fail "the taskbar is not empty: $shot"
e2e_pass "no taskbar button through start-up and after; the tray icon shows"
