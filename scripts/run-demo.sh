#!/usr/bin/env bash
# Sets up, builds and starts the program on the bundled demo configuration.
# Extra arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja
cmake --build build -j "$(nproc)" --target ostrand
exec ./build/src/app/ostrand -PNTM1 -UNengineer -UPdemo "$@"
