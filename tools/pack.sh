#!/bin/bash
# SZDD-packs one payload file with mscompress under the packed name the setup's manifest
# gives it (pack.sh <file> <packed file>). mscompress writes "<name>_" beside its input,
# so the file is packed in a scratch folder and the result renamed.
set -euo pipefail
in=$1
out=$2
name=$(basename "$in")
tmp=$(mktemp -d "$(dirname "$out")/.pack.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
cp "$in" "$tmp/$name"
mscompress "$tmp/$name"
[ "$(head -c 4 "$tmp/${name}_")" = "SZDD" ] || { echo "pack.sh: $in was not packed" >&2; exit 1; }
mv -f "$tmp/${name}_" "$out"
