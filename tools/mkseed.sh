#!/bin/bash
# Makes kvseed.dat (mkseed.sh <file>): the seed pool KORVID's secure connections start
# from, "KVSEED" and a version word, a count word, then that many bytes of a fixed
# linear congruential sequence (the product stirs it with its own entropy at first use).
set -euo pipefail
out=$1
count=512
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
bytes=""
x=19991231
for ((i = 0; i < count; i++)); do
  x=$(((x * 1103515245 + 12345) & 0x7fffffff))
  printf -v b '\\x%02x' $(((x >> 16) & 255))
  bytes+=$b
done
printf "KVSEED$(le16 1)$(le16 $count)$bytes" > "$out"
