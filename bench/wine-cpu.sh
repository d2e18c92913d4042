#!/usr/bin/env bash
# zimmo.exe against the bare Win32 reference (bench/walkref.cpp), in turn in
# one Wine "shell" desktop on the same XTest pointer path. For each launch:
#   start-up   ms from the program's process appearing (Wine's loader done)
#              until its four character windows are shown; in brackets from
#              running `wine explorer /desktop=...` (tools/xtest/xstartup)
#   memory     resident set of the program's process 3 s after start-up
#   walking    CPU (user + system, from /proc) over MEASURE_SECONDS while the
#              four walk after a pointer going round a rectangle
#   at rest    the same with the pointer still and the four arrived
# CPU is given for the program's own process and for all processes of the
# prefix (wineserver, the desktop's explorer.exe and the rest), as a
# percentage of one core. Absolute figures are noisy on a shared machine:
# the ratios to the reference measured in the same run are what counts.
#
#   bash bench/wine-cpu.sh [ZIMMO_EXE [REFERENCE_EXE [BUILD_DIR]]]
#
# Defaults: build/win64/zimmo.exe, build/win64/walkref.exe, build/win64.
# Environment: MEASURE_SECONDS (20), ROUNDS (2; each round launches zimmo.exe
# and then the reference once), COUNTS (1: also print zimmo.exe's handle,
# GDI and USER object counts before and after its walk; 0 skips them).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../tests/e2e/lib.sh"
source "$here/../tests/e2e/lib_app.sh"

measure=${MEASURE_SECONDS:-20}
rounds=${ROUNDS:-2}
want_counts=${COUNTS:-1}
exe=${1:-$ZIMMO_ROOT/build/win64/zimmo.exe}
reference=${2:-$ZIMMO_ROOT/build/win64/walkref.exe}
build=${3:-$ZIMMO_ROOT/build/win64}
[[ -f $reference ]] || zimmo_die "no reference at $reference (cmake --build --preset win64 --target walkref)"

E2E_SCREEN=1280x800
e2e_init "$exe" "$build"
# Both run as zimmo.exe from folders of their own, so that the harness finds
# either; the folder tells them apart.
mkdir -p "$E2E_DRIVE_C/reference"
cp "$reference" "$E2E_DRIVE_C/reference/zimmo.exe"
declare -A WIN_PATH=([zimmo]='C:\zimmo\zimmo.exe' [reference]='C:\reference\zimmo.exe')
declare -A UNIX_DIR=([zimmo]=$E2E_APP_DIR [reference]=$E2E_DRIVE_C/reference)

# prefix_pids: every process of this prefix.
prefix_pids() {
    local dir pid
    for dir in /proc/[0-9]*; do
        pid=${dir#/proc/}
        tr '\0' '\n' 2>/dev/null <"$dir/environ" | grep -qxF "WINEPREFIX=$E2E_PREFIX" && echo "$pid"
    done
    return 0
}

# program_pid WHICH: the process of C:\WHICH\zimmo.exe in this prefix: the
# one whose command line begins with that path (the launcher's names it too).
program_pid() {
    local pid line
    for pid in $(prefix_pids); do
        line=$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline") || continue
        [[ ${line,,} == "${WIN_PATH[$1],,}"* ]] && { echo "$pid"; return 0; }
    done
    return 0
}

# cpu_ticks PID...: the sum of utime and stime in clock ticks. The fields are
# counted after the command name's closing parenthesis, which may hold blanks.
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

# percent TICKS NANOSECONDS: CPU as a percentage of one core, one decimal.
percent() {
    local tenths=$(($1 * 1000 * 1000000000 / $(getconf CLK_TCK) / $2))
    printf '%d.%d' $((tenths / 10)) $((tenths % 10))
}

# cpu_over SECONDS PID: "PROGRAM_PERCENT ALL_PERCENT" over that time.
cpu_over() {
    local -a all
    read -r -a all <<<"$(prefix_pids | tr '\n' ' ')"
    local own_before all_before own_after all_after start_ns end_ns
    own_before=$(cpu_ticks "$2")
    all_before=$(cpu_ticks "${all[@]}")
    start_ns=$(date +%s%N)
    sleep "$1"
    own_after=$(cpu_ticks "$2")
    all_after=$(cpu_ticks "${all[@]}")
    end_ns=$(date +%s%N)
    echo "$(percent $((own_after - own_before)) $((end_ns - start_ns))) $(percent $((all_after - all_before)) $((end_ns - start_ns)))"
}

# handle_counts: "handles H, GDI G, USER U" of the running zimmo.exe, from a
# small Windows tool run in the same prefix.
counter_exe=""
if ((want_counts)) && command -v x86_64-w64-mingw32-gcc-posix >/dev/null &&
    x86_64-w64-mingw32-gcc-posix -O2 -s -o "$E2E_DRIVE_C/handlecount.exe" \
        "$ZIMMO_ROOT/tests/e2e/handlecount.c" -luser32 2>/dev/null; then
    counter_exe='C:\handlecount.exe'
fi
handle_counts() {
    [[ -n $counter_exe ]] || { echo "n/a"; return 0; }
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
walker_pid=""
stop_walker() {
    [[ -n $walker_pid ]] || return 0
    kill "$walker_pid" 2>/dev/null
    wait "$walker_pid" 2>/dev/null || true
    walker_pid=""
}
zimmo_on_exit stop_walker

# The desktop runs first, with a program that only waits in it: Wine ends a
# desktop whose last program has ended, and every launch here is to be one
# into a running desktop.
command -v x86_64-w64-mingw32-gcc-posix >/dev/null || zimmo_die "x86_64-w64-mingw32-gcc-posix is missing"
printf '#include <windows.h>\nint main(void) { Sleep(INFINITE); return 0; }\n' >"$E2E_TMP/keeper.c"
x86_64-w64-mingw32-gcc-posix -O2 -s -mwindows -o "$E2E_DRIVE_C/keeper.exe" "$E2E_TMP/keeper.c" || zimmo_die "cannot build keeper.exe"
(exec wine explorer "/desktop=shell,$E2E_SCREEN" 'C:\keeper.exe' </dev/null >"$E2E_ARTIFACTS/wine.log" 2>&1) &
E2E_WINE_PID=$!
zimmo_wait_until "$E2E_TIMEOUT" _e2e_desktop_up || zimmo_die "the Wine desktop did not appear"
sleep 2

declare -A results=()
# run_one WHICH ROUND: launches, measures and ends one program.
run_one() {
    local which=$1 round=$2 launch ms pid rss walking resting counts_before="" counts_after=""
    e2e_pointer move 640 400
    (cd "${UNIX_DIR[$which]}" &&
        exec "$E2E_TOOLS/xstartup" "${WIN_PATH[$which]}" 30000 Mallo Tibbet Quon Oswy -- \
            wine explorer "/desktop=shell,$E2E_SCREEN" "${WIN_PATH[$which]}" \
            </dev/null >"$E2E_TMP/startup" 2>>"$E2E_ARTIFACTS/wine.log") ||
        zimmo_die "$which: the four windows did not show"
    read -r launch ms <"$E2E_TMP/startup"
    sleep 3
    pid=$(program_pid "$which")
    [[ -n $pid ]] || zimmo_die "$which: no process found"
    rss=$(awk '/^VmRSS:/ { printf "%.1f", $2 / 1024 }' "/proc/$pid/status")
    [[ $which == zimmo && -n $counter_exe ]] && counts_before=$(handle_counts)
    walker &
    walker_pid=$!
    sleep 5
    walking=$(cpu_over "$measure" "$pid")
    [[ $which == zimmo && -n $counter_exe ]] && counts_after=$(handle_counts)
    stop_walker
    e2e_pointer move 640 400
    sleep 10
    resting=$(cpu_over "$measure" "$pid")
    [[ -d /proc/$pid ]] || zimmo_die "$which ended during the measurement"
    kill "$pid"
    zimmo_wait_until 10 eval "[[ ! -d /proc/$pid ]]" || zimmo_die "$which did not end"
    sleep 2
    results[$which,$round]="$ms $rss $walking $resting"
    printf '%-9s round %d: start-up %4s ms (%4s ms from launch), resident %5s MB, walking %5s %% (all %5s %%), at rest %5s %% (all %5s %%)\n' \
        "$which" "$round" "$ms" "$launch" "$rss" ${walking} ${resting}
    if [[ -n $counts_before ]]; then
        printf '          objects before the walk: %s; after: %s\n' "$counts_before" "$counts_after"
    fi
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "n/a" }'; }

printf 'load before: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
for ((r = 1; r <= rounds; ++r)); do
    run_one zimmo "$r"
    run_one reference "$r"
done
printf 'load after:  %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"

echo "zimmo.exe / reference, all processes of the prefix, per round:"
for ((r = 1; r <= rounds; ++r)); do
    read -r zms zrss _ zwalk _ zrest <<<"${results[zimmo,$r]}"
    read -r rms rrss _ rwalk _ rrest <<<"${results[reference,$r]}"
    printf '  round %d: walking %s, at rest %s, start-up %+d ms, resident %+.1f MB\n' "$r" \
        "$(ratio "$zwalk" "$rwalk")" "$(ratio "$zrest" "$rrest")" $((zms - rms)) \
        "$(awk -v a="$zrss" -v b="$rrss" 'BEGIN { print a - b }')"
done
