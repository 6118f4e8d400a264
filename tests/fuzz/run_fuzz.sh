#!/usr/bin/env bash
# Runs a libFuzzer target for a fixed number of inputs (0: no limit; add
# -max_total_time=SECONDS) from an empty work corpus plus the seed folders,
# with a fixed random seed, so that the same build makes the same run. The
# paths are made absolute: the program under test may change its working
# directory.
#   run_fuzz.sh TARGET RUNS WORK_DIR SEED_DIR... [-libFuzzer_option...]
set -euo pipefail
target="${1:?target}"
runs="${2:?runs}"
work="$(realpath -m "${3:?work directory}")"
shift 3
dirs=()
options=()
for a in "$@"; do
    if [[ "$a" == -* ]]; then options+=("$a"); else dirs+=("$(realpath -m "$a")"); fi
done
rm -rf "$work"
mkdir -p "$work/corpus" "$work/artifacts"
limit=()
if [ "$runs" -gt 0 ]; then limit=(-runs="$runs"); fi
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
exec "$target" "${limit[@]}" -seed=1 -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$work/artifacts/" "${options[@]}" "$work/corpus" "${dirs[@]}"
