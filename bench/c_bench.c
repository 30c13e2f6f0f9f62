/* The C side of the tolvane benchmarks: the least work the HDF5 C API needs for
 * each transfer, timed from opening the file to closing it.
 *
 *   c_bench read FILE DSET [STRIDE]
 *       One H5Dread of the whole dataset into a malloc'd buffer of its native
 *       type; with STRIDE, of the hyperslab that takes every STRIDE-th element
 *       in each dimension, starting at the first.
 *   c_bench slab FILE DSET S0 S1 C0 C1
 *       One H5Dread of the two-dimensional hyperslab at (S0, S1) of C0 x C1,
 *       in the dataset's native type.
 *   c_bench write FILE DSET N
 *       One H5Dwrite of N doubles, element i holding (i % 1000003) * 0.5, over
 *       the whole of the existing dataset DSET.
 *
 * Prints "time=SECONDS sum=SUM", where SUM is the sum of the elements moved
 * (taken after the clock stops; it lets the caller check that every contender
 * moved the same data).
 */
#define _POSIX_C_SOURCE 199309L
#include <hdf5.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now (void)
{
  struct timespec ts;
  clock_gettime (CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

static void die (const char *what)
{
  fprintf (stderr, "c_bench: %s failed\n", what);
  exit (1);
}

/* Sum of n elements of the native type t. */
static double sum_of (const void *buf, size_t n, hid_t t)
{
  double s = 0;
  size_t i;
  if (H5Tequal (t, H5T_NATIVE_DOUBLE) > 0)
    for (i = 0; i < n; i++) s += ((const double *) buf)[i];
  else if (H5Tequal (t, H5T_NATIVE_FLOAT) > 0)
    for (i = 0; i < n; i++) s += ((const float *) buf)[i];
  else if (H5Tequal (t, H5T_NATIVE_SHORT) > 0)
    for (i = 0; i < n; i++) s += ((const short *) buf)[i];
  else if (H5Tequal (t, H5T_NATIVE_INT) > 0)
    for (i = 0; i < n; i++) s += ((const int *) buf)[i];
  else
    s = -1;
  return s;
}

/* Opens DSET of FILE with FLAGS; *F receives the file. */
static hid_t open_dataset (const char *file, const char *dset, unsigned flags,
                           hid_t *f)
{
  *f = H5Fopen (file, flags, H5P_DEFAULT);
  if (*f < 0) die ("H5Fopen");
  hid_t d = H5Dopen2 (*f, dset, H5P_DEFAULT);
  if (d < 0) die ("H5Dopen2");
  return d;
}

static int do_read (const char *file, const char *dset, hsize_t stride)
{
  hsize_t dims[H5S_MAX_RANK], start[H5S_MAX_RANK], count[H5S_MAX_RANK],
          step[H5S_MAX_RANK];
  double t0 = now ();
  hid_t f;
  hid_t d = open_dataset (file, dset, H5F_ACC_RDONLY, &f);
  hid_t ft = H5Dget_type (d);
  hid_t mt = H5Tget_native_type (ft, H5T_DIR_ASCEND);
  hid_t fs = H5Dget_space (d);
  int rank = H5Sget_simple_extent_ndims (fs);
  if (rank < 0) die ("H5Sget_simple_extent_ndims");
  H5Sget_simple_extent_dims (fs, dims, NULL);
  size_t n = 1;
  hid_t ms = H5S_ALL;
  if (stride > 0)
    {
      for (int k = 0; k < rank; k++)
        {
          start[k] = 0;
          step[k] = stride;
          count[k] = (dims[k] + stride - 1) / stride;
          n *= count[k];
        }
      if (H5Sselect_hyperslab (fs, H5S_SELECT_SET, start, step, count, NULL) < 0)
        die ("H5Sselect_hyperslab");
      ms = H5Screate_simple (rank, count, NULL);
    }
  else
    for (int k = 0; k < rank; k++)
      n *= dims[k];
  size_t esize = H5Tget_size (mt);
  void *buf = malloc (n * esize);
  if (! buf) die ("malloc");
  if (H5Dread (d, mt, ms, stride > 0 ? fs : H5S_ALL, H5P_DEFAULT, buf) < 0)
    die ("H5Dread");
  if (ms != H5S_ALL) H5Sclose (ms);
  H5Sclose (fs);
  H5Dclose (d);
  H5Fclose (f);
  double t1 = now ();
  printf ("time=%.6f sum=%.17g\n", t1 - t0, sum_of (buf, n, mt));
  H5Tclose (mt);
  H5Tclose (ft);
  free (buf);
  return 0;
}

static int do_slab (const char *file, const char *dset, char **v)
{
  hsize_t start[2] = {strtoull (v[0], NULL, 10), strtoull (v[1], NULL, 10)};
  hsize_t count[2] = {strtoull (v[2], NULL, 10), strtoull (v[3], NULL, 10)};
  size_t n = count[0] * count[1];
  double *buf = malloc (n * sizeof (double));
  if (! buf) die ("malloc");
  double t0 = now ();
  hid_t f;
  hid_t d = open_dataset (file, dset, H5F_ACC_RDONLY, &f);
  hid_t ft = H5Dget_type (d);
  hid_t mt = H5Tget_native_type (ft, H5T_DIR_ASCEND);
  if (H5Tget_size (mt) > sizeof (double)) die ("H5Tget_size");
  hid_t fs = H5Dget_space (d);
  if (H5Sselect_hyperslab (fs, H5S_SELECT_SET, start, NULL, count, NULL) < 0)
    die ("H5Sselect_hyperslab");
  hid_t ms = H5Screate_simple (2, count, NULL);
  if (H5Dread (d, mt, ms, fs, H5P_DEFAULT, buf) < 0)
    die ("H5Dread");
  H5Sclose (ms);
  H5Sclose (fs);
  H5Dclose (d);
  H5Fclose (f);
  double t1 = now ();
  printf ("time=%.6f sum=%.17g\n", t1 - t0, sum_of (buf, n, mt));
  H5Tclose (mt);
  H5Tclose (ft);
  free (buf);
  return 0;
}

static int do_write (const char *file, const char *dset, size_t n)
{
  double *buf = malloc (n * sizeof (double));
  if (! buf) die ("malloc");
  for (size_t i = 0; i < n; i++)
    buf[i] = (double) (i % 1000003) * 0.5;
  double t0 = now ();
  hid_t f;
  hid_t d = open_dataset (file, dset, H5F_ACC_RDWR, &f);
  if (H5Dwrite (d, H5T_NATIVE_DOUBLE, H5S_ALL, H5S_ALL, H5P_DEFAULT, buf) < 0)
    die ("H5Dwrite");
  H5Dclose (d);
  H5Fclose (f);
  double t1 = now ();
  printf ("time=%.6f sum=%.17g\n", t1 - t0, sum_of (buf, n, H5T_NATIVE_DOUBLE));
  free (buf);
  return 0;
}

int main (int argc, char **argv)
{
  if (H5open () < 0) die ("H5open");
  if (argc >= 4 && ! strcmp (argv[1], "read"))
    return do_read (argv[2], argv[3], argc > 4 ? strtoull (argv[4], NULL, 10) : 0);
  if (argc == 8 && ! strcmp (argv[1], "slab"))
    return do_slab (argv[2], argv[3], argv + 4);
  if (argc == 5 && ! strcmp (argv[1], "write"))
    return do_write (argv[2], argv[3], strtoull (argv[4], NULL, 10));
  fprintf (stderr, "usage: c_bench read FILE DSET [STRIDE] | slab FILE DSET S0 S1 C0 C1 | write FILE DSET N\n");
  return 2;
}
