#!/usr/bin/env bash
# No trails: while the four characters walk after a moving pointer, the
# screen outside their four windows shows nothing but the desktop. A desktop
# that repaints late behind a moving window leaves old frames behind a
# walking character; a program that keeps the desktop busy leaves long
# trails in every screenshot.
#
#   bash tests/e2e/trails_test.sh PROGRAM.exe BUILD_DIR [REFERENCE.exe]
#
# With a reference (the bare Win32 program bench/walkref.cpp), both run in
# turn in one Wine desktop, the reference first: when even the reference's
# desktop cannot keep up (a machine busy with other work starves the
# desktop process), the run proves nothing and the test is skipped (status
# 77); otherwise the program must do as well. Without one, the program is
# judged alone. Of six shots taken during a walk, at least four must show
# nothing outside the four windows but their last few steps.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/lib_app.sh"

reference=${3:-}
E2E_SCREEN=1280x800
e2e_init "$1" "$2"
if [[ -n $reference ]]; then
    mkdir -p "$E2E_DRIVE_C/reference"
    cp "$reference" "$E2E_DRIVE_C/reference/zimmo.exe"
fi

width=${E2E_SCREEN%x*}
height=${E2E_SCREEN#*x}
taskbar=20    # the shell desktop's taskbar along the bottom edge
margin=40     # the last steps of a walk (about 10 ticks) and the walk between position read and shot
allowed=16    # stray pixels in a clean shot: anti-aliasing at most, never a frame
needed=4      # clean shots of six

# The pointer goes round a rectangle larger than the dead zones and faster
# than the characters walk, so all four keep walking.
walker() {
    while :; do
        for p in "200 150" "1050 150" "1050 650" "200 650"; do
            # shellcheck disable=SC2086
            e2e_pointer move $p
            sleep 1.5
        done
    done
}
walker_pid=""
stop_walker() {
    [[ -n $walker_pid ]] || return 0
    kill "$walker_pid" 2>/dev/null
    wait "$walker_pid" 2>/dev/null || true
    walker_pid=""
}
zimmo_on_exit stop_walker

# The desktop runs first, with a program that only waits in it (Wine ends a
# desktop whose last program has ended).
printf '#include <windows.h>\nint main(void) { Sleep(INFINITE); return 0; }\n' >"$E2E_TMP/keeper.c"
x86_64-w64-mingw32-gcc-posix -O2 -s -mwindows -o "$E2E_DRIVE_C/keeper.exe" "$E2E_TMP/keeper.c" ||
    zimmo_die "cannot build keeper.exe (x86_64-w64-mingw32-gcc-posix)"
(exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\keeper.exe' </dev/null >"$E2E_ARTIFACTS/wine.log" 2>&1) &
E2E_WINE_PID=$!
zimmo_wait_until "$E2E_TIMEOUT" _e2e_desktop_up || e2e_fail "the Wine desktop did not appear"
sleep 2

# The desktop's colour: the commonest one of a screenshot.
background=$(convert "$(e2e_screenshot desktop)" -format '%c' histogram:info:- |
    awk '$3 ~ /^#/ && $1 + 0 > best { best = $1 + 0; c = substr($3, 1, 7) } END { print c }')
[[ -n $background ]] || e2e_fail "cannot tell the desktop's colour"

four_windows() {
    local name
    for name in "${APP_NAMES[@]}"; do [[ -n $(e2e_find_windows "^$name\$") ]] || return 1; done
}

# walk WHICH: starts C:\WHICH\zimmo.exe in the desktop, lets it walk, takes
# six shots, ends it; sets CLEAN to the number of clean shots and DIRTY to
# the masked shots that are not.
walk() {
    local which=$1 shot file before after stray pid
    CLEAN=0
    DIRTY=()
    e2e_pointer move 640 400
    (cd "$E2E_DRIVE_C/$which" &&
        exec wine explorer "/desktop=shell,$E2E_SCREEN" "C:\\$which\\zimmo.exe" </dev/null >>"$E2E_ARTIFACTS/wine.log" 2>&1) &
    # (The launcher's own command line names the program too: wait for the
    # windows, not for the process.)
    zimmo_wait_until "$E2E_TIMEOUT" four_windows || e2e_fail "$which did not show its four windows"
    walker &
    walker_pid=$!
    # The desktop is busy for a few seconds while it takes the new windows.
    sleep 5
    for shot in 1 2 3 4 5 6; do
        sleep 1.3
        before=$(app_positions)
        file=$(e2e_screenshot "$which-$shot") || e2e_fail "no screenshot"
        after=$(app_positions)
        # Paint over the four windows (where they stood before and after the
        # shot) and the taskbar; whatever then differs from the desktop is a trail.
        local -a draw=(-fill "$background" -draw "rectangle 0,$((height - taskbar)) $((width - 1)),$((height - 1))")
        while read -r _ x y w h; do
            [[ -n $x ]] || continue
            draw+=(-draw "rectangle $((x - margin)),$((y - margin)) $((x + w + margin)),$((y + h + margin))")
        done <<<"$before"$'\n'"$after"
        stray=$(convert "$file" "${draw[@]}" -fuzz 6% -fill black -opaque "$background" \
            -fill white +opaque black -format '%[fx:int(mean*w*h+0.5)]' info:)
        zimmo_say "$which, shot $shot: $stray pixels outside the four windows differ from the desktop"
        if ((stray > allowed)); then
            convert "$file" "${draw[@]}" "$E2E_ARTIFACTS/$which-$shot-masked.png" 2>/dev/null || true
            DIRTY+=("$E2E_ARTIFACTS/$which-$shot-masked.png ($stray)")
        else
            CLEAN=$((CLEAN + 1))
        fi
    done
    stop_walker
    e2e_running || e2e_fail "$which ended during the walk"
    for pid in $(pgrep -f 'zimmo\.exe' 2>/dev/null); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$E2E_PREFIX" &&
            tr '\0' ' ' <"/proc/$pid/cmdline" | grep -qiF "C:\\$which\\zimmo.exe" && kill "$pid"
    done
    zimmo_wait_until 10 eval '! e2e_running' || e2e_fail "$which did not end"
    sleep 2
}

if [[ -n $reference ]]; then
    walk reference
    if ((CLEAN < needed)); then
        zimmo_say "SKIP: the desktop lagged behind even the bare reference ($CLEAN of six shots clean):" \
            "the machine is too busy for this test now"
        exit 77
    fi
    reference_clean=$CLEAN
fi
walk zimmo
((CLEAN >= needed)) ||
    e2e_fail "trails: only $CLEAN of six shots clean; old frames outside the four windows in ${DIRTY[*]}"
e2e_pass "$CLEAN of six shots during the walk show nothing but the desktop outside the four windows" \
    "${reference:+(the bare reference in the same desktop: $reference_clean)}"
