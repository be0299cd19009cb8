#!/usr/bin/env bash
# The program full screen at 1920 x 1080: a page of 640 x 480 at a scale of
# 2.25, where each window pixel shows the page pixel the nearest rule names
# and the bars are black. The window is given only what changed from one
# frame to the next, so a screenshot long after the first whole one is
# checked at every pixel too, on the CPU path and the GPU path. Escape ends it.
# Usage: full_screen_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") pictures=$(realpath "$3")
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 1920x1080x24

# The window's own pixels (no graphics processor here), and the renderer's
# path on the software rasterizer, which must show the same pixels.
for renderer in cpu gpu; do
    export NIGHTWICK_RENDERER=$renderer
    echo "== the $renderer path"
    start_program 1920x1080
    first=$(frame_of "$window") || exit 1
    # Some seconds of frames later, all drawn by their changes alone.
    later=$(wait_until 60 "a frame 300 after $first" later_than "$window" $((first + 300))) || exit 1
    echo "frames $first and $later are the headless run's at every one of the 1920 x 1080 pixels"
    # A figure for the record, not a limit: a loaded machine changes nothing here,
    # but libraries do.
    echo "resident memory at 1920 x 1080: $(awk '/^VmRSS/ {print $2, $3}' "/proc/$program/status")"

    DISPLAY=$display xdotool key --window "$window" Escape
    ends_promptly "$program" || { echo "Escape did not end the program in time"; cat "$work/nightwick.log"; exit 1; }
done
