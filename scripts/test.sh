#!/bin/bash
# The test command. Installs the packages, checks the format and the layers, builds the i686
# release (the shipped kvsetup.exe) and the x86_64 test build, runs every test under Wine
# (the fault suite last, on its own), builds the test VM's image when this machine has none,
# and runs the i686 build of the tests in that VM under 32-bit Wine (scripts/vm-test.sh).
# Any arguments go to every ctest run, here and in the VM (for example -R '^Removal\.').
# Each stage prints one line with its time, and the end repeats every suite's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
logs=$root/build/logs
mkdir -p "$logs"
summary=()

# Runs one stage, its output shown and kept in build/logs/NAME.log, and prints its time.
# Usage: stage NAME COMMAND...
stage() {
  local name=$1 started=$SECONDS status=0
  shift
  "$@" 2>&1 | tee "$logs/$name.log" || status=$?
  echo "test: $name took $((SECONDS - started)) s (exit $status)"
  summary+=("$(printf '%-12s %5d s' "$name" $((SECONDS - started)))")
  return $status
}

# The closing lines of a ctest run and of the fault suite, from a stage's log.
results() {
  grep -hE '^[0-9]+% tests passed|^Fault suite:|^vm-run: exit code|^No tests were found' "$logs/$1.log" || true
}

finish() {
  local status=$?
  echo
  echo "test: summary"
  printf '  %s\n' "${summary[@]}"
  for name in wine faults vm; do
    [ -f "$logs/$name.log" ] && results "$name" | sed "s/^/  $name: /"
  done
  [ $status = 0 ] && echo "test: all passed" || echo "test: FAILED (exit $status)"
  # Every ctest run's tests added up, as one closing line.
  cat "$logs"/{wine,faults,vm}.log 2>/dev/null | awk '
    /tests passed, [0-9]+ tests? failed out of/ { f += $4; n += $NF }
    END { printf "total: %d passed, %d failed\n", n - f, f }'
  exit $status
}
trap finish EXIT
rm -f "$logs"/*.log

stage packages scripts/bootstrap.sh
stage checks bash -c 'scripts/format.sh --check && scripts/check-layers.sh'
stage release bash -c 'cmake --preset release >/dev/null && cmake --build --preset release && scripts/check-imports.sh'
stage build bash -c 'cmake --preset test >/dev/null && cmake --build --preset test'
stage wine scripts/with-wine.sh ctest --preset test -LE faults "$@"
# The fault suite's one summary line comes from its output, whatever the result.
stage faults bash -c 'rc=0; scripts/with-wine.sh ctest --preset test -L faults "$@" || rc=$?
  grep -h "^Fault suite:" build/test/Testing/Temporary/LastTest.log; exit $rc' faults "$@"
stage build-i686 bash -c 'cmake --preset test-i686 >/dev/null && cmake --build --preset test-i686'
stage vm-image bash -c 'scripts/vm-image.sh >/dev/null'
stage vm scripts/vm-test.sh "$@"
