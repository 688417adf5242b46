#!/usr/bin/env bash
# Builds the Debian package, unpacks it into a scratch root, starts the
# unpacked plandor-cli and plandor-sim, validates the desktop entry and the
# AppStream metadata, and runs lintian; any error fails.
# Usage: scripts/package.sh [build-dir]   (the package is left in it)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-${PLANDOR_BUILD_DIR:-build}}"
PLANDOR_EXTRA_PACKAGES="${PLANDOR_EXTRA_PACKAGES:-} dpkg-dev lintian appstream desktop-file-utils" \
  scripts/setup.sh "$build"

rm -f "$build"/plandor_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { tail -30 "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/plandor_*.deb)
echo "== $deb"
dpkg-deb --field "$deb"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "== unpacked files"
(cd "$root" && find . -type f | sort)

echo "== the unpacked programs start"
export QT_QPA_PLATFORM=offscreen
help=$("$root/usr/bin/plandor-cli" --help)
printf '%s\n' "$help" | head -2
help=$("$root/usr/bin/plandor-sim" --help)
printf '%s\n' "$help" | head -1
# The window program has no --help: it must still be running, its start-up
# window shown, after a few seconds (on its own database, off screen).
rc=0
PLANDOR_DB="$root/plandor.db" PLANDOR_PORTS_DIR="$root/ports" XDG_RUNTIME_DIR="$root" \
  timeout 5 "$root/usr/bin/plandor" || rc=$?
if [ $rc -ne 124 ]; then
  echo "the unpacked plandor ended by itself (status $rc)" >&2
  exit 1
fi
echo "plandor: running after 5 s"

echo "== desktop entry and AppStream metadata"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== lintian"
# Errors fail; warnings and notes are listed for the record.
lintian --allow-root --fail-on error --display-info "$deb"
echo "package: $deb passed"
