#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for SECONDS (default 30), or
# for RUNS executions with --runs N. Every target starts from its committed
# seeds plus what earlier runs here found (build-fuzz/corpus/); inputs that
# break a promise are kept in fuzz-findings/TARGET/ and fail the run.
#   scripts/fuzz.sh [SECONDS | --runs N] [TARGET...]
#   scripts/fuzz.sh --coverage   line coverage of gfx/ from the corpora
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(pcx_memory_fuzz pcx_file_fuzz call_sequence_fuzz)

if [ "${1:-}" = "--coverage" ]; then
    cmake -S . -B build-fuzz-coverage -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
        -DNIGHTWICK_FUZZ=ON -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF \
        -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
        -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
    cmake --build build-fuzz-coverage --target "${all_targets[@]}" >/dev/null
    objects=()
    for target in "${all_targets[@]}"; do
        mkdir -p "build-fuzz/corpus/$target"
        LLVM_PROFILE_FILE="build-fuzz-coverage/$target.profraw" "build-fuzz-coverage/tests/fuzz/$target" \
            -runs=0 -detect_leaks=0 "build-fuzz/corpus/$target" "tests/fuzz/corpus/$target" >/dev/null 2>&1
        objects+=(-object "build-fuzz-coverage/tests/fuzz/$target")
    done
    llvm-profdata merge -o build-fuzz-coverage/all.profdata build-fuzz-coverage/*.profraw
    llvm-cov report -instr-profile=build-fuzz-coverage/all.profdata "${objects[@]:1}" \
        "$(pwd)/gfx" | sed 's|'"$(pwd)"'/||'
    exit 0
fi

limit=(-max_total_time=30)
if [ "${1:-}" = "--runs" ]; then
    limit=(-runs="$2")
    shift 2
elif [ -n "${1:-}" ] && [ "${1#[0-9]}" != "$1" ]; then
    limit=(-max_total_time="$1")
    shift
fi
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=("${all_targets[@]}")

# A finding's report needs line tables only, not full debug information.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DNIGHTWICK_FUZZ=ON -DNIGHTWICK_TESTS=OFF -DNIGHTWICK_BENCH=OFF \
    "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG" >/dev/null
cmake --build build-fuzz --target "${targets[@]}" >/dev/null

# Each target on a core of its own, as many at once as there are cores;
# each says how it went when it ends.
fuzz_target() {
    local target=$1 corpus=build-fuzz/corpus/$1 findings=fuzz-findings/$1 log=build-fuzz/$1.log
    mkdir -p "$corpus" "$findings"
    if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "build-fuzz/tests/fuzz/$target" "${limit[@]}" -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        cover=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
        echo "$target: ${runs:-?} executions, ${cover:-cov: ?}, no findings"
    else
        echo "$target: FINDING (kept in $findings/), the run's end:"
        tail -40 "$log"
        return 1
    fi
}
failed=0
running=()
for target in "${targets[@]}"; do
    if [ ${#running[@]} -ge "$(nproc)" ]; then
        wait "${running[0]}" || failed=1
        running=("${running[@]:1}")
    fi
    fuzz_target "$target" &
    running+=($!)
done
for pid in "${running[@]}"; do wait "$pid" || failed=1; done
# Empty folders of findings are no news.
find fuzz-findings -type d -empty -delete 2>/dev/null || true
exit $failed
