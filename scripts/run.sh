#!/usr/bin/env bash
# Builds Nightwick and runs it full screen. Esc or F12 quits.
# Without a display it records the first 20 seconds as a GIF instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${BUILD_PACKAGES[@]}" x11-utils

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$(nproc)" --target nightwick nightwick-capture pictures

# Whether the display named in the environment can be opened.
display_opens() {
    if [ -n "${WAYLAND_DISPLAY:-}" ]; then
        local socket=$WAYLAND_DISPLAY
        [[ $socket == /* ]] || socket="${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/$socket"
        [ -S "$socket" ] && return 0
    fi
    [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

cd build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    display_opens && exec ./nightwick
    named=()
    [ -n "${DISPLAY:-}" ] && named+=("DISPLAY=$DISPLAY")
    [ -n "${WAYLAND_DISPLAY:-}" ] && named+=("WAYLAND_DISPLAY=$WAYLAND_DISPLAY")
    echo "The display named here (${named[*]}) cannot be opened."
else
    echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set)."
fi
echo "Recording the first 20 seconds of the animation instead..."
./tools/capture/nightwick-capture --frames 1200 --gif 1-1200=nightwick.gif
echo "Wrote $(pwd)/nightwick.gif"
