#!/bin/sh
# Without a display: the window's job on its simulated controllers, done with
# pelkoctl. Starts pelko-sim with the same controllers, searches, reads every
# card of the controllers the common password opens, saves the file and shows it.
set -eu
build="${1:-build/release}"
work="$(mktemp -d)"
mkfifo "$work/in"
"$build/sim/pelko-sim" --demo <"$work/in" >"$work/out" &
sim=$!
exec 3>"$work/in"          # keep the simulator's stdin open while it serves
trap 'echo quit >&3 2>/dev/null || true; exec 3>&-; wait $sim 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/out" ] && break; sleep 0.1; done
port="$(head -n1 "$work/out")"
ctl="$build/src/pelkoctl/pelkoctl"
# The simulated line answers at once: one attempt and a short wait suffice.
fast="--port $port --attempts 1 --timeout 40"
echo "== имитация приборов на $port"
echo "== поиск"
"$ctl" search $fast
echo "== чтение всех карт в config.txt (40 не открывается общим паролем: код 4)"
"$ctl" read --out "$work/config.txt" $fast || echo "pelkoctl read: код $?"
echo "== файл"
"$ctl" show-config "$work/config.txt"
