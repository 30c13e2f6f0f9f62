#!/usr/bin/env bash
# Checks that the package tarball installs and works:
#   1. builds it with `make dist`;
#   2. installs it with Octave's `pkg install` into a throwaway prefix (HOME,
#      the XDG directories, the package prefixes and both package lists all
#      point into a temporary directory, so nothing outside it changes);
#   3. from another directory, `pkg load tolvane`, then checks that the
#      module's functions are found and that __h5read__ reads datasets written by h5py.
# It does this for two layouts: a user's install (architecture-dependent files
# beneath the package directory, what `pkg install -local` does by default) and
# the layout of a system-wide install (architecture-dependent files under a
# separate prefix, what `pkg install` as root does by default).
# Prints OK or what failed; exits non-zero on any failure.
#
# Environment: OCTAVE (default octave), PYTHON (default /usr/bin/python3),
# KEEP=1 keeps the temporary directory for inspection.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OCTAVE=${OCTAVE:-octave}
PYTHON=${PYTHON:-/usr/bin/python3}
OCT=("$OCTAVE" --no-gui --no-window-system --norc -q)

TMP=$(mktemp -d /tmp/tolvane-dist.XXXX) || { echo "check-dist: mktemp failed"; exit 1; }
if [ "${KEEP:-0}" = 1 ]; then
  trap 'echo "check-dist: kept $TMP"' EXIT
else
  trap 'rm -rf "$TMP"' EXIT
fi

fail () {
  echo "check-dist: FAILED: $*"
  exit 1
}

# show LOG: a log without Octave 7's harmless exit notice.
show () {
  grep -v 'ignoring const execution_exception' "$1" | sed 's/^/    /'
}

# 1. The tarball.
VERSION=$(sed -n 's/^Version: *//p' "$ROOT/DESCRIPTION")
[ -n "$VERSION" ] || fail "no Version in $ROOT/DESCRIPTION"
TARBALL=tolvane-$VERSION.tar.gz
if ! make --no-print-directory -C "$ROOT" dist >"$TMP/dist.log" 2>&1; then
  show "$TMP/dist.log"
  fail "make dist failed"
fi
[ -f "$ROOT/$TARBALL" ] || fail "make dist did not write $ROOT/$TARBALL"
cp "$ROOT/$TARBALL" "$TMP/" || fail "cannot copy $TARBALL"
for f in DESCRIPTION COPYING README.md inst/PKG_ADD src/Makefile; do
  tar -tzf "$TMP/$TARBALL" | grep -qx "tolvane-$VERSION/$f" \
    || fail "$TARBALL has no tolvane-$VERSION/$f"
done
echo "check-dist: $TARBALL built ($(tar -tzf "$TMP/$TARBALL" | grep -vc '/$') files)"

# 2. Data written by h5py, read back below.
mkdir -p "$TMP/data" "$TMP/elsewhere"
"$PYTHON" - "$TMP/data/sample.h5" <<'EOF' || fail "h5py could not write the sample file"
import sys, h5py, numpy as np
with h5py.File(sys.argv[1], "w") as f:
    f["g/x"] = np.arange(12, dtype="f8").reshape(3, 4)
    f["i16"] = np.array([-3, 0, 7, 32767], dtype="i2")
EOF

# check_layout NAME SPLIT: install and check with the archprefix separate
# from the prefix (SPLIT=1) or the same (SPLIT=0).
check_layout () {
  local name=$1 split=$2
  local base=$TMP/$name
  local prefix=$base/packages arch=$base/packages
  [ "$split" = 1 ] && arch=$base/arch-packages
  mkdir -p "$base/home" "$prefix" "$arch"
  # The same package settings in every Octave process of this layout.
  local setup="pkg ('prefix', '$prefix', '$arch');
    pkg ('local_list', '$base/octave_packages');
    pkg ('global_list', '$base/global_octave_packages');"
  local envs=(HOME="$base/home" XDG_CONFIG_HOME="$base/home/.config"
              XDG_DATA_HOME="$base/home/.local/share" XDG_CACHE_HOME="$base/home/.cache"
              OCTAVE_HISTFILE=/dev/null)

  if ! (cd "$base" && env "${envs[@]}" "${OCT[@]}" --eval "$setup
      pkg ('install', '-local', '$TMP/$TARBALL');" </dev/null >"$base/install.log" 2>&1); then
    show "$base/install.log"
    fail "$name layout: pkg install failed"
  fi

  (cd "$TMP/elsewhere" && env "${envs[@]}" "${OCT[@]}" --eval "$setup
    pkg load tolvane;
    bad = {};
    names = {'__h5create__', '__h5read__', '__h5write__', '__h5readatt__', ...
             '__h5writeatt__', 'h5info', '__h5read_any__', '__h5readatt_any__'};
    for i = 1:numel (names)
      e = exist (names{i});
      if (e != 2 && e != 3)
        bad{end+1} = sprintf ('exist (\"%s\") is %d', names{i}, e);
      endif
    endfor
    if (isempty (bad))
      w = which ('__h5read__');
      if (isempty (strfind (w, '$base')))
        bad{end+1} = sprintf ('__h5read__ comes from %s, not from the installed package', w);
      endif
      try
        x = __h5read__ ('$TMP/data/sample.h5', '/g/x', [], [], []);
        if (! (isa (x, 'double') && isequal (x, reshape (0:11, 4, 3))))
          bad{end+1} = sprintf ('/g/x read as %s %s: %s', class (x), mat2str (size (x)), mat2str (x));
        endif
        y = __h5read__ ('$TMP/data/sample.h5', '/i16', [], [], []);
        if (! (isa (y, 'int16') && isequal (y, int16 ([-3 0 7 32767]))))
          bad{end+1} = sprintf ('/i16 read as %s %s: %s', class (y), mat2str (size (y)), mat2str (y));
        endif
      catch err
        bad{end+1} = ['__h5read__ failed: ' err.message];
      end_try_catch
    endif
    if (isempty (bad))
      printf ('load-check: ok\n');
    else
      printf ('load-check: %s\n', bad{:});
    endif
    l = pkg ('list', 'tolvane');
    if (! isempty (l))
      printf ('load-check: package dir %s\n', l{1}.dir);
    endif" </dev/null >"$base/load.log" 2>&1)
  if ! grep -qx 'load-check: ok' "$base/load.log"; then
    show "$base/load.log"
    echo "    installed files:"
    (cd "$base" && find packages arch-packages -type f 2>/dev/null | sort | sed 's/^/      /')
    fail "$name layout: the installed package does not work after pkg load tolvane"
  fi
  echo "check-dist: $name layout: pkg install, pkg load tolvane, module functions found, __h5read__ reads h5py data"
}

check_layout user 0
check_layout system-wide 1
echo "check-dist: OK"
