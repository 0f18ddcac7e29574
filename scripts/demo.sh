#!/usr/bin/env bash
# Sets up, builds and runs the main job on the bundled demo project: the
# controller code of every PLC is generated into a copy of examples/demo.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
BIN=${BUILD_DIR:-build}/bin
OUT=${DEMO_DIR:-build/demo}
rm -rf "$OUT"; mkdir -p "$OUT"; cp -r examples/demo/. "$OUT"
echo "== controllers of PLC1"
"$BIN/velmora" controller show --project "$OUT" --plc PLC1 --name Boiler
