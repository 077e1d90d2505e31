#!/bin/bash
# Installs, when missing, every Debian package that the build and the tests need.
# Idempotent: a machine that has them all runs no package command at all.
set -euo pipefail

packages=(
  cmake make
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils imagemagick
  mscompress googletest clang-format
  # Authenticode signing of every program the build makes (cmake/signing.cmake).
  osslsigncode openssl
  # The VM that runs the i686 tests (scripts/vm-image.sh).
  qemu-system-x86 debootstrap e2fsprogs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "bootstrap: must run as root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
