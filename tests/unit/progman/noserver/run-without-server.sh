#!/bin/bash
# Runs a test program where no Program Manager answers: in a Wine prefix of its own (so
# that no running shell of the test prefix is reached) and without a display (so that this
# prefix starts no shell either). Ends that prefix's wineserver whatever the result.
# Usage: run-without-server.sh PROGRAM PREFIX [ARGS...]
set -uo pipefail
program=$1
export WINEPREFIX=$2
shift 2
unset DISPLAY WAYLAND_DISPLAY
source "$(dirname "${BASH_SOURCE[0]}")/../../../../scripts/wine-env.sh"

end_server() {
  "$KV_WINESERVER" -k 2>/dev/null || true
  "$KV_WINESERVER" -w 2>/dev/null || true
}
trap end_server EXIT

kv_prepare_prefix
# Helper processes inherit the standard handles: send the output through a file.
out=$(mktemp "${TMPDIR:-/tmp}/kvnoserver.XXXXXX")
"$KV_WINE" "$program" "$@" </dev/null >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
