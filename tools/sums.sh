#!/bin/bash
# Writes the setup's payload resource list (sums.sh <list in> <list out>): the list as it is,
# then for each packed file ("<NAME> EXE "<path ending in _>"") a resource "<NAME> SUM"
# holding the CRC-32 of its bytes, which the setup checks before it places the file.
set -euo pipefail
in=$1
out=$2
{
  cat "$in"
  echo "// CRC-32 of each packed file, made when the file was packed."
  while read -r name type path; do
    [ "$type" = EXE ] || continue
    path=${path//\"/}
    case $path in *_) ;; *) continue ;; esac
    # gzip's trailer holds the CRC-32 of its input, little-endian.
    crc=$(gzip -c "$path" | tail -c 8 | head -c 4 | od -An -tx4 | tr -d ' ')
    echo "$name SUM { 0x${crc}L }"
  done <"$in"
} >"$out.tmp"
mv -f "$out.tmp" "$out"
