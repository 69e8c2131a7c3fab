#!/usr/bin/env bash
# Builds everything and runs every test headless (the real-window test brings
# its own X server, window manager and X tools); then builds everything again
# with clang under AddressSanitizer and UndefinedBehaviorSanitizer and runs the
# suite there, together with a replay of every fuzz target's seeds.
set -euo pipefail
cd "$(dirname "$0")/.."
# Each step says when it starts, so that a slow run shows where its time went.
step() { printf '\n=== %s (at %d s)\n' "$1" "$SECONDS"; }
step "packages"
# The real-window tests: Xvfb, openbox and the X tools; Xorg's dummy driver
# and xrandr for two monitors; weston, Qt's Wayland platform and weston's
# headers for the test's compositor module. groff and man read the manual
# pages as lintian does.
bash tools/install-packages.sh xvfb xauth openbox xdotool x11-utils xserver-xorg-core xserver-xorg-video-dummy \
  x11-xserver-utils weston qt6-wayland libweston-10-dev pkg-config groff-base man-db clang-tidy
step "format"
# Every source is in the house format; a file that is not fails the run here.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
step "build"
# Warnings are errors in both builds below.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_WERROR=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON
cmake --build build -j"$(nproc)"
step "clang-tidy"
# clang-tidy's bug-prone and performance checks over every source of the
# programs (.clang-tidy); a finding fails the run.
run-clang-tidy -p build -quiet -j"$(nproc)" "^$PWD/src/" >build/clang-tidy.log 2>&1 || {
  grep -v '^[0-9]* warnings\? generated' build/clang-tidy.log; exit 1; }
step "tests"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"

step "sanitized build"
# One sanitized configuration serves both: the suite, and the fuzz targets, whose
# committed seeds each run once as a test of their own. The sanitizers end a
# process at their first report (leaks at exit included), which fails its test.
# Unoptimised with line tables only: the build dominates this step, and -O0
# compiles it in little more than half the time while keeping file and line
# in every report; Debug keeps Qt's assertions on.
cmake -S . -B build-asan -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS_DEBUG="-O0 -gline-tables-only" -DKORVANE_FUZZ=ON -DKORVANE_WERROR=ON
cmake --build build-asan -j"$(nproc)"
step "sanitized tests"
# The real window has had its run above; the sanitizers watch the same code
# through the offscreen suite.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '^real_window$'

step "package"
# The Debian package, built without its tests (they ran above), checked as
# Debian checks it, and installed (tools/check-package.sh).
DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" bash tools/build-package.sh
bash tools/check-package.sh
step "done"
