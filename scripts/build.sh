#!/usr/bin/env bash
# Configures and builds into build/ (or $BUILD_DIR): everything, or only the
# targets named with --target NAME (repeatable). Other arguments go to cmake's
# configure step. Compiles through ccache when it is installed; ninja prints
# one "[step/steps]" line per step.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
BUILD_DIR=${BUILD_DIR:-build}
targets=()
configure=()
while (($#)); do
  if [ "$1" = --target ] && (($# > 1)); then
    targets+=(--target "$2")
    shift 2
  else
    configure+=("$1")
    shift
  fi
done
launcher=""
if command -v ccache >/dev/null; then launcher=ccache; fi
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" ${configure[@]+"${configure[@]}"}
cmake --build "$BUILD_DIR" -j "$(nproc)" ${targets[@]+"${targets[@]}"}
