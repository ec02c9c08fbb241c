#!/bin/sh
# The Windows build under Wine, in a throwaway Wine prefix:
#  1. its unit tests (CTest runs each .exe under wine);
#  2. the COM port layer against pelko-sim on a pseudo-terminal that Wine
#     shows as COM1;
#  3. pelkoctl.exe scan, search, read --out and write --no-backup --yes on the simulated
#     controllers, against the Linux pelkoctl doing the same on an identical
#     simulator: output, exit codes, files and the controllers' final state
#     must agree byte for byte.
# Usage: scripts/wine-check.sh [WINDOWS-BUILD [LINUX-BUILD]]
set -eu
cd "$(dirname "$0")/.."
win="$(realpath "${1:-build/win}")"
linux="$(realpath "${2:-build/test}")"
. ./scripts/wine-lib.sh
sim="$linux/sim/pelko-sim"

echo "== unit tests under wine"
# The agreement matrix runs over many seeds on Linux; under Wine two show the Windows build agrees.
PELKO_FAULT_SEEDS=2 ctest --test-dir "$win" --output-on-failure -j "$(nproc)" -E test_link_win32_port

echo "== COM port layer"
sim_start "$sim" --timing --controllers 3,5 --fault 5:badcrc
wine_com1 "$sim_port"
PELKO_TEST_PORT=COM1 ctest --test-dir "$win" --output-on-failure -R test_link_win32_port
wine_idle
sim_stop

# One side's session: $1 names it, $2.. is how to run pelkoctl. Every
# command's output (carriage returns dropped: the Windows console's line
# ends), exit code and files go to $sim_dir/$1.
session() {
  side="$1"
  shift
  out="$sim_dir/$side"
  mkdir -p "$out"
  # Two controllers with a few cards, answering at the line speed; 115200
  # keeps the 1010-cell reads and writes short.
  sim_start "$sim" --timing --controllers 3@115200,17@115200
  for cell in 0 1 2 500 1009; do sim_ask cell 3 "$cell" "0000$((cell + 100000))" >/dev/null; done
  sim_ask cell 17 7 0102030405 >/dev/null
  wine_com1 "$sim_port"
  port="$sim_port"
  [ "$side" = windows ] && port=COM1
  fast="--port $port --baud 115200 --attempts 2 --timeout 30"
  (
    cd "$out"
    run() {
      rc=0
      "$@" >stdout 2>stderr || rc=$?
      tr -d '\r' <stdout
      tr -d '\r' <stderr | sed 's/^/stderr: /'
      echo "exit $rc"
    }
    echo "-- scan";   run "$@" scan $fast
    echo "-- search"; run "$@" search $fast
    echo "-- read";   run "$@" read --out read.txt $fast
    # A changed card goes back to controller 3.
    sed '0,/Code="[0-9A-F]*"/s//Code="0A1B2C3D4E"/' read.txt >edited.txt 2>&1 || true
    echo "-- write";  run "$@" write edited.txt --no-backup --yes $fast
    echo "-- read again"; run "$@" read --out after.txt $fast
  ) >"$out/log"
  sim_ask list >"$out/controllers"
  wine_idle
  sim_stop
}

echo "== pelkoctl: Linux and Windows on the same simulated controllers"
session linux "$linux/src/pelkoctl/pelkoctl"
session windows wine "$win/src/pelkoctl/pelkoctl.exe"
status=0
for f in log read.txt edited.txt after.txt controllers; do
  if cmp -s "$sim_dir/linux/$f" "$sim_dir/windows/$f"; then
    echo "same: $f"
  else
    echo "DIFFERENT: $f"
    diff "$sim_dir/linux/$f" "$sim_dir/windows/$f" | head -20 || true
    status=1
  fi
done
grep -q 'Code="0A1B2C3D4E"' "$sim_dir/windows/after.txt" || { echo "the written card did not come back"; status=1; }
[ "$status" -eq 0 ] || { echo "--- Linux"; cat "$sim_dir/linux/log"; echo "--- Windows"; cat "$sim_dir/windows/log"; exit 1; }
echo "wine checks passed"
