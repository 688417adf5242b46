#!/usr/bin/env bash
# Installs what Plandor needs on Debian 12 (only what is missing) and builds it.
# Usage: scripts/setup.sh [build-dir] [extra cmake arguments...]
# The build folder is configured again whenever the arguments, the compilers
# (CC, CXX) or CI change. With CI=true warnings are errors (PLANDOR_WERROR).
# PLANDOR_EXTRA_PACKAGES adds Debian packages to install (space-separated);
# PLANDOR_SETUP_PACKAGES_ONLY=1 installs them and builds nothing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite qt6-qpa-plugins
  libsqlite3-dev
  qt6-translations-l10n  # Qt's own texts (buttons, file dialog) in Chinese runs
  fonts-wqy-microhei  # Chinese captions
  poppler-utils  # tests read printed plans back (pdftotext, pdfinfo)
)
if [ -n "${PLANDOR_EXTRA_PACKAGES:-}" ]; then
  read -r -a extra <<<"$PLANDOR_EXTRA_PACKAGES"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "These Debian packages are missing, and installing them needs root:" >&2
      echo "  ${missing[*]}" >&2
      echo "Ask an administrator to run, as root:" >&2
      echo "  apt-get install --no-install-recommends ${missing[*]}" >&2
      echo "then run $0 again." >&2
      exit 1
    fi
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

if [ -n "${PLANDOR_SETUP_PACKAGES_ONLY:-}" ]; then exit 0; fi

build="${1:-build}"
shift || true
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${CI:-}" = "true" ]; then args+=(-DPLANDOR_WERROR=ON); fi
args+=("$@")

# What the folder was configured with; a change means configuring afresh
# (a new compiler cannot be set in an existing CMake cache).
signature="$(printf '%s\n' "CC=${CC:-}" "CXX=${CXX:-}" "${args[@]}")"
stamp="$build/.plandor-setup-args"
if [ ! -f "$build/build.ninja" ] || [ ! -f "$stamp" ] || [ "$(cat "$stamp")" != "$signature" ]; then
  fresh=()
  if [ -f "$build/CMakeCache.txt" ]; then
    echo "Configuring $build again: its arguments changed."
    fresh=(--fresh)
  fi
  rm -f "$stamp"
  cmake "${fresh[@]}" -S . -B "$build" "${args[@]}"
  printf '%s\n' "$signature" >"$stamp"
fi
cmake --build "$build" -j"$(nproc)"
