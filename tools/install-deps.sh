#!/usr/bin/env bash
# Installs the Debian 12 packages tolvane needs to build, test and benchmark.
# Idempotent: does nothing when everything is already present.
set -euo pipefail

build_pkgs=(octave liboctave-dev libhdf5-dev pkg-config)
test_pkgs=(hdf5-tools python3-h5py python3-numpy python3-tables python3-netcdf4 gcc valgrind gdb)

want=("${build_pkgs[@]}")
if [ "${1:-}" != "--build-only" ]; then
  want+=("${test_pkgs[@]}")
fi

missing=()
for p in "${want[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "tolvane: missing Debian packages: ${missing[*]}" >&2
  echo "tolvane: install them as root with:" >&2
  echo "    sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

echo "tolvane: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
