#!/usr/bin/env bash
# Makes the PNG sizes of the icon from plandor.svg (needs rsvg-convert, from
# the Debian package librsvg2-bin). Run it after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" plandor.svg -o "plandor-$size.png"
done
