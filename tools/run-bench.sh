#!/usr/bin/env bash
# Builds the benchmark in its own Release folder and prints the benchmark
# table (a few minutes). Arguments go to the program: row groups to run
# (lists, model, search, hotspots, drop-downs, storage, start-up, pictures)
# and --rounds N.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
# ccache, where installed, shares objects with the other build folders.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release "${launcher[@]}"
cmake --build build-bench -j"$(nproc)" --target bench_korvane
exec ./build-bench/bench/bench_korvane "$@"
