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
# A small window takes the focus: the program pauses. What it shows then is
# what it must show again.
open_window 8 8
DISPLAY=$display xdotool windowfocus "$window"
wait_until 60 "the focus to move" focused "$window" >/dev/null || exit 1
wait_until 60 "the program to stop drawing" still "$program_id" >/dev/null || exit 1
cp "$work/still.ppm" "$work/paused.ppm"
whole_again() {
    shot "$program_id" "$work/again.ppm" && cmp -s "$work/paused.ppm" "$work/again.ppm" ||
        { echo "the window is not as the paused program left it"; return 1; }
}
open_window 800 600
DISPLAY=$display xdotool windowunmap "$window"
wait_until 60 "the uncovered window to be whole" whole_again || exit 1
echo "uncovered while paused: whole"
DISPLAY=$display xdotool windowunmap "$program_id" windowmap "$program_id"
wait_until 60 "the program's window to be shown" viewable "$program_id" >/dev/null || exit 1
wait_until 60 "the shown window to be whole" whole_again || exit 1
echo "hidden and shown again while paused: whole"
kill -TERM "$program"
ends_promptly "$program" || { cat "$work/nightwick.log"; exit 1; }
