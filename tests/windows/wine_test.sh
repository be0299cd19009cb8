#!/usr/bin/env bash
# The Windows release under Wine on Xvfb. The classic programs on a real
# DirectDraw at 640 x 480 x 24: find every screenshot exactly among the
# headless run's frames, measure the frame rate from two of them, end it
# with Escape; the error boxes (a picture missing, a display whose mode
# cannot change). The scaled programs on the built-in display at
# 1280 x 960: no mode change, each screenshot the page scaled exactly twice,
# a pause without the focus, and running where the classic one cannot. The
# screensaver (on the built-in display): its options, /s, and /p drawing
# live in a preview window. Last, what the shown pages cost in CPU.
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
# focus WINDOW [MATCH ARGUMENTS...]
focus() {
    local window=$1
    shift
    for _ in $(seq 20); do
        sleep 0.5
        x xdotool windowfocus "$window" 2>/dev/null
        sleep 0.5
        match_screenshot "$@" >/dev/null && [ "$frame" -gt 2 ] && return 0
    done
    return 1
}
# CPU seconds (user and system, in hundredths) the program's process has used.
cpu_used() {
    local pid
    pid=$(pgrep -f "$1" | head -1)
    [ -n "$pid" ] && awk '{print $14 + $15}' "/proc/$pid/stat"
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
# Takes screenshots until one is a whole frame, and one shown at only one
# frame of the headless run (a torn one is retried, and so is a page that
# repeats, such as the empty scene, which tells no frame number); sets
# `frame` and `shot_at` (ns). Arguments go to match_frame.py (--step 2 for
# a page scaled twice).
match_screenshot() {
    local torn=0
    for _ in $(seq 60); do
        shot_at=$(date +%s%N)
        x xwd -root -silent | xwdtopnm >"$work/shot.ppm" 2>/dev/null
        frame=$("$here/match_frame.py" "$work/shot.ppm" "$work/palette.png" "$work/checksums.txt" "$@")
        case $? in
            0) return 0 ;;
            1) torn=$((torn + 1)) && [ "$torn" -ge 5 ] && break ;;
        esac
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

# shots_and_rate NAME COUNT [MATCH ARGUMENTS...]: COUNT screenshots a second
# apart, each a frame of the headless run; the frame rate from the second
# on, once it runs. Sets `matched`, `start_frame`, `frame` and `rate`.
shots_and_rate() {
    local name=$1 count=$2 first_frame="" first_at=""
    shift 2
    matched=0 start_frame="" rate="?"
    for _ in $(seq "$count"); do
        match_screenshot "$@" || break
        matched=$((matched + 1))
        [ "$matched" -eq 1 ] && start_frame=$frame
        [ "$matched" -eq 2 ] && first_frame=$frame first_at=$shot_at
        sleep 1
    done
    [ "$matched" -eq "$count" ] || fail "$name: $matched of $count screenshots are frames of the headless run"
    [ "$matched" -ge 3 ] || return 0
    # Frames per second, in hundredths.
    rate=$(((frame - first_frame) * 100000000000 / (shot_at - first_at)))
    [ "$rate" -ge 5500 ] && [ "$rate" -le 6300 ] || fail "$name: $((rate / 100)) frames per second, not 60"
    rate="$((rate / 100)).$(printf %02d $((rate % 100)))"
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
        "the 32-bit nightwick.exe, nightwick-scaled.exe and Nightwick.scr are not run; their 64-bit builds are"
    screensaver=(wine64 "$release/Nightwick64.scr")
fi
programs+=("wine64 nightwick64.exe")

for entry in "${programs[@]}"; do
    read -r loader exe <<<"$entry"
    start "$release" "$loader" "$exe"
    window=$(find_window Nightwick)
    [ -n "$window" ] || { fail "$exe: no window appeared"; cat "$work/program.log"; wait_end 5; continue; }
    focus "$window" || fail "$exe: it never ran, even with the focus"
    shots_and_rate "$exe" 4
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
if [[ $main == wine64* ]]; then scaled_programs=("wine64 nightwick-scaled64.exe"); else
    scaled_programs=("wine nightwick-scaled.exe" "wine64 nightwick-scaled64.exe"); fi

# The scaled programs on a 1280 x 960 screen: the screen keeps its mode, each
# screenshot is the page scaled twice, the focus taken away pauses it and
# given back resumes it with the scene whole.
start_display 1280x960x24
# A window off the screen, to give the focus to.
x xmessage -geometry +3000+3000 -name elsewhere "elsewhere" >/dev/null 2>&1 &
elsewhere_pid=$!
for entry in "${scaled_programs[@]}"; do
    read -r scaled_loader scaled <<<"$entry"
    start "$release" "$scaled_loader" "$scaled"
    window=$(find_window Nightwick)
    [ -n "$window" ] || { fail "$scaled: no window appeared"; cat "$work/program.log"; wait_end 5; continue; }
    focus "$window" --step 2 || fail "$scaled: it never ran, even with the focus"
    shots_and_rate "$scaled scaled twice" 4 --step 2
    size=$(x xdpyinfo | awk '/dimensions:/ {print $2}')
    [ "$size" = 1280x960 ] || fail "$scaled: the screen is $size, not 1280x960"
    # Without the focus the program stands still; with it back it runs on.
    x xdotool search --name '^elsewhere$' windowfocus 2>/dev/null
    sleep 1
    x xwd -root -silent | xwdtopnm >"$work/paused1.ppm" 2>/dev/null
    sleep 1
    x xwd -root -silent | xwdtopnm >"$work/paused2.ppm" 2>/dev/null
    cmp -s "$work/paused1.ppm" "$work/paused2.ppm" || fail "$scaled: it ran on without the focus"
    "$here/match_frame.py" "$work/paused2.ppm" "$work/palette.png" "$work/checksums.txt" --step 2 >/dev/null
    [ $? -ne 1 ] || fail "$scaled: without the focus the screen shows no whole frame"
    paused_at=$frame
    focus "$window" --step 2 && [ "$frame" -gt "$paused_at" ] ||
        fail "$scaled: with the focus back it did not run on with the scene whole"
    resumed=$frame
    # Wine without a window manager gives the keyboard back on a click.
    x xdotool mousemove 640 480 click 1
    press 640 480 Escape
    wait_end 10 || fail "$scaled: Escape did not end it"
    [ "$code" = 0 ] || fail "$scaled: exit code $code after Escape"
    echo "$scaled at 1280 x 960: $matched screenshots matched frames scaled exactly twice, the screen stayed $size;" \
        "$rate frames per second; paused without the focus, ran on to frame $resumed with it;" \
        "ended ${took:-?} ms after Escape with exit code $code"
done
kill "$elsewhere_pid" 2>/dev/null
start_display 640x480x24

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

# A display that cannot take the 640 x 480 mode: the setup error box; the
# scaled program runs there, the page scaled to 1024 x 768.
start_display 1024x768x24
start "$release" "$loader" "$exe"
if [ -n "$(find_window Error)" ]; then
    close_box "$exe at 1024 x 768" 512 384
else
    fail "$exe at 1024 x 768: no error box"
    wait_end 5
fi
read -r scaled_loader scaled <<<"${scaled_programs[-1]}"
start "$release" "$scaled_loader" "$scaled"
window=$(find_window Nightwick)
if [ -n "$window" ] && [ -z "$(find_window Error 2)" ]; then
    x xdotool windowfocus "$window" 2>/dev/null
    sleep 2
    x xwd -root -silent | xwdtopnm >"$work/big1.ppm" 2>/dev/null
    sleep 1
    x xwd -root -silent | xwdtopnm >"$work/big2.ppm" 2>/dev/null
    cmp -s "$work/big1.ppm" "$work/big2.ppm" && fail "$scaled at 1024 x 768: the picture does not move"
    press 512 384 Escape
    wait_end 10
    [ "$code" = 0 ] || fail "$scaled at 1024 x 768: exit code $code"
    echo "$scaled at 1024 x 768: runs without an error box, the picture moves; Escape ends it with $code"
else
    fail "$scaled at 1024 x 768: no window, or an error box"
    wait_end 5
fi

# The screensaver's preview: a window of another program with a 320 x 240
# client area, and the screensaver started with /p and its handle. Drawing
# into another program's child window shows in Wine only inside a virtual
# desktop, and there it is read back from the child window's own device
# context (the screenshot shows it at the desktop's corner instead). Without
# a window manager, Wine waits 2 s for one to let go of a managed window
# that goes away; no window is managed here.
preview=$work/preview
mkdir -p "$preview"
(cd "$release" && "$capture" --frames 3000 --checksums --every 2) >"$work/half.txt" 2>/dev/null
start_display 800x600x24
wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
(x wine64 explorer /desktop=preview,800x600 "$windows/x86_64/preview-window.exe" 10 "Z:${preview//\//\\}" \
    >"$work/hwnd.txt" 2>/dev/null &)
for _ in $(seq 100); do [ -s "$work/hwnd.txt" ] && break; sleep 0.1; done
parent=$(tr -dc 0-9 <"$work/hwnd.txt")
start "$release" "${screensaver[@]}" /p "$parent"
for _ in $(seq 400); do [ -f "$preview/destroyed.txt" ] && break; sleep 0.05; done
destroyed_at=$(date +%s%N)
[ -f "$preview/destroyed.txt" ] || fail "screensaver /p: the preview window never went"
wait_end 5 || fail "screensaver /p: it ran on after its window went"
ended_ms=$((($(date +%s%N) - destroyed_at) / 1000000))
[ "$code" = 0 ] || fail "screensaver /p: exit code $code"
[ "$ended_ms" -le 1000 ] || fail "screensaver /p: it ended $ended_ms ms after its window went, not within 1 s"
previews=() sizes=()
for n in $(seq 0 99); do
    shot=$preview/child-$n.ppm
    [ -f "$shot" ] || break
    sizes+=("$(head -c 16 "$shot" | sed -n 2p)")
    if found=$("$here/match_frame.py" "$shot" "$work/palette.png" "$work/half.txt"); then previews+=("$found"); fi
done
[ "${#sizes[@]}" -gt 0 ] || fail "screensaver /p: no child window in the preview window"
for size in "${sizes[@]}"; do [ "$size" = "320 240" ] || fail "screensaver /p: the child window is $size"; done
[ "${#previews[@]}" -ge 3 ] || fail "screensaver /p: ${#previews[@]} read-backs are frames at half size"
printf '%s\n' "${previews[@]}" | sort -n -c 2>/dev/null && [ "${previews[0]:-0}" -lt "${previews[-1]:-0}" ] ||
    fail "screensaver /p: the frames do not advance (${previews[*]})"
wine64 reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
echo "screensaver /p: a 320 x 240 child window; ${#previews[@]} of ${#sizes[@]} read-backs are frames at half size" \
    "(${previews[0]:-?}..${previews[-1]:-?}); ended $ended_ms ms after its window went, exit code $code"

# What the shown pages cost: the scaled program at 1920 x 1080 beside the
# classic one at 640 x 480, each over 20 seconds.
# cpu_over_20s DISPLAY X Y LOADER PROGRAM: the program's CPU (hundredths of
# a second) over 20 s once it runs on a screen of that size; Escape ends it.
cpu_over_20s() {
    local before after
    start_display "$1"
    start "$release" "$4" "$5"
    x xdotool windowfocus "$(find_window Nightwick)" 2>/dev/null
    sleep 1
    x xdotool mousemove "$2" "$3" click 1
    sleep 2
    before=$(cpu_used "$5")
    sleep 20
    after=$(cpu_used "$5")
    press "$2" "$3" Escape
    wait_end 10
    cpu=$((${after:-0} - ${before:-0}))
}
read -r scaled_loader scaled <<<"${scaled_programs[-1]}"
cpu_over_20s 1920x1080x24 960 540 "$scaled_loader" "$scaled"
scaled_cpu=$cpu
cpu_over_20s 640x480x24 320 240 "$loader" "$exe"
echo "CPU over 20 s: $scaled at 1920 x 1080 $scaled_cpu hundredths of a second; $exe at 640 x 480 $cpu hundredths"

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all Wine checks passed"
