#!/usr/bin/env bash
# Builds the libFuzzer programs of fuzz/ with clang (installed when missing)
# and runs each for SECONDS (default 30) on a copy of its seed corpus.
# Prints the executions each reached; fails on the first crash or sanitizer report
# (address, undefined behaviour and float-to-integer casts out of range).
# Usage: scripts/fuzz.sh [SECONDS]   (BUILD_DIR, default build-fuzz)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
build="${BUILD_DIR:-build-fuzz}"
bash scripts/deps.sh
if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends clang libclang-rt-14-dev ||
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends clang
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DVELMORA_FUZZ=ON -DVELMORA_GUI=OFF -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
targets=()
for f in fuzz/*Fuzzer.cpp; do
  name="$(basename "$f" Fuzzer.cpp)"
  targets+=("$name")
done
targets+=(softplc)  # the instruction-list compiler and machine (fuzz/softplc)
cmake --build "$build" -j "$(nproc)" --target "${targets[@]/#/fuzz_}"

status=0
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for name in "${targets[@]}"; do
  corpus="$work/$name"
  mkdir -p "$corpus"
  cp -r "fuzz/corpus/$name/." "$corpus/" 2>/dev/null || true
  log="$work/$name.log"
  if (cd "$work" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "$OLDPWD/$build/bin/fuzz_$name" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 "$corpus") >"$log" 2>&1; then
    runs="$(grep -m1 '^stat::number_of_executed_units' "$log" | awk '{print $2}')"
    echo "fuzz_$name: ${runs:-?} executions, clean"
  else
    echo "fuzz_$name: FAILED"
    tail -n 40 "$log"
    status=1
  fi
done
exit $status
