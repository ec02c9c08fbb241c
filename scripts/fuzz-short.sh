#!/bin/sh
# A short run of every fuzzer built in the given tree (CI's smoke run; the
# long runs are made by hand before a change lands).
set -eu
tree="$1"
found=0
for f in "$tree"/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  found=1
  name="$(basename "$f")"
  corpus="$(mktemp -d)"
  seeds="fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  echo "fuzzing $name"
  "$f" -runs=30000 -max_total_time=60 -timeout=1 -rss_limit_mb=2048 "$corpus"
  rm -rf "$corpus"
done
[ "$found" -eq 1 ] || { echo "no fuzzers built in $tree" >&2; exit 1; }
