#!/bin/sh
# Installs what is missing, builds a release tree and runs the tool on its
# default simulated line.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DPELKO_BUILD_TESTS=OFF
cmake --build build/release
./scripts/run-sim-scan.sh build/release
