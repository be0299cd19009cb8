#!/usr/bin/env bash
# The Windows release on a real DirectDraw: unpack nightwick-windows.zip,
# run each program under Wine on Xvfb at 640 x 480 x 24, find every
# screenshot exactly among the headless run's frames, measure the frame
# rate from two of them, end it with Escape; then the error boxes (a
# picture missing, a display whose mode cannot change) and the screensaver.
# Usage: wine_test.sh WINDOWS_BUILD_DIRECTORY CAPTURE_TOOL
set -uo pipefail
windows=$(realpath "$1") capture=$(realpath "$2")
here=$(dirname "$(realpath "$0")")
export PATH=$PATH:/usr/lib/wine WINEDEBUG=-all
for tool in Xvfb xdotool xwd xwdtopnm xdpyinfo wine64 wineserver unzip; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
work=$(mktemp -d)
export WINEPREFIX=$work/prefix
xvfb=""
program=""
cleanup() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    wineserver -k 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# The desktop process of a prefix lives on one display: change both together.
start_display() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    display=":$((100 + RANDOM % 400))"
    export DISPLAY=$display
    Xvfb "$display" -screen 0 "$1" -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "Xvfb $1 did not start"
    exit 1
}
x() { DISPLAY=$display "$@"; }
find_window() { x timeout "${2:-60}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# Without a window manager nothing gives a new window the focus, as Windows
# would, and the mode change at start-up can take it away again: give it
# until the program runs (an inactive one stays on its first frame).
focus() {
    for _ in $(seq 20); do
        sleep 0.5
        x xdotool windowfocus "$1" 2>/dev/null
        sleep 0.5
        match_screenshot >/dev/null && [ "$frame" -gt 2 ] && return 0
    done
    return 1
}
# start FOLDER WINE PROGRAM ARGUMENTS...
start() {
    local folder=$1
    shift
    (cd "$folder" && DISPLAY=$display exec "$@") >"$work/program.log" 2>&1 &
    program=$!
}
# Waits up to $1 seconds for the program to end; sets `code` and `took` (ms).
wait_end() {
    local begin=$(date +%s%N)
    for _ in $(seq $(($1 * 20))); do kill -0 "$program" 2>/dev/null || break; sleep 0.05; done
    if kill -0 "$program" 2>/dev/null; then
        kill "$program" 2>/dev/null
        wait "$program" 2>/dev/null
        program=""
        code=timeout
        return 1
    fi
    wait "$program"
    code=$?
    program=""
    took=$((($(date +%s%N) - begin) / 1000000))
}
# Takes screenshots until one is a whole frame (a torn one is retried);
# sets `frame` and `shot_at` (ns).
match_screenshot() {
    for _ in 1 2 3 4 5; do
        shot_at=$(date +%s%N)
        x xwd -root -silent | xwdtopnm >"$work/shot.ppm" 2>/dev/null
        if frame=$("$here/match_frame.py" "$work/shot.ppm" "$work/palette.png" "$work/checksums.txt"); then
            return 0
        fi
        sleep 0.1
    done
    cp "$work/shot.ppm" "$windows/wine_unmatched.ppm"
    echo "no screenshot matched a frame ($frame); the last is kept in $windows/wine_unmatched.ppm"
    return 1
}
press() { x xdotool mousemove "$1" "$2" && sleep 0.2 && x xdotool key "$3"; }
# close_box WHAT X Y: Enter closes the program's error box and it ends with 0.
close_box() {
    sleep 0.5
    press "$2" "$3" Return
    wait_end 10
    [ "$code" = 0 ] || fail "$1: exit code $code after the error box"
    echo "$1: an error box, closed with Enter; exit code $code"
}

release=$work/release
unzip -q "$windows/nightwick-windows.zip" -d "$release" || { echo "cannot unpack nightwick-windows.zip"; exit 1; }
echo "frame checksums of the headless run (120,000 frames)"
(cd "$release" && "$capture" --frames 120000 --checksums --png 1="$work/palette.png") >"$work/checksums.txt" 2>/dev/null ||
    { echo "the capture tool failed"; exit 1; }

start_display 640x480x24
wine64 wineboot -i >/dev/null 2>&1
wineserver -w
# Wine's DirectDraw draws through GDI: no OpenGL on Xvfb.
wine64 reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f >/dev/null 2>&1

# A 32-bit program needs the kernel's 32-bit support as well as Wine's.
programs=()
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    programs+=("wine nightwick.exe")
    screensaver=(wine "$release/Nightwick.scr")
else
    echo "this machine cannot start 32-bit programs (the kernel refuses them):" \
        "the 32-bit nightwick.exe and Nightwick.scr are not run; the screensaver is run as its 64-bit build"
    cp "$windows/x86_64/Nightwick.scr" "$release/Nightwick64.scr"
    screensaver=(wine64 "$release/Nightwick64.scr")
fi
programs+=("wine64 nightwick64.exe")

for entry in "${programs[@]}"; do
    read -r loader exe <<<"$entry"
    start "$release" "$loader" "$exe"
    window=$(find_window Nightwick)
    [ -n "$window" ] || { fail "$exe: no window appeared"; cat "$work/program.log"; wait_end 5; continue; }
    focus "$window" || fail "$exe: it never ran, even with the focus"
    matched=0
    first_frame="" first_at=""
    for _ in 1 2 3 4; do
        match_screenshot || break
        matched=$((matched + 1))
        # The rate is measured from the second screenshot on, once it runs.
        [ "$matched" -eq 2 ] && first_frame=$frame first_at=$shot_at
        [ "$matched" -eq 1 ] && start_frame=$frame
        sleep 1
    done
    [ "$matched" -eq 4 ] || fail "$exe: $matched of 4 screenshots are frames of the headless run"
    rate="?"
    if [ "$matched" -ge 3 ]; then
        # Frames per second, in hundredths.
        rate=$(((frame - first_frame) * 100000000000 / (shot_at - first_at)))
        [ "$rate" -ge 5500 ] && [ "$rate" -le 6300 ] || fail "$exe: $((rate / 100)) frames per second, not 60"
        rate="$((rate / 100)).$(printf %02d $((rate % 100)))"
    fi
    # Only Esc and F12 end the program: a mouse move does not.
    x xdotool mousemove 20 20 && sleep 0.3 && x xdotool mousemove 600 400 && sleep 0.5
    kill -0 "$program" 2>/dev/null || fail "$exe: a mouse move ended the program"
    press 320 240 Escape
    wait_end 10 || fail "$exe: Escape did not end it"
    [ "$code" = 0 ] || fail "$exe: exit code $code after Escape"
    echo "$exe: $matched screenshots matched frames ${start_frame:-?}..$frame exactly; $rate frames per second;" \
        "ended ${took:-?} ms after Escape with exit code $code"
done
main=${programs[0]}
read -r loader exe <<<"$main"

# Without the background the program says so in a box; Enter closes it.
missing=$work/missing
cp -r "$release" "$missing" && rm "$missing/VeskBack.pcx"
start "$missing" "$loader" "$exe"
if [ -n "$(find_window Error 10)" ]; then
    close_box "$exe without VeskBack.pcx" 320 240
elif window=$(find_window Nightwick 1) && [ -n "$window" ]; then
    x xdotool windowfocus "$window" 2>/dev/null
    sleep 2
    press 320 240 Escape
    wait_end 10
    [ "$code" = 0 ] || fail "$exe without VeskBack.pcx: exit code $code"
    echo "$exe without VeskBack.pcx: runs over a black background, Escape ends it; exit code $code"
else
    fail "$exe without VeskBack.pcx: neither an error box nor the program's window"
    wait_end 5
fi

# The screensaver: /p and /c end at once (the settings box waits for
# Enter), no argument means /c, and /s runs until the mouse moves.
start "$release" "${screensaver[@]}" /p 0
wait_end 10
[ "$code" = 0 ] || fail "screensaver /p 0: exit code $code"
[ -z "$(find_window Nightwick 1)" ] || fail "screensaver /p 0: a window appeared"
echo "screensaver /p 0: ended with $code, drawing nothing"
for option in /c ""; do
    start "$release" "${screensaver[@]}" $option
    box=$(find_window Nightwick)
    [ -n "$box" ] || fail "screensaver ${option:-without argument}: no message box"
    sleep 0.5
    press 320 240 Return
    wait_end 10
    [ "$code" = 0 ] || fail "screensaver ${option:-without argument}: exit code $code"
    echo "screensaver ${option:-without argument}: a message box, closed with Enter; exit code $code"
done
# Started from elsewhere, as Windows starts it: it finds its pictures.
start "$work" "${screensaver[@]}" /s
window=$(find_window Nightwick)
[ -n "$window" ] || fail "screensaver /s: no window appeared"
if focus "$window"; then
    echo "screensaver /s: the screenshot is frame $frame"
else
    fail "screensaver /s: it never ran, or showed no frame of the headless run"
fi
x xdotool mousemove 100 100 && sleep 1.5 && x xdotool mousemove 400 300
wait_end 10 || fail "screensaver /s: a mouse move did not end it"
[ "$code" = 0 ] || fail "screensaver /s: exit code $code"
echo "screensaver /s: a mouse move ended it after ${took:-?} ms; exit code $code"

# A display that cannot take the 640 x 480 mode: the setup error box.
start_display 1024x768x24
start "$release" "$loader" "$exe"
if [ -n "$(find_window Error)" ]; then
    close_box "$exe at 1024 x 768" 512 384
else
    fail "$exe at 1024 x 768: no error box"
    wait_end 5
fi

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all Wine checks passed"
