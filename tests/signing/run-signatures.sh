#!/bin/bash
# The Signatures test: the setup and every program and library it carries are signed with
# the build's certificate, and the signature is the last change made to each.
#
#   run-signatures.sh <osslsigncode> <cert> <sums folder> <kvsetup.exe> <kvextract.exe> <work folder>
#
# The packed programs are checked as they come out of the setup: kvextract (under Wine)
# expands the setup's own resources. Each file must verify with the certificate as the
# trusted root, and its SHA-256 must be the one tools/sign.sh recorded right after signing.
# Last, a copy of the setup with one byte changed after signing must fail both checks.
set -uo pipefail
tool=$1 cert=$2 sums=$3 setup=$4 extract=$5 work=$6
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rm -rf "$work"
mkdir -p "$work/out"
failures=0

# check <file> <recorded name>: 0 when the signature verifies and the sum is the recorded one.
check() {
  local file=$1 name=$2 recorded actual
  if ! "$tool" verify -CAfile "$cert" -in "$file" >"$work/verify.log" 2>&1; then
    echo "  $name: signature does not verify"
    sed 's/^/    /' "$work/verify.log" | grep -iE 'fail|error|mismatch' | head -5
    return 1
  fi
  recorded=$(cat "$sums/$name.sha256" 2>/dev/null) || { echo "  $name: no sum recorded at signing"; return 1; }
  actual=$(sha256sum "$file" | cut -d' ' -f1)
  if [ "$recorded" != "$actual" ]; then
    echo "  $name: changed after signing (sum $actual, signed as $recorded)"
    return 1
  fi
  return 0
}

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

check "$setup" "$(basename "$setup")" || fail "the setup"

# The programs and libraries as the setup carries them.
winpath() { echo "Z:${1//\//\\}"; }
"$here/../../scripts/wine-run" "$extract" "$(winpath "$setup")" "$(winpath "$work/out")" >"$work/extract.log" 2>&1 \
  || { cat "$work/extract.log"; fail "kvextract"; }
shopt -s nullglob nocaseglob
# The recorded sums are named by the installed name; its packed name is the same name, in
# any case, with its last character replaced by '_'.
declare -A signed
for s in "$sums"/*.sha256; do
  n=$(basename "$s" .sha256)
  [ "$n" = "$(basename "$setup")" ] && continue
  k=${n,,}
  signed[${k:0:${#k}-1}_]=$n
done
carried=0
declare -A seen
for packed in "$work"/out/*.ex_ "$work"/out/*.dl_; do
  base=$(basename "$packed")
  name=${signed[${base,,}]:-}
  if [ -z "$name" ]; then fail "$base: carried, but the build signed no such file"; continue; fi
  seen[${base,,}]=1
  carried=$((carried + 1))
  check "$packed" "$name" || fail "$base as the setup carries it"
done
[ "$carried" -ge 10 ] || fail "only $carried programs and libraries came out of the setup"
# Every program and library the build signed (but the setup itself) is carried.
for k in "${!signed[@]}"; do
  [ -n "${seen[$k]:-}" ] || fail "${signed[$k]} was signed but the setup does not carry it"
done

# A byte changed after signing fails the check: one in the code, well before the signature.
cp "$setup" "$work/tampered.exe"
byte=$(od -An -tu1 -j 4096 -N1 "$work/tampered.exe" | tr -d ' ')
printf "$(printf '\\%03o' $(((byte + 1) % 256)))" | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc 2>/dev/null
if check "$work/tampered.exe" "$(basename "$setup")" >/dev/null; then
  fail "a setup with a byte changed after signing passed the check"
else
  echo "a byte changed after signing: refused, as it must be"
fi

echo "Signatures: the setup and $carried carried programs and libraries checked, $failures failures"
[ "$failures" -eq 0 ]
