#!/usr/bin/env bash
# Builds arv1 and runs the amplifier acceptance test of examples/amplifier
# headless against the simulated "amplifier" (override with DUT=...), in
# virtual time. Leaves the log, the graph image, the PDF test report and the
# sweep as CSV in the work directory (default: ./example-run) and exits with
# the runner's code: 0 pass, 1 fail, 2 or 3 when the test did not run (see
# README).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
work="${1:-example-run}"
dut="${DUT:-amplifier}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$build" --target arv1
mkdir -p "$work"
cp examples/amplifier/amp-acceptance.atp examples/amplifier/amp-limits.dfl \
   examples/amplifier/amp-acceptance.dfs "$work"/
set +e
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$build/src/app/arv1" --headless \
    --data-dir "$work" --dut "$dut" --panel "$work/amp-acceptance.atp" \
    --sequence "$work/amp-acceptance.dfs" --timeout 120 --save-graph "$work/amp-sweep.png" \
    --report "$work/amp-report.pdf" --export-csv "$work/amp-sweep.csv"
code=$?
set -e
echo
grep -a "RESULT" "$work/amp-acceptance.log" || true
echo "log:   $work/amp-acceptance.log"
echo "graph: $work/amp-sweep.png"
echo "report: $work/amp-report.pdf"
echo "sweep: $work/amp-sweep.csv"
exit $code
