#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each from its seed corpus
# for a bounded time; any crash, leak or sanitizer report fails the run.
# Usage: scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
PLANDOR_EXTRA_PACKAGES="clang libclang-rt-14-dev" \
  CC=clang CXX=clang++ scripts/setup.sh build-fuzz -DPLANDOR_FUZZ=ON -DPLANDOR_BENCH=OFF
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
status=0
passed=0
failed=0
for target in build-fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "== $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 "$work" 2>"$work.log"; then
    tail -50 "$work.log"
    echo "FAILED: $name"
    status=1
    failed=$((failed + 1))
  else
    grep -E '^stat::number_of_executed_units|^Done' "$work.log" || true
    passed=$((passed + 1))
  fi
  rm -rf "$work" "$work.log"
done
echo "fuzz: $passed passed, $failed failed"
exit $status
