#!/usr/bin/env bash
# The full soak: ROUNDS (default 100) rounds of connect, record, trigger, download and disconnect
# against zrkcam, each with a fault of the camera's, in one process of the program's core; prints
# the descriptors and resident memory at the start and the end and the time taken.
# Usage: scripts/soak.sh [rounds] [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
rounds=${1:-100}
dir=${2:-$root/build}
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$dir" -j "$(nproc)" --target zrk_transfer_camera_tests zrkcam zrkimage
export QT_QPA_PLATFORM=offscreen ZRK_BIN_DIR="$dir/bin" ZRK_SOAK_ROUNDS="$rounds"
log="$dir/soak.log"
status=0
"$dir/bin/zrk_transfer_camera_tests" --gtest_filter='Soak.*' >"$log" 2>&1 || status=$?
grep -E '^soak:' "$log" || true
if [ "$status" -ne 0 ]; then
  grep -E -A4 'Failure' "$log" | head -n 60
  echo "soak failed; the whole output is in $log" >&2
fi
exit "$status"
