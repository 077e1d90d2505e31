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
status=0
scripts/with-wine.sh ctest --preset test "$@" || status=$?
# The fault suite's one summary line, whatever the result.
grep -h "^Fault suite:" build/test/Testing/Temporary/LastTest.log 2>/dev/null || true
[ $status = 0 ] || exit $status
scripts/vm-test.sh
