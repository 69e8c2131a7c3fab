#!/usr/bin/env bash
# Builds the benchmark in its own Release folder and prints the benchmark
# table (a few minutes). Arguments go to the program: row groups to run
# (lists, model, search, hotspots, start-up, pictures) and --rounds N.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release
cmake --build build-bench -j"$(nproc)" --target bench_korvane
exec ./build-bench/bench/bench_korvane "$@"
