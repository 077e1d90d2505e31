#!/bin/bash
# Builds the i686 test build and runs its tests in the test VM under 32-bit Wine, inside
# Xvfb as on the host (scripts/vm-image.sh, scripts/vm-run.sh). The test preset test-i686
# chooses which tests run there (see README.md). Any arguments are passed on to ctest.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset test-i686
cmake --build --preset test-i686
exec scripts/vm-run.sh -t 2400 build/test-i686 scripts tests CMakePresets.json -- \
  scripts/with-wine.sh ctest --preset test-i686 "$@"
