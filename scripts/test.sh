#!/usr/bin/env bash
# Builds everything and runs every test: native, sanitizers, Windows under
# Wine, and the fuzzers for a short bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh

jobs=$(nproc)
fuzz_seconds=${VANTIRO_FUZZ_SECONDS:-15}

step() { printf '\n=== %s ===\n' "$*"; }

step "native build"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
step "native tests"
ctest --test-dir build/native -j "$jobs" --output-on-failure

step "sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTIRO_SANITIZE=ON -DVANTIRO_BENCH=OFF >/dev/null
cmake --build build/asan -j "$jobs"
step "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan -j "$jobs" --output-on-failure

step "Windows build (MinGW-w64, 32-bit)"
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j "$jobs"

step "Windows tests under Wine (no display)"
source scripts/wine-env.sh build/win32
(
  unset DISPLAY
  wine_start
  trap wine_stop EXIT
  ctest --test-dir build/win32 -LE display --output-on-failure
)
step "Windows tests under Wine (Xvfb display)"
if ctest --test-dir build/win32 -L display -N | grep -q "Total Tests: [1-9]"; then
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    source scripts/wine-env.sh build/win32
    wine_start
    trap wine_stop EXIT
    ctest --test-dir build/win32 -L display --output-on-failure'
fi

step "fuzzers (${fuzz_seconds} s each)"
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTIRO_FUZZ=ON -DVANTIRO_TESTS=OFF -DVANTIRO_BENCH=OFF >/dev/null
cmake --build build/fuzz -j "$jobs"
for fuzzer in build/fuzz/bin/fuzz_*; do
  [[ -x $fuzzer ]] || continue
  name=$(basename "$fuzzer")
  corpus=build/fuzz/corpus/$name
  mkdir -p "$corpus"
  seeds=()
  [[ -d fuzz/seeds/$name ]] && seeds=("fuzz/seeds/$name")
  echo "-- $name"
  "$fuzzer" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "${seeds[@]}" 2>build/fuzz/$name.log \
    || { tail -50 build/fuzz/$name.log; exit 1; }
done

step "all tests passed"
