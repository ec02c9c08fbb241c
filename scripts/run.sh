#!/bin/sh
# Installs what is missing, builds a release tree and opens the window on its
# simulated controllers. Without a display it does the same job with pelkoctl.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -G Ninja -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DPELKO_BUILD_TESTS=OFF
cmake --build build/release
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec build/release/src/ui/confpelko --simulate
fi
echo "Дисплея нет (DISPLAY и WAYLAND_DISPLAY пусты): окно не открыть, то же делает pelkoctl."
./scripts/run-sim-cli.sh build/release
