#!/bin/sh
# Starts the simulated line with a few controllers on a pseudo-terminal and
# scans it with pelkoctl, printing the addresses that answered.
set -eu
build="${1:-build/release}"
fifo="$(mktemp -u)"
mkfifo "$fifo"
"$build/sim/pelko-sim" --controllers 3,17,42 <"$fifo" >"$fifo.out" &
sim=$!
exec 3>"$fifo"          # keep the simulator's stdin open while it serves
trap 'echo quit >&3 2>/dev/null || true; exec 3>&-; wait $sim 2>/dev/null || true; rm -f "$fifo" "$fifo.out"' EXIT
for _ in $(seq 50); do [ -s "$fifo.out" ] && break; sleep 0.1; done
port="$(head -n1 "$fifo.out")"
echo "simulated line on $port"
# One attempt with a short time-out: the simulated line answers at once.
"$build/src/pelkoctl/pelkoctl" scan --port "$port" --attempts 1 --timeout 40
