#!/usr/bin/env bash
# The package as an author installs it, under Wine: the zip unpacked into a
# plug-in folder, a host program in another folder that loads chart.dll by its
# full path, run from a third folder; then the unpacked zip alone.
#   install_test.sh ZIP PROBE_EXE
# Checks where rmchart.dll is found (a host that loads plug-ins plainly
# searches its own folder, not the plug-in's; LOAD_WITH_ALTERED_SEARCH_PATH,
# as vantiro-host uses, searches the plug-in's folder instead of the
# program's), reads the version resources through Windows, and runs the
# package's own vantiro-host.exe: --version, --check, every example with
# --snapshot, and the designer (needs a display).
set -uo pipefail
zip=$1 probe_exe=$2
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
cp "$plugin_dir/vantiro-host.exe" "$probe_exe" "$work/host/"
probe=$work/host/$(basename "$probe_exe")
cd "$work/run" || exit 1
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
while read -r _ program; do
  info=$(run "$probe" version "$(windows "$plugin_dir/$program")")
  echo "$program:" $info
  for line in "Fixed=$version.0" "FileVersion=$version" "ProductVersion=$version" \
    "ProductName=Vantiro" "OriginalFilename=$program"; do
    grep -qxF "$line" <<<"$info" || fail "$program: no $line"
  done
  for key in FileDescription CompanyName LegalCopyright; do
    grep -qx "$key=..*" <<<"$info" || fail "$program: no $key"
  done
done < <(python3 "$root/tests/release/check_package.py" --programs)

# An example of the package, the host in another folder given the plug-in by
# its full path.
host=$work/host/vantiro-host.exe
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

# The unpacked zip alone: its vantiro-host.exe finds the chart.dll beside it.
cd "$plugin_dir/examples" || exit 1
pkg_host=$plugin_dir/vantiro-host.exe
output=$(run "$pkg_host" --version)
echo "$output"
grep -qx "vantiro-host $version" <<<"$output" || fail "vantiro-host.exe --version: not vantiro-host $version"
output=$(run "$pkg_host" --check quarterly-sales.vsc)
status=$?
[[ $status -eq 0 ]] || fail "vantiro-host.exe --check quarterly-sales.vsc exited with $status: $output"

# Every example, each chart it draws saved as a snapshot too. The Russian
# one runs where the system's code page is 1251, as an author would run it;
# its UTF-8 file names come out under the same names here.
mkdir -p snapshots
for script in *.vsc; do
  locale=C.UTF-8
  [[ $script == cyrillic.vsc ]] && locale=ru_RU.UTF-8
  output=$(LC_ALL=$locale run "$pkg_host" --strict --quiet --snapshot snapshots "$script")
  status=$?
  if [[ $status -ne 0 ]]; then
    echo "$output"
    fail "$script: vantiro-host.exe exited with $status"
    continue
  fi
  drawn=0 written=0
  while IFS='|' read -r action file _; do
    if [[ $action == ae_Graph_Draw2File* || $action == ae_Graph_WriteRMCFile* ]]; then
      [[ -s $file ]] || fail "$script: no $file written"
      written=$((written + 1))
    elif [[ $action =~ ^ae_Graph_Draw\ +([0-9]+)$ ]]; then
      [[ -s snapshots/${script%.vsc}-chart${BASH_REMATCH[1]}.png ]] ||
        fail "$script: no snapshot of chart ${BASH_REMATCH[1]}"
      drawn=$((drawn + 1))
    fi
  done < <(tr -d '\r' <"$script")
  echo "$script: $written files, $drawn snapshots"
done

# The designer, from the package: it serves its page until it is stopped.
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
wine "$pkg_host" --serve "$port" >designer.log 2>&1 </dev/null &
designer=$!
page=$(python3 -c '
import sys, time, urllib.request
for _ in range(100):
    try:
        print(urllib.request.urlopen("http://127.0.0.1:%s/" % sys.argv[1], timeout=5).read().decode())
        break
    except OSError:
        time.sleep(0.2)' "$port")
kill "$designer" 2>/dev/null
wait "$designer" 2>/dev/null
if grep -qi "<html" <<<"$page"; then
  echo "designer: served its page on port $port"
else
  cat designer.log
  fail "vantiro-host.exe --serve $port served no page"
fi

((failures == 0)) && echo "install test passed"
((failures == 0))
