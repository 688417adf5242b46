#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (every fuzz/fuzz_*.cpp, fuzz_link
# among them: a hostile instrument against the PC side) and runs each from its
# seed corpus, fuzz/corpus/<name>/ (fuzz/make_corpus.py writes those of
# fuzz_frame, fuzz_records and fuzz_link), for a bounded time. The build halts
# on the first undefined-behaviour report; a target fails on a non-zero exit or
# on any sanitizer report in its log, and the log and the crashing input of a
# failed target are kept in build-fuzz/failed/.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target name...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
PLANDOR_EXTRA_PACKAGES="clang libclang-rt-14-dev" \
  CC=clang CXX=clang++ scripts/setup.sh build-fuzz -DPLANDOR_FUZZ=ON -DPLANDOR_BENCH=OFF
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1"
kept="$PWD/build-fuzz/failed"
rm -rf "$kept"
status=0
passed=0
failed=0
reports='runtime error:|ERROR: AddressSanitizer|ERROR: LeakSanitizer|ERROR: libFuzzer|SUMMARY: [A-Za-z]*Sanitizer'
for target in build-fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  work=$(mktemp -d)
  artifacts=$(mktemp -d)
  cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
  echo "== $name for ${seconds}s"
  rc=0
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" 2>"$work.log" || rc=$?
  if [ $rc -ne 0 ] || grep -Eq "$reports" "$work.log"; then
    mkdir -p "$kept/$name"
    cp "$work.log" "$kept/$name/log.txt"
    cp -r "$artifacts/." "$kept/$name/" 2>/dev/null || true
    grep -E -m 5 "$reports" "$work.log" || true
    tail -30 "$work.log"
    echo "FAILED: $name (exit status $rc; log and input kept in $kept/$name)"
    status=1
    failed=$((failed + 1))
  else
    grep -E '^stat::number_of_executed_units|^Done' "$work.log" || true
    passed=$((passed + 1))
  fi
  rm -rf "$work" "$work.log" "$artifacts"
done
echo "fuzz: $passed passed, $failed failed"
if [ $((passed + failed)) -eq 0 ]; then
  echo "no fuzz target was built" >&2
  exit 1
fi
exit $status
