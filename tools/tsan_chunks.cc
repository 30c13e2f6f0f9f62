// Drives the chunk pipeline of src/chunks.cc without Octave, for a build
// under ThreadSanitizer (tools/tsan.sh): writes a deflate + shuffle +
// Fletcher32 dataset on the workers, reads it back whole, in a strided
// hyperslab and with a chunk never written, and reads a chunk it corrupted.
// Exits non-zero when a value or a path is wrong.

#include "../src/chunks.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tolvane;

static int failures = 0;

static void
check (bool ok, const char *what)
{
  if (! ok)
    {
      std::fprintf (stderr, "tsan_chunks: %s\n", what);
      failures++;
    }
}

int
main (int argc, char **argv)
{
  const char *path = argc > 1 ? argv[1] : "tsan_chunks.h5";
  setenv ("TOLVANE_NUM_THREADS", "4", 1);
  h5::SilentErrors quiet;
  const hsize_t R = 300, C = 210;
  std::vector<double> a (R * C);
  for (std::size_t i = 0; i < a.size (); i++)
    a[i] = (i * 13) % 1001 / 7.0;
  {
    h5::File file (path, h5::File::Create | h5::File::ReadWrite);
    h5::DataSetCreateProps props;
    props.setChunk ({64, 50});
    props.setShuffle ();
    props.setDeflate (4);
    props.setFletcher32 ();
    h5::DataSpace space (std::vector<hsize_t> {R, C});
    h5::DataSet ds = file.createDataSet ("/d", space, h5::copy_of (H5T_NATIVE_DOUBLE), props);
    check (chunks::write (ds, ds.getSpace (), h5::copy_of (H5T_NATIVE_DOUBLE), a.data ()),
           "whole write took the HDF5 path");
    h5::DataSet sp = file.createDataSet ("/sparse", space, h5::copy_of (H5T_NATIVE_DOUBLE), props);
    h5::DataSpace box = sp.getSpace ().selectHyperslab ({0, 0}, {128, 100}, {1, 1});
    check (chunks::write (sp, box, h5::copy_of (H5T_NATIVE_DOUBLE), a.data ()),
           "partial write took the HDF5 path");
    file.flush ();
  }
  {
    h5::File file (path, h5::File::ReadOnly);
    h5::DataSet ds = file.getDataSet ("/d");
    std::vector<double> b (R * C, -1);
    check (chunks::read (ds, ds.getSpace (), h5::copy_of (H5T_NATIVE_DOUBLE), b.data ()),
           "whole read took the HDF5 path");
    check (a == b, "whole read differs");
    h5::DataSpace sel = ds.getSpace ().selectHyperslab ({3, 1}, {99, 70}, {3, 3});
    std::vector<double> s (99 * 70, -1);
    check (chunks::read (ds, sel, h5::copy_of (H5T_NATIVE_DOUBLE), s.data ()),
           "strided read took the HDF5 path");
    bool same = true;
    for (hsize_t i = 0; i < 99; i++)
      for (hsize_t j = 0; j < 70; j++)
        same &= s[i * 70 + j] == a[(3 + 3 * i) * C + 1 + 3 * j];
    check (same, "strided read differs");
    h5::DataSet sp = file.getDataSet ("/sparse");
    check (chunks::read (sp, sp.getSpace (), h5::copy_of (H5T_NATIVE_DOUBLE), b.data ()),
           "sparse read took the HDF5 path");
    check (chunks::last_report.filled > 0, "no chunk read as fill value");
  }
  // Damage the middle of the file's last chunk: the read must fail cleanly.
  {
    FILE *fh = std::fopen (path, "r+b");
    std::fseek (fh, 0, SEEK_END);
    long n = std::ftell (fh);
    std::fseek (fh, n / 2, SEEK_SET);
    std::fputc (0x5a, fh);
    std::fputc (0xa5, fh);
    std::fclose (fh);
    h5::File file (path, h5::File::ReadOnly);
    h5::DataSet ds = file.getDataSet ("/d");
    std::vector<double> b (R * C);
    try
      {
        chunks::read (ds, ds.getSpace (), h5::copy_of (H5T_NATIVE_DOUBLE), b.data ());
        std::fprintf (stderr, "tsan_chunks: note: the damaged bytes were not in /d\n");
      }
    catch (const h5::Exception& e)
      {
        std::printf ("tsan_chunks: damaged chunk: %s\n", e.what ());
      }
  }
  std::printf ("tsan_chunks: %s\n", failures ? "FAILED" : "all checks passed");
  return failures ? 1 : 0;
}
