#!/usr/bin/env bash
# Builds Plandor with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# the whole test suite on that build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build-asan -DPLANDOR_SANITIZE=ON -DPLANDOR_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
