#!/bin/bash
# Signs one program or library in place with Authenticode and records its SHA-256 as
# signed (sign.sh <osslsigncode> <file> <cert> <key> <sums folder> [passphrase file]
# [time-stamp URL]). Run right after the link, so the signature is the file's last change.
set -euo pipefail
tool=$1 file=$2 cert=$3 key=$4 sums=$5 passfile=${6:-} tsurl=${7:-}
args=(sign -certs "$cert" -key "$key" -h sha256 -n "KORVID Pro")
[ -n "$passfile" ] && args+=(-readpass "$passfile")
[ -n "$tsurl" ] && args+=(-ts "$tsurl")
tmp="$file.signing"
rm -f "$tmp"
"$tool" "${args[@]}" -in "$file" -out "$tmp" >/dev/null
mv -f "$tmp" "$file"
mkdir -p "$sums"
sha256sum "$file" | cut -d' ' -f1 >"$sums/$(basename "$file").sha256"
