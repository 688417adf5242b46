#!/usr/bin/env bash
# Installs what is missing, builds Plandor and runs the whole test suite headless.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PLANDOR_BUILD_DIR:-build}"
scripts/setup.sh "$build" "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
