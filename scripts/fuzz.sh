#!/usr/bin/env bash
# Runs each libFuzzer target (the image library's in imagelib/fuzz, the program's in fuzz/) for a short
# while. They live in the checking tree (scripts/build-sanitized.sh: clang, AddressSanitizer,
# UndefinedBehaviorSanitizer, coverage on every file), which this builds first where needed.
# Usage: scripts/fuzz.sh [seconds per target, default 20] [target...]; ZRK_FUZZ_DIR picks the tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${ZRK_FUZZ_DIR:-$root/build-asan}
seconds=${1:-20}
shift || true
targets=(fuzz_frame_reader fuzz_entry_points fuzz_data_receiver fuzz_data_file fuzz_reply_lines)
if [ $# -gt 0 ]; then targets=("$@"); fi
"$root/scripts/build-sanitized.sh" "$dir"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for target in "${targets[@]}"; do
  corpus="$dir/corpus/$target"
  mkdir -p "$corpus"
  echo "== fuzzing $target for ${seconds}s"
  log="$dir/$target.log"
  # -max_len keeps inputs around one 512 x 512 record; the corpus carries over between runs.
  if "$dir/bin/$target" -max_total_time="$seconds" -max_len=270000 -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/$target-" -print_final_stats=1 "$corpus" >"$log" 2>&1; then
    grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units)' "$log" || true
  else
    tail -n 60 "$log"
    echo "$target failed: the input that triggered it is saved beside $dir/$target-*" >&2
    exit 1
  fi
done
