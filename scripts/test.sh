#!/bin/bash
# Builds everything (the i686 release and the x86_64 test build) and runs all tests under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
scripts/format.sh --check
scripts/check-layers.sh
cmake --preset release
cmake --build --preset release
cmake --preset test
cmake --build --preset test
scripts/with-wine.sh ctest --preset test "$@"
