#!/bin/bash
# The bench: kvsetup.exe against NSIS installers of the same payload, side by side under one
# wineserver. Not a test; CI does not run it.
#
#   bench/run.sh [RUNS]        (default 5 runs of each; prints a report and writes it to
#                               build/bench/results.md; KV_BENCH_VARIANTS below)
#
# It builds the shipped i686 release (for the sizes) and a bench build of the x86_64 setup
# (build/bench: the release's flags plus KV_BENCH_PHASES, which marks the install's phases
# into the file KV_BENCH_PHASES_FILE names), the launcher bench/kvbench.cpp, and NSIS
# installers (zlib and lzma, files only and the full work) from the bench build's payload.
# Then, in a Wine prefix of its own (build/bench/wineprefix) inside Xvfb, each run times
# whole processes in turn: an empty Wine process, a plain copy of the unpacked payload, each
# NSIS installer and kvsetup.exe silent with the default choices; the bare Program Manager
# client of kvbench (one CreateGroup and 14 AddItem, one by one or in one execute string).
# KV_BENCH_OLD names a bench build of an earlier kvsetup.exe (built with KV_BENCH_PHASES=ON):
# the variant kvsetup-old runs it the same way, for a before-and-after in one session.
# Medians are reported.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/bench
runs=${1:-5}

if [ -z "${KV_BENCH_INNER:-}" ]; then
  cd "$root"
  if ! command -v makensis >/dev/null; then
    echo "bench: installing nsis"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q nsis >/dev/null
  fi
  scripts/bootstrap.sh >/dev/null
  cmake --preset release >/dev/null
  cmake --build --preset release
  cmake -S . -B "$bench/build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=MinSizeRel -DKV_BUILD_TESTS=OFF -DKV_BENCH_PHASES=ON >/dev/null
  cmake --build "$bench/build" -j2
  x86_64-w64-mingw32-g++-posix -O2 -Wall -Wextra -static -o "$bench/kvbench.exe" \
    bench/kvbench.cpp -lpsapi
  payload=$bench/build/product/files
  mkdir -p "$bench/nsis"
  for comp in zlib lzma; do
    for work in files full; do
      makensis -V1 -DCOMPRESSOR=$comp -DWORK=$work -DTARGET=amd64-unicode -DPAYLOAD="$payload" \
        -DOUTFILE="$bench/nsis/nsis-$comp-$work.exe" bench/korvid.nsi
    done
    # The size comparison uses the shipped i686 payload and NSIS's x86 stub.
    makensis -V1 -DCOMPRESSOR=$comp -DWORK=full -DTARGET=x86-unicode \
      -DPAYLOAD="$root/build/release/product/files" -DOUTFILE="$bench/nsis/i686-$comp-full.exe" bench/korvid.nsi
  done
  export WINEPREFIX=$bench/wineprefix KV_BENCH_INNER=1
  exec scripts/with-wine.sh "$0" "$runs"
fi

# ---- Inside Xvfb, with the prefix's wineserver running --------------------------------------
source "$root/scripts/wine-env.sh"
drive=$WINEPREFIX/drive_c
user=$(id -un)
menu="$drive/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
temp="$drive/users/$user/AppData/Local/Temp"
work=$drive/kvbench
rm -rf "$work"
mkdir -p "$work/payload" "$work/setup" "$work/setup-old" "$work/interactive"
cp -r "$bench/build/product/files/." "$work/payload/"
rm -rf "$work/payload/templates"
cp "$bench/kvbench.exe" "$bench"/nsis/nsis-*.exe "$work/"
cp "$bench/build/kvsetup.exe" "$work/setup/"
cp "$bench/build/kvsetup.exe" "$work/interactive/"
printf '[INSTALL]\r\nQUIET=TRUE\r\n\r\n[KORVID]\r\nDIR32=C:\\kvbench\\kvsetup-dest\r\n' >"$work/setup/Install.ini"
if [ -n "${KV_BENCH_OLD:-}" ]; then
  cp "$KV_BENCH_OLD" "$work/setup-old/kvsetup.exe"
  cp "$work/setup/Install.ini" "$work/setup-old/"
fi
results=$bench/samples
rm -rf "$results"
mkdir -p "$results"

wine() { "$KV_WINE" "$@"; }
now_ns() { date +%s%N; }

# Takes away what the previous run of each variant left, so that every run installs afresh.
reset_state() {
  wine "C:\\kvbench\\kvbench.exe" close-explorer >/dev/null 2>&1 || true
  # Programs the installs started (the scheduler) end on their own; give them the time.
  sleep 0.5
  rm -rf "$work/copy" "$work/nsis-dest" "$work/kvsetup-dest" "$menu/KORVID Pro" "$menu/KORVID Pro NSIS" \
    "$menu/KORVID Pro Bare"
  rm -f "$temp/setup.log"
  # The setup would take an earlier installation's folder from win.ini.
  sed -i '/^\[KORVID/,/^\[/{/^\[KORVID/d;/^\[/!d}' "$drive/windows/win.ini" 2>/dev/null || true
}

# time_variant NAME COMMAND...: one timed run, appended to samples/NAME
time_variant() {
  local name=$1
  shift
  reset_state
  local t0 t1
  t0=$(now_ns)
  "$@" >/dev/null 2>&1 || true
  t1=$(now_ns)
  echo $(((t1 - t0) / 1000)) >>"$results/$name"
}

copy_payload() { mkdir -p "$work/copy" && wine cmd.exe /c copy /y "C:\\kvbench\\payload\\*" "C:\\kvbench\\copy\\"; }
run_setup() { KV_BENCH_PHASES_FILE="C:\\kvbench\\phases.txt" wine "C:\\kvbench\\$1\\kvsetup.exe"; }

# KV_BENCH_VARIANTS picks some of them (say, "empty kvsetup" to compare two builds of ours).
read -r -a variants <<<"${KV_BENCH_VARIANTS:-empty copy nsis-zlib-files nsis-lzma-files nsis-zlib-full nsis-lzma-full kvsetup}"
# A first round, not counted, warms the file cache and the prefix's services.
for pass in $(seq 0 "$runs"); do
  for v in "${variants[@]}"; do
    case $v in
      empty) time_variant empty wine "C:\\kvbench\\kvbench.exe" empty ;;
      copy) time_variant copy copy_payload ;;
      nsis-*) time_variant "$v" wine "C:\\kvbench\\$v.exe" ;;
      progman-one | progman-batch)
        time_variant "$v" wine "C:\\kvbench\\kvbench.exe" progman "${v#progman-}" "C:\\kvbench\\payload\\kvpro32.hlp"
        ;;
      kvsetup | kvsetup-old)
        folder=setup
        [ "$v" = kvsetup-old ] && folder=setup-old
        rm -f "$work/phases.txt"
        time_variant "$v" run_setup "$folder"
        [ "$(ls "$work/kvsetup-dest" 2>/dev/null | wc -l)" -gt 30 ] || echo "bench: $v placed too few files" >&2
        [ -f "$work/phases.txt" ] && cp "$work/phases.txt" "$results/phases-$v.$pass"
        ;;
    esac
  done
  if [ "$pass" -eq 0 ]; then rm -f "$results"/*; fi
  echo "bench: run $pass of $runs done" >&2
done

# Memory and the welcome page, through the launcher (KV_BENCH_EXTRAS=0 leaves them out).
[ "${KV_BENCH_EXTRAS:-1}" = 0 ] || for i in $(seq 1 "$runs"); do
  reset_state
  wine "C:\\kvbench\\kvbench.exe" run "C:\\kvbench\\setup\\kvsetup.exe" >>"$results/memory.kvsetup" 2>&1 || true
  reset_state
  wine "C:\\kvbench\\kvbench.exe" run "C:\\kvbench\\nsis-zlib-full.exe" >>"$results/memory.nsis" 2>&1 || true
  reset_state
  wine "C:\\kvbench\\kvbench.exe" run --window "KORVID Pro Installation" --timeout 10000 \
    "C:\\kvbench\\interactive\\kvsetup.exe" >>"$results/welcome" 2>&1 || true
done
reset_state

python3 "$root/bench/report.py" "$results" "$runs" "$root" | tee "$bench/results.md"
