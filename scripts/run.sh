#!/bin/bash
# Builds the x86_64 build and runs kvsetup.exe under Wine, in a private Wine prefix of its
# own (build/run/wineprefix), never the tests' prefix or ~/.wine.
#  - With a display ($DISPLAY set): the program shows itself, as a user would see it.
#  - Without one: a silent install inside Xvfb, with an Install.ini beside the program
#    (QUIET=TRUE, LOGGING=TRUE); then prints the setup's exit code with its meaning,
#    setup.log and the files placed, and exits 0 when the setup installed the product.
# KV_BUILD_DIR chooses the build tree (default build/test, the test preset's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${KV_BUILD_DIR:-build/test}
run=$root/build/run

scripts/bootstrap.sh
cmake -S . -B "$build" --toolchain cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_BUILD_TESTS=ON -DKV_WERROR=ON >/dev/null
cmake --build "$build" -j2 --target kvsetup

export WINEPREFIX=$run/wineprefix
# A person looks at this prefix's windows: their own window manager keeps them.
export KV_WINE_MANAGED=1
source scripts/wine-env.sh
mkdir -p "$run/setup"
cp "$build/kvsetup.exe" "$run/setup/kvsetup.exe"

if [ -n "${DISPLAY:-}" ]; then
  rm -f "$run/setup/Install.ini"
  kv_prepare_prefix
  exec "$KV_WINE" "$run/setup/kvsetup.exe"
fi

printf '[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\n' >"$run/setup/Install.ini"
# The log lies in the program's temporary folder, which Wine keeps inside the prefix;
# a log of an earlier run is removed so that only this run's lines show.
kv_prepare_prefix
find "$WINEPREFIX/drive_c/users" -path '*/Temp/setup.log' -delete 2>/dev/null || true

echo "run: kvsetup.exe silently in $WINEPREFIX"
status=0
scripts/with-wine.sh "$KV_WINE" "$run/setup/kvsetup.exe" </dev/null >"$run/wine.out" 2>&1 || status=$?
# Wine hands Linux only the low 8 bits of a Windows exit code: 3010 arrives as 194.
case $status in
  0) meaning="0, installed"; ok=1 ;;
  194) meaning="3010, installed; a restart finishes it"; ok=1 ;;
  105) meaning="1641, installed; the restart was started"; ok=1 ;;
  67) meaning="1603, not installed (setup.log says why)"; ok=0 ;;
  82) meaning="1618, not run: another setup of the product was running"; ok=0 ;;
  103) meaning="1639, not run: a command-line switch was refused"; ok=0 ;;
  *) meaning="$status (low byte of the Windows exit code), not one the setup gives"; ok=0 ;;
esac
echo "run: exit code $meaning"

log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/setup.log' 2>/dev/null | head -n 1)
echo "--- setup.log"
if [ -n "$log" ]; then tr -d '\r' <"$log"; else echo "(none written)"; fi

dest=$(tr -d '\r' <"$WINEPREFIX/drive_c/windows/win.ini" 2>/dev/null |
  sed -n '/^\[KORVID\]/,/^\[/s/^DIR=//p' | head -n 1)
echo "--- placed files${dest:+ in $dest}"
if [ -n "$dest" ]; then
  # C:\x\y is dosdevices/c:/x/y inside the prefix.
  drive=$(printf '%s' "${dest:0:2}" | tr 'A-Z' 'a-z')
  rest=$(printf '%s' "${dest:2}" | tr '\\' '/')
  (cd "$WINEPREFIX/dosdevices/$drive$rest" && find . -type f | sed 's|^\./||' | sort)
else
  echo "(no installation recorded in win.ini)"
fi
[ $ok = 1 ] || exit 1
