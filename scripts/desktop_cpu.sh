#!/usr/bin/env bash
# Measures the desktop program's cost under Xvfb: CPU share of one core
# while active (the program, and the X server that shows its pixels) and
# while another window has the focus, peak resident memory, and the frame
# intervals. Give several builds to compare them in
# one run. Usage: scripts/desktop_cpu.sh [-s SECONDS] [-g WxH] NIGHTWICK...
set -euo pipefail
seconds=30 geometry=1024x768
while getopts s:g: option; do
    case $option in
        s) seconds=$OPTARG ;;
        g) geometry=$OPTARG ;;
        *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -gt 0 ] || set -- build/nightwick
pictures=$(realpath build)
source "$(dirname "$0")/../tests/xvfb/xvfb_helpers.sh"

echo "Xvfb ${geometry}x24, $seconds s each; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for program in "$@"; do
    program=$(realpath "$program")
    start_xvfb "${geometry}x24"
    log=$work/program.log
    (cd "$pictures" && DISPLAY=$display NIGHTWICK_FRAME_STATS=1 exec "$program") 2>"$log" &
    pid=$!
    # Measured once it draws, not while it starts.
    window=$(wait_until 60 "the program's window to draw" drawn '^Nightwick$')
    # A warm-up first: the window is fitted and the first pages drawn whole.
    sleep 3
    read -r -d '' active server < <(cpu_shares "$seconds" "$pid" "$xvfb") || true
    DISPLAY=$display xclock >/dev/null 2>&1 &
    clock=$!
    other=$(wait_until 60 "the other window" named '^xclock$')
    DISPLAY=$display xdotool windowfocus "$other"
    wait_until 60 "the focus to move" focused "$other"
    wait_until 60 "the program to stop drawing" still "$window"
    inactive=$(cpu_share "$pid" "$seconds")
    rss=$(awk '/VmHWM/{print $2}' "/proc/$pid/status")
    kill "$clock"
    DISPLAY=$display xdotool windowfocus "$window" key --window "$window" Escape
    wait "$pid" || true
    echo "$program: active $(percent "$active") + X server $(percent "$server") = $(percent $((active + server))), inactive $(percent "$inactive") of a core; peak RSS $((rss / 1024)) MiB"
    sed 's/^/    /' "$log" | grep frames: || true
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
done
