#!/usr/bin/env bash
# Plants each fault of tests/mutations/faults.txt in turn, rebuilds
# incrementally, runs the test suite and reports CAUGHT / MISSED / INVALID.
#
#   tests/mutations/run.sh                      all faults, whole suite, BUILD=build
#   BUILD=build-gui tests/mutations/run.sh F03 F17 'F2*'
#   tests/mutations/run.sh --targets "test_codegen velmora" F3*   build only those
#   tests/mutations/run.sh --check              snippets still unique? (no build)
#   tests/mutations/run.sh --out tests/mutations/baseline.txt   refresh the baseline
#   tests/mutations/run.sh --help               all options
#
# The build directory must be configured already (Qt included for the form
# faults). The mutated file is restored whatever happens; a run that was
# killed outright is repaired at the next start.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
cd "$root"
export BUILD="${BUILD:-build}"
# Whatever happens to the runner, no source stays mutated.
trap 'python3 -c "import sys; sys.path.insert(0, \"$here\"); import mutate, os; mutate.Backup(os.path.join(os.path.abspath(\"$BUILD\"), \"mutations\")).restore_stale()" || true' EXIT
python3 "$here/mutate.py" "$@"
