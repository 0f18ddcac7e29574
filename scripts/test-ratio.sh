#!/usr/bin/env bash
# Test lines against code lines (.cpp/.h), test data folders left out.
#   scripts/test-ratio.sh [ROOT] [--folders]   --folders: test lines per tests/ folder too
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folders=0
for arg in "$@"; do
    case "$arg" in
        --folders) folders=1 ;;
        *) root=$arg ;;
    esac
done
cd "$root"
count() { find "$@" \( -name '*.cpp' -o -name '*.h' \) -not -path '*/data/*' -print0 2>/dev/null |
          xargs -0 cat 2>/dev/null | wc -l; }
tests=$(count tests)
code=$(count src host cli tools)
if [ "$folders" = 1 ]; then
    for dir in tests/*/; do
        n=$(count "$dir")
        [ "$n" -gt 0 ] && printf '  %-22s %6d\n' "$dir" "$n"
    done
fi
echo "test lines: $tests"
echo "code lines: $code"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio:      %.1f%%\n", c ? 100 * t / c : 0 }'
