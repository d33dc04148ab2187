# Sourced, not run: start_xvfb WORK [SIZE] [LOG] starts Xvfb on whichever
# display number is free, with one screen of SIZE (default 1024x768) pixels,
# waits until the display answers, points DISPLAY at it, gives Qt a runtime
# folder inside WORK and leaves the platform to X. The server's process id is
# in XVFB_PID, for the caller to end. Returns non-zero, saying why, when no
# display answers within ten seconds.
start_xvfb() {
    local work="$1" size="${2:-1024x768}" log="${3:-/dev/null}" display=""
    # The server writes its display number to descriptor 3, which only it holds:
    # the caller's shell and the children it starts later never see it.
    # -noreset: without it the server resets when its last client leaves, and
    # a program started during that reset cannot connect.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset >"$log" 2>&1 \
        3>"$work/displayfd" &
    XVFB_PID=$!
    for _ in $(seq 100); do
        display="$(head -n1 "$work/displayfd" 2>/dev/null)"
        if [ -n "$display" ] && xdpyinfo -display ":$display" >/dev/null 2>&1; then
            export DISPLAY=":$display"
            export XDG_RUNTIME_DIR="$work/runtime"
            mkdir -p -m 700 "$XDG_RUNTIME_DIR"
            unset QT_QPA_PLATFORM
            return 0
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    [ "$log" = /dev/null ] && log="" # nothing to point to
    echo "FAIL: Xvfb gave no display that answers${display:+ (it named :$display)}${log:+; see $log}" >&2
    kill "$XVFB_PID" 2>/dev/null || true
    return 1
}
