#!/bin/sh
# The long runs the test command keeps short: the agreement matrix (every
# operation against every kind of fault, and Cancel at every request) over
# many seeds, extra frames on the line at every delay up to 2 s, and each
# fuzzer for longer. A failure names its seed.
#   ./scripts/long-run.sh [SEEDS] [FUZZ_SECONDS]    (500 and 600 by default)
set -eu
cd "$(dirname "$0")/.."
seeds="${1:-500}"
fuzz_seconds="${2:-600}"
./scripts/install-deps.sh
cmake -G Ninja -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELKO_BUILD_BENCH=ON
cmake --build build/test -j "$(nproc)" --target test_engine_faults test_engine_attribution
PELKO_FAULT_SEEDS="$seeds" build/test/tests/engine/test_engine_faults
PELKO_FAULT_SEEDS="$seeds" PELKO_DELAY_STEP_MS=10 build/test/tests/engine/test_engine_attribution
CXX=clang++ cmake -G Ninja -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPELKO_BUILD_FUZZ=ON -DPELKO_BUILD_GUI=OFF -DPELKO_BUILD_TESTS=OFF
cmake --build build/fuzz -j "$(nproc)" --target fuzzers
for f in build/fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  corpus="$(mktemp -d)"
  seeds_dir="fuzz/corpus/$(basename "$f")"
  [ -d "$seeds_dir" ] && cp -r "$seeds_dir"/. "$corpus"/
  "$f" -max_total_time="$fuzz_seconds" -timeout=2 -rss_limit_mb=2048 "$corpus"
  rm -rf "$corpus"
done
echo "long run passed"
