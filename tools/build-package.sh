#!/usr/bin/env bash
# Builds the Debian package from debian/ with dpkg-buildpackage:
# build-deb/korvane_<version>_<arch>.deb, with its debug symbols
# (korvane-dbgsym) beside it. The build runs in a copy of the sources in
# build-deb/, so it leaves the tree as it was.
#
# DEB_BUILD_OPTIONS is honoured: "nocheck" builds no tests and runs none (CI,
# which runs them in its own build), "parallel=N" defaults to every core.
# CMAKE_CXX_COMPILER_LAUNCHER=ccache in the environment reaches CMake.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh build-essential dpkg-dev debhelper

options=" ${DEB_BUILD_OPTIONS:-} "
[[ "$options" == *" parallel="* ]] || options+="parallel=$(nproc) "
export DEB_BUILD_OPTIONS="${options# }"
# Without the tests their own build dependencies are not needed either.
profiles=()
[[ "$options" != *" nocheck "* ]] || profiles=(--build-profiles=nocheck)

if ! dpkg-checkbuilddeps "${profiles[@]}" 2>/dev/null; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get build-dep -y -qq --no-install-recommends "${profiles[@]}" ./
fi

version=$(dpkg-parsechangelog -S Version)
out=build-deb
src="$out/korvane-${version%-*}"
rm -rf "$out"
mkdir -p "$src"
# The sources as they stand, uncommitted changes included; nothing built.
if [ -e .git ]; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null --files-from=- -cf - | tar -xf - -C "$src"
else
  tar --exclude=./.git --exclude='./build' --exclude='./build-*' -cf - . | tar -xf - -C "$src"
fi

(cd "$src" && dpkg-buildpackage -us -uc -b "${profiles[@]}")
rm -rf "$src"
ls -1 "$out"
