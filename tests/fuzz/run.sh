#!/bin/bash
# Fuzzes the setup's pure functions natively on Linux with clang's libFuzzer, under
# AddressSanitizer and UndefinedBehaviorSanitizer. Not part of the test command or CI.
#
#   tests/fuzz/run.sh [seconds-per-target] [target...]
#
# Targets: options template paths destination commands progman switches (all by default),
# each run for the given seconds (180 by default). The builds go to build/fuzz; what a
# target learns grows build/fuzz/corpus/<target>, seeded from tests/fuzz/corpus/<target>;
# an input that breaks a property or trips a sanitizer lands in build/fuzz/crashes/<target>/
# and is replayed with: build/fuzz/fuzz_<target> <file>.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-180}
shift || true
all=(options template paths destination commands progman switches)
targets=("${@:-${all[@]}}")

# Debian 12's clang 14 with its libFuzzer runtime, installed when missing.
packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "fuzz: installing ${missing[*]}"
  sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

out=build/fuzz
mkdir -p "$out/obj"
# The sources that hold the pure functions; tests/fuzz/shim stands in for the system
# headers, and stubs.cpp for the few system calls these files name but no fuzzer reaches.
sources=(src/base/text.cpp src/engine/command.cpp src/engine/destination.cpp
  src/engine/placement_text.cpp src/progman/progman_text.cpp src/removal/removal_text.cpp
  src/shell/startup.cpp src/shell/switches.cpp product/src/unkv32_switches.cpp tests/fuzz/stubs.cpp)
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -Wall -Wextra -Werror
  -fsanitize=address,undefined -fno-sanitize-recover=all
  -isystem tests/fuzz/shim -Isrc -Iproduct/src -Itests/fuzz)

objects=()
for s in "${sources[@]}"; do
  o="$out/obj/$(basename "${s%.cpp}").o"
  if [ ! -f "$o" ] || [ "$s" -nt "$o" ] || [ -n "$(find src product/src tests/fuzz -name '*.h' -newer "$o" -print -quit)" ]; then
    clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -c "$s" -o "$o"
  fi
  objects+=("$o")
done
for t in "${targets[@]}"; do
  echo "fuzz: building fuzz_$t"
  clang++ "${flags[@]}" -fsanitize=fuzzer "tests/fuzz/fuzz_$t.cpp" "${objects[@]}" -o "$out/fuzz_$t"
done

failed=()
for t in "${targets[@]}"; do
  mkdir -p "$out/corpus/$t" "$out/crashes/$t"
  echo "fuzz: running fuzz_$t for ${seconds}s"
  if ! "$out/fuzz_$t" -max_total_time="$seconds" -timeout=10 -max_len=4096 -print_final_stats=1 \
      -dict=tests/fuzz/words.dict -artifact_prefix="$out/crashes/$t/" \
      "$out/corpus/$t" "tests/fuzz/corpus/$t" 2>"$out/fuzz_$t.log"; then
    failed+=("$t")
  fi
  grep -E '^stat::number_of_executed_units|^Done [0-9]+ runs' "$out/fuzz_$t.log" | tail -2 | sed "s/^/fuzz: $t: /" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $out/crashes/, logs in $out/fuzz_<target>.log)" >&2
  exit 1
fi
echo "fuzz: every target ran ${seconds}s without a failure"
