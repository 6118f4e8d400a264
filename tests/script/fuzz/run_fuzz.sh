#!/usr/bin/env bash
# Builds the script engine's libFuzzer target with clang in its own build
# directory and runs it for a fixed number of inputs, seeded with the
# conformance scripts. Exits 77 (ctest: skipped) when clang is missing.
#   run_fuzz.sh BUILD_DIR [RUNS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="${1:?build directory}"
runs="${2:-20000}"

cxx=""
for c in clang++ clang++-14; do
    if command -v "$c" >/dev/null 2>&1; then cxx="$c"; break; fi
done
if [ -z "$cxx" ]; then
    echo "run_fuzz: clang++ not found, skipping the fuzz run"
    exit 77
fi

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S "$here" -B "$build" "${generator[@]}" -DCMAKE_CXX_COMPILER="$cxx" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2

corpus="$build/corpus"
mkdir -p "$corpus"
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$build/fuzz_script" -runs="$runs" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
    -seed=1 -print_final_stats=1 "$corpus" "$here/../vbs" "$here/seeds"
