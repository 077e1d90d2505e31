#!/bin/bash
# Checks what the shipped i686 files import (kvsetup.exe and every program and library of
# the payload, as built in the release tree): each DLL is one of the system's own, and each
# function is listed in tools/imports.list as exported by Windows 95, 98 and NT 4 alike. A
# function one of them lacks is reached through GetProcAddress instead, and so is no import.
# It also checks that no instruction of theirs jumps to itself: the optimiser makes such an
# endless loop of a function that calls itself, as strlen's counting loop becomes when the
# memory functions are compiled without their options (cmake/nocrt.cmake).
# usage: scripts/check-imports.sh [release build folder, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
list=tools/imports.list
objdump=i686-w64-mingw32-objdump
system_dlls=" kernel32.dll user32.dll gdi32.dll advapi32.dll comdlg32.dll lz32.dll shell32.dll version.dll "

files=("$build/kvsetup.exe" "$build"/product/files/*.exe "$build"/product/files/*.dll)
bad=0
count=0
for file in "${files[@]}"; do
  if [ ! -f "$file" ]; then
    echo "imports: $file is missing; build the release first" >&2
    exit 1
  fi
  if ! $objdump -f "$file" | grep -q 'file format pei-i386'; then
    echo "imports: $file is not an i686 file" >&2
    bad=1
    continue
  fi
  name=$(basename "$file")
  while read -r address; do
    echo "imports: $name has an endless loop at $address (a jump to itself)" >&2
    bad=1
  done < <($objdump -d "$file" | awk -F'\t' '$3 ~ /^jmp +(0x)?[0-9a-f]+/ {
      split($3, op, /[ \t]+/); at = $1; sub(/^ +/, "", at); sub(/:$/, "", at); to = op[2]; sub(/^0x/, "", to)
      if (at == to) print at }')
  # "dll function" for each import; an import by ordinal has no name and shows as "#".
  while read -r dll function; do
    count=$((count + 1))
    if [[ "$system_dlls" != *" $dll "* ]]; then
      echo "imports: $name imports $dll!$function; $dll is not one of the system's own libraries" >&2
      bad=1
      continue
    fi
    row=$(awk -v d="$dll" -v f="$function" '!/^#/ && tolower($1) == d && $2 == f { print; exit }' "$list")
    if [ -z "$row" ]; then
      echo "imports: $name imports $dll!$function, which $list does not list" >&2
      bad=1
      continue
    fi
    systems=$(awk -F'\t' '{ print $3 }' <<<"$row")
    for target in 95 98 NT4; do
      if [[ " $systems " != *" $target "* ]]; then
        echo "imports: $name imports $dll!$function, which Windows $target lacks; reach it through GetProcAddress" >&2
        bad=1
      fi
    done
  done < <($objdump -p "$file" | awk '
      /^\tDLL Name: / { dll = tolower($3); next }
      dll != "" && /^\t[ \t]*[0-9a-f]+[ \t]+[0-9]+[ \t]+[^ \t]/ { print dll, $3; next }
      dll != "" && /^\t[ \t]*[0-9a-f]+[ \t]+<none>/ { print dll, "#" $3 }
      /^$/ && dll != "" { dll = "" }')
done
[ $bad -eq 0 ] && echo "imports: ${#files[@]} files, $count imports, each from the system's own libraries and on Windows 95, 98 and NT 4; no endless loop"
exit $bad
