#!/usr/bin/env bash
# Installs what building, testing and running Vantiro needs on Debian 12.
# Skips the work when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  clang libclang-rt-14-dev clang-format git
  libgtest-dev libgmock-dev libbenchmark-dev googletest
  libcairo2-dev libpng-dev libdeflate-dev libjpeg-dev
  fonts-dejavu-core fontconfig
  g++-mingw-w64-i686 mingw-w64-tools
  wine wine32:i386 xvfb xauth
  gnuplot-nox
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
  exit 0
fi

SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
echo "Installing: ${missing[*]}"
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
