#!/usr/bin/env bash
# Builds and runs every test: the normal tree (gcc), then the same suite in the checking tree (clang,
# AddressSanitizer and UndefinedBehaviorSanitizer), then a short run of each fuzz target from that tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
# Most tests wait on sockets, time-outs and child processes, not on the processor: three per core.
jobs=$((3 * $(nproc)))

log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Runs one tree's suite, keeping its summary for the closing line.
run_suite() {
  ctest --test-dir "$1" --output-on-failure -j "$jobs" | tee -a "$log"
}

echo "== include layers"
scripts/check-layers.sh

echo "== normal build"
scripts/build.sh build
run_suite build

echo "== checking build (sanitizers, and the fuzz targets)"
scripts/build-sanitized.sh build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_suite build-asan

echo "== fuzzing"
scripts/fuzz.sh # from build-asan, built above

# Reaching here means every suite passed (set -e stops at the first failure).
total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | awk '{s += $1} END {print s + 0}')
echo "tests: $total passed, 0 failed"
