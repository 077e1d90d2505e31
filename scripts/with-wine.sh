#!/bin/bash
# Runs a command inside Xvfb with one persistent wineserver for the build tree's prefix,
# and ends that server (that prefix only) afterwards, whatever the command's result.
set -uo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ -z "${KV_IN_XVFB:-}" ]; then
  export KV_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

kv_prepare_prefix
"$KV_WINESERVER" -p
# Start the prefix's services and desktop now, detached from the caller's output.
"$KV_WINE" wineboot </dev/null >/dev/null 2>&1
"$@"
rc=$?
"$KV_WINESERVER" -k 2>/dev/null || true
"$KV_WINESERVER" -w 2>/dev/null || true
exit $rc
