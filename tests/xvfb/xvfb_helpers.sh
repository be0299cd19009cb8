# Shared by the Xvfb tests: a private X server, screenshots as PPM, and
# waiting for what a test waits for (a server, a window, a frame, the end of
# a process) by asking again until it is there, never by sleeping a fixed
# time: a loaded machine is slow, not wrong. Source it, then call start_xvfb
# WxHxD [XVFB_OPTION...].
for tool in Xvfb xdotool xwd xdpyinfo /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
# Under the sanitizers, the desktop libraries the program loads (D-Bus,
# xkbcommon, SDL's drivers) keep memory of their own to the end; our own
# code's leaks are checked by the headless whole-program tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0"
work=$(mktemp -d)
display=":$((90 + RANDOM % 400))"
xvfb=""
# A program whose display went away may not end on SIGTERM: what is left
# after 5 s is killed, so no test leaves a program running behind it.
cleanup() {
    local pids
    pids=$(jobs -p)
    for pid in $pids; do kill "$pid" 2>/dev/null; done
    for _ in $(seq 50); do
        local alive=""
        for pid in $pids; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ -z "$alive" ] && break
        sleep 0.1
    done
    for pid in $pids; do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT

# wait_until SECONDS WHAT COMMAND...: runs COMMAND until it succeeds, a
# tenth of a second apart, and passes on what it printed then. Past SECONDS
# it says what it waited for and what COMMAND printed last, and fails.
wait_until() {
    local limit=$1 what=$2 start=$SECONDS output
    shift 2
    until output=$("$@" 2>"$work/wait.err"); do
        if [ $((SECONDS - start)) -ge "$limit" ]; then
            echo "waited $limit s for $what; last seen: ${output:-}$(cat "$work/wait.err")" >&2
            return 1
        fi
        sleep 0.1
    done
    cat "$work/wait.err" >&2
    [ -z "$output" ] || printf '%s\n' "$output"
}

# Each succeeds when its state holds, and otherwise says what it sees.
ended() { ! kill -0 "$1" 2>/dev/null || { echo "process $1 still runs"; return 1; }; }
server_up() { xdpyinfo -display "$display" >/dev/null 2>&1 || { echo "no X server on $display"; return 1; }; }
viewable() {
    local state
    state=$(DISPLAY=$display xwininfo -id "$1" 2>&1 | awk '/Map State:/{print $3}')
    [ "$state" = IsViewable ] || { echo "window $1 is ${state:-not there}"; return 1; }
}
focused() {
    local focus
    focus=$(DISPLAY=$display xdotool getwindowfocus 2>&1)
    [ "$focus" = "$1" ] || { echo "the focus is on $focus, not on $1"; return 1; }
}
# named NAME: the id of a shown window of that name.
named() {
    local id
    for id in $(DISPLAY=$display xdotool search --name "$1" 2>/dev/null); do
        viewable "$id" >/dev/null && { echo "$id"; return 0; }
    done
    echo "no window named $1 is shown"
    return 1
}

# Xvfb on a display of its own: tests run side by side, and a number another
# server holds is tried again with another. The display is ours once its
# lock file names our server and it answers. It never resets: a server
# resets when its last client leaves (the one that asked whether it
# answers), and a program that connects meanwhile is refused.
start_xvfb() {
    local start=$SECONDS
    while [ $((SECONDS - start)) -lt 60 ]; do
        Xvfb "$display" -screen 0 "$1" -nolisten tcp -noreset "${@:2}" >"$work/xvfb.log" 2>&1 &
        xvfb=$!
        while kill -0 "$xvfb" 2>/dev/null && [ $((SECONDS - start)) -lt 60 ]; do
            [ "$(tr -d ' \n' 2>/dev/null <"/tmp/.X${display#:}-lock")" = "$xvfb" ] && server_up >/dev/null && return 0
            sleep 0.1
        done
        kill "$xvfb" 2>/dev/null
        display=":$((90 + RANDOM % 400))"
    done
    echo "waited 60 s for an Xvfb of our own"
    cat "$work/xvfb.log"
    exit 1
}

# open_window WIDTH HEIGHT: a plain window of the test's (by $plain_window),
# as a screensaver daemon gives a hack; sets `window` to its id.
open_window() {
    # Gone first: the file of a window opened before would answer at once.
    rm -f "$work/window_id"
    DISPLAY=$display "$plain_window" "$1" "$2" >"$work/window_id" &
    wait_until 60 "the test's window" test -s "$work/window_id" || exit 1
    window=$(cat "$work/window_id")
}

# shot WINDOW FILE.ppm: the window's pixels. ImageMagick reads a window of
# a DirectColor visual (SDL's choice for a plain window) through its colour
# map, where xwdtopnm does not.
shot() {
    DISPLAY=$display xwd -id "$1" -silent >"$work/shot.xwd" &&
        /usr/bin/convert "xwd:$work/shot.xwd" +set comment -depth 8 "ppm:$2" 2>/dev/null
}

# frame_now WINDOW: the frame of the headless run ($pictures, by $compare)
# that the window shows now. A page that run shows at several frames, or at
# none (not drawn yet, or drawn wrong), names none: it fails and says so.
# The run goes as far as the program can have come: 60 frames a second
# since it started (`since`, in the script's seconds; set it on starting a
# program), and ten seconds more. A fixed number of frames is a time limit
# in disguise: a program slowed by a loaded machine draws past it.
since=0
frame_now() {
    local output horizon=$(((SECONDS - since + 10) * 60))
    shot "$1" "$work/frame.ppm" || { echo "no screenshot of window $1"; return 1; }
    output=$("$compare" "$work/frame.ppm" "$pictures" "$horizon" "$work/kept") || { echo "$output"; return 1; }
    echo "$output" >&2
    sed -n 's/^the screenshot is frame \([0-9]*\) .*/\1/p' <<<"$output"
}

# frame_of WINDOW: prints the frame the window shows, once it shows a page
# that names one; a minute without one fails with what was last seen.
frame_of() { wait_until 60 "window $1 to show a frame of the headless run" frame_now "$1"; }

# still WINDOW: whether the window's pixels stay the same over a quarter
# of a second: the program has stopped drawing. Keeps them in $work/still.ppm.
# drawing WINDOW: whether they change over a quarter of a second.
# changed WINDOW: whether they are no longer those kept: it draws again.
still() {
    shot "$1" "$work/still.ppm" && sleep 0.25 && shot "$1" "$work/now.ppm" || { echo "no screenshot of $1"; return 1; }
    cmp -s "$work/still.ppm" "$work/now.ppm" || { echo "window $1 is still drawn"; return 1; }
}
drawing() {
    shot "$1" "$work/still.ppm" && sleep 0.25 && shot "$1" "$work/now.ppm" || { echo "no screenshot of $1"; return 1; }
    ! cmp -s "$work/still.ppm" "$work/now.ppm" || { echo "window $1 shows the same pixels"; return 1; }
}
# drawn NAME: the id of a shown window of that name that is drawing.
drawn() {
    local id seen
    id=$(named "$1") || { echo "$id"; return 1; }
    seen=$(drawing "$id") || { echo "$seen"; return 1; }
    echo "$id"
}
changed() {
    shot "$1" "$work/now.ppm" || { echo "no screenshot of $1"; return 1; }
    ! cmp -s "$work/still.ppm" "$work/now.ppm" || { echo "window $1 shows the same pixels"; return 1; }
}

# program_window NAME: the id of the window of that name, once it shows a
# frame of the headless run. A program may make a window and drop it for
# another before it draws: the one that shows a frame is the one it keeps.
framed() {
    local id seen
    id=$(named "$1") || { echo "$id"; return 1; }
    seen=$(frame_now "$id" 2>/dev/null) || { echo "$seen"; return 1; }
    echo "window $id shows frame $seen of the headless run" >&2
    echo "$id"
}
program_window() { wait_until 60 "a window named $1 to show a frame of the headless run" framed "$1"; }

# start_program SIZE ARGUMENTS...: starts $nightwick from $pictures with
# ARGUMENTS and sets `program` and `window` once its window shows a frame of
# the headless run and is SIZE (WxH); otherwise the test fails.
start_program() {
    local size=$1
    shift
    since=$SECONDS
    (cd "$pictures" && DISPLAY=$display exec "$nightwick" "$@") \
        >"$work/nightwick.log" 2>&1 &
    program=$!
    window=$(program_window '^Nightwick$') ||
        { echo "the window does not show the program's frame"; cat "$work/nightwick.log"; exit 1; }
    local shown
    shown=$(DISPLAY=$display xdotool getwindowgeometry "$window" | awk '/Geometry/{print $2}')
    [ "$shown" = "$size" ] || { echo "the window is $shown, not $size"; exit 1; }
}

# frame_after WINDOW FRAME: prints the frame the window shows once it is
# past FRAME: the program has drawn (and so read its input) since.
later_than() {
    local frame
    frame=$(frame_now "$1") || return 1
    [ "$frame" -gt "$2" ] && echo "$frame" || { echo "still frame $frame"; return 1; }
}
frame_after() { wait_until 60 "window $1 to show a frame after $2" later_than "$1" "$2"; }

# cpu_shares SECONDS PID...: the CPU time each PID takes over SECONDS, in
# hundredths of a percent of one core, over the span as measured, not as
# asked for; one number a line. cpu_share PID SECONDS: that of one.
cpu_shares() {
    local ticks start elapsed_ms pid seconds=$1
    shift
    ticks=$(getconf CLK_TCK)
    local -a before=()
    for pid in "$@"; do before+=("$(awk '{print $14 + $15}' "/proc/$pid/stat")"); done
    start=$(date +%s%N)
    sleep "$seconds"
    elapsed_ms=$((($(date +%s%N) - start) / 1000000))
    local i=0
    for pid in "$@"; do
        echo $((($(awk '{print $14 + $15}' "/proc/$pid/stat") - before[i]) * 10000000 / (ticks * elapsed_ms)))
        i=$((i + 1))
    done
}
cpu_share() { cpu_shares "$2" "$1"; }
percent() { printf '%d.%02d%%' $(($1 / 100)) $(($1 % 100)); }

# ends_promptly PID [failing]: waits (up to a minute) for PID to end; prints
# its exit code and the time it took, and fails when it took longer than 5 s
# (or $end_limit_ms)
# or its code is not 0 (with `failing`: is 0). A sanitized program on a
# loaded machine takes a quarter of a second to end; one that lingers on its
# own takes longer.
ends_promptly() {
    local pid=$1 expect=${2:-} limit=${end_limit_ms:-5000} start elapsed code
    start=$(date +%s%N)
    while kill -0 "$pid" 2>/dev/null && [ $(($(date +%s%N) - start)) -lt 60000000000 ]; do sleep 0.005; done
    elapsed=$((($(date +%s%N) - start) / 1000000))
    if kill -0 "$pid" 2>/dev/null; then
        echo "still running after $elapsed ms"
        kill -9 "$pid"
        return 1
    fi
    wait "$pid"
    code=$?
    echo "exit code $code, ended after $elapsed ms"
    [ "$elapsed" -le "$limit" ] || return 1
    if [ "$expect" = failing ]; then [ "$code" -ne 0 ]; else [ "$code" -eq 0 ]; fi
}
