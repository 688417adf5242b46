#!/usr/bin/env bash
# Mutation check of the core library's decisions (a developers' tool, not run
# by CI). Usage: scripts/mutate.sh [--sample N] [--seed S] [--only FILE[:LINE]] [--list]
# Installs what the build needs first, as scripts/setup.sh does.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--list" ]; then
  # Only the package check of setup.sh: the mutants get a build folder of their own.
  PLANDOR_SETUP_PACKAGES_ONLY=1 scripts/setup.sh
fi
exec python3 scripts/mutate.py "$@"
