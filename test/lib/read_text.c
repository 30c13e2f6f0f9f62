/* Prints text attributes of an HDF5 file as the HDF5 high-level library
 * reads them with H5LTget_attribute_string, one line each:
 *   read_text FILE LOC NAME [LOC NAME ...]  Each value is read into a zero-filled
 * buffer of 256 bytes and printed between brackets; a failed read prints
 * "FAILED".  Used by the tests to check what tolvane writes. */
#include <stdio.h>
#include <string.h>
#include <hdf5.h>
#include <hdf5_hl.h>

int
main (int argc, char **argv)
{
  if (argc < 2)
    return 2;
  H5Eset_auto2 (H5E_DEFAULT, NULL, NULL);
  hid_t file = H5Fopen (argv[1], H5F_ACC_RDONLY, H5P_DEFAULT);
  if (file < 0)
    {
      printf ("FAILED\n");
      return 1;
    }
  int i = 2;
  while (i < argc)
    {
      char buf[256];
      memset (buf, 0, sizeof buf);
      herr_t status = -1;
      if (i + 1 >= argc)
        break;
      status = H5LTget_attribute_string (file, argv[i], argv[i + 1], buf);
      i += 2;
      if (status < 0)
        printf ("FAILED\n");
      else
        printf ("[%s]\n", buf);
    }
  H5Fclose (file);
  return i == argc ? 0 : 2;
}
