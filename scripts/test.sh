#!/bin/bash
# Builds everything (the i686 release and the x86_64 test build) and runs all tests under Wine;
# then runs the i686 build of the tests in the test VM under 32-bit Wine (scripts/vm-test.sh).
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
scripts/vm-test.sh
