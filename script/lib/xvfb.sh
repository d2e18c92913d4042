# An X server for Wine when there is no screen: xvfb_start starts Xvfb on a
# display number the server picks itself (-displayfd, so parallel runs never
# race for one), waits until it answers, exports DISPLAY and stops the server
# when the script exits. Needs common.sh.

# display_works: true when $DISPLAY names a server that answers.
display_works() {
    [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1
}

# xvfb_start [WIDTHxHEIGHTxDEPTH]: sets XVFB_PID and DISPLAY.
xvfb_start() {
    local screen=${1:-1280x800x24} numfile number=""
    command -v Xvfb >/dev/null || zimmo_die "Xvfb is not installed (script/install-deps)"
    numfile=$(mktemp)
    # No TCP, and no reset when the last client leaves: Wine programs come
    # and go, and a client connecting during a reset would fail.
    Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 "$screen" 3>"$numfile" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    zimmo_on_exit "xvfb_stop $XVFB_PID"
    local deadline=$((SECONDS + 15))
    while :; do
        number=$(tr -dc '0-9' <"$numfile")
        [[ -n $number ]] && break
        kill -0 "$XVFB_PID" 2>/dev/null || { rm -f "$numfile"; zimmo_die "Xvfb did not start"; }
        ((SECONDS < deadline)) || { rm -f "$numfile"; zimmo_die "Xvfb chose no display within 15 s"; }
        sleep 0.05
    done
    rm -f "$numfile"
    export DISPLAY=":$number"
    zimmo_wait_until 15 display_works || zimmo_die "Xvfb on $DISPLAY does not answer"
}

# xvfb_stop PID: ends that server and waits for it.
xvfb_stop() {
    kill "$1" 2>/dev/null && wait "$1" 2>/dev/null
    return 0
}

# display_size: prints WIDTHxHEIGHT of screen 0 of $DISPLAY.
display_size() {
    # awk reads to the end: an early exit would kill xdpyinfo with SIGPIPE.
    xdpyinfo | awk '/dimensions:/ && !done { print $2; done = 1 }'
}
