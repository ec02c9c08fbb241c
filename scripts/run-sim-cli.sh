#!/bin/sh
# Without a display: the window's job on its simulated controllers, done with
# pelkoctl. Starts pelko-sim with the same controllers, searches, reads every
# card of the controllers the common password opens, saves the file and shows it.
set -eu
build="${1:-build/release}"
work="$(mktemp -d)"
sim_dir="$work"
. "$(dirname "$0")/sim-lib.sh"
trap 'sim_stop; rm -rf "$work"' EXIT
sim_start "$build/sim/pelko-sim" --demo
port="$sim_port"
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
