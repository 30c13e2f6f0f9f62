"""The Python side of bench/b_user.sh.

  user_bench.py make FILE        writes FILE with /d, an 8192x4096 double
                                 dataset (h5py shape (4096, 8192), 256 MiB,
                                 contiguous), /s, 1000x8 doubles (h5py shape
                                 (8, 1000)), and the 1x1 double /t
  user_bench.py one FILE REPS N  REPS times N rounds of: open FILE, read one
                                 element of /s, close; one line per turn:
                                 "py=SECONDS sum=CHECKSUM"
"""
import sys
import time

import h5py
import numpy as np


def make(path):
    with h5py.File(path, "w") as f:
        f["d"] = (np.arange(8192 * 4096, dtype=np.float64) % 1000003 * 0.5).reshape(4096, 8192)
        f["s"] = np.arange(8000, dtype=np.float64).reshape(8, 1000)
        f["t"] = np.zeros((1, 1))


def one(path, reps, n):
    # The same elements as the Octave side: Octave (i, j) is h5py [j-1, i-1].
    idx = [(k % 8, k % 1000) for k in range(n)]
    for k in range(5):
        with h5py.File(path, "r") as f:
            f["s"][1, 1]
    for r in range(reps):
        s = 0.0
        t0 = time.perf_counter()
        for a, b in idx:
            with h5py.File(path, "r") as f:
                s += f["s"][a, b]
        t = time.perf_counter() - t0
        print("py=%.6f sum=%.17g" % (t, s))


if __name__ == "__main__":
    if sys.argv[1] == "make":
        make(sys.argv[2])
    elif sys.argv[1] == "one":
        one(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]))
    else:
        sys.exit("user_bench.py: unknown mode " + sys.argv[1])
