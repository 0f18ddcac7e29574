#!/usr/bin/env bash
# Fails when a C++ file of the repository drifts from .clang-format; with --fix,
# formats them in place. Uses clang-format 14 (Debian 12), installed when missing.
# Usage: scripts/format-check.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
fix=0
case "${1:-}" in
  --fix) fix=1 ;;
  "") ;;
  *) echo "usage: scripts/format-check.sh [--fix]" >&2; exit 2 ;;
esac
bash scripts/deps.sh clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ((fix)); then
  clang-format -i "${files[@]}"
  exit 0
fi
# Batches over every core; a drifting file shows up as "FILE:LINE:COL: error: ...".
mapfile -t drift < <(printf '%s\0' "${files[@]}" |
  xargs -0 -n 32 -P "$(nproc)" clang-format --dry-run -Werror 2>&1 |
  sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: error: .*clang-format.*/\1/p' | sort -u)
if ((${#drift[@]})); then
  echo "format-check: ${#drift[@]} file(s) differ from .clang-format (scripts/format-check.sh --fix):" >&2
  printf '  %s\n' "${drift[@]}" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files follow .clang-format"
