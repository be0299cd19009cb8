#!/usr/bin/env bash
# Builds Nightwick and runs every test: the suite once as it is (with the
# soak and memcheck runs) and once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the format check, the .deb unpacked and run,
# the fuzz targets for 30 s each, the Windows release, run under Wine
# beside the others, and the web build, run in headless Chromium. Any
# failure fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
# Wine runs 32-bit Windows programs only with its 32-bit side, and changes
# the display mode only with the 32-bit X libraries beside it.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    [ "$(id -u)" -eq 0 ] && dpkg --add-architecture i386 || sudo dpkg --add-architecture i386
fi
install_missing "${BUILD_PACKAGES[@]}" lintian appstream clang clang-format g++-mingw-w64-i686 g++-mingw-w64-x86-64 libclang-rt-14-dev \
    netpbm imagemagick graphicsmagick python3-pil valgrind xvfb xdotool x11-apps x11-utils xscreensaver libxss-dev \
    unzip dpkg-dev desktop-file-utils \
    wine wine64 wine32:i386 libxrandr2:i386 libxrender1:i386 libxi6:i386 libxcursor1:i386 libxinerama1:i386 \
    libxcomposite1:i386 libxext6:i386 libxfixes3:i386 emscripten nodejs chromium \
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils

jobs=$(nproc)

# Each stage says how long it took, so a slow one shows.
stage_started=$SECONDS
stage_name=""
stage() {
    [ -n "$stage_name" ] && echo "-- $stage_name: $((SECONDS - stage_started)) s"
    stage_name="$1"
    stage_started=$SECONDS
    [ -n "$1" ] && echo "== $1"
    return 0
}
# The Wine test mostly waits on programs that run at 60 frames a second:
# it runs beside the stages that compute, into a log shown when it ends.
beside=""
beside_log=build-windows/wine_test.log
run_beside() {
    echo "== $1 (beside the stages that follow; shown when it ends)"
    (
        started=$SECONDS
        set +e
        "${@:2}"
        code=$?
        echo "-- $1: $((SECONDS - started)) s, beside the others"
        exit $code
    ) >"$beside_log" 2>&1 &
    beside=$!
}
stop_beside() {
    [ -z "$beside" ] && return 0
    pkill -TERM -P "$beside" 2>/dev/null || true
    kill "$beside" 2>/dev/null || true
}
trap stop_beside EXIT

stage "format check"
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

stage "build (g++)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$jobs"

stage "Windows release (mingw-w64, 32- and 64-bit)"
# The pictures come from the g++ build above.
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIGHTWICK_ART_DIR="$PWD/build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF >/dev/null
cmake --build build-windows -j "$jobs"
cmake --build build-windows --target windows-zip
stage ""
run_beside "the Windows release under Wine" tests/windows/wine_test.sh build-windows build/tools/capture/nightwick-capture

stage "test (g++)"
ctest --test-dir build --output-on-failure -j "$jobs"
[ -f build/real_window_report.txt ] && cat build/real_window_report.txt

stage "the Linux package (.deb), unpacked and run"
tests/linux/deb_test.sh build

stage "build and test with sanitizers (clang)"
# Debug keeps every assertion; -O1 keeps the long runs under the sanitizers
# to minutes, as their own documentation recommends.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DNIGHTWICK_SANITIZE=ON -DNIGHTWICK_BENCH=OFF "-DCMAKE_CXX_FLAGS_DEBUG=-g -O1" >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
[ -f build-sanitize/real_window_report.txt ] && cat build-sanitize/real_window_report.txt

stage "fuzzing, 30 s a target, two at a time (clang, libFuzzer)"
scripts/fuzz.sh 30

stage "web build and its test in headless Chromium"
# Debian's emscripten finds its JavaScript modules only here. The pictures
# come from the g++ build above.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIGHTWICK_ART_DIR="$PWD/build" >/dev/null
cmake --build build-web -j "$jobs"
tests/web/browser_test.sh build-web build/tools/capture/nightwick-capture

stage "the Windows release under Wine (its output)"
code=0
wait "$beside" || code=$?
beside=""
cat "$beside_log"
[ "$code" -eq 0 ]

stage ""
echo "== all tests passed in $SECONDS s"
