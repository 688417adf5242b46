#!/usr/bin/env bash
# Builds Plandor with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the whole test suite on that build. A leak in our code fails it: the
# suppressions in lsan.supp name only leaks of the platform's libraries.
# PLANDOR_TEST_JOBS bounds the tests run at once (default 2): the suite
# starts simulated instruments and subprocesses, and timing under ASan on a
# crowded machine is what makes tests flaky.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build-asan -DPLANDOR_SANITIZE=ON -DPLANDOR_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Sanitized code runs a few times slower: widen the tests' time allowances.
export PLANDOR_TIME_FACTOR="${PLANDOR_TIME_FACTOR:-4}"
ctest --test-dir build-asan --output-on-failure -j"${PLANDOR_TEST_JOBS:-2}" "$@"
