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

# Every ctest run adds its count to the summary printed at the end.
passed=0
count_log=$(mktemp)
# Whatever a step leaves behind goes at exit, however the script ends.
clones="" xvfb=""
remove_clones() {
  [[ -n $clones ]] || return 0
  git worktree remove --force "$clones/a" 2>/dev/null || true
  git worktree remove --force "$clones/b" 2>/dev/null || true
  rm -rf "$clones"
  git worktree prune
  clones=""
}
cleanup() {
  rm -f "$count_log"
  [[ -z $xvfb ]] || kill "$xvfb" 2>/dev/null || true
  remove_clones
}
trap cleanup EXIT
run_ctest() {
  ctest "$@" 2>&1 | tee "$count_log"
  local status=${PIPESTATUS[0]}
  local n
  n=$(sed -n 's/.*tests passed, 0 tests failed out of \([0-9]*\).*/\1/p' "$count_log" | tail -1)
  passed=$((passed + ${n:-0}))
  return "$status"
}

step "format check (clang-format)"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

step "designer browser test packages (npm ci)"
npm ci --prefix tests/designer --no-audit --no-fund --loglevel=error

step "native build"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j "$jobs"
step "native tests"
run_ctest --test-dir build/native -j "$jobs" --output-on-failure

step "sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTIRO_SANITIZE=ON -DVANTIRO_BENCH=OFF >/dev/null
cmake --build build/asan -j "$jobs"
step "sanitizer tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest --test-dir build/asan -j "$jobs" --output-on-failure

step "Windows build (MinGW-w64, 32-bit)"
cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build build/win32 -j "$jobs"

step "package (scripts/package.sh): its files checked, built twice from two clean clones"
start=$SECONDS
version=$(sed -n 's/^project(Vantiro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip_name=dist/vantiro-$version-win32.zip
scripts/package.sh
python3 tests/release/check_package.py "$zip_name"
# Two clean clones of the commit, not the working tree: whatever is
# uncommitted, the same commit must give the same bytes in any folder.
clones=$(mktemp -d)
commit=$(git rev-parse HEAD)
epoch=$(git log -1 --format=%ct "$commit")
for clone in a b; do
  git worktree add -q --detach "$clones/$clone" "$commit"
  SOURCE_DATE_EPOCH=$epoch "$clones/$clone/scripts/package.sh" >/dev/null
done
if cmp -s "$clones/a/$zip_name" "$clones/b/$zip_name"; then
  echo "package: $zip_name reproduced byte for byte from two clean clones in $((SECONDS - start)) s"
else
  echo "package: two builds of the same commit differ" >&2
  exit 1
fi
remove_clones

# Wine runs the 32-bit Windows programs on 32-bit Linux code, which only a
# kernel with IA32 emulation executes; some virtual machines' kernels have
# it off, and no Wine test can run there. That is said, loudly, and the
# rest still runs; any other Wine failure fails the run.
wine_skipped=""
if ! wine_check=$(wine --version 2>&1); then
  if [[ $wine_check == *"Exec format error"* ]]; then
    wine_skipped="this machine's kernel ($(uname -r)) cannot run 32-bit programs, so Wine cannot start"
  else
    echo "$wine_check" >&2
    echo "wine --version failed" >&2
    exit 1
  fi
fi

wine_tests() {
  step "Windows tests under Wine (no display)"
  # Wine's server now and then drops a client ("wine client error: recvmsg:
  # Connection reset by peer"), failing whichever test was running: a failed
  # Wine test is run once more. Native and sanitizer runs never repeat.
  wine_repeat=(--repeat until-pass:2)
  source scripts/wine-env.sh build/win32
  unset_display_run
  step "Windows tests under Wine (Xvfb display)"
  if ctest --test-dir build/win32 -L display -N | grep -q "Total Tests: [1-9]"; then
    display_run
  fi
}
unset_display_run() {
  local saved=${DISPLAY-}
  unset DISPLAY
  wine_start
  local status=0
  run_ctest --test-dir build/win32 -LE display --output-on-failure "${wine_repeat[@]}" || status=$?
  wine_stop
  [[ -n $saved ]] && export DISPLAY=$saved
  return $status
}
display_run() {
  # An X server of our own, so the tests run in this shell through run_ctest.
  local display_file saved_display status=0
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [[ -s $display_file ]] && break; sleep 0.1; done
  [[ -s $display_file ]] || { echo "Xvfb did not start" >&2; exit 1; }
  saved_display=${DISPLAY-}
  export DISPLAY=:$(cat "$display_file")
  rm -f "$display_file"
  wine_start
  run_ctest --test-dir build/win32 -L display --output-on-failure "${wine_repeat[@]}" || status=$?
  wine_stop
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
  xvfb=""
  if [[ -n $saved_display ]]; then export DISPLAY=$saved_display; else unset DISPLAY; fi
  ((status == 0)) || exit 1
}
if [[ -n $wine_skipped ]]; then
  step "Windows tests under Wine"
  echo "NOT RUN: $wine_skipped"
else
  wine_tests
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

if [[ -n $wine_skipped ]]; then
  step "every test this machine can run passed"
  echo "tests: $passed passed, 0 failed; the Windows tests under Wine were NOT RUN: $wine_skipped"
else
  step "all tests passed"
  echo "tests: $passed passed, 0 failed"
fi
