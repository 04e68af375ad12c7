#!/usr/bin/env bash
# Builds the Windows product and writes dist/vantiro-<version>-win32.zip:
# the programs (chart.dll, rmchart.dll, vantiro-host.exe: the table in
# tests/release/check_package.py), the author's guide, the Windows examples,
# LICENSE, CHANGELOG.md and SHA256SUMS. Same commit, same bytes.
#   scripts/package.sh [BUILD_DIR]      (default build/package)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/package}
missing=""
for tool in cmake ninja i686-w64-mingw32-g++-posix i686-w64-mingw32-windres python3 zip git; do
  command -v "$tool" >/dev/null || missing+=" $tool"
done
if [[ -n $missing ]]; then
  echo "package.sh needs:$missing (scripts/install-deps.sh installs them)" >&2
  exit 1
fi
version=$(sed -n 's/^project(Vantiro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DVANTIRO_TESTS=OFF -DVANTIRO_BENCH=OFF >/dev/null
# Target and file of each program, from the package's one table.
targets=() programs=()
while read -r target file; do
  targets+=("$target")
  programs+=("$build/bin/$file")
done < <(python3 tests/release/check_package.py --programs)
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
name=vantiro-$version-win32
mkdir -p "$stage/$name/examples" "$stage/$name/guide"
cp "${programs[@]}" LICENSE CHANGELOG.md "$stage/$name/"
for f in examples/*.vsc; do
  case $(basename "$f") in *-native.vsc | recording-*) continue ;; esac
  cp "$f" "$stage/$name/examples/"
done
python3 scripts/make_guide.py "$version" docs/guide "$stage/$name/guide"
(cd "$stage/$name" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort | xargs sha256sum >SHA256SUMS)
find "$stage/$name" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
mkdir -p dist
rm -f "dist/$name.zip"
(cd "$stage" && find "$name" | LC_ALL=C sort | TZ=UTC zip -X -q -D "$root/dist/$name.zip" -@)
sha256sum "dist/$name.zip"
