#!/bin/sh
# The 1010-cell read of one controller through the COM port under Wine, next
# to the same read through the Linux tty, each against the line floor.
# Usage: scripts/wine-bench.sh [WINDOWS-BUILD [LINUX-BUILD]]
# (both built with -DPELKO_BUILD_BENCH=ON)
set -eu
cd "$(dirname "$0")/.."
win="$(realpath "${1:-build/win}")"
linux="$(realpath "${2:-build/test}")"
export WINEPREFIX="$(mktemp -d)" WINEDEBUG=-all
unset DISPLAY
sim_dir="$WINEPREFIX/work"
mkdir -p "$sim_dir"
. ./scripts/sim-lib.sh
trap 'sim_stop; wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineboot -i >/dev/null 2>&1 || true
# Wine remakes dosdevices/com1 (to /dev/ttyS0) whenever it starts, unless the
# registry names the device: COM1 is a link of ours, pointed at each
# simulator's pseudo-terminal in turn.
wine reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$sim_dir/line" /f >/dev/null
wineserver -k
wineserver -w

echo "   baud   tail   mode   elapsed    floor  ratio per exchange  fail"
for baud in 9600 115200; do
  echo "== Linux, $baud baud"
  "$linux/bench/link/bench_link_read" "$baud" 400 async | tail -n 1
  echo "== Windows under Wine, $baud baud"
  sim_start "$linux/sim/pelko-sim" --controllers "1@$baud" --timing
  ln -sfn "$sim_port" "$sim_dir/line"
  PELKO_BENCH_PORT=COM1 wine "$win/bench/link/bench_link_read.exe" "$baud" 400 async | tr -d '\r' | tail -n 1
  wineserver -w  # before the line closes under it (see wine-check.sh)
  sim_stop
done
