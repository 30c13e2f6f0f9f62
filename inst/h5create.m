## Copyright (C) 2026 The tolvane developers
##
## This program is free software: you can redistribute it and/or modify it
## under the terms of the GNU General Public License as published by the Free
## Software Foundation, either version 3 of the License, or (at your option)
## any later version.
##
## This program is distributed in the hope that it will be useful, but
## WITHOUT ANY WARRANTY; without even the implied warranty of MERCHANTABILITY
## or FITNESS FOR A PARTICULAR PURPOSE.  See the GNU General Public License
## for more details.
##
## You should have received a copy of the GNU General Public License along
## with this program.  If not, see <https://www.gnu.org/licenses/>.

## -*- texinfo -*-
## @deftypefn  {} {} h5create (@var{filename}, @var{ds}, @var{sz})
## @deftypefnx {} {} h5create (@var{filename}, @var{ds}, @var{sz}, @var{name}, @var{value}, @dots{})
## Create the dataset @var{ds} of size @var{sz} in the HDF5 file @var{filename}.
##
## The file is created when it does not exist, and opened for writing when it
## does.  @var{ds} is the full path of the new dataset, beginning with
## @qcode{"/"}; groups on the way that do not exist yet are created.  The
## dataset must not exist yet.
##
## @var{sz} lists the extents in Octave order (rows first).  A one-element
## @var{sz} other than 1 makes a one-dimensional dataset, which reads back as
## a column vector; @code{[1]} and @code{[1 1]} make a scalar dataset.  An
## @code{Inf} entry makes an unlimited dimension that starts empty and grows
## when @code{h5write} writes past its end; it requires @qcode{"ChunkSize"}.
##
## Options, given as @var{name}, @var{value} pairs (names are not case
## sensitive):
##
## @table @asis
## @item @qcode{"Datatype"}
## The element type: @qcode{"double"} (the default), @qcode{"single"},
## @qcode{"double complex"}, @qcode{"single complex"}, @qcode{"int8"},
## @qcode{"uint8"}, @qcode{"int16"}, @qcode{"uint16"}, @qcode{"int32"},
## @qcode{"uint32"}, @qcode{"int64"}, @qcode{"uint64"}, @qcode{"logical"} or
## @qcode{"string"} (variable-length UTF-8 strings).
##
## @item @qcode{"ChunkSize"}
## The chunk extents, one positive integer per entry of @var{sz}, none larger
## than a dimension of fixed size.  By default the dataset is not chunked.
##
## @item @qcode{"Deflate"}
## The deflate (gzip) compression level, an integer from 0 (no compression,
## the default) to 9.  Compression requires @qcode{"ChunkSize"}.
## @end table
##
## The options @qcode{"FillValue"}, @qcode{"Fletcher32"}, @qcode{"Shuffle"},
## @qcode{"SZIPEncodingMethod"}, @qcode{"SZIPPixelsPerBlock"},
## @qcode{"TextEncoding"}, @qcode{"CustomFilterID"} and
## @qcode{"CustomFilterParameters"} are not supported and raise an error that
## names them; they are never ignored.
##
## Faults the back-end reports carry MATLAB's error identifiers, such as
## @code{MATLAB:imagesci:h5create:datasetAlreadyExists}.
##
## Examples:
##
## @example
## @group
## h5create ("data.h5", "/temperature", [100 200]);
## h5create ("data.h5", "/grid/mask", [64 64], "Datatype", "logical");
## h5create ("data.h5", "/series", [3 Inf], "ChunkSize", [3 100],
##           "Datatype", "single", "Deflate", 6);
## @end group
## @end example
##
## @seealso{h5write, h5read, h5info, h5disp}
## @end deftypefn

function h5create (filename, ds, sz, varargin)

  if (nargin < 3)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5create: FILENAME must be a string");
  endif
  if (! ischar (ds) || ! isrow (ds))
    error ("h5create: DS must be a string");
  endif
  if (! isnumeric (sz) || ! isreal (sz) || ! isvector (sz) || isempty (sz)
      || any (sz(:) < 1) || any (sz(:) != fix (sz(:))))
    error ("h5create: SZ must be a vector of positive integers or Inf");
  endif
  sz = double (sz(:).');

  datatype = "double";
  chunk = [];
  deflate = 0;
  types = {"double", "single", "double complex", "single complex", ...
           "int8", "uint8", "int16", "uint16", "int32", "uint32", ...
           "int64", "uint64", "logical", "string"};
  unsupported = {"FillValue", "Fletcher32", "Shuffle", "SZIPEncodingMethod", ...
                 "SZIPPixelsPerBlock", "TextEncoding", "CustomFilterID", ...
                 "CustomFilterParameters"};

  if (mod (numel (varargin), 2) != 0)
    error ("h5create: options must be given as NAME, VALUE pairs");
  endif
  for i = 1:2:numel (varargin)
    name = varargin{i};
    value = varargin{i+1};
    if (! ischar (name) || ! isrow (name))
      error ("h5create: option names must be strings");
    endif
    switch (lower (name))
      case "datatype"
        if (! ischar (value) || ! isrow (value)
            || ! any (strcmpi (value, types)))
          error ("h5create: Datatype must be one of %s",
                 strjoin (strcat ('"', types, '"'), ", "));
        endif
        datatype = lower (value);
      case "chunksize"
        if (! isnumeric (value) || ! isreal (value) || ! isvector (value)
            || any (value(:) < 1) || any (value(:) != fix (value(:)))
            || any (isinf (value(:))))
          error ("h5create: ChunkSize must be a vector of positive integers");
        endif
        chunk = double (value(:).');
      case "deflate"
        if (! (isnumeric (value) || islogical (value)) || ! isscalar (value)
            || ! isreal (value) || value != fix (value)
            || value < 0 || value > 9)
          error ("h5create: Deflate must be an integer from 0 to 9");
        endif
        deflate = double (value);
      otherwise
        k = find (strcmpi (name, unsupported), 1);
        if (! isempty (k))
          error ("h5create: option '%s' is not supported", unsupported{k});
        endif
        error ("h5create: unknown option '%s'", name);
    endswitch
  endfor

  if (! isempty (chunk))
    if (numel (chunk) != numel (sz))
      error ("h5create: ChunkSize must have one entry per entry of SZ (%d)",
             numel (sz));
    endif
    if (numel (sz) <= 2 && all (sz == 1))
      error ("h5create: a scalar dataset cannot be chunked");
    endif
    fixed = ! isinf (sz);
    if (any (chunk(fixed) > sz(fixed)))
      error ("h5create: ChunkSize must not exceed SZ in a dimension of fixed size");
    endif
  else
    if (any (isinf (sz)))
      error ("h5create: an unlimited dimension (Inf in SZ) requires ChunkSize");
    endif
    if (deflate > 0)
      error ("h5create: Deflate requires ChunkSize");
    endif
  endif

  ## The back-end opens an existing file read-only when asked to create it,
  ## so ask for creation only when there is no file yet.
  try
    __h5create__ (filename, ! isfile (filename), ds, uint64 (sz), datatype,
                  uint64 (chunk), deflate);
  catch err
    h5_rethrow ("h5create", err);
  end_try_catch

endfunction


%!shared f
%! f = [tempname() ".h5"];

%!test
%! ## Defaults: double, contiguous; the file is created, then opened again.
%! unwind_protect
%!   h5create (f, "/a", [3 4]);
%!   assert (isfile (f));
%!   h5create (f, "/g/h/b", 5, "datatype", "INT16");
%!   a = h5info (f, "/a");
%!   assert (a.Datatype.OctaveClass, "double");
%!   assert (a.Dataspace.Size, uint64 ([3 4]));
%!   assert (a.ChunkSize, zeros (0, 0, "uint64"));
%!   b = h5info (f, "/g/h/b");
%!   assert (b.Datatype.OctaveClass, "int16");
%!   assert (b.Dataspace.Size, uint64 (5));
%!   assert (h5read (f, "/a"), zeros (3, 4));
%!   ## A one-dimensional dataset reads back as a column.
%!   assert (h5read (f, "/g/h/b"), zeros (5, 1, "int16"));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Every type spec, and the scalar shapes.
%! types = {"double", "single", "double complex", "single complex", ...
%!          "int8", "uint8", "int16", "uint16", "int32", "uint32", ...
%!          "int64", "uint64", "logical", "string"};
%! unwind_protect
%!   for i = 1:numel (types)
%!     h5create (f, ["/t" num2str(i)], [2 3], "Datatype", types{i});
%!     info = h5info (f, ["/t" num2str(i)]);
%!     assert (info.Datatype.OctaveClass, types{i});
%!   endfor
%!   h5create (f, "/s1", 1);
%!   h5create (f, "/s2", [1 1]);
%!   assert (h5info (f, "/s1").Dataspace.ExtentType, "Scalar");
%!   assert (h5info (f, "/s2").Dataspace.ExtentType, "Scalar");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Unlimited dimension, chunking and compression, checked with h5py.
%! unwind_protect
%!   h5create (f, "/u", [4 Inf], "ChunkSize", [4 16], "Deflate", 5, ...
%!             "Datatype", "single");
%!   h5create (f, "/c", [8 8], "ChunkSize", [8 2]);
%!   h5create (f, "/v", 5);
%!   h5create (f, "/w", Inf, "ChunkSize", 4);
%!   info = h5info (f, "/u");
%!   assert (info.Dataspace.Size, uint64 ([4 0]));
%!   assert (info.Dataspace.MaxSize, [4 Inf]);
%!   assert (info.ChunkSize, uint64 ([4 16]));
%!   out = h5py_run (sprintf (["F = h5py.File('%s', 'r')\n" ...
%!     "for n in ('u', 'c', 'v', 'w'):\n" ...
%!     "  d = F[n]\n" ...
%!     "  print(d.shape, d.maxshape, d.chunks, d.compression, d.compression_opts)"], f));
%!   assert (out, sprintf (["(0, 4) (None, 4) (16, 4) gzip 5\n(8, 8) (8, 8) (2, 8) None None\n" ...
%!                          "(5,) (5,) None None None\n(0,) (None,) (4,) None None"]));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## The back-end refuses an existing location; the file stays usable.
%! unwind_protect
%!   h5create (f, "/a", 2);
%!   fail ("h5create (f, '/a', 2)", "h5create: location '/a' already exists");
%!   fail ("h5create (f, 'a', 2)", "leading '/'");
%!   h5create (f, "/b", 2);
%!   assert (numel (h5info (f).Datasets), 2);
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5create ()
%!error <Invalid call> h5create ("f.h5", "/a")
%!error <h5create: FILENAME must be a string> h5create (1, "/a", 1)
%!error <h5create: DS must be a string> h5create ("f.h5", {"/a"}, 1)
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", [])
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", [2 0])
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", 2.5)
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", [2 NaN])
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", ones (2))
%!error <h5create: SZ must be a vector of positive integers or Inf> h5create ("f.h5", "/a", "ab")
%!error <h5create: options must be given as NAME, VALUE pairs> h5create ("f.h5", "/a", 2, "Datatype")
%!error <h5create: option names must be strings> h5create ("f.h5", "/a", 2, 3, 4)
%!error <h5create: Datatype must be one of "double", "single"> h5create ("f.h5", "/a", 2, "Datatype", "float")
%!error <h5create: Datatype must be one of> h5create ("f.h5", "/a", 2, "Datatype", 8)
%!error <h5create: ChunkSize must be a vector of positive integers> h5create ("f.h5", "/a", [4 4], "ChunkSize", [2 0])
%!error <h5create: ChunkSize must be a vector of positive integers> h5create ("f.h5", "/a", [4 4], "ChunkSize", [2 Inf])
%!error <h5create: ChunkSize must have one entry per entry of SZ \(2\)> h5create ("f.h5", "/a", [4 4], "ChunkSize", 2)
%!error <h5create: ChunkSize must not exceed SZ in a dimension of fixed size> h5create ("f.h5", "/a", [4 Inf], "ChunkSize", [5 100])
%!error <h5create: a scalar dataset cannot be chunked> h5create ("f.h5", "/a", [1 1], "ChunkSize", [1 1])
%!error <h5create: Deflate must be an integer from 0 to 9> h5create ("f.h5", "/a", 4, "ChunkSize", 2, "Deflate", 10)
%!error <h5create: Deflate must be an integer from 0 to 9> h5create ("f.h5", "/a", 4, "ChunkSize", 2, "Deflate", -1)
%!error <h5create: Deflate must be an integer from 0 to 9> h5create ("f.h5", "/a", 4, "ChunkSize", 2, "Deflate", 1.5)
%!error <h5create: Deflate must be an integer from 0 to 9> h5create ("f.h5", "/a", 4, "ChunkSize", 2, "Deflate", [1 2])
%!error <h5create: Deflate requires ChunkSize> h5create ("f.h5", "/a", 4, "Deflate", 1)
%!error <h5create: an unlimited dimension \(Inf in SZ\) requires ChunkSize> h5create ("f.h5", "/a", [4 Inf])
%!error <h5create: option 'FillValue' is not supported> h5create ("f.h5", "/a", 4, "fillvalue", 0)
%!error <h5create: option 'Fletcher32' is not supported> h5create ("f.h5", "/a", 4, "Fletcher32", true)
%!error <h5create: option 'Shuffle' is not supported> h5create ("f.h5", "/a", 4, "Shuffle", true)
%!error <h5create: option 'SZIPEncodingMethod' is not supported> h5create ("f.h5", "/a", 4, "SZIPEncodingMethod", "ec")
%!error <h5create: option 'SZIPPixelsPerBlock' is not supported> h5create ("f.h5", "/a", 4, "SZIPPixelsPerBlock", 8)
%!error <h5create: option 'TextEncoding' is not supported> h5create ("f.h5", "/a", 4, "TextEncoding", "UTF-8")
%!error <h5create: option 'CustomFilterID' is not supported> h5create ("f.h5", "/a", 4, "CustomFilterID", 307)
%!error <h5create: unknown option 'Compression'> h5create ("f.h5", "/a", 4, "Compression", 3)
