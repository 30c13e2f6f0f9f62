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
##
## @item @qcode{"Shuffle"}
## @code{true} to store the bytes of the elements grouped by significance
## (HDF5's shuffle filter, applied before deflate), which often makes
## compression better.  The default is @code{false}.  Requires
## @qcode{"ChunkSize"}.
##
## @item @qcode{"Fletcher32"}
## @code{true} to store a Fletcher32 checksum with every chunk, checked on
## every read (applied after deflate, so a damaged chunk is found before it
## is decompressed).  The default is @code{false}.  Requires
## @qcode{"ChunkSize"}.
##
## @item @qcode{"FillValue"}
## The value of elements never written, a real scalar (complex for the
## complex types) converted to the dataset's class.  The default is 0.  Not
## available for @qcode{"string"} datasets.
## @end table
##
## The options @qcode{"SZIPEncodingMethod"}, @qcode{"SZIPPixelsPerBlock"},
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
  shuffle = false;
  fletcher32 = false;
  fillvalue = [];
  types = {"double", "single", "double complex", "single complex", ...
           "int8", "uint8", "int16", "uint16", "int32", "uint32", ...
           "int64", "uint64", "logical", "string"};
  unsupported = {"SZIPEncodingMethod", ...
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
      case "shuffle"
        shuffle = flag_option ("Shuffle", value);
      case "fletcher32"
        fletcher32 = flag_option ("Fletcher32", value);
      case "fillvalue"
        if (! (islogical (value) || isnumeric (value)) || ! isscalar (value))
          error ("h5create: FillValue must be a numeric or logical scalar");
        endif
        fillvalue = value;
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
    if (shuffle)
      error ("h5create: Shuffle requires ChunkSize");
    endif
    if (fletcher32)
      error ("h5create: Fletcher32 requires ChunkSize");
    endif
  endif

  if (! isempty (fillvalue))
    if (strcmp (datatype, "string"))
      error ("h5create: FillValue is not available for string datasets");
    endif
    if (any (strcmp (datatype, {"double complex", "single complex"})))
      fillvalue = complex (cast (fillvalue, strtok (datatype)));
    elseif (! isreal (fillvalue))
      error ("h5create: FillValue must be real for Datatype %s", datatype);
    elseif (strcmp (datatype, "logical"))
      fillvalue = logical (fillvalue);
    else
      fillvalue = cast (fillvalue, datatype);
    endif
  endif

  ## The back-end opens an existing file read-only when asked to create it,
  ## so ask for creation only when there is no file yet.
  try
    __h5create_ext__ (filename, ! isfile (filename), ds, uint64 (sz), datatype,
                      uint64 (chunk), deflate, shuffle, fletcher32, fillvalue);
  catch err
    h5_rethrow ("h5create", err);
  end_try_catch

endfunction

## The true or false VALUE of the option NAME.
function f = flag_option (name, value)
  if (! (islogical (value) || isnumeric (value)) || ! isscalar (value)
      || ! any (value == [0 1]))
    error ("h5create: %s must be true or false", name);
  endif
  f = logical (value);
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

%!test
%! ## Shuffle, Fletcher32 and FillValue, in h5py's filter order; the fill
%! ## value is what unwritten elements read as.
%! unwind_protect
%!   h5create (f, "/sf", [6 8], "ChunkSize", [3 4], "Deflate", 2, ...
%!             "Shuffle", true, "Fletcher32", true, "FillValue", -2.5, ...
%!             "Datatype", "single");
%!   h5create (f, "/fv", [2 3], "Datatype", "uint8", "FillValue", 300);
%!   h5create (f, "/cf", [2 2], "Datatype", "double complex", "FillValue", 1-2i);
%!   h5create (f, "/plain", [4 4], "ChunkSize", [2 2], "Shuffle", false);
%!   assert (h5read (f, "/sf"), -2.5 * ones (6, 8, "single"));
%!   assert (h5read (f, "/fv"), 255 * ones (2, 3, "uint8"));
%!   assert (h5read (f, "/cf"), complex (1, -2) * ones (2));
%!   out = h5py_run (sprintf (["F = h5py.File('%s', 'r')\n" ...
%!     "d = F['sf']\n" ...
%!     "p = d.id.get_create_plist()\n" ...
%!     "print([p.get_filter(k)[0] for k in range(p.get_nfilters())], d.fillvalue, F['plain'].shuffle)"], f));
%!   assert (out, "[2, 1, 3] -2.5 False");
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
%!error <h5create: Shuffle requires ChunkSize> h5create ("f.h5", "/a", 4, "shuffle", true)
%!error <h5create: Fletcher32 requires ChunkSize> h5create ("f.h5", "/a", 4, "Fletcher32", 1)
%!error <h5create: Shuffle must be true or false> h5create ("f.h5", "/a", 4, "Shuffle", 2)
%!error <h5create: Fletcher32 must be true or false> h5create ("f.h5", "/a", 4, "Fletcher32", "yes")
%!error <h5create: FillValue must be a numeric or logical scalar> h5create ("f.h5", "/a", 4, "FillValue", [1 2])
%!error <h5create: FillValue must be a numeric or logical scalar> h5create ("f.h5", "/a", 4, "FillValue", "x")
%!error <h5create: FillValue is not available for string datasets> h5create ("f.h5", "/a", 4, "FillValue", 1, "Datatype", "string")
%!error <h5create: FillValue must be real for Datatype int8> h5create ("f.h5", "/a", 4, "FillValue", 1i, "Datatype", "int8")
%!error <h5create: option 'SZIPEncodingMethod' is not supported> h5create ("f.h5", "/a", 4, "SZIPEncodingMethod", "ec")
%!error <h5create: option 'SZIPPixelsPerBlock' is not supported> h5create ("f.h5", "/a", 4, "SZIPPixelsPerBlock", 8)
%!error <h5create: option 'TextEncoding' is not supported> h5create ("f.h5", "/a", 4, "TextEncoding", "UTF-8")
%!error <h5create: option 'CustomFilterID' is not supported> h5create ("f.h5", "/a", 4, "CustomFilterID", 307)
%!error <h5create: unknown option 'Compression'> h5create ("f.h5", "/a", 4, "Compression", 3)
