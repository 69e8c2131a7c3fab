#!/usr/bin/env bash
# Installs what building and running Korvane needs on Debian 12, and the
# packages named as arguments, skipping the package index update when
# everything is already there.
set -euo pipefail
# clang with its sanitizer and libFuzzer runtimes (libclang-rt-14-dev) builds the
# sanitized suite and the fuzz targets; llvm brings llvm-symbolizer, which puts
# file and line into sanitizer reports; appstream validates the AppStream
# metadata in the tests. Callers add what only they need.
packages=(cmake g++ make clang-format qt6-base-dev libjpeg62-turbo-dev libxcb1-dev fonts-liberation fonts-dejavu-core
          clang libclang-rt-14-dev llvm appstream "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
