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

scripts/install-deps.sh
jobs=$(nproc)
mkdir -p "$out"
out=$(cd "$out" && pwd)

if [[ $mode == native ]]; then
  cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTIRO_TESTS=OFF -DVANTIRO_BENCH=OFF >/dev/null
  cmake --build build/release -j "$jobs" --target vantiro-host >/dev/null
  host=("$root/build/release/bin/vantiro-host" --snapshot "$out/snapshots")
  mkdir -p "$out/snapshots"
  run() {
    # A script that prints gets a PDF printer of its own: <script>.pdf.
    local printer=()
    if grep -q '^ae_Graph_Draw2Printer' "$1"; then
      printer=(--printer "$out/$(basename "${1%.vsc}").pdf")
    fi
    (cd "$out" && "${host[@]}" "${printer[@]}" --strict "$@")
  }
else
  cmake -S . -B build/win32 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
  cmake --build build/win32 -j "$jobs" >/dev/null
  run() {
    xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
      source "$0/scripts/wine-env.sh" "$0/build/win32"
      wine_start; trap wine_stop EXIT
      cd "$1"; shift
      wine "$0/build/win32/bin/vantiro-host.exe" --strict "$@"' "$root" "$out" "$@"
  }
fi

status=0
for script in examples/*.vsc; do
  case $(basename "$script") in recording-*) continue ;; esac
  # Scripts for one target only: *-native.vsc (SVG, PDF, the PDF printer)
  # and *-windows.vsc (EMF). The Windows print dialog would wait for a click.
  case $mode-$(basename "$script") in native-*-windows.vsc | wine-*-native.vsc) continue ;; esac
  printf '\n### %s\n' "$script"
  if [[ $mode == wine ]]; then
    arg="Z:$root/$script"
  else
    arg="$root/$script"
  fi
  run "$arg" || status=1
done
printf '\nCharts written to %s\n' "$out"
ls "$out"
exit $status
