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
# Left out here, and run by the normal suite:
# - the two 100-cycle device tests (PortAudioNull.HundredOpenClose...,
#   JackRun.HundredStartStop...): they count threads and descriptors, which
#   the sanitizers do not check, and take some five minutes here (ALSA's null
#   device has PortAudio's thread run flat out, each pass slowed by ASan);
# - the script conformance case "recursion": 500 nested calls of a script
#   function need more than the engine's stack budget with ASan's frames
#   (the engine's real-stack limit, being reworked with the script engine).
skip='PortAudioNull\.HundredOpenClose|JackRun\.HundredStartStop|Conformance\.Script/recursion'
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" -E "$skip"
