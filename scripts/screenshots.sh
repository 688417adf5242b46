#!/usr/bin/env bash
# Makes the README's pictures from the real windows under a virtual display:
# installs what that needs (xvfb, imagemagick), builds, and writes them to
# docs/screenshots (or the folder given).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PLANDOR_BUILD_DIR:-build}"
PLANDOR_EXTRA_PACKAGES="${PLANDOR_EXTRA_PACKAGES:-} xvfb xauth imagemagick" scripts/setup.sh "$build"
xvfb-run -a "$build/plandor-screenshots" "${1:-docs/screenshots}"
