#!/usr/bin/env bash
# Builds the Debian package build-deb/korvane_<version>-1_<arch>.deb: the
# program in /usr/lib/korvane, its catalog in /var/lib/korvane/DATA.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh dpkg-dev file
cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DKORVANE_CATALOG_LINK=/var/lib/korvane/DATA -DKORVANE_BUILD_TESTS=OFF
cmake --build build-deb -j"$(nproc)"
cd build-deb
cpack -G DEB
