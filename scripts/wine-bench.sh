#!/bin/sh
# The 1010-cell read of one controller through the COM port under Wine, next
# to the same read through the Linux tty, each against the line floor.
# Usage: scripts/wine-bench.sh [WINDOWS-BUILD [LINUX-BUILD]]
# (both built with -DPELKO_BUILD_BENCH=ON)
set -eu
cd "$(dirname "$0")/.."
win="$(realpath "${1:-build/win}")"
linux="$(realpath "${2:-build/test}")"
. ./scripts/wine-lib.sh

echo "   baud   tail   mode   elapsed    floor  ratio per exchange  fail"
for baud in 9600 115200; do
  echo "== Linux, $baud baud"
  "$linux/bench/link/bench_link_read" "$baud" 400 async | tail -n 1
  echo "== Windows under Wine, $baud baud"
  sim_start "$linux/sim/pelko-sim" --controllers "1@$baud" --timing
  wine_com1 "$sim_port"
  PELKO_BENCH_PORT=COM1 wine "$win/bench/link/bench_link_read.exe" "$baud" 400 async | tr -d '\r' | tail -n 1
  wine_idle
  sim_stop
done
