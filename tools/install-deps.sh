#!/usr/bin/env bash
# Installs the Debian packages tolvane needs to build, test and benchmark, on
# Debian 12, 13 and unstable.  Where a package was renamed between releases
# (Octave's development files are liboctave-dev up to Debian 12 and
# octave-dev from Debian 13 on), the name is chosen by what apt offers.
# Idempotent: does nothing when everything is already present.
#
#   tools/install-deps.sh               everything
#   tools/install-deps.sh --build-only  only what building the module needs
set -euo pipefail

# Each entry is one need; "a|b" lists the names it has had, newest last.
build_needs=(octave "liboctave-dev|octave-dev" libhdf5-dev pkg-config zlib1g-dev)
test_needs=(hdf5-tools hdf5-helpers python3-h5py python3-numpy python3-tables
            python3-netcdf4 gcc valgrind gdb)

needs=("${build_needs[@]}")
if [ "${1:-}" != "--build-only" ]; then
  needs+=("${test_needs[@]}")
fi

say () { echo "tolvane: $*" >&2; }

# Another distribution: name what is needed in its own terms.
if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
  say "this is not a Debian system; install these with your package manager:"
  say "    GNU Octave with its development files (mkoctfile), the HDF5 C library"
  say "    with its development files (hdf5.h, hdf5_hl, pkg-config file), zlib,"
  say "    pkg-config, and for the tests the HDF5 tools, Python 3 with h5py, numpy,"
  say "    PyTables and netCDF4, valgrind and gdb"
  say "Debian's names for them: ${needs[*]//|/ or }"
  exit 1
fi

installed () {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The candidate version apt would install, empty when apt does not know NAME.
offered () {
  apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: *//p' | grep -v '^(none)$' || true
}

# The needs with no installed package.
unmet=()
for need in "${needs[@]}"; do
  met=0
  IFS='|' read -r -a names <<<"$need"
  for n in "${names[@]}"; do
    if installed "$n"; then met=1; break; fi
  done
  [ "$met" = 1 ] || unmet+=("$need")
done

if [ ${#unmet[@]} -eq 0 ]; then
  exit 0
fi

# Resolves the unmet needs to package names apt offers; UNKNOWN collects
# the needs no name of which is offered.
resolve () {
  want=()
  unknown=()
  for need in "${unmet[@]}"; do
    IFS='|' read -r -a names <<<"$need"
    pick=
    for n in "${names[@]}"; do
      if [ -n "$(offered "$n")" ]; then pick=$n; fi
    done
    if [ -n "$pick" ]; then want+=("$pick"); else unknown+=("${need//|/ or }"); fi
  done
}

if [ "$(id -u)" -ne 0 ]; then
  resolve
  say "missing Debian packages: ${want[*]}${unknown:+ ${unknown[*]}}"
  say "install them as root with:"
  say "    sudo apt-get update && sudo apt-get install -y ${want[*]}${unknown:+ ${unknown[*]}}"
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
resolve
if [ ${#unknown[@]} -ne 0 ]; then
  say "apt offers none of these packages: ${unknown[*]}"
  say "this release of Debian names them otherwise, or lacks them: install their"
  say "equivalents by hand (see README.md for what each is for)"
  exit 1
fi
say "installing ${want[*]}"
apt-get install -y -qq --no-install-recommends "${want[@]}" >/dev/null
