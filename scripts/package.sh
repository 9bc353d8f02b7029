#!/usr/bin/env bash
# Builds the program and makes its Debian package, build/ostrand_<version>_amd64.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build -j "$(nproc)" --target ostrand ostrand-cli halvex ostrand_manpages ostrand_changelog
(cd build && cpack -G DEB)
ls build/ostrand_*.deb
