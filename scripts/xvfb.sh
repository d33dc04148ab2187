# Sourced, not run: start_xvfb WORK [SIZE] [LOG] starts Xvfb on whichever
# display number is free, with one screen of SIZE (default 1024x768) pixels,
# points DISPLAY at it, gives Qt a runtime folder inside WORK and leaves the
# platform to X. The server's process id is in XVFB_PID, for the caller to end.
start_xvfb() {
    local work="$1" size="${2:-1024x768}" log="${3:-/dev/null}"
    exec 3<> "$work/displayfd"
    # -noreset: without it the server resets when its last client leaves, and
    # a program started during that reset cannot connect.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset >"$log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n1 "$work/displayfd")"
    export XDG_RUNTIME_DIR="$work/runtime"
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    unset QT_QPA_PLATFORM
}
