#!/usr/bin/env bash
# Test lines against code lines (.cpp/.h), test data folders left out.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"
count() { find "$@" \( -name '*.cpp' -o -name '*.h' \) -not -path '*/data/*' -print0 2>/dev/null |
          xargs -0 cat 2>/dev/null | wc -l; }
tests=$(count tests)
code=$(count src host cli tools)
echo "test lines: $tests"
echo "code lines: $code"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio:      %.1f%%\n", c ? 100 * t / c : 0 }'
