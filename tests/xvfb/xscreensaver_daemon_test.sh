#!/usr/bin/env bash
# The hack run by the real xscreensaver daemon: named in ~/.xscreensaver with
# --root, it is started by `xscreensaver-command -activate` and fills the
# screen with a frame of the headless run; `-deactivate` ends it, and
# nothing of it is left running. xscreensaver runs no hacks as root, so as
# root the daemon runs as a throwaway user. Exits 77 (skipped) only where
# xscreensaver cannot run at all.
# Usage: xscreensaver_daemon_test.sh NIGHTWICK COMPARE_SCREENSHOT PICTURE_DIRECTORY
set -uo pipefail
nightwick=$(realpath "$1") compare=$(realpath "$2") pictures=$(realpath "$3")
skip() {
    echo "SKIPPED: $*"
    exit 77
}
for tool in xscreensaver xscreensaver-command xwininfo pgrep; do
    command -v "$tool" >/dev/null || skip "there is no $tool"
done
source "$(dirname "$0")/xvfb_helpers.sh"

if [ "$(id -u)" -eq 0 ]; then
    user=nightwick-saver
    if ! id "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --shell /usr/sbin/nologin "$user" || skip "cannot add a user to run it as"
    fi
    as_user() { runuser -u "$user" -- "$@"; }
else
    user=$(id -un)
    as_user() { "$@"; }
fi
# Another user's X clients need the server open to them.
start_xvfb 640x480x24 -ac
chmod 755 "$work"
home=$work/home
mkdir "$home"
chown "$user" "$home"
# The built hack, where that user can reach it; else a copy of it with its pictures.
hack=$nightwick
if ! as_user test -x "$nightwick" -a -r "$pictures/Lamp.pcx"; then
    mkdir "$work/hack"
    cp "$nightwick" "$pictures"/*.pcx "$work/hack/"
    hack=$work/hack/nightwick
fi

cat >"$home/.xscreensaver" <<SETTINGS
timeout:	1:00:00
cycle:		0
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
mode:		one
selected:	0
programs:	$hack --root \\n
SETTINGS
chown "$user" "$home/.xscreensaver"

saver() {
    as_user env -i HOME="$home" DISPLAY="$display" PATH=/usr/bin:/bin \
        ASAN_OPTIONS="$ASAN_OPTIONS" UBSAN_OPTIONS="${UBSAN_OPTIONS:-}" "$@"
}
saver xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
daemon=$!
# Until it answers, or has given up (as it does where it cannot run).
daemon_up() { saver xscreensaver-command -version >/dev/null 2>&1 || { ended "$daemon" >/dev/null && return 0; echo "no answer"; return 1; }; }
wait_until 60 "the xscreensaver daemon to answer" daemon_up
if ! saver xscreensaver-command -version >/dev/null 2>&1; then
    cat "$work/daemon.log"
    grep -qi "root" "$work/daemon.log" && skip "xscreensaver does not run here"
    echo "the xscreensaver daemon did not start"
    exit 1
fi
stop_daemon() {
    saver xscreensaver-command -exit >/dev/null 2>&1
    cleanup
}
trap stop_daemon EXIT

hack_pids() { pgrep -u "$user" -x -f "$hack --root"; }
since=$SECONDS
saver xscreensaver-command -activate || exit 1
pid=$(wait_until 60 "xscreensaver to start the hack" hack_pids | head -1)
[ -n "$pid" ] || { echo "xscreensaver did not start the hack"; cat "$work/daemon.log"; exit 1; }
echo "xscreensaver started the hack as process $pid"
# The screen stays black until the hack has started and drawn.
root=$(DISPLAY=$display xwininfo -root | awk '/Window id:/{print $4}')
frame=$(frame_of "$root") || { echo "the screen does not show a frame of the program"; exit 1; }
# For a person to look at, where the build can be written to.
cp "$work/frame.ppm" "$pictures/xscreensaver_screen.ppm" 2>/dev/null
echo "the screen shows frame $frame"

saver xscreensaver-command -deactivate || exit 1
wait_until 60 "the hack to end after -deactivate" ended "$pid" || exit 1
left=$(hack_pids)
[ -z "$left" ] || { echo "still running after -deactivate:"; ps -o pid,stat,args -p "$left"; exit 1; }
echo "-deactivate ended the hack; no process of it is left"
exit 0
