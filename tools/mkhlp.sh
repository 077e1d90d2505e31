#!/bin/bash
# Makes a small help file from its contents file (mkhlp.sh <file.cnt> <file.hlp>): the
# help-file header (magic 3F 5F 03 00, directory offset, no free block, whole size), a
# system record with the title and copyright, and one topic record (context id, title,
# text) per topic line ("2 Title=CONTEXT_ID") of the contents file.
set -euo pipefail
cnt=$1
out=$2

# The little-endian bytes of a 16- or 32-bit number, as printf escapes.
le16() { printf '\\x%02x\\x%02x' $(($1 & 255)) $((($1 >> 8) & 255)); }
le32() { printf '%s%s' "$(le16 $(($1 & 65535)))" "$(le16 $((($1 >> 16) & 65535)))"; }

title=$(sed -n 's/^:Title \(.*\)/\1/p' "$cnt" | tr -d '\r')
copyright="Copyright (C) 1996-1999 Oxtavine"
body=$(mktemp "${out}.XXXXXX")
trap 'rm -f "$body"' EXIT

{
  printf '|SYSTEM\0'
  printf "$(le16 0x036c)$(le16 33)$(le16 1)$(le32 915148800)$(le16 0)"
  printf "$(le16 1)$(le16 $((${#title} + 1)))%s\0" "$title"
  printf "$(le16 2)$(le16 $((${#copyright} + 1)))%s\0" "$copyright"
  printf '|TOPIC\0'
  tr -d '\r' < "$cnt" | sed -n 's/^[0-9][0-9]* \(.*\)=\(.*\)$/\2\t\1/p' |
    while IFS=$'\t' read -r id topic; do
      printf '%s\0%s\0%s. %s.\0' "$id" "$topic" "$topic" "$title"
    done
} > "$body"

size=$(($(stat -c %s "$body") + 16))
{
  printf '\x3f\x5f\x03\x00'
  printf "$(le32 16)$(le32 0xffffffff)$(le32 $size)"
  cat "$body"
} > "$out"
