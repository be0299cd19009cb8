#!/usr/bin/env bash
# The program as an xscreensaver hack: it draws into a plain X window it is
# given (by -window-id, and by --root with XSCREENSAVER_WINDOW), scaled to
# the window; the shown frame is a frame of the headless run pixel for
# pixel; keys do not end it; SIGTERM and SIGINT end it at once with 0.
# Usage: screensaver_test.sh NIGHTWICK PLAIN_WINDOW COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") plain_window=$(realpath "$2") compare=$(realpath "$3") pictures=$(realpath "$4")
source "$(dirname "$0")/xvfb_helpers.sh"
start_xvfb 1280x1024x24

# A window twice the page's size: nearest scaling shows each pixel as 2 x 2.
open_window 1280 960

# run_hack SIGNAL ARGS...: starts the hack from a folder without the
# pictures (it finds them beside itself, as installed), checks its frame,
# that Escape does not end it, and that SIGNAL does.
run_hack() {
    local signal=$1
    shift
    mkdir -p "$work/elsewhere"
    since=$SECONDS
    (cd "$work/elsewhere" && DISPLAY=$display exec "$nightwick" "$@") \
        >"$work/hack.log" 2>&1 &
    local hack=$! frame
    frame_of "$window" >/dev/null || { echo "the window does not show the program's frame"; cat "$work/hack.log"; return 1; }
    kill -0 "$hack" 2>/dev/null || { echo "the hack ended by itself"; cat "$work/hack.log"; return 1; }
    DISPLAY=$display xdotool key --window "$window" Escape
    # A frame drawn after one seen after the key: the hack has read the key.
    frame=$(frame_of "$window") && frame_after "$window" "$frame" >/dev/null &&
        kill -0 "$hack" 2>/dev/null || { echo "a key ended the hack"; cat "$work/hack.log"; return 1; }
    kill "-$signal" "$hack"
    ends_promptly "$hack" || { cat "$work/hack.log"; return 1; }
    if grep -q "cannot find" "$work/hack.log"; then
        echo "the hack did not find its pictures"
        cat "$work/hack.log"
        return 1
    fi
}

echo "-window-id $window, ended with SIGTERM:"
run_hack TERM -window-id "$window" || exit 1
echo "--root with XSCREENSAVER_WINDOW, ended with SIGINT:"
XSCREENSAVER_WINDOW=$(printf '0x%x' "$window") run_hack INT --root || exit 1

# A window that is not there is a message, not a crash.
DISPLAY=$display "$nightwick" -window-id 0x7ffffff >"$work/bad.log" 2>&1
code=$?
[ "$code" -eq 1 ] && grep -q "no X window" "$work/bad.log" ||
    { echo "a missing window gave exit code $code"; cat "$work/bad.log"; exit 1; }
exit 0
