# Sourced by the scripts that run pelko-sim in the background:
#   sim_start PROGRAM ARGS...   starts it; $sim_port is its pseudo-terminal
#   sim_say COMMAND             a line on its control channel
#   sim_stop                    ends it
# $sim_dir must name a folder of the caller's.
sim_start() {
  rm -f "$sim_dir/sim.in" "$sim_dir/sim.out"
  mkfifo "$sim_dir/sim.in"
  "$@" <"$sim_dir/sim.in" >"$sim_dir/sim.out" &
  sim_pid=$!
  exec 7>"$sim_dir/sim.in"   # the simulator runs while its stdin is open
  for _ in $(seq 100); do [ -s "$sim_dir/sim.out" ] && break; sleep 0.05; done
  sim_port="$(head -n1 "$sim_dir/sim.out")"
  [ -n "$sim_port" ] || { echo "pelko-sim did not start: $*" >&2; return 1; }
}

sim_say() { echo "$*" >&7; }

sim_stop() {
  [ -n "${sim_pid:-}" ] || return 0
  echo quit >&7 2>/dev/null || true
  exec 7>&-
  wait "$sim_pid" 2>/dev/null || true
  sim_pid=
}

# Sends a command and prints what the simulator answered before its "ok".
sim_ask() {
  before="$(wc -l <"$sim_dir/sim.out")"
  sim_say "$@"
  for _ in $(seq 100); do
    tail -n +"$((before + 1))" "$sim_dir/sim.out" | grep -qE '^(ok|ошибка)' && break
    sleep 0.05
  done
  tail -n +"$((before + 1))" "$sim_dir/sim.out" | grep -v '^ok$' || true
}
