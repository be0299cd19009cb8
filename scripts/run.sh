#!/usr/bin/env bash
# Builds Nightwick and runs it full screen. Esc or F12 quits.
# Without a display it records the first 20 seconds as a GIF instead.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
install_missing "${BUILD_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$(nproc)" --target nightwick nightwick-capture pictures

# The program reads its pictures from the directory it runs in.
cd build
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec ./nightwick
fi
echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set)."
echo "Recording the first 20 seconds of the animation instead..."
./tools/capture/nightwick-capture --frames 1200 --gif 1-1200=nightwick.gif
echo "Wrote $(pwd)/nightwick.gif"
