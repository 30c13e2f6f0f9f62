## tolvane demo: writes a small HDF5 file with the user-level functions, reads
## it back printing what it read, and ends with h5disp of the file.  Run it
## with "make demo", or as: octave --no-gui --norc -q demo/demo.m
1;

## The module and the functions of this source tree, found from this script.
top = fileparts (fileparts (mfilename ("fullpath")));
addpath (fullfile (top, "src"));
addpath (fullfile (top, "inst"));

dir = tempname ();
mkdir (dir);
file = fullfile (dir, "sample.h5");
unwind_protect

  printf ("Writing %s\n\n", file);

  ## Numeric datasets of several classes.
  h5create (file, "/numbers/double", [1 5]);
  h5write (file, "/numbers/double", [0.5 1.5 2.5 3.5 4.5]);
  h5create (file, "/numbers/int16", 4, "Datatype", "int16");
  h5write (file, "/numbers/int16", [-300 -1 1 300]);      # converted to int16
  h5create (file, "/numbers/uint8", [2 3], "Datatype", "uint8");
  h5write (file, "/numbers/uint8", uint8 ([1 2 3; 4 5 6]));
  h5create (file, "/numbers/complex", [1 2], "Datatype", "double complex");
  h5write (file, "/numbers/complex", [1+2i, 3-4i]);
  h5create (file, "/numbers/flags", [1 4], "Datatype", "logical");
  h5write (file, "/numbers/flags", [true false false true]);

  ## A matrix, chunked and compressed.
  h5create (file, "/matrix", [4 6], "Datatype", "single", ...
            "ChunkSize", [4 3], "Deflate", 6);
  h5write (file, "/matrix", reshape (1:24, 4, 6) / 4);

  ## An extensible dataset grown by hyperslab writes, one column at a time.
  h5create (file, "/series", [3 Inf], "ChunkSize", [3 8]);
  for k = 1:4
    h5write (file, "/series", [k; 10 * k; 100 * k], [1 k], [3 1]);
  endfor

  ## Strings.
  h5create (file, "/names", 3, "Datatype", "string");
  h5write (file, "/names", {"alpha", "beta", "gamma"});

  ## Attributes on the root group and on a dataset.
  h5writeatt (file, "/", "title", "tolvane sample file");
  h5writeatt (file, "/", "version", int32 ([0 1 0]));
  h5writeatt (file, "/matrix", "units", "m/s");
  h5writeatt (file, "/matrix", "scale", 0.25);

  printf ("Reading it back\n\n");
  for ds = {"/numbers/double", "/numbers/int16", "/numbers/uint8", ...
            "/numbers/complex", "/numbers/flags", "/matrix", "/series"}
    x = h5read (file, ds{1});
    cls = class (x);
    if (iscomplex (x))
      cls = [cls " complex"];
    endif
    printf ("%s  (%s, %s):\n", ds{1}, cls, strjoin (arrayfun (@num2str, size (x), "uniformoutput", false), "x"));
    disp (x);
  endfor
  printf ("/series, columns 2 to the end of row 3:\n");
  disp (h5read (file, "/series", [3 2], [1 Inf]));
  printf ("/names:\n");
  disp (h5read (file, "/names"));
  printf ("/names, second element: %s\n\n", h5read (file, "/names", 2, 1));
  printf ("attribute title of /:      %s\n", h5readatt (file, "/", "title"));
  printf ("attribute version of /:    %s\n", num2str (h5readatt (file, "/", "version")));
  printf ("attribute units of /matrix: %s\n", h5readatt (file, "/matrix", "units"));
  printf ("attribute scale of /matrix: %g\n\n", h5readatt (file, "/matrix", "scale"));

  info = h5info (file);
  printf ("h5info of the file: Name %s, %d groups, %d datasets, attributes %s\n\n",
          info.Name, numel (info.Groups), numel (info.Datasets),
          strjoin (fieldnames (info.Attributes).', ", "));

  h5disp (file);

unwind_protect_cleanup
  if (exist (file, "file"))
    delete (file);
  endif
  rmdir (dir);
end_unwind_protect
