#!/usr/bin/env bash
# Runs the README's two commands (make demo, make check) and the package
# check (tools/check-dist.sh) on other Debian releases, each in a minimal
# chroot made with debootstrap, and prints one line per platform:
#
#   debian-13 (trixie): Octave 9.4.0, HDF5 1.14.5: demo ok, dist ok, 323 passed, 0 failed
#
#   tools/check-platforms.sh [SUITE...]    default: trixie sid
#
# The chroots are kept in $TOLVANE_CHROOTS (default /tmp/tolvane-chroots), so
# a rerun costs only the tests; each run clones the working tree's HEAD
# afresh into the chroot.  A minimal chroot has no make, g++, git or CA
# certificates: setting it up installs those, which makes it the fresh
# machine of the README; make demo then installs everything else.  Needs
# root.  Exits non-zero when any platform fails.
set -uo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CHROOTS=${TOLVANE_CHROOTS:-/tmp/tolvane-chroots}
MIRROR=${TOLVANE_MIRROR:-http://deb.debian.org/debian}
suites=("$@")
[ ${#suites[@]} -gt 0 ] || suites=(trixie sid)

say () { echo "check-platforms: $*" >&2; }

if [ "$(id -u)" -ne 0 ]; then
  say "needs root (debootstrap, chroot and mount)"
  exit 1
fi
if ! command -v debootstrap >/dev/null 2>&1; then
  say "installing debootstrap"
  DEBIAN_FRONTEND=noninteractive apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null ||
    { say "cannot install debootstrap"; exit 1; }
fi

label () {
  case "$1" in
    bookworm) echo "debian-12 (bookworm)" ;;
    trixie) echo "debian-13 (trixie)" ;;
    sid | unstable) echo "debian-unstable (sid)" ;;
    *) echo "debian ($1)" ;;
  esac
}

mounted=()
unmount_all () {
  local m
  for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null; done
  mounted=()
}
trap unmount_all EXIT

# Makes the chroot of SUITE once: debootstrap into a scratch directory,
# apt told to accept the dated Release files of a snapshot, and the tools of
# a fresh developer machine installed.  Only a finished chroot is renamed to
# its place, so an interrupted setup is redone on the next run.
make_chroot () {
  local suite=$1 dir=$CHROOTS/$1 tmp=$CHROOTS/$1.partial
  [ -f "$dir/.tolvane-ready" ] && return 0
  mkdir -p "$CHROOTS"
  if mountpoint -q "$tmp/proc" || mountpoint -q "$tmp/dev"; then
    say "$tmp has mounts left; unmount them first"
    return 1
  fi
  rm -rf "$tmp"
  say "making the $suite chroot in $dir"
  debootstrap --variant=minbase "$suite" "$tmp" "$MIRROR" >"$CHROOTS/$suite.debootstrap.log" 2>&1 ||
    { say "debootstrap $suite failed; see $CHROOTS/$suite.debootstrap.log"; return 1; }
  echo 'Acquire::Check-Valid-Until "false";' >"$tmp/etc/apt/apt.conf.d/99check-valid-until"
  cp /etc/resolv.conf "$tmp/etc/resolv.conf" 2>/dev/null
  chroot "$tmp" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
    sh -c 'apt-get update -qq && apt-get install -y -qq --no-install-recommends make g++ git ca-certificates' \
    >>"$CHROOTS/$suite.debootstrap.log" 2>&1 ||
    { say "installing make, g++ and git in the $suite chroot failed"; return 1; }
  touch "$tmp/.tolvane-ready"
  rm -rf "$dir"
  mv "$tmp" "$dir"
}

# Runs the commands in the chroot of SUITE and prints its line.
check_suite () {
  local suite=$1 dir=$CHROOTS/$1 log=$CHROOTS/$1.log
  local name
  name=$(label "$suite")
  if ! make_chroot "$suite"; then
    echo "$name: setup failed, 0 passed, 1 failed"
    return 1
  fi
  cp /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null
  mountpoint -q "$dir/proc" || { mount --bind /proc "$dir/proc" && mounted+=("$dir/proc"); }
  mountpoint -q "$dir/dev" || { mount --bind /dev "$dir/dev" && mounted+=("$dir/dev"); }

  rm -rf "$dir/root/tolvane"
  if ! git clone -q "$ROOT" "$dir/root/tolvane"; then
    unmount_all
    echo "$name: cannot clone $ROOT, 0 passed, 1 failed"
    return 1
  fi

  local in_chroot=(chroot "$dir" /usr/bin/env -i HOME=/root LANG=C.UTF-8
                   PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin)
  local demo=failed dist=failed status=0
  say "$suite: make demo, make check, check-dist (log: $log)"
  {
    echo "== make demo"
    "${in_chroot[@]}" sh -c 'cd /root/tolvane && make demo' </dev/null && demo=ok
    echo "== make check"
    "${in_chroot[@]}" sh -c 'cd /root/tolvane && make check' </dev/null
    echo "== check-dist"
    "${in_chroot[@]}" sh -c 'cd /root/tolvane && bash tools/check-dist.sh' </dev/null && dist=ok
  } >"$log" 2>&1

  local octave hdf5 counts
  octave=$("${in_chroot[@]}" octave --version 2>/dev/null | sed -n '1s/.*version \([^ ]*\).*/\1/p')
  local header
  header=$(ls "$dir"/usr/include/hdf5/serial/H5public.h "$dir"/usr/include/H5public.h 2>/dev/null | head -1)
  hdf5=$(for part in MAJOR MINOR RELEASE; do
           sed -n "s/^#define H5_VERS_$part *\([0-9]*\).*/\1/p" "$header" 2>/dev/null
         done | paste -sd.)
  counts=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -1)
  unmount_all

  [ -n "$counts" ] || { counts="0 passed, 1 failed"; status=1; }
  case "$counts" in *" 0 failed") ;; *) status=1 ;; esac
  [ "$demo" = ok ] && [ "$dist" = ok ] || status=1
  echo "$name: Octave ${octave:-?}, HDF5 ${hdf5:-?}: demo $demo, dist $dist, $counts"
  return $status
}

overall=0
for s in "${suites[@]}"; do
  check_suite "$s" || overall=1
done
exit $overall
