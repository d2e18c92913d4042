# Shared by the scripts in script/ and tests/e2e/: the repository root,
# messages, and one EXIT trap that runs every registered clean-up step
# (the last one registered runs first), so each library can add its own.
# Source it; do not run it.

ZIMMO_ROOT=${ZIMMO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}

zimmo_say() { printf '%s\n' "$*" >&2; }
zimmo_die() { printf 'error: %s\n' "$*" >&2; exit 1; }

_zimmo_cleanups=()

# zimmo_on_exit COMMAND: runs COMMAND (eval'd) when the script exits.
zimmo_on_exit() { _zimmo_cleanups+=("$1"); }

_zimmo_run_cleanups() {
    local rc=$? i
    set +e
    for ((i = ${#_zimmo_cleanups[@]} - 1; i >= 0; i--)); do
        eval "${_zimmo_cleanups[i]}"
    done
    _zimmo_cleanups=()
    return "$rc"
}
trap _zimmo_run_cleanups EXIT
# A signal becomes an ordinary exit so the EXIT trap cleans up.
trap 'exit 130' INT
trap 'exit 143' TERM

# zimmo_wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s until it
# succeeds; false when SECONDS pass first.
zimmo_wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}
