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
    own_display Xvfb -screen 0 "$1" -nolisten tcp -noreset || { echo "Xvfb $1 did not start"; exit 1; }
}
# own_display SERVER ARGUMENTS...: an X server on a display of its own, as
# other tests may run beside this one: ours once its lock file names our
# server and it answers (-noreset: a server resets when its last client
# leaves, and refuses connections meanwhile). A number another holds is
# tried again with another.
own_display() {
    local start=$SECONDS
    while [ $((SECONDS - start)) -lt 60 ]; do
        display=":$((100 + RANDOM % 400))"
        export DISPLAY=$display
        "$1" "$display" "${@:2}" >"$work/xvfb.log" 2>&1 &
        xvfb=$!
        while kill -0 "$xvfb" 2>/dev/null && [ $((SECONDS - start)) -lt 60 ]; do
            [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X${display#:}-lock")" = "$xvfb" ] &&
                xdpyinfo -display "$display" >/dev/null 2>&1 && return 0
            sleep 0.1
        done
        kill "$xvfb" 2>/dev/null
    done
    return 1
}
x() { DISPLAY=$display "$@"; }
find_window() { x timeout "${2:-60}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
# Without a window manager nothing gives a new window the focus, as Windows
# would, and the mode change at start-up can take it away again: give it
# until the program runs (an inactive one stays on its first frame).
# focus WINDOW [MATCH ARGUMENTS...]
focus() {
    local window=$1 until=$((SECONDS + 60))
    shift
    while [ "$SECONDS" -lt "$until" ]; do
        x xdotool windowfocus "$window" 2>/dev/null
        match_tries=3 match_screenshot "$@" >/dev/null && [ "$frame" -gt 2 ] && return 0
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
# Takes screenshots until one is a whole frame, and one shown at only one
# frame of the headless run (a torn one is retried, and so is a page that
# repeats, such as the empty scene, which tells no frame number); sets
# `frame` and `shot_at` (ns). Arguments go to match_frame.py (--step 2 for
# a page scaled twice).
match_screenshot() {
    local torn=0
    for _ in $(seq "${match_tries:-60}"); do
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
# gone_within SECONDS: whether the program ends within SECONDS (it is left running).
gone_within() {
    for _ in $(seq $(($1 * 20))); do
        kill -0 "$program" 2>/dev/null || return 0
        sleep 0.05
    done
    return 1
}
# press_until_end X Y KEY: presses KEY until the program ends (a window may
# take a moment to have the keyboard); then as wait_end.
press_until_end() {
    for _ in $(seq 30); do
        press "$1" "$2" "$3"
        gone_within 1 && break
    done
    wait_end 10
}
# move_until_end: moves the mouse to and fro until the program ends (a
# screensaver lets the pointer settle first); then as wait_end.
move_until_end() {
    for n in $(seq 60); do
        x xdotool mousemove $((100 + n % 2 * 300)) $((100 + n % 2 * 200))
        gone_within 1 && break
    done
    wait_end 10
}
# picture_moves: polls until a screenshot differs from the one before it
# (a running program changes the picture many times while one is taken).
picture_moves() {
    shot moves2
    for _ in $(seq 120); do
        mv "$work/moves2.ppm" "$work/moves1.ppm" && shot moves2 && ! cmp -s "$work/moves1.ppm" "$work/moves2.ppm" &&
            return 0
    done
    return 1
}
# tool ARGUMENTS...: the 64-bit window tool, for what Windows says of a window.
tool() { x wine64 "$windows/x86_64/window-tool.exe" "$@" 2>/dev/null | tr -d '\r'; }
# state_is TITLE PATTERN: polls for up to a minute until the window's
# "iconic visible left top right bottom" matches PATTERN (a shell pattern);
# sets `state`, which says when there was no such window and whether the
# program had ended.
state_is() {
    local until=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$until" ]; do
        state=$(tool state "$1")
        [[ $state == $2 ]] && return 0
        sleep 0.2
    done
    [ -n "$state" ] && return 1
    state="nowhere: no such window, and the program $(kill -0 "$program" 2>/dev/null && echo runs || echo "has ended")"
    return 1
}
# frames_advance NAME MATCH ARGUMENTS...: polls screenshots (of --area
# X,Y,W,H, the page scaled --step times or --fit into it) until two
# different frames of the headless run were seen, the later after the
# earlier; sets `frames`.
frames_advance() {
    local first=""
    frames=""
    shift
    for _ in $(seq 20); do
        match_screenshot "$@" || return 1
        if [ -z "$first" ]; then first=$frame; elif [ "$frame" -gt "$first" ]; then
            frames="$first..$frame"
            return 0
        fi
    done
    return 1
}
# shot NAME: a screenshot of the whole screen into $work/NAME.ppm.
shot() { x xwd -root -silent | xwdtopnm >"$work/$1.ppm" 2>/dev/null; }
# comes_to_rest: polls until a screenshot is the same as the one before it.
comes_to_rest() {
    shot rest2
    for _ in $(seq 120); do
        mv "$work/rest2.ppm" "$work/rest1.ppm" && shot rest2 && cmp -s "$work/rest1.ppm" "$work/rest2.ppm" && return 0
    done
    return 1
}
# pixels EXPRESSION: evaluates a Python expression over the screenshots
# `a` and `b` (PIL images, b may be absent); exits 0 when it is true.
pixels() {
    /usr/bin/python3 -c "import os, sys
from PIL import Image
a = Image.open('$work/a.ppm')
b = Image.open('$work/b.ppm') if os.path.exists('$work/b.ppm') else None
sys.exit(0 if ($1) else 1)"
}

# close_box WHAT X Y [CODE]: Enter closes the program's error box and it ends with CODE (0).
close_box() {
    press_until_end "$2" "$3" Return
    [ "$code" = "${4:-0}" ] || fail "$1: exit code $code after the error box"
    echo "$1: an error box, closed with Enter; exit code $code"
}

# shots_and_rate NAME COUNT [MATCH ARGUMENTS...]: COUNT screenshots a second
# apart, each a frame of the headless run; the frame rate from the second
# on, once it runs. A rate off 60 is measured again, twice at most, over
# the span between two more screenshots: a machine busy for a moment draws
# fewer frames then, a program that keeps the wrong pace does so every
# time. Sets `matched`, `start_frame`, `frame` and `rate` (every rate
# measured).
shots_and_rate() {
    local name=$1 count=$2 first_frame="" first_at="" measured="" hundredths
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
    for attempt in 1 2 3; do
        if [ "$attempt" -gt 1 ]; then
            match_screenshot "$@" || break
            first_frame=$frame first_at=$shot_at
            sleep 2
            match_screenshot "$@" || break
        fi
        hundredths=$(((frame - first_frame) * 100000000000 / (shot_at - first_at)))
        measured+="${measured:+, }$((hundredths / 100)).$(printf %02d $((hundredths % 100)))"
        [ "$hundredths" -ge 5500 ] && [ "$hundredths" -le 6300 ] && break
    done
    rate=$measured
    [ "$hundredths" -ge 5500 ] && [ "$hundredths" -le 6300 ] || fail "$name: $rate frames per second, not 60"
}

release=$work/release
unzip -q "$windows/nightwick-windows.zip" -d "$release" || { echo "cannot unpack nightwick-windows.zip"; exit 1; }
echo "frame checksums of the headless run (40,000 frames, 11 minutes)"
(cd "$release" && "$capture" --frames 40000 --checksums --png 1="$work/palette.png") >"$work/checksums.txt" 2>/dev/null ||
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
    if [ -x /usr/lib/wine/wine ]; then
        why="this machine cannot start 32-bit programs (the kernel refuses them)"
    else
        why="Wine's 32-bit side (wine32:i386) is not installed"
    fi
    echo "SKIPPED: $why: the 32-bit nightwick.exe, nightwick-scaled.exe and Nightwick.scr are not run;" \
        "their 64-bit builds are"
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

# Libraries named like system ones beside the classic program, which Wine
# is told to prefer: none is loaded from its folder, but a DirectDraw put
# there on purpose (a wrapper) is; this one has no DirectDraw, so set-up
# fails and says so.
planted=$work/planted
cp -r "$release" "$planted"
marker=$windows/$([[ $loader == wine64 ]] && echo x86_64/)marker.dll
for module in winmm avifil32; do cp "$marker" "$planted/$module.dll"; done
WINEDLLOVERRIDES="winmm,avifil32=n,b" start "$planted" "$loader" "$exe"
window=$(find_window Nightwick)
[ -n "$window" ] && focus "$window" || fail "$exe beside winmm.dll and avifil32.dll: it never ran"
press_until_end 320 240 Escape
ls "$planted"/loaded-* >/dev/null 2>&1 && fail "$exe loaded a library from its own folder: $(ls "$planted"/loaded-*)"
rm -f "$planted"/*.dll && cp "$marker" "$planted/ddraw.dll"
WINEDLLOVERRIDES="ddraw=n,b" start "$planted" "$loader" "$exe"
if [ -n "$(find_window Error 20)" ]; then close_box "$exe beside a ddraw.dll" 320 240; else
    fail "$exe beside a ddraw.dll without DirectDraw: no error box"
    wait_end 5
fi
ls "$planted" | grep -qix 'loaded-ddraw.dll.txt' || fail "$exe did not load the ddraw.dll beside it"
echo "$exe: neither winmm.dll nor avifil32.dll beside it was loaded; the ddraw.dll beside it was"
if [[ $main == wine64* ]]; then scaled_programs=("wine64 nightwick-scaled64.exe"); else
    scaled_programs=("wine nightwick-scaled.exe" "wine64 nightwick-scaled64.exe"); fi

# The scaled programs on a 1280 x 960 screen: the screen keeps its mode, each
# screenshot is the page scaled twice, the focus taken away pauses it and
# given back resumes it with the scene whole.
start_display 1280x960x24
# Without a window manager Wine shows a window minimised (as the scaled
# programs are without the focus) and restores it only for windows it
# manages none of itself.
wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
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
    # Without the focus it steps aside, minimised; with it back it runs on.
    paused_at=$frame
    x xdotool search --name '^elsewhere$' windowfocus 2>/dev/null
    state_is Nightwick "1 *" || fail "$scaled: not minimised without the focus"
    tool activate Nightwick
    frames_advance "$scaled" --area 0,0,1280,960 --step 2 && [ "${frames%..*}" -gt "$paused_at" ] ||
        fail "$scaled: activated again, it did not run on with the scene whole"
    resumed=${frames#*..}
    # Without a window manager the keyboard follows the X focus alone.
    x xdotool windowfocus "$(find_window Nightwick 5)" 2>/dev/null
    press_until_end 640 480 Escape || fail "$scaled: Escape did not end it"
    [ "$code" = 0 ] || fail "$scaled: exit code $code after Escape"
    echo "$scaled at 1280 x 960: $matched screenshots matched frames scaled exactly twice, the screen stayed $size;" \
        "$rate frames per second; minimised without the focus, ran on to frame $resumed with it;" \
        "ended ${took:-?} ms after Escape with exit code $code"
done
# Pictures in the folder that cannot be shown (an empty background, a
# sheet of random bytes): the scaled program and the screensaver show the
# headless run's frames from the copies they carry, and say why.
bad=$work/bad
cp -r "$release" "$bad" && : >"$bad/VeskBack.pcx" && head -c 30000 /dev/urandom >"$bad/Mosquito.pcx"
read -r scaled_loader scaled <<<"${scaled_programs[-1]}"
for run in "$scaled_loader $scaled" "${screensaver[0]} $(basename "${screensaver[1]}") /s"; do
    WINEDEBUG=-all,+debugstr start "$bad" $run
    window=$(find_window Nightwick)
    if [ -n "$window" ] && focus "$window" --step 2 && frames_advance "$run" --step 2; then
        for picture in VeskBack Mosquito; do
            grep -q "Nightwick: $picture.pcx in the working folder .*; the program's own copy is shown" \
                "$work/program.log" || fail "$run: no word of the $picture.pcx it passed over"
        done
        echo "$run beside an empty VeskBack.pcx and a Mosquito.pcx of random bytes: frames $frames at every" \
            "pixel; it said: $(grep -o 'Nightwick: [^"\]*' "$work/program.log" | sort -u | paste -sd' ')"
    else
        fail "$run beside pictures it cannot show: no frames of the headless run"
    fi
    x xdotool windowfocus "$(find_window Nightwick 5)" 2>/dev/null
    press_until_end 640 480 Escape
done

kill "$elsewhere_pid" 2>/dev/null
wine64 reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
start_display 640x480x24

# A picture it cannot show is said in a box, before the display changes
# mode, naming the picture and the folder; Enter closes it and it ends with
# 1: without the background, and started from a folder without pictures.
missing=$work/missing
cp -r "$release" "$missing" && rm "$missing/VeskBack.pcx"
mkdir -p "$work/elsewhere"
for case in "$missing $exe VeskBack.pcx" "$work/elsewhere $release/$exe Rail.pcx"; do
    read -r folder program picture <<<"$case"
    start "$folder" "$loader" "$program"
    what="$exe started in $(basename "$folder")"
    if [ -n "$(find_window Nightwick 10)" ] && text=$(tool text Nightwick) &&
        [[ $text == *"$picture is not there"* && $text == *"${folder##*/}"* ]]; then
        close_box "$what" 320 240 1
    else
        fail "$what: no box naming $picture and the folder (${text:-no text})"
        wait_end 5
    fi
done

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
    press_until_end 320 240 Return
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
move_until_end || fail "screensaver /s: a mouse move did not end it"
[ "$code" = 0 ] || fail "screensaver /s: exit code $code"
echo "screensaver /s: a mouse move ended it after ${took:-?} ms; exit code $code"

# A display that cannot take the 640 x 480 mode: the setup error box; the
# scaled program runs there, the page scaled 1.6 times to 1024 x 768, every
# pixel by the nearest rule.
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
    frames_advance "$scaled" --fit 640x480 || fail "$scaled at 1024 x 768: no frames scaled by the nearest rule advance"
    press_until_end 512 384 Escape
    [ "$code" = 0 ] || fail "$scaled at 1024 x 768: exit code $code"
    echo "$scaled at 1024 x 768: runs without an error box, frames $frames at every pixel; Escape ends it with $code"
else
    fail "$scaled at 1024 x 768: no window, or an error box"
    wait_end 5
fi

# The screensaver's preview: a settings dialog of another program on the
# same desktop (a Wine virtual desktop), laid out as Windows lays it out: a
# list that has the focus and beside it the preview, a static control,
# whose handle it passes with /p. The preview is empty until the child
# window is there, then 320 x 240, then 640 x 480: the child must come to
# cover it exactly at each size, which it does only as it shows its pages.
# The list keeps its place, its focus and its pixels; no top-level window of
# the screensaver appears and the dialog keeps the activation; and it notes
# how the screensaver ended. (Wine shows nothing a process draws in a child
# of another process's window, so the frames there cannot be seen.)
preview=$work/preview
mkdir -p "$preview"
start_display 1024x768x24
wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
saver_windows=$(x wine64 winepath -w "${screensaver[-1]}" 2>/dev/null | tr -d '\r')
preview_exe=$windows/$([[ ${screensaver[0]} == wine64 ]] && echo x86_64/)preview-window.exe
(x "${screensaver[0]}" explorer /desktop=preview,1024x768 "$preview_exe" 120 "Z:${preview//\//\\}" "$saver_windows" \
    >/dev/null 2>&1 &)
# The focused list in every screenshot until the dialog closes, as in the
# first; two at each size before the dialog goes on to the next.
shots=0 list_changed=0
declare -A shots_at=()
started=$SECONDS
while [ ! -f "$preview/ended.txt" ] && [ $((SECONDS - started)) -lt 150 ]; do
    if [ -f "$preview/fits.txt" ]; then
        x xwd -root -silent | xwdtopnm >"$work/preview.ppm" 2>/dev/null
        [ -f "$preview/ended.txt" ] && break
        read -r list_x list_y list_w list_h < <(tr -d '\r' <"$preview/list.txt")
        /usr/bin/python3 -c "from PIL import Image
Image.open('$work/preview.ppm').crop(($list_x, $list_y, $list_x + $list_w, $list_y + $list_h)).save('$work/list.ppm')"
        [ -f "$work/list_first.ppm" ] || cp "$work/list.ppm" "$work/list_first.ppm"
        cmp -s "$work/list.ppm" "$work/list_first.ppm" || list_changed=$((list_changed + 1))
        shots=$((shots + 1))
        size=$(grep -c . "$preview/fits.txt")
        shots_at[$size]=$((${shots_at[$size]:-0} + 1))
        [ "${shots_at[$size]}" -lt 2 ] || : >"$preview/seen-$size.txt"
    fi
    sleep 0.2
done
read -r code ended_ms < <(tr -d '\r' 2>/dev/null <"$preview/ended.txt" || echo "never")
fits=$(tr -d '\r' 2>/dev/null <"$preview/fits.txt" | paste -sd ',')
[ -s "$preview/faults.txt" ] && fail "screensaver /p: $(sort -u "$preview/faults.txt" | tr -d '\r' | paste -sd ';')"
[ "$fits" = "320 240,640 480" ] || fail "screensaver /p: its child covered the preview at (${fits:-no size}), not at both"
rm -f "$preview"/seen-*.txt
[ "$shots" -ge 4 ] && [ "$list_changed" -eq 0 ] ||
    fail "screensaver /p: the focused list's pixels changed in $list_changed of $shots screenshots"
[ "$code" = 0 ] || fail "screensaver /p: ended with $code ${ended_ms:-}"
[ "${ended_ms:-9999}" -le 1000 ] || fail "screensaver /p: it ended ${ended_ms:-?} ms after its window went, not within 1 s"
echo "screensaver /p in a dialog whose list has the focus: a child window from the start, never a top-level one," \
    "covering the preview exactly at 320 x 240 and 640 x 480; the dialog kept the activation, the list its place," \
    "focus and pixels ($shots screenshots); ended with $code $ended_ms ms after its window went"

# The dialog closed at any moment of the screensaver's start: it ends
# within 5 s every time, whatever it was doing.
left_running=()
for try in $(seq 20); do
    ms=$((RANDOM % 1001))
    rm -f "$preview/ended.txt"
    (x "${screensaver[0]}" explorer /desktop=preview,1024x768 "$preview_exe" close-after "$ms" \
        "Z:${preview//\//\\}" "$saver_windows" >/dev/null 2>&1 &)
    for _ in $(seq 300); do [ -f "$preview/ended.txt" ] && break; sleep 0.1; done
    ended=$(tr -d '\r' 2>/dev/null <"$preview/ended.txt")
    [[ -n $ended && $ended != running ]] || left_running+=("$ms ms: ${ended:-no answer}")
done
[ "${#left_running[@]}" -eq 0 ] || fail "screensaver /p, the dialog closed during its start: ${left_running[*]}"
echo "screensaver /p: the dialog closed 0 to 1,000 ms into its start, 20 times: it ended within 5 s each time"
wine64 reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1

# Two monitors side by side: Xorg with the dummy driver, 1280 x 960 (the
# primary) and 1024 x 768 right of it. Xorg needs root here; without it the
# checks are skipped and say so.
# start_dual_display: sets `display`; fails when Xorg cannot start.
start_dual_display() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    xvfb=""
    command -v Xorg >/dev/null && [ "$(id -u)" -eq 0 ] || return 1
    cat >"$work/xorg.conf" <<'CONF'
Section "ServerFlags"
    Option "AutoAddDevices" "false"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 256000
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual 4096 2160
    EndSubSection
EndSection
CONF
    own_display Xorg -config "$work/xorg.conf" -noreset -nolisten tcp -logfile "$work/xorg.log" || return 1
    x xrandr --newmode m1024 63.50 1024 1072 1176 1328 768 771 775 798 -hsync +vsync 2>/dev/null
    x xrandr --addmode DUMMY1 m1024 2>/dev/null
    place_monitors 1280x960
}
# place_monitors MODE: the primary in MODE, the second right of it; waits
# until Wine would see both placed, since one started too early sees one.
# The screen keeps the size of the widest layout: to shrink it, xrandr would
# turn the primary off for a moment, and the X server would move the pointer
# onto the second monitor, a move nobody made that wakes a screensaver. On
# Windows the pointer stays where it is while that is still on a monitor.
place_monitors() {
    x xrandr --fb 2304x960 --output DUMMY0 --mode "$1" --pos 0x0 --primary &&
        x xrandr --fb 2304x960 --output DUMMY1 --mode m1024 --right-of DUMMY0 || return 1
    local width=${1%x*} until=$((SECONDS + 60))
    while [ "$SECONDS" -lt "$until" ]; do
        x xrandr | grep -q "^DUMMY1 connected ${2:-}1024x768+$width+0" && return 0
        sleep 0.1
    done
    return 1
}
if ! start_dual_display; then
    echo "two monitors: skipped, Xorg with the dummy driver cannot start here (it needs root)"
else
    read -r scaled_loader scaled <<<"${scaled_programs[0]}"
    read -r saver_loader saver_path <<<"${screensaver[*]}"
    saver=$(basename "$saver_path")
    bits=$([[ $saver_loader == wine64 ]] && echo x86_64/ || echo "")
    # Without a window manager Wine shows a minimised window only when it
    # manages none itself.
    wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    primary=0,0,1280,960

    # The screensaver alone in a folder whose name holds spaces, "-p" and a
    # character outside the ANSI code page, with libraries named like system
    # ones beside it that Wine is told to prefer: the scene on the primary
    # monitor, animated, the other black; no library from its folder.
    alone="$work/my -p screens ü"
    mkdir -p "$alone"
    cp "$saver_path" "$alone/"
    for module in avifil32 winmm; do cp "$windows/${bits}marker.dll" "$alone/$module.dll"; done
    x xdotool mousemove 100 100
    WINEDLLOVERRIDES="avifil32,winmm=n,b" start "$alone" "$saver_loader" "$alone/$saver" /s
    if frames_advance "$saver /s" --area "$primary" --step 2; then
        echo "$saver /s on two monitors, alone in \"$(basename "$alone")\": frames $frames on the primary"
    else
        fail "$saver /s on two monitors: the primary does not show the scene advancing"
    fi
    shot a && rm -f "$work/b.ppm"
    pixels "a.crop((1280, 0, 2304, 768)).getextrema() == ((0, 0), (0, 0), (0, 0))" ||
        fail "$saver /s: the second monitor is not black"
    ls "$alone"/loaded-* >/dev/null 2>&1 && fail "$saver /s loaded a library from its own folder: $(ls "$alone"/loaded-*)"
    # A mode change refits the black window to the second monitor.
    place_monitors 640x480
    state_is "Nightwick black" "0 1 640 0 1664 768" || fail "$saver /s: after a mode change the black window is at $state"
    place_monitors 1280x960
    move_until_end || fail "$saver /s on two monitors: a mouse move did not end it"
    [ "$code" = 0 ] || fail "$saver /s on two monitors: exit code $code after a mouse move"
    echo "$saver /s: the second monitor black, its black window refitted to a mode change," \
        "no library from its folder; a mouse move ended it with $code"

    # Losing the activation ends the screensaver.
    x xdotool mousemove 100 100
    start "$release" "${screensaver[@]}" /s
    frames_advance "$saver /s" --area "$primary" --step 2 >/dev/null || fail "$saver /s: it never ran"
    (x wine64 "$windows/x86_64/window-tool.exe" front 5 >/dev/null 2>&1 &)
    wait_end 20 || fail "$saver /s: it ran on without the activation"
    [ "$code" = 0 ] || fail "$saver /s: exit code $code after losing the activation"
    echo "$saver /s: another program's window took the activation; it ended with $code"

    # The scaled program covers the primary monitor only, minimises when
    # another program is activated and comes back whole; it pauses while
    # the session is away or the display off, and fits a mode change.
    start "$release" "$scaled_loader" "$scaled"
    window=$(find_window Nightwick)
    focus "$window" --area "$primary" --step 2 || fail "$scaled on two monitors: it never ran, even with the focus"
    frames_advance "$scaled" --area "$primary" --step 2 || fail "$scaled on two monitors: the scene does not advance"
    state_is Nightwick "0 1 0 0 1280 960" || fail "$scaled on two monitors: its window is at $state, not the primary"
    (x wine64 "$windows/x86_64/window-tool.exe" front 4 >/dev/null 2>&1 &)
    state_is Nightwick "1 *" || fail "$scaled: not minimised when another window was activated"
    shot minimised
    "$here/match_frame.py" "$work/minimised.ppm" "$work/palette.png" "$work/checksums.txt" --area "$primary" \
        --step 2 >/dev/null && fail "$scaled: minimised, its picture still covers the monitor"
    for _ in $(seq 100); do [ -z "$(x xdotool search --name '^Elsewhere$' 2>/dev/null)" ] && break; sleep 0.2; done
    tool activate Nightwick
    state_is Nightwick "0 1 0 0 1280 960" || fail "$scaled: not restored whole when activated again"
    frames_advance "$scaled" --area "$primary" --step 2 || fail "$scaled: restored, its frames do not advance"
    echo "$scaled on two monitors: covers the primary only; minimised while another program was active," \
        "restored whole (frames $frames)"
    # Windows' own messages, posted as Windows sends them: a locked session
    # and a display turned off pause it, and their ends let it run on.
    # Locked and connected are two states: connected again, a locked session
    # is still locked.
    for change in "session 7 still locked" "session 2 still disconnected" "session 1 still locked,_connected_again" \
        "session 8 runs unlocked" "display 0 still off" "display 1 runs on"; do
        read -r kind value expect what <<<"${change//_/ }"
        tool "$kind" Nightwick "$value" >/dev/null
        if [ "$expect" = still ]; then
            comes_to_rest || fail "$scaled: it ran on with the $kind $what"
        else
            frames_advance "$scaled" --area "$primary" --step 2 >/dev/null || fail "$scaled: it did not run on with the $kind $what"
        fi
    done
    # Paused, the monitor changes mode: the window fits it and paints its
    # last page again at the new size, where the program draws nothing.
    tool session Nightwick 7 >/dev/null
    comes_to_rest && cp "$work/rest2.ppm" "$work/a.ppm"
    place_monitors 640x480
    state_is Nightwick "0 1 0 0 640 480" || fail "$scaled: not refitted to a 640 x 480 monitor"
    for _ in $(seq 10); do
        shot b
        pixels "a.crop((0, 0, 1280, 960)).resize((640, 480), Image.NEAREST) == b.crop((0, 0, 640, 480))" && break
    done || fail "$scaled: paused and refitted, the window does not show its last page at the new size"
    tool session Nightwick 8 >/dev/null
    place_monitors 1280x960
    press_until_end 640 480 Escape || fail "$scaled on two monitors: Escape did not end it"
    echo "$scaled: paused while the session was locked and the display off, ran on after;" \
        "refitted to a mode change while paused, showing its last page at the new size"
    # Started with the pointer on the second monitor, it covers that one.
    x xdotool mousemove 1600 300
    start "$release" "$scaled_loader" "$scaled"
    state_is Nightwick "0 1 1280 0 2304 768" || fail "$scaled started on the second monitor: its window is at $state"
    # The monitor to its left shrinks, then grows: the second monitor moves
    # left and back, and the window with it, where its old corner lies on
    # the first.
    place_monitors 640x480
    state_is Nightwick "0 1 640 0 1664 768" || fail "$scaled: the monitor to its left shrank; its window is at $state"
    place_monitors 1280x960
    state_is Nightwick "0 1 1280 0 2304 768" || fail "$scaled: the monitor to its left grew; its window is at $state"
    press_until_end 1600 300 Escape
    echo "$scaled started with the pointer on the second monitor covers that monitor, and stays on it, covering it" \
        "exactly, while the monitor to its left shrinks and grows"
    wine64 reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1
fi

# What the shown pages cost: the scaled program at 1920 x 1080 beside the
# classic one at 640 x 480, each over 20 seconds: the program, the
# wineserver and the X server, which copies what it is given. At 1920 x 1080
# the page is scaled 2.25 times with bars, and the window is given only what
# changed: a screenshot before and one after are checked at every pixel.
# cpu_over_20s DISPLAY X Y LOADER PROGRAM [MATCH ARGUMENTS...]: sets `cpu`
# to the three shares of a core, from the span measured, once it runs on a
# screen of that size; Escape ends it.
ticks() {
    local pid
    for pid in "$(pgrep -f "$1" | head -1)" "$(pgrep -x 'wineserver(32|64)?' | head -1)" "$xvfb"; do
        if [ -n "$pid" ] && [ -r "/proc/$pid/stat" ]; then awk '{print $14 + $15}' "/proc/$pid/stat"; else echo 0; fi
    done
}
percent() { printf '%d.%02d%%' $(($1 / 100)) $(($1 % 100)); }
cpu_over_20s() {
    local -a before after share=()
    local began elapsed_ms i ticks_per_second
    ticks_per_second=$(getconf CLK_TCK)
    start_display "$1"
    start "$release" "$4" "$5"
    x xdotool windowfocus "$(find_window Nightwick)" 2>/dev/null
    x xdotool mousemove "$2" "$3" click 1
    picture_moves || echo "$5 at $1: the picture never moved"
    if [ $# -gt 5 ]; then
        frames_advance "$5" "${@:6}" || fail "$5 at $1: no frames scaled by the nearest rule advance"
    fi
    began=$(date +%s%N)
    mapfile -t before < <(ticks "$5")
    sleep 20
    mapfile -t after < <(ticks "$5")
    elapsed_ms=$((($(date +%s%N) - began) / 1000000))
    if [ $# -gt 5 ]; then
        local earlier=${frames#*..}
        match_screenshot "${@:6}" && [ "$frame" -gt "${earlier:-0}" ] ||
            fail "$5 at $1: after 20 s the screen is no frame after ${earlier:-?} at every pixel"
        frames="$frames, $frame"
    fi
    for i in 0 1 2; do share+=($(((after[i] - before[i]) * 10000000 / (ticks_per_second * elapsed_ms)))); done
    cpu="$(percent "${share[0]}") + wineserver $(percent "${share[1]}") + X server $(percent "${share[2]}")"
    cpu="$cpu = $(percent $((share[0] + share[1] + share[2])))"
    press_until_end "$2" "$3" Escape
}
read -r scaled_loader scaled <<<"${scaled_programs[-1]}"
cpu_over_20s 1920x1080x24 960 540 "$scaled_loader" "$scaled" --fit 640x480
echo "$scaled at 1920 x 1080: frames $frames at every pixel"
scaled_cpu=$cpu
cpu_over_20s 640x480x24 320 240 "$loader" "$exe"
echo "CPU over 20 s, share of a core: $scaled at 1920 x 1080 $scaled_cpu; $exe at 640 x 480 $cpu"

[ "$failures" -eq 0 ] || { echo "$failures checks failed"; exit 1; }
echo "all Wine checks passed"
