#!/bin/bash
# Signs one program or library in place with Authenticode and records its SHA-256 as
# signed (sign.sh <osslsigncode> <file> <cert> <key> <sums folder> [passphrase file]
# [time-stamp URL] [PKCS#11 module] [PKCS#11 engine]). With a PKCS#11 module the key is the
# PKCS#11 URI of a key held in a token or security module, and the passphrase file holds its
# PIN. Run right after the link, so the signature is the file's last change.
set -euo pipefail
tool=$1 file=$2 cert=$3 key=$4 sums=$5 passfile=${6:-} tsurl=${7:-} p11module=${8:-} p11engine=${9:-}
args=(sign)
[ -n "$p11engine" ] && args+=(-pkcs11engine "$p11engine")
[ -n "$p11module" ] && args+=(-pkcs11module "$p11module")
args+=(-certs "$cert" -key "$key" -h sha256 -n "KORVID Pro")
[ -n "$passfile" ] && args+=(-readpass "$passfile")
[ -n "$tsurl" ] && args+=(-ts "$tsurl")
tmp="$file.signing"
rm -f "$tmp"
"$tool" "${args[@]}" -in "$file" -out "$tmp" >/dev/null
mv -f "$tmp" "$file"
mkdir -p "$sums"
sha256sum "$file" | cut -d' ' -f1 >"$sums/$(basename "$file").sha256"
