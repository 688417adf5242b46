#!/usr/bin/env bash
# Checks that every C++ file of the tree (build folders excluded) is in the
# layout of .clang-format; lists the files that are not and fails.
# Usage: scripts/format-check.sh [--fix]   (--fix rewrites them instead)
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format="$(command -v clang-format || command -v clang-format-14 || true)"
if [ -z "$clang_format" ]; then
  echo "clang-format is missing: apt-get install clang-format" >&2
  exit 2
fi
mapfile -d '' files < <(find . \( -path './build*' -o -path './.git' -o -name '_deps' \) -prune \
  -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ "${1:-}" = "--fix" ]; then
  "$clang_format" -i "${files[@]}"
  exit 0
fi
# One call for the whole tree; its complaints name the files.
rc=0
out=$("$clang_format" --dry-run --Werror "${files[@]}" 2>&1) || rc=$?
mapfile -t bad < <(printf '%s\n' "$out" \
  | sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | sort -u)
if [ $rc -ne 0 ] && [ ${#bad[@]} -eq 0 ]; then
  printf '%s\n' "$out" | tail -20
  echo "clang-format failed (status $rc)" >&2
  exit 1
fi
if [ ${#bad[@]} -gt 0 ]; then
  echo "Not in the layout of .clang-format (fix with scripts/format-check.sh --fix):"
  printf '  %s\n' "${bad[@]}"
  exit 1
fi
echo "format: ${#files[@]} files checked"
