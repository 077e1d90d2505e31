#!/bin/bash
# Takes the screenshots of the wizard's pages into docs/: the driven install scenario runs
# inside a Wine virtual desktop (so that Wine draws the title bars) under Xvfb, and captures
# the screen at each page with ImageMagick's import.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/bootstrap.sh
cmake --preset test >/dev/null
cmake --build --preset test
source scripts/wine-env.sh
export KV_WINE
mkdir -p docs
# The test program writes each capture as a BMP into a scratch folder of the build tree.
shots=$root/build/test/screenshots
rm -rf "$shots"
mkdir -p "$shots"
win_shots="Z:${shots//\//\\}"
export KV_SCREENSHOTS=$win_shots
# The desktop's explorer starts a batch file that runs the scenario and then marks the end.
kve2e="Z:${root//\//\\}\\build\\test\\tests\\kve2e.exe"
printf '%s\r\n' "@$kve2e --gtest_filter=Pages.InteractiveInstallWalksEveryPageAndMatchesTheSilentInstall >$win_shots\\test.out 2>&1" \
  "@echo done>$win_shots\\done.txt" >"$shots/run.bat"
scripts/with-wine.sh bash -c '
  "$KV_WINE" explorer /desktop=KORVID,1024x768 "$1\\run.bat" </dev/null >/dev/null 2>&1 &
  for _ in $(seq 300); do [ -f "$0/done.txt" ] && break; sleep 1; done' "$shots" "$win_shots"
cat "$shots/test.out"
for bmp in "$shots"/*.bmp; do
  convert "$bmp" -colors 256 "docs/$(basename "${bmp%.bmp}").png"
done
ls -l docs/*.png
