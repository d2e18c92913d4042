#!/usr/bin/env bash
# The program starts under Wine, shows a shaped top-level window (a
# character) and keeps running.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "$@"
e2e_start

shaped=""
deadline=$((SECONDS + E2E_TIMEOUT))
while [[ -z $shaped ]]; do
    for id in $(e2e_toplevels); do
        if e2e_is_shaped "$id"; then
            shaped=$id
            break
        fi
    done
    [[ -n $shaped ]] && break
    e2e_running || e2e_fail "the program ended without showing a shaped window"
    ((SECONDS < deadline)) || e2e_fail "no shaped top-level window within $E2E_TIMEOUT s"
    sleep 0.2
done

# A window that shows and then the program dies is no pass.
sleep 1
e2e_running || e2e_fail "the program ended after showing its window"

shot=$(e2e_screenshot smoke)
e2e_pass "window $shaped '$(e2e_name "$shaped")' at $(e2e_geometry "$shaped") has shape $(e2e_shape "$shaped"); screenshot $shot"
