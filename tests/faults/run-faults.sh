#!/bin/bash
# Runs the fault suite in a Wine prefix of its own, inside a private mount namespace that
# holds its two drives:
#   K: a tmpfs of 256 KB, smaller than the product, for the full disk;
#   R: a tmpfs mounted read-only, holding "KORVID Pro\keep.txt", for the read-only folder.
# A size-limited tmpfs needs no image file, no loop device, no FUSE and no package: only
# the mount namespace, which root (as the test command runs) or, failing that, a user
# namespace provides. Both mounts vanish with the namespace, even when the run is killed.
# Pass 1 runs every scenario with the display (and so Program Manager); pass 2 runs the
# NoServer ones without a display, where no Program Manager answers. Each pass prints its
# tally; this script prints the one summary line and fails on any crash, hang or file lost.
# Usage: run-faults.sh PROGRAM WORKDIR
# KV_FAULTS_FILTER, when set, narrows pass 1 to the tests of that GoogleTest filter.
set -uo pipefail
program=$1
work=$2

if [ -z "${KV_FAULTS_NAMESPACE:-}" ]; then
  export KV_FAULTS_NAMESPACE=1
  if [ "$(id -u)" = 0 ]; then
    exec unshare --mount --propagation private "$0" "$@"
  fi
  exec unshare --map-root-user --mount "$0" "$@"
fi

export WINEPREFIX=$work/wineprefix
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-env.sh"

small=$work/mnt/small
readonly=$work/mnt/readonly
small_bytes=$((256 * 1024))
mkdir -p "$small" "$readonly"
if mount -t tmpfs -o size=$small_bytes,mode=0777 kvfaults-small "$small" \
   && mount -t tmpfs -o size=64k,mode=0777 kvfaults-readonly "$readonly"; then
  mkdir -p "$readonly/KORVID Pro"
  printf 'kept\r\n' >"$readonly/KORVID Pro/keep.txt"
  mount -o remount,ro "$readonly"
  mounted=1
else
  echo "run-faults: the test drives could not be mounted; the scenarios that need them fail"
  mounted=0
fi

end_server() {
  "$KV_WINESERVER" -k 2>/dev/null || true
  "$KV_WINESERVER" -w 2>/dev/null || true
}
trap end_server EXIT

kv_prepare_prefix
if [ $mounted = 1 ]; then
  ln -sfn "$small" "$WINEPREFIX/dosdevices/k:"
  ln -sfn "$readonly" "$WINEPREFIX/dosdevices/r:"
  export KV_FAULTS_SMALL_DRIVE=K: KV_FAULTS_SMALL_BYTES=$small_bytes KV_FAULTS_READONLY_DRIVE=R:
fi

# A crash ends the program at once with its exception's status, never in a dialog.
run_pass() {
  local out=$1
  shift
  "$KV_WINESERVER" -p
  "$KV_WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    </dev/null >/dev/null 2>&1
  "$KV_WINE" wineboot </dev/null >/dev/null 2>&1
  # Helper processes inherit the standard handles: send the output through a file.
  "$KV_WINE" "$program" "$@" </dev/null >"$out" 2>&1
  local rc=$?
  cat "$out"
  end_server
  return $rc
}

rc=0
out1=$(mktemp "${TMPDIR:-/tmp}/kvfaults.XXXXXX")
out2=$(mktemp "${TMPDIR:-/tmp}/kvfaults.XXXXXX")
run_pass "$out1" --gtest_filter="${KV_FAULTS_FILTER:--NoServer.*}" || rc=1
(unset DISPLAY WAYLAND_DISPLAY; run_pass "$out2" --gtest_filter='NoServer.*') || rc=1

read -r s f c h l < <(cat "$out1" "$out2" | awk '/^kvfaults tally:/ {
  s += $3; f += $4; c += $5; h += $6; l += $7; n++ }
  END { if (n == 2) print s, f, c, h, l; else print "? ? ? ? ?" }')
rm -f "$out1" "$out2"
echo "Fault suite: $s scenarios run, $f faults injected, $c crashes, $h hangs, $l files lost or corrupted"
if [ "$c" != 0 ] || [ "$h" != 0 ] || [ "$l" != 0 ]; then
  rc=1
fi
exit $rc
