#!/bin/bash
# Runs a command in the test VM (scripts/vm-image.sh), on files built on this machine.
#
# Usage: scripts/vm-run.sh [-t SECONDS] [-o FOLDER] PATH... -- COMMAND [ARGS...]
#   PATH...     files or folders copied into the VM at the same absolute paths, so that the
#               paths compiled into the test programs resolve there as they do here
#   COMMAND     run in the VM as root from the current folder's path, with WINEARCH=win32
#               and WINEPREFIX naming the image's ready-made Wine prefix
#   -t SECONDS  stop the VM after this long (default 2400)
#   -o FOLDER   copy back here what COMMAND wrote into the folder $KV_VM_OUT
#
# COMMAND's output shows as it runs. The exit code is COMMAND's, or 125 when the VM gave
# none (it did not boot, crashed, or ran out of time).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/vm-image.sh"

seconds=2400
results=
while getopts t:o: opt; do
  case $opt in
    t) seconds=$OPTARG ;;
    o) results=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
paths=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  paths+=("$(realpath -s "$1")")
  shift
done
if [ $# -lt 2 ]; then
  echo "usage: $0 [-t SECONDS] [-o FOLDER] PATH... -- COMMAND [ARGS...]" >&2
  exit 2
fi
shift

image=$(kv_vm_image)
work=$(mktemp -d "${TMPDIR:-/tmp}/kvvm.XXXXXX")
trap 'rm -rf "$work"' EXIT
disk=$work/disk
mkdir -p "$disk/tree"
for p in "${paths[@]}"; do
  (cd / && cp -a --parents "${p#/}" "$disk/tree/")
  echo "$p" >>"$disk/paths"
done
{
  printf 'cd %q || exit 125\n' "$PWD"
  echo 'export KV_VM_OUT=/kvwork/out/files'
  echo 'mkdir -p "$KV_VM_OUT"'
  printf '%q ' "$@"
  echo
} >"$disk/guest.sh"
kv_vm_work_disk "$disk" "$work/work.img"
rm -rf "$disk"

echo "vm-run: booting $image (time limit ${seconds} s)"
started=$SECONDS
boot=0
kv_vm_boot "$image" "$work/work.img" on "$seconds" || boot=$?
debugfs -R "rdump /out $work" "$work/work.img" >/dev/null 2>&1 || true
rc=$(cat "$work/out/rc" 2>/dev/null || true)
if [ -z "$rc" ]; then
  [ "$boot" -eq 124 ] && echo "vm-run: the VM ran out of time" ||
    echo "vm-run: the VM ended (code $boot) without reporting the command's exit code"
  rc=125
fi
if [ -n "$results" ] && [ -d "$work/out/files" ]; then
  mkdir -p "$results"
  cp -a "$work/out/files/." "$results/"
fi
echo "vm-run: exit code $rc after $((SECONDS - started)) s in the VM"
exit "$rc"
