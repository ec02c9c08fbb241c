#!/bin/sh
# The 1010-cell read of one controller through the COM port under Wine, next
# to the same read through the Linux tty, each against the line floor, at
# 9600 and 115200 baud, in rounds so that every column meets the same load.
# A second Windows build (BEFORE, e.g. the previous commit's) gets a column
# of its own, for a before/after in one run.
# Usage: scripts/wine-bench.sh [WINDOWS-BUILD [LINUX-BUILD [BEFORE]]]
# (all built with -DPELKO_BUILD_BENCH=ON); PELKO_BENCH_ROUNDS (default 2).
set -eu
cd "$(dirname "$0")/.."
win="$(realpath "${1:-build/win}")"
linux="$(realpath "${2:-build/test}")"
before="${3:+$(realpath "$3")}"
rounds="${PELKO_BENCH_ROUNDS:-2}"
. ./scripts/wine-lib.sh

# One read on a Windows build: the benchmark's result line.
windows() {
  sim_start "$linux/sim/pelko-sim" --controllers "1@$2" --timing
  wine_com1 "$sim_port"
  PELKO_BENCH_PORT=COM1 wine "$1/bench/link/bench_link_read.exe" "$2" 400 async | tr -d '\r' | tail -n 1
  wine_idle
  sim_stop
}

# Each result: ratio to the floor, ms per exchange, share of a core, failed
# exchanges (a loaded machine loses answers: such a round says little).
cell() { awk '{ printf "%6.3f %7.3f %4s %2d", $6, $7, $10, $9 }'; }

results="$sim_dir/results"
: >"$results"
echo "ratio = elapsed / line floor; ms per exchange; the process's share of one core; failed exchanges"
printf '%6s %5s  %-23s' baud round "Linux"
[ -n "$before" ] && printf '  %-23s' "Windows before"
printf '  %s\n' "Windows"
for round in $(seq "$rounds"); do
  for baud in 9600 115200; do
    lin="$("$linux/bench/link/bench_link_read" "$baud" 400 async | tail -n 1 | cell)"
    line="$(printf '%6s %5s  %s' "$baud" "$round" "$lin")"
    if [ -n "$before" ]; then
      line="$line  $(windows "$before" "$baud" | cell)"
    fi
    line="$line  $(windows "$win" "$baud" | cell)"
    echo "$line"
    echo "$line" >>"$results"
  done
done
# Means over the rounds, and what Windows adds to Linux's exchange.
echo "-- mean over $rounds rounds"
awk -v before="${before:+1}" '
  { n[$1]++; for (i = 3; i <= NF; i++) sum[$1, i] += $i }
  END {
    for (b in n) {
      w = before ? 11 : 7
      printf "%6s  Linux %6.3f", b, sum[b, 3] / n[b]
      if (before) printf "  Windows before %6.3f (%+.3f ms)", sum[b, 7] / n[b], (sum[b, 8] - sum[b, 4]) / n[b]
      printf "  Windows %6.3f (%+.3f ms per exchange against Linux)\n", sum[b, w] / n[b], (sum[b, w + 1] - sum[b, 4]) / n[b]
    }
  }' "$results" | sort -n
