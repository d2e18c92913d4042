#!/usr/bin/env bash
# CPU use of zimmo.exe under Wine in Xvfb: the CPU time (user + system, from
# /proc) of the program's Wine process and of the prefix's wineserver over
# 20 s while the four walk after a moving pointer, and over 20 s at rest, as
# a percentage of one core; and the program's handle, GDI and USER object
# counts before and after a minute of walking (a growing count is a leak).
#
#   bash bench/wine-cpu.sh [PATH/TO/zimmo.exe [BUILD_DIR]]
#
# Defaults: build/win64/zimmo.exe and build/win64. Environment:
# MEASURE_SECONDS (20), WALK_SECONDS (60, at least MEASURE_SECONDS).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../tests/e2e/lib.sh"
source "$here/../tests/e2e/lib_app.sh"

measure=${MEASURE_SECONDS:-20}
walk=${WALK_SECONDS:-60}
((walk >= measure)) || zimmo_die "WALK_SECONDS must be at least MEASURE_SECONDS"
exe=${1:-$ZIMMO_ROOT/build/win64/zimmo.exe}
build=${2:-$ZIMMO_ROOT/build/win64}

E2E_SCREEN=1280x800
e2e_init "$exe" "$build"
e2e_pointer move 640 400
e2e_start
for name in "${APP_NAMES[@]}"; do e2e_wait_window "^$name\$"; done

# prefix_pids: zimmo.exe's processes and the wineserver of this prefix.
prefix_pids() {
    local pid
    for pid in $(pgrep -f 'zimmo\.exe|wineserver' 2>/dev/null); do
        tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$E2E_PREFIX" && echo "$pid"
    done
    return 0
}

# cpu_ticks PID...: the sum of utime and stime in clock ticks. The fields
# are counted after the command name's closing parenthesis, which may hold
# blanks.
cpu_ticks() {
    local pid total=0 rest
    local -a f
    for pid in "$@"; do
        rest=$(cat "/proc/$pid/stat" 2>/dev/null) || continue
        read -r -a f <<<"${rest##*) }"
        total=$((total + f[11] + f[12]))
    done
    echo "$total"
}

# cpu_percent SECONDS: the CPU use of the prefix's processes over that time,
# as a percentage of one core, with one decimal.
cpu_percent() {
    local pids before after hz
    hz=$(getconf CLK_TCK)
    read -r -a pids <<<"$(prefix_pids | tr '\n' ' ')"
    ((${#pids[@]} >= 2)) || zimmo_die "found ${#pids[@]} of zimmo.exe's Wine processes and wineserver"
    before=$(cpu_ticks "${pids[@]}")
    local start_ns end_ns
    start_ns=$(date +%s%N)
    sleep "$1"
    after=$(cpu_ticks "${pids[@]}")
    end_ns=$(date +%s%N)
    # ticks / hz seconds of CPU over (end - start) ns, in tenths of a percent.
    local tenths=$(((after - before) * 1000 * 1000000000 / hz / (end_ns - start_ns)))
    printf '%d.%d' $((tenths / 10)) $((tenths % 10))
}

# handle_counts: "handles H, GDI G, USER U" of zimmo.exe, from a small
# Windows tool run in the same prefix; empty when it cannot be built.
counter_exe=""
if command -v x86_64-w64-mingw32-gcc-posix >/dev/null &&
    x86_64-w64-mingw32-gcc-posix -O2 -s -o "$E2E_DRIVE_C/handlecount.exe" \
        "$ZIMMO_ROOT/tests/e2e/handlecount.c" -luser32 2>/dev/null; then
    counter_exe='C:\handlecount.exe'
fi
handle_counts() {
    [[ -n $counter_exe ]] || { echo "n/a (no mingw gcc)"; return 0; }
    wine "$counter_exe" zimmo.exe 2>/dev/null | tr -d '\r' |
        awk '{ found = 1
               if ($2 + $3 + $4 == 0) print "n/a (Wine answers 0 for another process)"
               else printf "handles %s, GDI objects %s, USER objects %s\n", $2, $3, $4
               exit }
             END { if (!found) print "n/a (zimmo.exe not found)" }'
}

# The pointer goes round a rectangle larger than the characters' dead zones
# and faster than they walk, so all four keep walking.
walker() {
    while :; do
        for p in "200 150" "1050 150" "1050 650" "200 650"; do
            # shellcheck disable=SC2086
            e2e_pointer move $p
            sleep 2
        done
    done
}

sleep 2
counts_before=$(handle_counts)
walker &
walker_pid=$!
zimmo_on_exit "kill $walker_pid 2>/dev/null; wait $walker_pid 2>/dev/null"
sleep $((walk - measure))
walking=$(cpu_percent "$measure")
counts_after=$(handle_counts)
kill "$walker_pid" 2>/dev/null
wait "$walker_pid" 2>/dev/null || true

# At rest: the pointer still, and time for all four to arrive.
e2e_pointer move 640 400
sleep 15
resting=$(cpu_percent "$measure")

e2e_running || zimmo_die "zimmo.exe ended during the measurement"
printf 'CPU walking (%s s): %s %% of one core\n' "$measure" "$walking"
printf 'CPU at rest (%s s): %s %% of one core\n' "$measure" "$resting"
printf 'before %s s of walking: %s\n' "$walk" "$counts_before"
printf 'after  %s s of walking: %s\n' "$walk" "$counts_after"
