#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite.
# OSTRAND_SANITIZE=1 builds with AddressSanitizer and UndefinedBehaviorSanitizer
# into build-asan instead.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=build
flags=()
if [ "${OSTRAND_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  flags=(-DOSTRAND_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DOSTRAND_BUILD_BENCH=OFF)
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
