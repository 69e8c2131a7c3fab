#!/usr/bin/env bash
# Builds Korvane and starts it on the demo catalog copied beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target korvane
exec ./build/korvane
