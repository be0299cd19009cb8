#!/usr/bin/env bash
# The quick loop to run after each change: a Release build of what changed
# and the unit tests of every layer (ctest -L unit). Arguments go to ctest,
# for example `scripts/quick.sh -R Palette` or `scripts/quick.sh -L long`.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build build -j "$(nproc)"
if [ $# -eq 0 ]; then set -- -L unit; fi
ctest --test-dir build -j "$(nproc)" --output-on-failure "$@"
