#!/usr/bin/env bash
# Runs every benchmark bench/b_*.sh in name order; each prints a short table
# with its medians, ratios and goals.  A missed goal is reported, not failed:
# this script exits non-zero only when a benchmark could not run at all.
# BENCH_RUNS (default 5) sets the number of timed runs of each contender.
BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export LC_ALL=C

failed=()
shopt -s nullglob
scripts=("$BENCH_DIR"/b_*.sh)
if [ ${#scripts[@]} -eq 0 ]; then
  echo "bench: no benchmark scripts in $BENCH_DIR" >&2
  exit 1
fi
for b in "${scripts[@]}"; do
  name=$(basename "$b" .sh)
  echo "== $name"
  start=$(date +%s)
  if bash "$b"; then
    echo "   ($name took $(( $(date +%s) - start )) s)"
  else
    echo "   $name could not run" >&2
    failed+=("$name")
  fi
  echo
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "bench: could not run: ${failed[*]}" >&2
  exit 1
fi
echo "bench: all ${#scripts[@]} benchmarks ran (see above for goals met or missed)"
