#!/usr/bin/env bash
# The hack in a small window, left alone: given a 160 x 120 window it shows
# every fourth pixel of the page and goes on drawing; over 36 s nobody
# touches anything, so the X server's idle time, from which its screen saver
# and its power saving count, must keep growing past 30 s, and the server's
# screen saver, set to start after 30 s, must have started.
# Usage: idle_test.sh NIGHTWICK PLAIN_WINDOW COMPARE_SCREENSHOT IDLE_TIME PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") plain_window=$(realpath "$2") compare=$(realpath "$3") idle_time=$(realpath "$4")
pictures=$(realpath "$5")
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 640x480x24

open_window 160 120
# Once a client stays connected: the server forgets its settings when its last one leaves.
DISPLAY=$display "$idle_time" 30 >/dev/null || exit 1

since=$SECONDS
(cd "$pictures" && DISPLAY=$display exec "$nightwick" -window-id "$window") \
    >"$work/hack.log" 2>&1 &
hack=$!
started=$SECONDS
first=$(frame_of "$window") || { echo "the 160 x 120 window does not show a frame at quarter size"; exit 1; }

previous=0
samples=""
later=""
# Until the server has been idle for 36 s, by its own count, and at most
# two minutes.
while [ "$previous" -lt 36000 ] && [ $((SECONDS - started)) -lt 120 ]; do
    kill -0 "$hack" 2>/dev/null || { echo "the hack ended by itself"; cat "$work/hack.log"; exit 1; }
    read -r idle state < <(DISPLAY=$display "$idle_time") || exit 1
    samples+=" $((idle / 1000))"
    if [ "$idle" -lt "$previous" ]; then
        echo "idle seconds, once a second:$samples"
        echo "the idle time fell from $previous to $idle ms: something reset the screen saver"
        exit 1
    fi
    previous=$idle
    # Before the screen saver covers the window, which the server's idle
    # time decides.
    if [ -z "$later" ] && [ "$idle" -ge 15000 ]; then
        later=$(frame_of "$window") || { echo "the window no longer shows a frame"; exit 1; }
        echo "frame $first at the start, $later $((SECONDS - started)) s later"
        [ "$later" -gt "$first" ] || { echo "the hack did not go on drawing"; exit 1; }
    fi
    sleep 1
done
echo "idle seconds, once a second:$samples; the screen saver is $state"
[ "$previous" -ge 36000 ] || { echo "the idle time reached only $previous ms in $((SECONDS - started)) s"; exit 1; }
[ "$state" = on ] || { echo "the server's screen saver did not start"; exit 1; }
kill -TERM "$hack"
ends_promptly "$hack" || { cat "$work/hack.log"; exit 1; }
