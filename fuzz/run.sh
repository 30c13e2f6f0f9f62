#!/usr/bin/env bash
# make fuzz: mutation testing of the module built in src/.
#   bash fuzz/run.sh [N] [--seed S] [--timeout SEC] [--batch B]
# N mutants (default 1500, a few minutes; `make fuzz N=10000` for the long run).
# Reproducers of crashes and hangs are kept in fuzz/out/.  See fuzz/fuzz.py.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -e "$top/src/tolvane.oct" ]; then
  echo "fuzz: build the module first (make -C src)" >&2
  exit 1
fi
exec /usr/bin/python3 "$top/fuzz/fuzz.py" "$@"
