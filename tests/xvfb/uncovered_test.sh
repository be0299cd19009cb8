#!/usr/bin/env bash
# A paused program draws no new frames, yet a window that was covered,
# or hidden and shown again, is whole at once: the X server keeps no copy
# of what it showed (the cover's white is left there), and the program
# shows its last page again on the expose or the show.
# Usage: uncovered_test.sh NIGHTWICK PLAIN_WINDOW COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") plain_window=$(realpath "$2") compare=$(realpath "$3") pictures=$(realpath "$4")
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 800x600x24

start_program 800x600
program_id=$window
# The cover takes the focus: the program pauses, and its pixels are spoiled.
open_window 800 600
cover=$window
DISPLAY=$display xdotool windowfocus "$cover"
wait_until 60 "the focus to move" focused "$cover" >/dev/null || exit 1
DISPLAY=$display xdotool windowunmap "$cover"
wait_until 60 "the program to stop drawing" still "$program_id" >/dev/null || exit 1
paused=$(frame_now "$program_id") || { echo "uncovered, the paused window is not whole: $paused"; exit 1; }
echo "uncovered while paused: frame $paused"
DISPLAY=$display xdotool windowmap "$cover" windowunmap "$program_id" windowmap "$program_id"
wait_until 60 "the program's window to be shown" viewable "$program_id" || exit 1
DISPLAY=$display xdotool windowunmap "$cover"
shown=$(wait_until 60 "the shown window to be whole" frame_now "$program_id") || exit 1
[ "$shown" = "$paused" ] || { echo "the paused program drew frame $shown after $paused"; exit 1; }
echo "hidden and shown again while paused: frame $shown"
kill -TERM "$program"
ends_promptly "$program" || { cat "$work/nightwick.log"; exit 1; }
