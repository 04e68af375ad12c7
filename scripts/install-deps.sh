#!/usr/bin/env bash
# Installs what building, testing and running Vantiro needs on Debian 12,
# only as much as the asked-for command needs:
#   scripts/install-deps.sh [examples | examples-wine | all]
#     examples       the native test host: build tools, Cairo, fonts,
#                    cpp-httplib and nlohmann-json for its designer
#                    (scripts/run-examples.sh)
#     examples-wine  that, and MinGW-w64, Wine and Xvfb, and cpp-httplib's
#                    single header for MinGW, from Debian's source package
#                    (scripts/run-examples.sh --wine)
#     all            everything scripts/test.sh needs (the default): also
#                    clang for the fuzzers, GoogleTest, Google Benchmark,
#                    clang-format, gnuplot, Python and zip for the
#                    package, and Chromium and Node.js (with its npm) for
#                    the designer's browser test
# Skips the work when everything is already there. When another install
# holds the package lock, it waits for it (up to 10 minutes) and says so.
set -euo pipefail

native=(
  build-essential cmake ninja-build pkg-config
  libcairo2-dev libdeflate-dev libjpeg-dev
  fonts-dejavu-core fontconfig
  libcpp-httplib-dev nlohmann-json3-dev
)
# googletest: its sources, which the Windows build configures even when it
# builds only the product.
# locales: the Russian locale of the Wine tests that run under code page 1251.
wine=(
  g++-mingw-w64-i686 googletest
  wine wine32:i386 xvfb xauth locales
)
tests=(
  clang libclang-rt-14-dev clang-format git
  libgtest-dev libgmock-dev libbenchmark-dev libpng-dev
  mingw-w64-tools
  gnuplot-nox
  python3 zip
  chromium nodejs
)
# Debian's nodejs comes without npm; a Node.js from elsewhere (NodeSource)
# carries its own, which Debian's npm package would conflict with.
command -v npm >/dev/null 2>&1 || tests+=(npm)

what=${1:-all}
case $what in
  examples) packages=("${native[@]}") ;;
  examples-wine) packages=("${native[@]}" "${wine[@]}") ;;
  all) packages=("${native[@]}" "${wine[@]}" "${tests[@]}") ;;
  *)
    echo "usage: $0 [examples | examples-wine | all]" >&2
    exit 2
    ;;
esac
wants_i386=0
[[ $what == examples ]] || wants_i386=1

# The glibc locale the Wine tests use for code page 1251 (LANG=ru_RU.UTF-8):
# without it Wine cannot create files with Cyrillic names. Fast when present.
ensure_locales() {
  [[ $what == examples ]] && return 0
  locale -a 2>/dev/null | grep -qix 'ru_RU.utf8' && return 0
  local sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo=sudo; fi
  if ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    if grep -q '^# *ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      $sudo sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    else
      echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    fi
  fi
  $sudo locale-gen >/dev/null
}

# cpp-httplib for vantiro-host.exe's designer: Debian's package is a header
# and a native library, so MinGW builds the library's single header, taken
# from Debian's source of the installed package (its patches applied) with
# a private list of the same mirrors' source entries. Fast when present.
httplib_dir=/usr/local/share/vantiro/cpp-httplib
ensure_mingw_httplib() {
  [[ $what == examples ]] && return 0
  [[ -f $httplib_dir/httplib.h ]] && return 0
  local sudo="" work version
  if [[ $(id -u) -ne 0 ]]; then sudo=sudo; fi
  version=$(dpkg-query -W -f='${Version}' libcpp-httplib-dev)
  work=$(mktemp -d)
  mkdir -p "$work/parts" "$work/lists/partial"
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f $f ]] && sed 's/^Types: deb$/Types: deb-src/' "$f" >"$work/parts/$(basename "$f")"
  done
  if [[ -f /etc/apt/sources.list ]]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$work/sources.list"
  else
    : >"$work/sources.list"
  fi
  local options=(-o "Dir::Etc::sourcelist=$work/sources.list" -o "Dir::Etc::sourceparts=$work/parts"
    -o "Dir::State::Lists=$work/lists" -o "APT::Sandbox::User=root")
  # A list that fails (a mirror mid-sync) need not be the one with the source.
  apt-get "${options[@]}" update -qq 2>/dev/null || echo "Some source lists could not be fetched; trying the others." >&2
  (cd "$work" && apt-get "${options[@]}" source -qq "cpp-httplib=$version" >/dev/null 2>&1)
  local header
  header=$(find "$work" -maxdepth 2 -name httplib.h -path '*cpp-httplib*' | head -1)
  if [[ -z $header ]]; then
    echo "Could not take httplib.h from Debian's source of cpp-httplib $version" >&2
    rm -rf "$work"
    return 1
  fi
  $sudo mkdir -p "$httplib_dir"
  $sudo cp "$header" "$httplib_dir/httplib.h"
  rm -rf "$work"
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  ensure_locales
  ensure_mingw_httplib
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi

# The package locks, as apt and dpkg take them. Another apt-get, dpkg or
# unattended upgrade holding one makes ours fail at once, so we wait.
lock_timeout=600
dpkg_locks=(/var/lib/dpkg/lock-frontend /var/lib/dpkg/lock)
lists_locks=(/var/lib/apt/lists/lock)

# Prints the process holding FILE's lock ("1234 (apt-get)"); fails when
# nobody holds it. /proc/locks names the locked file by its inode.
lock_holder() {
  local inode
  inode=$(stat -c %i "$1" 2>/dev/null) || return 1
  local pid
  pid=$(awk -v ino="$inode" '
    { n = split($0, f, " "); start = (f[2] == "->") ? 3 : 2
      split(f[start + 4], dev, ":")
      if (dev[3] == ino) { print f[start + 3]; exit } }' /proc/locks)
  [[ -n $pid ]] || return 1
  printf '%s (%s)' "$pid" "$(ps -o comm= -p "$pid" 2>/dev/null || echo '?')"
}

# Waits until none of the given lock files is held, with a message while it
# waits; gives up after lock_timeout seconds.
wait_for_locks() {
  local start=$SECONDS said=0 f holder
  while :; do
    holder=""
    for f in "$@"; do
      if holder=$(lock_holder "$f"); then break; fi
      holder=""
    done
    [[ -z $holder ]] && break
    if ((SECONDS - start >= lock_timeout)); then
      echo "The package lock $f is still held by process $holder after $lock_timeout s; giving up." >&2
      return 1
    fi
    if ((!said)); then
      echo "Waiting for the package lock $f, held by process $holder (up to $lock_timeout s) ..."
      said=1
    fi
    sleep 2
  done
  if ((said)); then echo "The package lock is free after $((SECONDS - start)) s."; fi
}

apt_options=(-o "DPkg::Lock::Timeout=$lock_timeout")

# apt-get update does not wait for the lists lock itself: wait, and try
# again if another process took the lock in between. A mirror in the middle
# of a sync serves some lists that do not match their index: try again a
# few times, then go on with the lists that did arrive (and the older ones
# apt kept), since the install says plainly if a package is then missing.
apt_update() {
  local start=$SECONDS log tries=0
  log=$(mktemp)
  while :; do
    wait_for_locks "${lists_locks[@]}"
    if $SUDO apt-get "${apt_options[@]}" update -qq 2>"$log"; then
      rm -f "$log"
      return 0
    fi
    if grep -q "Could not get lock\|Unable to lock" "$log" && ((SECONDS - start < lock_timeout)); then
      continue
    fi
    if grep -q "Some index files failed to download" "$log"; then
      tries=$((tries + 1))
      if ((tries < 3)); then
        sleep 15
        continue
      fi
      echo "Some package lists could not be fetched (the mirror may be syncing); going on with the others:" >&2
      grep '^E:' "$log" | head -3 >&2
      rm -f "$log"
      return 0
    fi
    cat "$log" >&2
    rm -f "$log"
    return 1
  done
}

echo "Installing: ${missing[*]}"
if ((wants_i386)) && ! dpkg --print-foreign-architectures | grep -qx i386; then
  wait_for_locks "${dpkg_locks[@]}"
  $SUDO dpkg --add-architecture i386
fi
apt_update
wait_for_locks "${dpkg_locks[@]}"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get "${apt_options[@]}" install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
ensure_locales
ensure_mingw_httplib
