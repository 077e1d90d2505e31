#!/bin/bash
# Formats every C++ source of the project with clang-format and the project's .clang-format.
# With --check it changes nothing and fails, listing the files, when any is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
# New files count too, so that they are formatted before their first commit.
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "format: not formatted (run scripts/format.sh): ${bad[*]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files formatted"
else
  clang-format -i --style=file "${files[@]}"
fi
