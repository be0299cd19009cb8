# Shared by the Xvfb tests: a private X server, screenshots as PPM, and
# waiting for a process to end. Source it, then call start_xvfb WxHxD
# [XVFB_OPTION...].
for tool in Xvfb xdotool xwd xdpyinfo /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
work=$(mktemp -d)
display=":$((90 + RANDOM % 400))"
xvfb=""
cleanup() {
    for pid in $(jobs -p); do kill "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() {
    Xvfb "$display" -screen 0 "$1" -nolisten tcp "${@:2}" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb did not start"
    exit 1
}

# open_window WIDTH HEIGHT: a plain window of the test's (by $plain_window),
# as a screensaver daemon gives a hack; sets `window` to its id.
open_window() {
    DISPLAY=$display "$plain_window" "$1" "$2" >"$work/window_id" &
    for _ in $(seq 100); do [ -s "$work/window_id" ] && break; sleep 0.05; done
    window=$(cat "$work/window_id")
    [ -n "$window" ] || { echo "the test's window did not appear"; exit 1; }
}

# shot WINDOW FILE.ppm: the window's pixels. ImageMagick reads a window of
# a DirectColor visual (SDL's choice for a plain window) through its colour
# map, where xwdtopnm does not.
shot() {
    DISPLAY=$display xwd -id "$1" -silent >"$work/shot.xwd" &&
        /usr/bin/convert "xwd:$work/shot.xwd" +set comment -depth 8 "ppm:$2" 2>/dev/null
}

# frame_of WINDOW: prints the frame of the headless run ($pictures, by
# $compare) that the window shows. A page the run shows at several frames
# names none, so the window is shot again until its page names one.
frame_of() {
    local output code
    for _ in $(seq 20); do
        shot "$1" "$work/frame.ppm" || return 1
        output=$("$compare" "$work/frame.ppm" "$pictures" 3000)
        code=$?
        echo "$output" >&2
        [ "$code" -eq 3 ] || break
        sleep 0.2
    done
    [ "$code" -eq 0 ] || return 1
    sed -n 's/^the screenshot is frame \([0-9]*\) .*/\1/p' <<<"$output"
}

# ends_within PID MILLISECONDS: waits for PID to end; prints its exit code
# and the time it took, and fails when it outlives the limit.
ends_within() {
    local pid=$1 limit=$2 start elapsed code
    start=$(date +%s%N)
    for _ in $(seq 400); do kill -0 "$pid" 2>/dev/null || break; sleep 0.005; done
    elapsed=$((($(date +%s%N) - start) / 1000000))
    if kill -0 "$pid" 2>/dev/null; then
        echo "still running after $elapsed ms"
        kill -9 "$pid"
        return 1
    fi
    wait "$pid"
    code=$?
    echo "exit code $code, ended after $elapsed ms"
    [ "$code" -eq 0 ] && [ "$elapsed" -le "$limit" ]
}
