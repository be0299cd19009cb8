#!/usr/bin/env bash
# The program on a real Wayland compositor: sway, headless, at scales 1
# and 2, talked to directly and through Xwayland, on the CPU path and the
# GPU path (on the software rasterizer). Each screenshot of the output is a
# frame of the headless run at every pixel by the rule at the output's
# pixels (through Xwayland at scale 2 sway doubles the X window's pixels:
# there it is checked at every second one); the window is full screen and,
# natively, holds the compositor's idle off; another window taking the
# focus pauses it, and given the focus back it is full screen, whole and
# drawing; Esc ends it with 0.
# Usage: sway_test.sh NIGHTWICK COMPARE_SCREENSHOT PLAIN_WINDOW PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") plain_window=$(realpath "$3") pictures=$(realpath "$4")
here=$(dirname "$0")
source "$here/../xvfb/xvfb_helpers.sh"
source "$here/sway_helpers.sh"

# on_sway SCALE PATH: the program through PATH (wayland, x11, or gpu: the
# renderer's path on Wayland), from its start to its end.
on_sway() {
    local scale=$1 path=$2 frame renderer=cpu
    [ "$path" = gpu ] && path=wayland renderer=gpu
    since=$SECONDS
    (cd "$work/installed" && user_exec DISPLAY="$(cat "$work/x_display")" SDL_VIDEODRIVER="$path" \
        NIGHTWICK_RENDERER=$renderer ./nightwick) \
        >"$work/nightwick.log" 2>&1 &
    program=$!
    shown=sway_frame
    [ "$scale$path" = 2x11 ] && shown=sway_frame_halved
    # Its window first: until then the output may still show what was there.
    wait_until 60 "its window full screen" full_screen >/dev/null || { cat "$work/nightwick.log"; return 1; }
    frame=$(wait_until 60 "a frame of the headless run" "$shown") || { cat "$work/nightwick.log"; return 1; }
    echo "frame $frame"
    [ "$path" = x11 ] || [ "$(node inhibit_idle)" = true ] || { echo "the idle is not held off"; return 1; }
    # Another window takes the focus, then gives it back.
    user_exec DISPLAY="$(cat "$work/x_display")" "$plain_window" 100 100 >"$work/other" &
    local other=$!
    wait_until 60 "the other window" test -s "$work/other" >/dev/null || return 1
    # A window that maps over a full-screen one may or may not be given the
    # focus: it is given it, as a click would, and sway then takes the
    # program out of full screen.
    wait_until 60 "the other window to take the focus" other_focused >/dev/null || return 1
    wait_until 60 "the program to pause" sway_still >/dev/null || { cat "$work/nightwick.log"; return 1; }
    kill "$other"
    swaymsg_ '[title="^Nightwick$"] focus' >/dev/null
    frame=$(wait_until 60 "a later frame" sway_later "$frame") || return 1
    full_screen || return 1
    echo "paused and back: frame $frame, full screen"
    cpu_shares 5 "$program" "$compositor" | tr '\n' ' ' | awk '{printf "share of a core: program %.2f%%, sway %.2f%%\n", $1 / 100, $2 / 100}'
    user_env wtype -k Escape
    ends_promptly "$program" || { cat "$work/nightwick.log"; return 1; }
}
# Asked again until sway has mapped the other window and given it the focus.
other_focused() {
    swaymsg_ "[id=$(head -1 "$work/other")] focus" >/dev/null 2>&1
    [ "$(node focused)" = false ] || { echo "the program has the focus"; return 1; }
}
full_screen() {
    local mode
    mode=$(node fullscreen_mode 2>&1)
    [ "$mode" = 1 ] || { echo "not full screen: $mode"; return 1; }
}
sway_frame_halved() {
    local output horizon=$(((SECONDS - since + 10) * 60))
    sway_shot "$work/full.ppm" && /usr/bin/convert "$work/full.ppm" -sample 50% "$work/frame.ppm" || return 1
    output=$("$compare" "$work/frame.ppm" "$pictures" "$horizon" "$work/kept") || { echo "$output"; return 1; }
    sed -n 's/^the screenshot is frame \([0-9]*\) .*/\1/p' <<<"$output"
}
sway_still() {
    sway_shot "$work/a.ppm" && sleep 0.25 && sway_shot "$work/b.ppm" && cmp -s "$work/a.ppm" "$work/b.ppm" ||
        { echo "still drawn"; return 1; }
}
sway_later() {
    local frame
    frame=$("$shown") && [ "$frame" -gt "$1" ] && echo "$frame" || { echo "frame ${frame:-none}"; return 1; }
}

# A sway of its own for each: a second virtual keyboard (for Esc) changes
# the seat's keymap, and SDL's keyboard has been seen to crash on a
# modifier change that came before the keymap, in a client started then.
failed=0
for output in "1920x1080 1" "3840x2160 2"; do
    scale=${output#* }
    for path in ${CASES:-wayland x11 gpu}; do
        [ "$scale" = 2 ] && [ "$path" = gpu ] && continue
        # shellcheck disable=SC2086
        start_sway $output
        if on_sway "$scale" "$path" >"$work/case.log" 2>&1; then
            echo "ok: scale $scale, $path: $(paste -sd ';' "$work/case.log")"
        else
            echo "FAILED: scale $scale, $path: $(cat "$work/case.log")"
            failed=1
            kill "$program" 2>/dev/null
        fi
        stop_sway
    done
done
exit $failed
