#!/usr/bin/env bash
# Measures the desktop program's cost under Xvfb: CPU share of one core
# while active and while another window has the focus, peak resident
# memory, and the frame intervals. Give several builds to compare them in
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
ticks=$(getconf CLK_TCK)

cpu_share() {  # PID SECONDS -> hundredths of a percent of one core
    local before after
    before=$(awk '{print $14 + $15}' "/proc/$1/stat")
    sleep "$2"
    after=$(awk '{print $14 + $15}' "/proc/$1/stat")
    echo $(((after - before) * 10000 / (ticks * $2)))
}
percent() { printf '%d.%02d%%' $(($1 / 100)) $(($1 % 100)); }

echo "Xvfb ${geometry}x24, $seconds s each; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for program in "$@"; do
    program=$(realpath "$program")
    display=":$((500 + RANDOM % 400))"
    Xvfb "$display" -screen 0 "${geometry}x24" -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
    log=$(mktemp)
    (cd "$pictures" && DISPLAY=$display NIGHTWICK_FRAME_STATS=1 exec "$program") 2>"$log" &
    pid=$!
    window=$(DISPLAY=$display timeout 10 xdotool search --sync --name '^Nightwick$' | head -1)
    sleep 2
    active=$(cpu_share "$pid" "$seconds")
    DISPLAY=$display xclock >/dev/null 2>&1 &
    clock=$!
    other=$(DISPLAY=$display timeout 10 xdotool search --sync --class '^XClock$' | head -1)
    DISPLAY=$display xdotool windowfocus "$other"
    sleep 1
    inactive=$(cpu_share "$pid" "$seconds")
    rss=$(awk '/VmHWM/{print $2}' "/proc/$pid/status")
    kill "$clock"
    DISPLAY=$display xdotool windowfocus "$window" key --window "$window" Escape
    wait "$pid" || true
    echo "$program: active $(percent "$active"), inactive $(percent "$inactive") of a core; peak RSS $((rss / 1024)) MiB"
    sed 's/^/    /' "$log" | grep frames: || true
    rm -f "$log"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
done
