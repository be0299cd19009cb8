#!/usr/bin/env bash
# The program in a real window: start it under Xvfb, take a screenshot,
# check it is a frame of the headless run pixel for pixel, measure its CPU
# while active and while another window has the focus, quit with Escape,
# check the exit code and report the frame intervals.
# Usage: real_window_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") pictures=$(realpath "$3")
command -v xclock >/dev/null || { echo "missing xclock"; exit 1; }
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 640x480x24

since=$SECONDS
(cd "$pictures" && DISPLAY=$display NIGHTWICK_FRAME_STATS=1 \
    exec "$nightwick") \
    >"$work/nightwick.log" 2>&1 &
program=$!
window=$(program_window '^Nightwick$') ||
    { echo "the window does not show the program's frame"; cat "$work/nightwick.log"; exit 1; }

active=$(cpu_share "$program" 10)
echo "active: $(percent "$active") of a core over 10 s"

# Another window takes the focus: the program goes inactive and must wait
# for messages, not poll for them.
DISPLAY=$display xclock >/dev/null 2>&1 &
clock=$!
other=$(wait_until 60 "the other window" named '^xclock$') || exit 1
DISPLAY=$display xdotool windowfocus "$other"
wait_until 60 "the focus to move" focused "$other" || exit 1
wait_until 60 "the program to stop drawing" still "$window" || exit 1
inactive=$(cpu_share "$program" 10)
echo "inactive: $(percent "$inactive") of a core over 10 s"
kill "$clock" 2>/dev/null
# A polling loop takes a whole core; waiting takes next to nothing.
[ "$inactive" -lt 1000 ] || { echo "the program polls while inactive"; exit 1; }
DISPLAY=$display xdotool windowmap "$window" windowfocus "$window" 2>/dev/null
wait_until 60 "the focus to come back" focused "$window" || exit 1
wait_until 60 "the program to draw again" changed "$window" || exit 1

DISPLAY=$display xdotool key --window "$window" Escape
ends_promptly "$program" || { echo "Escape did not end the program in time"; cat "$work/nightwick.log"; exit 1; }
grep '^frames:' "$work/nightwick.log" || { echo "no frame intervals reported"; exit 1; }
# What a person running the test command sees of it.
{
    echo "real window: active $(percent "$active") of a core, inactive $(percent "$inactive") over 10 s each"
    grep '^frames:' "$work/nightwick.log"
} >"$pictures/real_window_report.txt"
exit 0
