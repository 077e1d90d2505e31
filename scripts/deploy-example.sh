#!/bin/bash
# A small deployment as a deployment tool makes it: the setup run from a share with its
# command-line switches and no options file, on several scratch machines (one Wine prefix
# each, each with its own display and wineserver) in parallel; each machine's result is
# collected from the setup's exit code and the log its /LOG switch named.
#   scripts/deploy-example.sh [machines] [switches...]
# Default: 3 machines, /S /DIR="C:\Program Files\KORVID Pro" /LOG=C:\kvsetup.log /NORESTART:
# a silent install of every part that leaves the restart to the caller.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
machines=${1:-3}
shift $(($# > 0 ? 1 : 0))
switches=("$@")
[ ${#switches[@]} -gt 0 ] || switches=(/S "/DIR=C:\Program Files\KORVID Pro" "/LOG=C:\kvsetup.log" /NORESTART)
build=${KV_BUILD_DIR:-build/test}
deploy=$root/build/deploy

scripts/bootstrap.sh
cmake -S . -B "$build" --toolchain cmake/mingw-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKV_BUILD_TESTS=ON -DKV_WERROR=ON >/dev/null 2>&1 || exit 1
cmake --build "$build" -j2 --target kvsetup >/dev/null || exit 1

rm -rf "$deploy"
mkdir -p "$deploy/share"
cp "$build/kvsetup.exe" "$deploy/share/kvsetup.exe"

# One machine: a fresh prefix, the setup run from the share, then its exit code and log.
deploy_one() {
  local machine=$deploy/machine$1
  mkdir -p "$machine"
  export WINEPREFIX=$machine/prefix
  source scripts/wine-env.sh
  local code=0
  scripts/with-wine.sh "$KV_WINE" "$deploy/share/kvsetup.exe" "${switches[@]}" </dev/null >"$machine/wine.out" 2>&1 || code=$?
  # A Unix exit status keeps only the low byte of the Windows exit code.
  case $code in
    194) code=3010 ;;
    105) code=1641 ;;
    67) code=1603 ;;
    82) code=1618 ;;
    103) code=1639 ;;
  esac
  echo "$code" >"$machine/exit-code"
  local log
  log=$WINEPREFIX/drive_c/kvsetup.log
  [ -f "$log" ] || log=$(find "$WINEPREFIX/drive_c/users" -path '*/Temp/setup.log' 2>/dev/null | head -n 1)
  if [ -n "$log" ]; then tr -d '\r' <"$log" >"$machine/setup.log"; else : >"$machine/setup.log"; fi
}

echo "deploy: kvsetup.exe ${switches[*]} on $machines machines in parallel under $deploy"
for i in $(seq 1 "$machines"); do
  deploy_one "$i" &
done
wait

failed=0
printf '%-10s %-6s %s\n' machine exit result
for i in $(seq 1 "$machines"); do
  machine=$deploy/machine$i
  code=$(cat "$machine/exit-code")
  case $code in
    0) result="installed" ;;
    3010) result="installed, restart needed" ;;
    1641) result="installed, restart started" ;;
    *) result="FAILED: $(grep -E 'Failed|Refused|failed|switch|running' "$machine/setup.log" | tail -n 1)"; failed=$((failed + 1)) ;;
  esac
  printf '%-10s %-6s %s\n' "machine$i" "$code" "$result"
done
echo "deploy: $((machines - failed)) of $machines installed"
[ "$failed" -eq 0 ]
