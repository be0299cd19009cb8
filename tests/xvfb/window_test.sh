#!/usr/bin/env bash
# The program in a window (--window): 640 x 480 at first, showing a frame of
# the headless run pixel for pixel; resized to twice that, each pixel shows
# as 2 x 2; Escape ends it with 0.
# Usage: window_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") pictures=$(realpath "$3")
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 1400x1050x24

start_program 640x480 --window

# At the corner, so that all of it is on the screen to be shot. Until the
# program has drawn at the new size the window shows no frame.
DISPLAY=$display xdotool windowmove "$window" 0 0 windowsize "$window" 1280 960
frame_of "$window" >/dev/null || { echo "the resized window does not show the frame scaled"; exit 1; }

DISPLAY=$display xdotool key --window "$window" Escape
ends_promptly "$program" || { cat "$work/nightwick.log"; exit 1; }
