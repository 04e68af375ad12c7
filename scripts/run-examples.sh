#!/usr/bin/env bash
# The main job: runs the example scripts through the test host with our
# chart engine and writes the charts to an output folder.
#   scripts/run-examples.sh [--wine] [OUTPUT_DIR]
# Natively (default) the charts are drawn with Cairo; with --wine the
# Windows build (chart.dll + rmchart.dll, GDI+) runs under Wine and Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

mode=native
if [[ ${1:-} == --wine ]]; then mode=wine; shift; fi
out=${1:-out/$mode}

# Progress: a line per step; the build's own output goes to a log that is
# shown only when the build fails.
note() { printf '[run-examples] %s\n' "$*"; }
build() {
  local dir=$1 what=$2
  shift 2
  local log=$dir/run-examples.log start=$SECONDS
  mkdir -p "$dir"
  note "configuring $dir"
  if ! cmake -S . -B "$dir" -G Ninja "$@" >"$log" 2>&1; then
    tail -n 40 "$log"
    note "configuring failed; the whole output is in $log"
    exit 1
  fi
  note "building $what in $dir (the first build takes a few minutes)"
  if ! cmake --build "$dir" -j "$jobs" --target "${targets[@]}" >>"$log" 2>&1; then
    tail -n 40 "$log"
    note "building failed; the whole output is in $log"
    exit 1
  fi
  note "built in $((SECONDS - start)) s"
}

if [[ $mode == native ]]; then
  note "checking the packages (scripts/install-deps.sh examples)"
  scripts/install-deps.sh examples
else
  note "checking the packages (scripts/install-deps.sh examples-wine)"
  scripts/install-deps.sh examples-wine
fi
jobs=$(nproc)
mkdir -p "$out"
out=$(cd "$out" && pwd)

# The code page a script's texts need: the Russian example's is 1251 (the
# native host's --codepage; under Wine, the Russian locale's ANSI code page).
code_page() {
  case $(basename "$1") in cyrillic.vsc) echo 1251 ;; *) echo 1252 ;; esac
}

if [[ $mode == native ]]; then
  targets=(vantiro-host)
  build build/release vantiro-host \
    -DCMAKE_BUILD_TYPE=Release -DVANTIRO_TESTS=OFF -DVANTIRO_BENCH=OFF -DVANTIRO_STATIC_PACKAGES=ON
  host=("$root/build/release/bin/vantiro-host" --snapshot "$out/snapshots")
  mkdir -p "$out/snapshots"
  run() {
    # A script that prints gets a PDF printer of its own: <script>.pdf.
    local printer=()
    if grep -q '^ae_Graph_Draw2Printer' "$1"; then
      printer=(--printer "$out/$(basename "${1%.vsc}").pdf")
    fi
    local codepage=()
    [[ $(code_page "$1") == 1251 ]] && codepage=(--codepage 1251)
    (cd "$out" && "${host[@]}" "${printer[@]}" "${codepage[@]}" --strict "$@")
  }
else
  # Only what the scripts run: the plug-in, our engine and the test host.
  # The build folder is the one the tests use, so it is configured alike.
  targets=(chart rmchart vantiro-host)
  build build/win32 "chart.dll, rmchart.dll and vantiro-host.exe" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
  run() {
    local locale=C.UTF-8
    [[ $(code_page "$1") == 1251 ]] && locale=ru_RU.UTF-8
    LC_ALL=$locale xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      source "$0/scripts/wine-env.sh" "$0/build/win32"
      wine_start; trap wine_stop EXIT
      cd "$1"; shift
      wine "$0/build/win32/bin/vantiro-host.exe" --strict "$@"' "$root" "$out" "$@"
  }
fi

scripts=()
for script in examples/*.vsc; do
  case $(basename "$script") in recording-*) continue ;; esac
  # Scripts for one target only: *-native.vsc (SVG, PDF, the PDF printer)
  # and *-windows.vsc (EMF). The Windows print dialog would wait for a click.
  case $mode-$(basename "$script") in native-*-windows.vsc | wine-*-native.vsc) continue ;; esac
  scripts+=("$script")
done

status=0
n=0
for script in "${scripts[@]}"; do
  n=$((n + 1))
  printf '\n'
  note "script $n/${#scripts[@]}: $script"
  if [[ $mode == wine ]]; then
    arg="Z:$root/$script"
  else
    arg="$root/$script"
  fi
  run "$arg" || { status=1; note "$script reported a failure"; }
done
printf '\nCharts written to %s\n' "$out"
ls "$out"
exit $status
