#!/usr/bin/env bash
# Builds and runs every test: the normal tree, then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, then a short fuzzing run of the image library.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== normal build"
scripts/build.sh build
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build"
scripts/build.sh build-asan -DZRK_SANITIZE=ON -DZRK_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -x scripts/fuzz.sh ]; then
  echo "== fuzzing"
  scripts/fuzz.sh
fi
