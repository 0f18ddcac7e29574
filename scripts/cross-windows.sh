#!/usr/bin/env bash
# Cross-builds the core library and the velmora command for 64-bit Windows
# with mingw-w64 into build-mingw/ (compile and link only: no forms, no tests).
# The text-table compiler runs during the build, so it is built for this
# machine first.
set -euo pipefail
cd "$(dirname "$0")/.."
OUT=${MINGW_BUILD_DIR:-build-mingw}

bash scripts/deps.sh g++-mingw-w64-x86-64-posix cmake ninja-build libcli11-dev

cmake -S tools -B "$OUT/tools" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$OUT/tools" -j "$(nproc)"

# CLI11 is header-only; the cross compiler gets its headers alone, not the
# build machine's whole include folder.
mkdir -p "$OUT/cli11"
ln -sfn /usr/include/CLI "$OUT/cli11/CLI"

cmake -S . -B "$OUT/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
      -DVELMORA_GUI=OFF -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF \
      -DVELMORA_TEXTC="$PWD/$OUT/tools/velmora-textc" \
      -DVELMORA_CLI11_INCLUDE_DIR="$PWD/$OUT/cli11"
cmake --build "$OUT/windows" -j "$(nproc)" --target velmora
ls -l "$OUT/windows/bin/velmora.exe"
