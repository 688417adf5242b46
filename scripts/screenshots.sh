#!/usr/bin/env bash
# Makes the README's pictures from the real windows under a virtual display:
# installs what that needs (xvfb, imagemagick, poppler-utils), builds, and
# writes them to docs/screenshots (or the folder given). The printed plan's
# first page is drawn from its PDF.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PLANDOR_BUILD_DIR:-build}"
out="${1:-docs/screenshots}"
PLANDOR_EXTRA_PACKAGES="${PLANDOR_EXTRA_PACKAGES:-} xvfb xauth imagemagick poppler-utils" scripts/setup.sh "$build"
xvfb-run -a "$build/plandor-screenshots" "$out"
for pdf in "$out"/printed-*.pdf; do
    pdftoppm -png -r 70 -f 1 -l 1 -singlefile "$pdf" "${pdf%.pdf}"
    rm -f "$pdf"
done
