#!/usr/bin/env bash
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# (Debug, no benchmarks) in its own folder, with the libFuzzer targets, and
# runs the whole suite there: the unit tests and a fixed number of inputs of
# every fuzz target. Any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
here="$(pwd)"
build="${SANITIZE_BUILD_DIR:-build-sanitize}"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:halt_on_error=1:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
      -DARV1_SANITIZE=ON -DARV1_FUZZ=ON -DARV1_BUILD_BENCH=OFF
cmake --build "$build"
# A Debug build with ASan has stack frames many times the size of a release
# build's: the script engine, which stops a script's recursion where the real
# stack runs short, reaches only some 250 nested script calls in 8 MiB. A
# larger stack gives the suite the nesting depth it has in a release build.
if [ "$(ulimit -s)" != unlimited ] && [ "$(ulimit -s)" -lt 65536 ]; then
    ulimit -s 65536 || echo "sanitize: cannot raise the stack limit; deep script recursion will fail"
fi
# Left out here, and run by the normal suite: the two 100-cycle device tests
# (PortAudioNull.HundredOpenClose..., JackRun.HundredStartStop...). They count
# threads and descriptors, which the sanitizers do not check, and take some
# five minutes here (ALSA's null device has PortAudio's thread run flat out,
# each pass slowed by ASan).
skip='PortAudioNull\.HundredOpenClose|JackRun\.HundredStartStop'
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -E "$skip"
