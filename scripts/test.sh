#!/usr/bin/env bash
# Builds Nightwick and runs every test: the suite once as it is (with the
# soak and memcheck runs) and once under AddressSanitizer and
# UndefinedBehaviorSanitizer, the format check, the .deb unpacked and run,
# the fuzz targets for 30 s each, the Windows release, run under Wine, and
# the web build, run in headless Chromium. The Wine test and each build's
# tests in a window run beside the stages that compute. Any failure fails
# the run.
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
    unzip dpkg-dev desktop-file-utils wine wine64 emscripten nodejs chromium \
    xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils sway grim xwayland wtype swayidle
# Without these the Wine test runs the 64-bit programs alone, and says so.
install_optional "the 32-bit Windows programs under Wine" wine32:i386 libxrandr2:i386 libxrender1:i386 libxi6:i386 \
    libxcursor1:i386 libxinerama1:i386 libxcomposite1:i386 libxext6:i386 libxfixes3:i386

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
# The Wine test, the browser test and the tests in a window mostly wait on
# programs that run at 60 frames a second: they run beside the stages that
# compute, each into a log shown when it ends.
declare -A beside_pid beside_log
run_beside() {
    local name=$1 log=$2
    shift 2
    echo "== $name (beside the stages that follow; shown when it ends)"
    (
        started=$SECONDS
        set +e
        "$@"
        code=$?
        echo "-- $name: $((SECONDS - started)) s, beside the others"
        exit $code
    ) >"$log" 2>&1 &
    beside_pid[$name]=$!
    beside_log[$name]=$log
}
# show_beside NAME: waits for it, shows its log and fails when it failed.
show_beside() {
    stage "$1 (its output)"
    local code=0
    wait "${beside_pid[$1]}" || code=$?
    unset "beside_pid[$1]"
    cat "${beside_log[$1]}"
    [ "$code" -eq 0 ]
}
stop_beside() {
    for pid in "${beside_pid[@]}"; do
        pkill -TERM -P "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
    done
}
trap stop_beside EXIT
# tests_beside BUILD: the tests that show the program in a window, beside.
# The test lists are read from the test programs first, here alone: two
# ctest runs that each found them out of date would write them together.
tests_beside() {
    ctest --test-dir "$1" -N >/dev/null
    run_beside "$1: the tests in a window" "$1/window_tests.log" sh -c \
        "ctest --test-dir $1 --output-on-failure -j $jobs -L xvfb && { [ ! -f $1/real_window_report.txt ] || cat $1/real_window_report.txt; }"
}

stage "format check"
git ls-files -co --exclude-standard -- '*.cpp' '*.h' | xargs clang-format --dry-run -Werror

stage "the pictures and the capture tool (g++), for the Windows stages"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$jobs" --target pictures nightwick-capture

stage "Windows release (mingw-w64, 32- and 64-bit)"
# The pictures come from the g++ build above.
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIGHTWICK_ART_DIR="$PWD/build" \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF >/dev/null
cmake --build build-windows -j "$jobs"
cmake --build build-windows --target windows-zip
stage ""
run_beside "the Windows release under Wine" build-windows/wine_test.log \
    tests/windows/wine_test.sh build-windows build/tools/capture/nightwick-capture

stage "build (g++)"
cmake --build build -j "$jobs"

stage "test (g++)"
tests_beside build
ctest --test-dir build --output-on-failure -j "$jobs" -LE xvfb

stage "the Linux package (.deb), unpacked and run"
tests/linux/deb_test.sh build

stage "web build (emscripten)"
# Debian's emscripten finds its JavaScript modules only here. The pictures
# come from the g++ build above.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
emcmake cmake -S . -B build-web -G Ninja -DCMAKE_BUILD_TYPE=Release -DNIGHTWICK_ART_DIR="$PWD/build" >/dev/null
cmake --build build-web -j "$jobs"
stage ""
run_beside "the web build in headless Chromium" build-web/browser_test.log \
    tests/web/browser_test.sh build-web build/tools/capture/nightwick-capture

stage "build and test with sanitizers (clang)"
# Debug keeps every assertion; -O1 keeps the long runs under the sanitizers
# to minutes, as their own documentation recommends. Their reports need
# only line tables, which cost a fraction of full debug information.
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
    -DNIGHTWICK_SANITIZE=ON -DNIGHTWICK_BENCH=OFF "-DCMAKE_CXX_FLAGS_DEBUG=-gline-tables-only -O1" >/dev/null
cmake --build build-sanitize -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
tests_beside build-sanitize
ctest --test-dir build-sanitize --output-on-failure -j "$jobs" -LE xvfb

stage "fuzzing, 30 s a target, two at a time (clang, libFuzzer)"
scripts/fuzz.sh 30

show_beside "build: the tests in a window"
show_beside "build-sanitize: the tests in a window"
show_beside "the web build in headless Chromium"
show_beside "the Windows release under Wine"

stage ""
echo "== all tests passed in $SECONDS s"
