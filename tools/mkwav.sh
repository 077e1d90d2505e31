#!/bin/bash
# Makes one of the product's short sounds as an 8-bit mono PCM WAVE file at 11025 Hz
# (mkwav.sh connect|error|done <file.wav>). Each sound is a few notes, each a sine from a
# 32-step table with a short attack and a linear fade.
set -euo pipefail
kind=$1
out=$2
rate=11025
sine=(0 20 38 56 71 83 92 98 100 98 92 83 71 56 38 20
      0 -20 -38 -56 -71 -83 -92 -98 -100 -98 -92 -83 -71 -56 -38 -20)
samples=""
count=0

# Appends a note: frequency in Hz (0 for a pause), length in ms, loudness in percent.
note() {
  local freq=$1 n=$(($2 * rate / 1000)) amp=$3 phase=0 step i env s byte
  step=$((freq * 32 * 65536 / rate))
  for ((i = 0; i < n; i++)); do
    env=$((amp * (n - i) / n))
    ((i < 40)) && env=$((env * i / 40))
    s=$((128 + sine[(phase >> 16) & 31] * env / 100))
    printf -v byte '\\x%02x' "$s"
    samples+=$byte
    phase=$((phase + step))
  done
  count=$((count + n))
}

case $kind in
  connect) note 660 90 90; note 880 160 90 ;;
  error)   note 220 150 100; note 0 60 0; note 196 220 100 ;;
  done)    note 523 110 85; note 659 110 85; note 784 260 85 ;;
  *) echo "mkwav.sh: unknown sound $kind" >&2; exit 1 ;;
esac
# The data chunk is kept to an even length, as the format wants.
if ((count % 2)); then samples+='\x80'; count=$((count + 1)); fi

le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '%s%s' "$(le16 $(($1 & 65535)))" "$(le16 $((($1 >> 16) & 65535)))"; }
{
  printf "RIFF$(le32 $((36 + count)))WAVE"
  printf "fmt $(le32 16)$(le16 1)$(le16 1)$(le32 $rate)$(le32 $rate)$(le16 1)$(le16 8)"
  printf "data$(le32 $count)"
  printf "$samples"
} > "$out"
