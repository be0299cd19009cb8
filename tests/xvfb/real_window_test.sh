#!/usr/bin/env bash
# The program in a real window: start it under Xvfb, take a screenshot,
# check it is a frame of the headless run pixel for pixel, measure its CPU
# while active and while another window has the focus, quit with Escape,
# check the exit code and report the frame intervals.
# Usage: real_window_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$1 compare=$2 pictures=$3
for tool in Xvfb xdotool xwd xwdtopnm xclock; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
work=$(mktemp -d)
display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() { kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done

# Under the sanitizers, the desktop libraries SDL loads (D-Bus, the GL
# driver) keep memory of their own to the end; our own code's leaks are
# checked by the headless whole-program tests.
(cd "$pictures" && DISPLAY=$display NIGHTWICK_FRAME_STATS=1 ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    exec "$nightwick") \
    >"$work/nightwick.log" 2>&1 &
program=$!
window=$(DISPLAY=$display timeout 10 xdotool search --sync --name '^Nightwick$' | head -1)
[ -n "$window" ] || { echo "no window appeared"; cat "$work/nightwick.log"; exit 1; }
sleep 2.5  # past frame 78, when the first mosquito is on screen
# A page shown at several frames of the headless run names none: shoot again.
for _ in $(seq 20); do
    DISPLAY=$display xwd -root -silent >"$work/shot.xwd"
    xwdtopnm "$work/shot.xwd" >"$work/shot.ppm" 2>/dev/null
    "$compare" "$work/shot.ppm" "$pictures" 3000
    code=$?
    [ "$code" -eq 3 ] || break
done
[ "$code" -eq 0 ] || { echo "the window does not show the program's frame"; exit 1; }

# CPU time of the program in hundredths of a percent of one core over a while.
cpu_share() {
    local seconds=$1 ticks before after
    ticks=$(getconf CLK_TCK)
    before=$(awk '{print $14 + $15}' "/proc/$program/stat")
    sleep "$seconds"
    after=$(awk '{print $14 + $15}' "/proc/$program/stat")
    echo $(((after - before) * 10000 / (ticks * seconds)))
}
percent() { printf '%d.%02d%%' $(($1 / 100)) $(($1 % 100)); }
active=$(cpu_share 10)
echo "active: $(percent "$active") of a core over 10 s"

# Another window takes the focus: the program goes inactive and must wait
# for messages, not poll for them.
DISPLAY=$display xclock >/dev/null 2>&1 &
clock=$!
other=$(DISPLAY=$display timeout 10 xdotool search --sync --class '^XClock$' | head -1)
DISPLAY=$display xdotool windowfocus "$other"
sleep 1
inactive=$(cpu_share 10)
echo "inactive: $(percent "$inactive") of a core over 10 s"
kill "$clock" 2>/dev/null
# A polling loop takes a whole core; waiting takes next to nothing.
[ "$inactive" -lt 1000 ] || { echo "the program polls while inactive"; exit 1; }
DISPLAY=$display xdotool windowmap "$window" windowfocus "$window" 2>/dev/null
sleep 1

start=$(date +%s%N)
DISPLAY=$display xdotool key --window "$window" Escape
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.05; done
if kill -0 "$program" 2>/dev/null; then
    echo "Escape did not end the program"
    kill "$program"
    exit 1
fi
wait "$program"
code=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
echo "exit code $code, ended $elapsed ms after Escape"
[ "$code" -eq 0 ] || { cat "$work/nightwick.log"; exit 1; }
grep '^frames:' "$work/nightwick.log" || { echo "no frame intervals reported"; exit 1; }
# What a person running the test command sees of it.
{
    echo "real window: active $(percent "$active") of a core, inactive $(percent "$inactive") over 10 s each"
    grep '^frames:' "$work/nightwick.log"
} >"$pictures/real_window_report.txt"
exit 0
