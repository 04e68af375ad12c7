#!/usr/bin/env bash
# The package as an author installs it, under Wine: the zip unpacked into a
# plug-in folder, a host program in another folder that loads chart.dll by its
# full path, run from a third folder.
#   install_test.sh ZIP HOST_EXE PROBE_EXE
# Checks where rmchart.dll is found (a host that loads plug-ins plainly
# searches its own folder, not the plug-in's; LOAD_WITH_ALTERED_SEARCH_PATH,
# as vantiro-host uses, searches the plug-in's folder instead of the
# program's), reads the version resources through Windows, and runs an
# example of the package with vantiro-host (needs a display).
set -uo pipefail
zip=$1 host_exe=$2 probe_exe=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
if [[ ! -f $zip ]]; then
  echo "no package $zip: run scripts/package.sh first (skipped)"
  exit 77
fi
run() { "$root/scripts/wine-run" "$@" | tr -d '\r'; }
windows() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }

work=$(pwd)/install
rm -rf "$work"
mkdir -p "$work/host" "$work/plugins" "$work/run"
python3 -m zipfile -e "$zip" "$work/plugins"
plugin_dir=$(echo "$work"/plugins/vantiro-*-win32)
cp "$host_exe" "$probe_exe" "$work/host/"
probe=$work/host/$(basename "$probe_exe")
cd "$work/run"
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Where rmchart.dll lies | how the probe loads chart.dll | loaded?
cases=(
  "plugin load-altered yes"
  "plugin load no"
  "program load yes"
  "program load-altered no"
)
for c in "${cases[@]}"; do
  read -r place how expect <<<"$c"
  rm -f "$work/host/rmchart.dll"
  [[ $place == program ]] && mv "$plugin_dir/rmchart.dll" "$work/host/"
  result=$(run "$probe" "$how" "$(windows "$plugin_dir/chart.dll")")
  [[ $place == program ]] && mv "$work/host/rmchart.dll" "$plugin_dir/"
  echo "rmchart.dll beside the $place, $how: $result"
  got=no
  grep -qx loaded <<<"$result" && got=yes
  [[ $got == "$expect" ]] || fail "rmchart.dll beside the $place, $how: expected loaded=$expect"
done

version=$(sed -n 's/^project(Vantiro VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
for dll in chart.dll rmchart.dll; do
  info=$(run "$probe" version "$(windows "$plugin_dir/$dll")")
  echo "$dll:" $info
  for line in "Fixed=$version.0" "FileVersion=$version" "ProductVersion=$version" \
    "ProductName=Vantiro" "OriginalFilename=$dll"; do
    grep -qxF "$line" <<<"$info" || fail "$dll: no $line"
  done
  for key in FileDescription CompanyName LegalCopyright; do
    grep -qx "$key=..*" <<<"$info" || fail "$dll: no $key"
  done
done

# An example of the package, the plug-in given by its full path.
host=$work/host/$(basename "$host_exe")
output=$(run "$host" --strict --quiet --list --plugin "$(windows "$plugin_dir/chart.dll")" \
  "$(windows "$plugin_dir/examples/quarterly-sales.vsc")")
status=$?
if [[ $status -eq 0 ]]; then
  sed -n '1p;$p' <<<"$output"  # the title and the summary, not the catalogue
else
  echo "$output"
  fail "vantiro-host exited with $status"
fi
grep -qx "Title: *Vantiro $version" <<<"$output" || fail "no title Vantiro $version"
for picture in quarterly-sales.png quarterly-sales.jpg; do
  [[ -s $picture ]] || fail "no $picture written"
done
[[ $(head -c 8 quarterly-sales.png 2>/dev/null | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] ||
  fail "quarterly-sales.png is not a PNG file"

((failures == 0)) && echo "install test passed"
((failures == 0))
