#!/bin/bash
# Checks that every include between the folders of src/ points down the ladder of layers:
# shell, wizard, removal, engine, dialogs, progman, base (resources may be used by any).
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(shell wizard removal engine dialogs progman base)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
bad=0
for dir in "${layers[@]}"; do
  own=$(rank "$dir")
  while IFS=: read -r file _ line; do
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
    [ "$target" = resources ] && continue
    r=$(rank "$target")
    if [ "$r" -lt "$own" ]; then
      echo "layers: $file includes $target/, a layer above $dir/" >&2
      bad=1
    fi
  done < <(grep -Hn '#include "[a-z]*/' src/"$dir"/* || true)
done
[ $bad -eq 0 ] && echo "layers: every include points down"
exit $bad
