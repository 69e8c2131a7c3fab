#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every target in turn for the given
# number of seconds (60 by default), starting from its committed seeds.
# Inputs that reach new code are kept in build-fuzz/corpus/<target>; a crash,
# a hang (-timeout) or a broken property leaves its input and its log in
# build-fuzz/findings/<target>. The run fails when any target found something.
#
#   bash tools/run-fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

bash tools/install-packages.sh
# Optimised a little, for executions per second; Debug keeps Qt's assertions on.
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DKORVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 --target korvane_fuzzers

export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1

status=0
summary="$(printf '%-20s %8s %12s %10s  %s' target seconds executions exec/s result)"
for source in fuzz/fuzz_*.cpp; do
  name="$(basename "$source" .cpp)"
  corpus="build-fuzz/corpus/$name"
  findings="build-fuzz/findings/$name"
  log="$findings/fuzz.log"
  rm -rf "$findings"
  mkdir -p "$corpus" "$findings"
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="$findings/")
  [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
  echo "== $name: $seconds s"
  start=$(date +%s)
  if "./build-fuzz/fuzz/$name" "${options[@]}" "$corpus" "fuzz/corpus/$name" >"$log" 2>&1; then
    result="nothing found"
  else
    result="FOUND, see $findings"
    status=1
  fi
  took=$(($(date +%s) - start))
  executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")"
  rate="$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")"
  summary+=$'\n'"$(printf '%-20s %8s %12s %10s  %s' "$name" "$took" "${executions:-?}" "${rate:-?}" "$result")"
done
echo "$summary" | tee build-fuzz/summary.txt
exit "$status"
