#!/usr/bin/env bash
# The program loses its display: the X server dies, or the client is killed
# as xkill and a window manager's force-quit do (for a hack: the window it
# was given goes with its owner). Full screen, in a window and as a hack,
# and full screen while paused, it ends at once with a code that is not 0,
# leaving no shared memory behind; SIGTERM ends it while paused. With no
# display to be had at all it says so in one line and ends with 1.
# Usage: lost_display_test.sh NIGHTWICK PLAIN_WINDOW COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") plain_window=$(realpath "$2") compare=$(realpath "$3") pictures=$(realpath "$4")
source "$(dirname "$0")/xvfb_helpers.sh"
end_limit_ms=1000

# Shared memory the program made and left for no one.
left_memory() { ipcs -m -p | awk -v pid="$1" '$3 == pid {found = 1} END {exit !found}'; }

# lose HOW MODE...: a fresh server, the program drawing in MODE, then HOW.
# Whatever came of it, nothing it started is left: a window of the test's
# would hold the output being read.
lose() {
    lose_once "$@"
    local code=$?
    kill -9 "${program:-}" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait
    return $code
}
lose_once() {
    local how=$1 mode=$2
    start_xvfb 800x600x24
    case $mode in
        full_screen) start_program 800x600 ;;
        window) start_program 640x480 --window ;;
        hack)
            open_window 640 480
            (cd "$pictures" && DISPLAY=$display exec "$nightwick" -window-id "$window") >"$work/nightwick.log" 2>&1 &
            program=$! since=$SECONDS
            frame_of "$window" >/dev/null || { cat "$work/nightwick.log"; return 1; }
            ;;
        paused)
            start_program 800x600
            open_window 200 200
            DISPLAY=$display xdotool windowfocus "$window"
            wait_until 60 "the focus to move" focused "$window" >/dev/null || return 1
            ;;
    esac
    case $how in
        server) kill -KILL "$xvfb" ;;
        client) DISPLAY=$display xdotool windowkill "$window" ;;
        sigterm) kill -TERM "$program" ;;
    esac
    local expect=failing
    [ "$how" = sigterm ] && expect=""
    ends_promptly "$program" $expect || { cat "$work/nightwick.log"; return 1; }
    ! left_memory "$program" || { echo "its shared memory is left behind"; return 1; }
    grep -h "^nightwick:" "$work/nightwick.log"
    return 0
}

failed=0
while IFS='|' read -r environment arguments said; do
    # shellcheck disable=SC2086
    output=$(env -u DISPLAY -u WAYLAND_DISPLAY $environment "$nightwick" $arguments 2>&1)
    code=$?
    if [ "$code" -eq 1 ] && [ "$(grep -c . <<<"$output")" -eq 1 ] && grep -qF "nightwick: $said" <<<"$output"; then
        echo "ok: no display ($environment $arguments): $output"
    else
        echo "FAILED: no display ($environment $arguments): exit code $code: $output"
        failed=1
    fi
done <<'CASES'
|--window|cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set
DISPLAY=:399||cannot open a display: the X display DISPLAY=:399 does not answer
DISPLAY=:399|--root|cannot open a display: the X display DISPLAY=:399 does not answer
WAYLAND_DISPLAY=nowhere-0 XDG_RUNTIME_DIR=/tmp||cannot open a display: no Wayland compositor answers at WAYLAND_DISPLAY=nowhere-0
XSCREENSAVER_WINDOW=garbage|--root|XSCREENSAVER_WINDOW is not a window id: garbage
CASES
for case in "server full_screen" "client full_screen" "server window" "client window" "server hack" \
    "client hack" "server paused" "sigterm paused"; do
    # shellcheck disable=SC2086
    result=$(lose $case 2>&1) && echo "ok: $case: ${result//$'\n'/; }" || { echo "FAILED: $case: $result"; failed=1; }
done
exit $failed
