#!/bin/sh
# A short run of every fuzzer built in the given tree (CI's smoke run; the
# long runs are made by hand before a change lands). A fuzzer runs on one
# core: as many run at once as there are cores, and each one's output is
# shown whole when it has ended, so the runs do not interleave.
set -eu
tree="$1"
jobs="$(nproc)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Runs one fuzzer on a copy of its seeds; its output goes to $work/NAME.log,
# its exit code to $work/NAME.rc.
fuzz_one() {
  f="$1"
  name="$(basename "$f")"
  corpus="$work/$name.corpus"
  mkdir "$corpus"
  seeds="fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  rc=0
  "$f" -runs=30000 -max_total_time=60 -timeout=1 -rss_limit_mb=2048 "$corpus" >"$work/$name.log" 2>&1 || rc=$?
  echo "$rc" >"$work/$name.rc"
}

# Shows the output of the fuzzers started so far, in the order they started.
report() {
  for name in $started; do
    echo "fuzzing $name"
    cat "$work/$name.log"
    [ "$(cat "$work/$name.rc")" -eq 0 ] || { echo "$name failed" >&2; exit 1; }
  done
  started=""
}

found=0
started=""
running=0
for f in "$tree"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  found=1
  fuzz_one "$f" &
  started="$started $(basename "$f")"
  running=$((running + 1))
  if [ "$running" -ge "$jobs" ]; then
    wait
    report
    running=0
  fi
done
wait
report
[ "$found" -eq 1 ] || { echo "no fuzzers built in $tree" >&2; exit 1; }
