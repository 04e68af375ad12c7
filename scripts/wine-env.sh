# Sourced by the scripts that run Windows programs: a private, quiet,
# non-interactive Wine inside the build tree.
# Usage: source scripts/wine-env.sh <build-dir>
if ! build_dir=$(cd "$1" && pwd); then
  echo "wine-env.sh: no build folder $1" >&2
  return 1
fi
export WINEPREFIX="$build_dir/wineprefix"
unset build_dir
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win32 2>/dev/null || true

wine_start() {
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wineboot --init </dev/null >/dev/null 2>&1 || true
  fi
  # Wine's background services must not inherit ctest's pipes.
  wineserver -p 30 </dev/null >/dev/null 2>&1 || true
  wine wineboot </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}
