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
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
