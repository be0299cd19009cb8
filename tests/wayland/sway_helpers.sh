# Shared by the Wayland tests: sway run headless as an unprivileged user
# (it refuses root), with a virtual keyboard held open (a headless seat has
# none, and without one no window ever has the focus), Xwayland beside it,
# screenshots by grim, and the program started as that user. Source it after
# xvfb_helpers.sh (for waiting and comparing), then call start_sway
# WIDTHxHEIGHT SCALE.
for tool in sway swaymsg grim wtype Xwayland setpriv /usr/bin/convert; do
    command -v "$tool" >/dev/null || { echo "missing $tool"; exit 1; }
done
as_user=()
[ "$(id -u)" -eq 0 ] && as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
chmod 755 "$work"
# What the user runs: the program and its pictures copied where it may read them.
mkdir -m 755 "$work/installed"
cp "$nightwick" "$pictures"/*.pcx "$work/installed/"
# user_exec [NAME=VALUE...] COMMAND...: the shell (a job's, a subshell) becomes
# COMMAND, run as the test's user in the session's environment alone; a
# job's pid is then the command's own, and killing it ends the command.
user_exec() {
    exec "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$work" XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY=wayland-1 \
        ASAN_OPTIONS="$ASAN_OPTIONS" "$@"
}
user_env() { (user_exec "$@"); }
sway_up() { [ -S "$runtime/wayland-1" ] && ls "$runtime"/sway-ipc.*.sock >/dev/null 2>&1 || { echo "no sway yet"; return 1; }; }
swaymsg_() { user_env SWAYSOCK="$(ls "$runtime"/sway-ipc.*.sock)" swaymsg "$@"; }
x_up() { [ -s "$work/x_display" ] || { echo "no Xwayland yet"; return 1; }; }

start_sway() {
    sways=$((${sways:-0} + 1))
    runtime=$work/runtime-$sways  # of its own: a sway that ended may leave its sockets
    mkdir -p "$runtime" && chmod 700 "$runtime"
    [ -n "${as_user[*]}" ] && chown nobody "$runtime"
    cat >"$work/sway.conf" <<CONFIG
output HEADLESS-1 resolution $1 scale $2
xwayland force
exec printenv DISPLAY > $work/x_display
CONFIG
    chmod 644 "$work/sway.conf"
    chmod 777 "$work"
    user_exec WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$work/sway.conf" \
        >"$work/sway.log" 2>&1 &
    sway_pid=$!
    wait_until 60 "sway to start" sway_up >/dev/null || { cat "$work/sway.log"; exit 1; }
    compositor=$sway_pid
    wait_until 60 "Xwayland to start" x_up >/dev/null || { cat "$work/sway.log"; exit 1; }
    user_exec wtype -s 3600000 x >/dev/null 2>&1 &
    keyboard_pid=$!
}
stop_sway() {
    kill "$keyboard_pid" "$sway_pid" 2>/dev/null
    wait "$keyboard_pid" "$sway_pid" 2>/dev/null
    rm -f "$work/x_display"
}

# sway_shot FILE.ppm: the output's pixels.
sway_shot() { user_env grim -t ppm - >"$1" 2>/dev/null && [ -s "$1" ]; }
# sway_frame: the frame of the headless run the output shows now.
sway_frame() {
    local output horizon=$(((SECONDS - since + 10) * 60))
    sway_shot "$work/frame.ppm" || { echo "no screenshot"; return 1; }
    output=$("$compare" "$work/frame.ppm" "$pictures" "$horizon" "$work/kept") || { echo "$output"; return 1; }
    sed -n 's/^the screenshot is frame \([0-9]*\) .*/\1/p' <<<"$output"
}
# node KEY: KEY of the program's window in sway's tree.
node() {
    swaymsg_ -t get_tree | python3 -c "
import json, sys
def walk(n):
    if n.get('name') == 'Nightwick': print(json.dumps(n.get('$1'))); sys.exit(0)
    for c in n.get('nodes', []) + n.get('floating_nodes', []): walk(c)
walk(json.load(sys.stdin)); print('no window named Nightwick'); sys.exit(1)"
}
