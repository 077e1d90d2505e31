#!/bin/bash
# Checks that every include between the folders of src/ points down the ladder of layers:
# shell, wizard, removal, engine, dialogs, progman, base (resources may be used by any).
# The product's own sources (product/src) stand at the removal's rung: the uninstaller runs
# the setup's removal (removal/), restarts the machine through the engine (engine/) and uses
# the run state and log (base/), so product/src may include removal/ and the layers below
# it, and its own files, never shell/ or wizard/.
# The engine asks its questions through the callbacks the wizard hands in, so engine/ also
# includes no dialogs/ header, though the pages sit below it.
set -euo pipefail
cd "$(dirname "$0")/.."
layers=(shell wizard removal engine dialogs progman base)
rank() { local i; for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && echo "$i" && return; done; echo -1; }
bad=0
# check <folder> <rung>: every "layer/..." include of the folder's files is at that rung or below.
check() {
  local folder=$1 own=$2 file line target r
  while IFS=: read -r file _ line; do
    target=$(sed -E 's/.*#include "([a-z]+)\/.*/\1/' <<<"$line")
    [ "$target" = resources ] && continue
    r=$(rank "$target")
    if [ "$r" -lt "$own" ]; then
      echo "layers: $file includes $target/, a layer above ${layers[$own]}/" >&2
      bad=1
    fi
  done < <(grep -Hn '#include "[a-z]*/' "$folder"/* || true)
}
for dir in "${layers[@]}"; do
  check "src/$dir" "$(rank "$dir")"
done
check product/src "$(rank removal)"
if grep -Hn '#include "dialogs/' src/engine/* >&2; then
  echo "layers: engine/ includes dialogs/; its questions go through the callbacks it is handed" >&2
  bad=1
fi
[ $bad -eq 0 ] && echo "layers: every include points down"
exit $bad
