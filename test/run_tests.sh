#!/usr/bin/env bash
# Runs every test of tolvane: the test files under test/ and the built-in tests of
# the functions in inst/.  Fixtures are generated into a temporary directory first.
# The last line printed is "N passed, N failed".
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
PYTHON=${PYTHON:-/usr/bin/python3}
export TOLVANE_FIXTURES=$(mktemp -d /tmp/tolvane-fixtures.XXXXXX)
trap 'rm -rf "$TOLVANE_FIXTURES"' EXIT

for gen in "$top"/test/fixtures/gen_*.py; do
  [ -e "$gen" ] || continue
  if ! "$PYTHON" "$gen" "$TOLVANE_FIXTURES"; then
    echo "fixture generator failed: $gen"
    echo "0 passed, 1 failed"
    exit 1
  fi
done

log=$(mktemp /tmp/tolvane-test.XXXXXX.log)
cd "$top"
octave --no-gui --no-window-system --norc --no-history -q test/run_tests.m "$@" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

# HDF5 must never print its own diagnostics while the module works.
if grep -q "HDF5-DIAG" "$log"; then
  echo "HDF5-DIAG output was printed during the tests"
  passed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$log" | tail -1)
  failed=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$log" | tail -1)
  rm -f "$log"
  echo "${passed:-0} passed, $(( ${failed:-0} + 1 )) failed"
  exit 1
fi
rm -f "$log"
exit "$status"
