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
## @deftypefn  {} {} h5write (@var{filename}, @var{ds}, @var{data})
## @deftypefnx {} {} h5write (@var{filename}, @var{ds}, @var{data}, @var{start}, @var{count})
## @deftypefnx {} {} h5write (@var{filename}, @var{ds}, @var{data}, @var{start}, @var{count}, @var{stride})
## Write @var{data} into the existing dataset @var{ds} of the HDF5 file
## @var{filename}, whole or into a hyperslab.
##
## @var{ds} is the full path of a dataset made by @code{h5create} or another
## program.  Without @var{start} and @var{count}, @var{data} must have the
## shape of the whole dataset; trailing singleton dimensions do not count, so
## a 2-D array fills a dataset of size @code{[@var{m} @var{n} 1]}, and a column
## or a row fills a one-dimensional dataset (which @code{h5read} returns as a
## column).
##
## With @var{start} (1-based), @var{count} and @var{stride} (1 by default),
## @var{data} goes into the hyperslab they describe, and must have the shape
## of @var{count} (a column or a row for a one-dimensional dataset).  They are
## vectors of doubles or integers with one entry per dimension of the
## dataset; a one-dimensional dataset takes one entry (scalars), or two that
## index it as the column it reads as (@code{[@var{s} 1]}) or as a row
## (@code{[1 @var{s}]}).  An @code{Inf} in @var{count} stands for as many
## elements as fit from @var{start} with @var{stride} to the current end of
## that dimension, as in @code{h5read}.  A hyperslab that reaches past the
## end of an unlimited dimension extends the dataset.
##
## Numeric and logical data of a class other than the dataset's are converted
## to the dataset's class first, as HDF5 would: integer classes round and
## saturate, so @code{h5write (f, "/x", int32 (1:5))} into a double dataset
## works.  Complex data go only into complex datasets, and NaN cannot be
## written into a logical dataset.
##
## Text goes into string datasets: a character row is one string, a character
## matrix one string per row (with the blanks that pad the rows removed, as
## @code{cellstr} does), and a cell array of strings one string per cell.  The
## strings of a character matrix fill a one-row target in order as well.
##
## Faults carry MATLAB's error identifiers, such as
## @code{MATLAB:imagesci:h5write:datasetDoesNotExist}.
##
## Examples:
##
## @example
## @group
## h5create ("data.h5", "/x", [3 4]);
## h5write ("data.h5", "/x", magic (4)(1:3, :));
## h5create ("data.h5", "/log", [2 Inf], "ChunkSize", [2 64]);
## h5write ("data.h5", "/log", [1 2 3; 4 5 6], [1 1], [2 3]);
## h5write ("data.h5", "/log", [7; 8], [1 4], [2 1]);   # grows to 2x4
## h5create ("data.h5", "/names", 2, "Datatype", "string");
## h5write ("data.h5", "/names", @{"alpha", "beta"@});
## h5create ("data.h5", "/index", 100, "Datatype", "uint64");
## h5write ("data.h5", "/index", (1:10)', 1, 10);
## @end group
## @end example
##
## Whole chunks of a chunked dataset compressed with deflate (with or
## without shuffle and Fletcher32) are compressed on several threads, one per
## processor by default or @env{TOLVANE_NUM_THREADS}; each is stored as
## HDF5's own filters would store it.  @code{TOLVANE_NUM_THREADS=1} leaves
## all the work to the HDF5 library.
##
## @seealso{h5create, h5read, h5info, h5disp}
## @end deftypefn

function h5write (filename, ds, data, start, count, stride)

  if (nargin != 3 && nargin != 5 && nargin != 6)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5write: FILENAME must be a string");
  endif
  if (! ischar (ds) || ! isrow (ds))
    error ("h5write: DS must be a string");
  endif
  is_text = ischar (data) || iscellstr (data);
  if (! (isnumeric (data) || islogical (data) || is_text))
    error ("h5write: DATA must be numeric, logical or text");
  endif

  if (nargin == 3)
    start = count = stride = [];
  else
    if (nargin < 6)
      stride = [];
    endif
    [start, count, stride] = hyperslab_args ("h5write", start, count, stride);
  endif

  ## The dataset's class and shape decide the conversion.  When it cannot be
  ## described (missing file or location, not a dataset), the back-end
  ## reports the fault in its own words.
  try
    info = h5info (filename, ds);
    is_dataset = isfield (info, "Datatype");
  catch
    is_dataset = false;
  end_try_catch
  if (! is_dataset)
    if (ischar (data))
      data = text_cells (data);
    endif
    count(isinf (count)) = 1;
    write_back_end (filename, ds, data, start, count, stride);
    return;
  endif

  space = info.Dataspace;
  dims = [];
  if (strcmp (space.ExtentType, "Simple"))
    dims = double (space.Size);
  endif
  target_dims = [1 1];
  if (! isempty (start))
    [start, count, stride] = hyperslab_args ("h5write", start, count, stride,
                                             dims);
    target_dims = count;
  elseif (! isempty (dims))
    target_dims = dims;
  endif
  if (numel (dims) == 1)
    target_dims = [1 target_dims];
  endif

  target = info.Datatype.OctaveClass;
  if (strcmp (target, "string"))
    if (! is_text)
      error ("h5write: only text can be written into a string dataset");
    endif
    if (ischar (data))
      data = text_cells (data);
      ## The rows of a character matrix fill a one-row target in order.
      if (numel (target_dims) == 2 && target_dims(1) == 1
          && numel (data) == target_dims(2))
        data = data.';
      endif
    endif
  else
    if (is_text)
      error ("h5write: text can be written only into a string dataset");
    endif
    data = convert (data, target);
  endif

  write_back_end (filename, ds, data, start, count, stride);

endfunction

function write_back_end (filename, ds, data, start, count, stride)
  try
    __h5write__ (filename, ds, data, uint64 (start), uint64 (count),
                 uint64 (stride));
  catch err
    h5_rethrow ("h5write", err);
  end_try_catch
endfunction

## A character row is one string; a character matrix one string per row.
function c = text_cells (s)
  if (rows (s) <= 1)
    c = {s};
  else
    c = cellstr (s);
  endif
endfunction

function data = convert (data, target)
  switch (target)
    case {"double", "single"}
      if (iscomplex (data))
        error ("h5write: complex data cannot be written into a real dataset");
      endif
      if (! isa (data, target))
        data = cast (data, target);
      endif
    case {"double complex", "single complex"}
      cls = target(1:end-8);
      if (! (isa (data, cls) && iscomplex (data)))
        data = complex (cast (data, cls));
      endif
    case "logical"
      if (! islogical (data))
        if (iscomplex (data))
          error ("h5write: complex data cannot be written into a real dataset");
        endif
        if (any (isnan (data(:))))
          error ("h5write: NaN cannot be written into a logical dataset");
        endif
        data = logical (data);
      endif
    case {"int8", "uint8", "int16", "uint16", "int32", "uint32", ...
          "int64", "uint64"}
      if (iscomplex (data))
        error ("h5write: complex data cannot be written into a real dataset");
      endif
      if (! isa (data, target))
        data = cast (data, target);
      endif
  endswitch
endfunction



%!shared f
%! f = [tempname() ".h5"];

%!test
%! ## Whole datasets, with and without class conversion.
%! unwind_protect
%!   h5create (f, "/d", [2 3]);
%!   h5create (f, "/i", [1 5], "Datatype", "int32");
%!   h5create (f, "/u8", 4, "Datatype", "uint8");
%!   h5create (f, "/z", 2, "Datatype", "double complex");
%!   h5create (f, "/c", 2, "Datatype", "single complex");
%!   h5create (f, "/b", [2 2], "Datatype", "logical");
%!   h5create (f, "/k", [3 4 1], "Datatype", "single");
%!   h5create (f, "/s", 1, "Datatype", "int64");
%!   cases = {
%!     "/d",  [1 2 3; 4 5 6],           [1 2 3; 4 5 6]
%!     "/d",  int32([1 2 3; 4 5 6]),    [1 2 3; 4 5 6]
%!     "/i",  int32(1:5),               int32(1:5)
%!     "/i",  [1.4 2.6 -3 4 5],         int32([1 3 -3 4 5])
%!     "/u8", [-1 2 255 300],           uint8([0; 2; 255; 255])
%!     "/u8", (1:4).',                  uint8((1:4).')
%!     "/z",  single([1+2i 3]),         [1+2i; 3]
%!     "/c",  [1i; 2],                  single([1i; 2])
%!     "/b",  [0 1; 2 0],               [false true; true false]
%!     "/b",  logical([1 0; 0 1]),      logical([1 0; 0 1])
%!     "/k",  magic(4)(1:3, :),         single(magic(4)(1:3, :))
%!     "/s",  7,                        int64(7)
%!   };
%!   for i = 1:rows (cases)
%!     h5write (f, cases{i, 1}, cases{i, 2});
%!     assert (h5read (f, cases{i, 1}), cases{i, 3});
%!   endfor
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Real data into a complex dataset stay complex, also when read back.
%! unwind_protect
%!   h5create (f, "/z", [1 2], "Datatype", "double complex");
%!   h5write (f, "/z", int8 ([1 2]));
%!   assert (h5py_run (sprintf ("d = h5py.File('%s', 'r')['z']\nprint(d.dtype, d[:, 0])", f)),
%!           "complex128 [1.+0.j 2.+0.j]");
%!   assert (h5read (f, "/z"), complex ([1 2]));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Hyperslabs, strides and extension of an unlimited dimension.
%! unwind_protect
%!   h5create (f, "/m", [4 6]);
%!   h5write (f, "/m", [1 2; 3 4], [2 3], [2 2]);
%!   h5write (f, "/m", int8([7 8 9]), [4 1], [1 3], [1 2]);
%!   M = zeros (4, 6);
%!   M(2:3, 3:4) = [1 2; 3 4];
%!   M(4, 1:2:5) = [7 8 9];
%!   assert (h5read (f, "/m"), M);
%!   h5create (f, "/e", [2 Inf], "ChunkSize", [2 8], "Datatype", "int16");
%!   h5write (f, "/e", [1 2 3; 4 5 6], [1 1], [2 3]);
%!   h5write (f, "/e", [7; 8], [1 4], [2 1]);
%!   h5write (f, "/e", [9; 10], uint8([1 7]), uint8([2 1]));
%!   assert (h5info (f, "/e").Dataspace.Size, uint64 ([2 7]));
%!   assert (h5read (f, "/e"), int16 ([1 2 3 7 0 0 9; 4 5 6 8 0 0 10]));
%!   h5create (f, "/v", 6);
%!   h5write (f, "/v", [1 2], 2, 2);
%!   h5write (f, "/v", [5; 6], [1 5], [1 2]);
%!   h5write (f, "/v", 9, [4 1], [1 1]);
%!   h5write (f, "/v", [3; 4], 2, 2, 2);
%!   assert (h5read (f, "/v"), [0 3 2 4 5 6].');
%!   h5write (f, "/v", [7 8], [5 1], [2 1]);
%!   h5write (f, "/v", 1:2, 5, Inf);
%!   assert (h5read (f, "/v"), [0 3 2 4 1 2].');
%!   ## Inf in COUNT reaches to the current end of the dimension.
%!   h5write (f, "/m", (1:4).', [1 1], [Inf 1]);
%!   h5write (f, "/m", [5 6], [2 3], [1 Inf], [1 2]);
%!   M(:, 1) = 1:4;
%!   M(2, 3:2:5) = [5 6];
%!   assert (h5read (f, "/m"), M);
%!   fail ("h5write (f, '/e', 1, [1 8], [1 Inf])", "h5write: START lies beyond the end of the dataset where COUNT is Inf");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Text into string datasets.
%! unwind_protect
%!   h5create (f, "/one", 1, "Datatype", "string");
%!   h5create (f, "/col", [3 1], "Datatype", "string");
%!   h5create (f, "/row", [1 3], "Datatype", "string");
%!   h5create (f, "/vec", 3, "Datatype", "string");
%!   h5create (f, "/grid", [2 2], "Datatype", "string");
%!   h5write (f, "/one", "trailing blank ");
%!   assert (h5read (f, "/one"), "trailing blank ");
%!   h5write (f, "/one", {"cell"});
%!   assert (h5read (f, "/one"), "cell");
%!   rows3 = ["ab "; "cde"; "f  "];
%!   h5write (f, "/col", rows3);
%!   assert (h5read (f, "/col"), {"ab"; "cde"; "f"});
%!   h5write (f, "/row", rows3);
%!   assert (h5read (f, "/row"), {"ab", "cde", "f"});
%!   h5write (f, "/vec", rows3);
%!   assert (h5read (f, "/vec"), {"ab"; "cde"; "f"});
%!   h5write (f, "/vec", {"p", "q", "r"});
%!   assert (h5read (f, "/vec"), {"p"; "q"; "r"});
%!   h5write (f, "/grid", {"a", "b"; "c", "d"});
%!   assert (h5read (f, "/grid"), {"a", "b"; "c", "d"});
%!   h5write (f, "/grid", {"x"; "y"}, [1 2], [2 1]);
%!   assert (h5read (f, "/grid"), {"a", "x"; "c", "y"});
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Refusals of this function and of the back-end.
%! unwind_protect
%!   h5create (f, "/d", [2 2]);
%!   h5create (f, "/b", 2, "Datatype", "logical");
%!   h5create (f, "/i", 2, "Datatype", "uint8");
%!   h5create (f, "/s", 2, "Datatype", "string");
%!   h5create (f, "/m", [2 3 4]);
%!   fail ("h5write (f, '/d', [1 2i; 3 4])", "h5write: complex data cannot be written into a real dataset");
%!   fail ("h5write (f, '/i', [1i 2])", "h5write: complex data cannot be written into a real dataset");
%!   fail ("h5write (f, '/b', [1i 0])", "h5write: complex data cannot be written into a real dataset");
%!   fail ("h5write (f, '/b', [NaN 1])", "h5write: NaN cannot be written into a logical dataset");
%!   fail ("h5write (f, '/d', 'ab')", "h5write: text can be written only into a string dataset");
%!   fail ("h5write (f, '/d', {'a'})", "h5write: text can be written only into a string dataset");
%!   fail ("h5write (f, '/s', [1 2])", "h5write: only text can be written into a string dataset");
%!   fail ("h5write (f, '/m', 1, [1 1], [1 1])", "h5write: START, COUNT and STRIDE need one entry per dimension of the dataset \\(3\\)");
%!   fail ("h5write (f, '/i', [1 2], [2 3], [1 2])", "h5write: START and COUNT index a one-dimensional dataset neither as a row nor as a column");
%!   fail ("h5write (f, '/d', ones (3))", "h5write: incompatible dataset and octave data: different number of elements");
%!   fail ("h5write (f, '/d', 1, [3 1], [1 1])", "h5write: hyperslab selection: Hyperslab selection superseeds size of non-extensible dataset");
%!   fail ("h5write (f, '/nothing', 1)", "h5write: location /nothing does not exist");
%!   fail ("h5write (f, '/', 1)", "h5write: location '/' is not a Dataset");
%!   fail ("h5write (f, 'd', 1)", "leading '/'");
%!   fail ("h5write ([f '.missing'], '/d', 1)", "Unable to open file");
%!   assert (h5read (f, "/d"), zeros (2, 2));
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5write ()
%!error <Invalid call> h5write ("f.h5", "/a")
%!error <Invalid call> h5write ("f.h5", "/a", 1, 1)
%!error <called with too many inputs> h5write ("f.h5", "/a", 1, 1, 1, 1, 1)
%!error <h5write: FILENAME must be a string> h5write (1, "/a", 1)
%!error <h5write: DS must be a string> h5write ("f.h5", 1, 1)
%!error <h5write: DATA must be numeric, logical or text> h5write ("f.h5", "/a", struct ())
%!error <h5write: DATA must be numeric, logical or text> h5write ("f.h5", "/a", {1, "a"})
%!error <h5write: DATA must be numeric, logical or text> h5write ("f.h5", "/a", @sin)
%!error <h5write: START must be a vector of positive integers> h5write ("f.h5", "/a", 1, 0, 1)
%!error <h5write: START must be a vector of positive integers> h5write ("f.h5", "/a", 1, [], 1)
%!error <h5write: COUNT must be a vector of positive integers or Inf> h5write ("f.h5", "/a", 1, 1, -Inf)
%!error <h5write: COUNT must be a vector of positive integers or Inf> h5write ("f.h5", "/a", 1, 1, NaN)
%!error <h5write: COUNT must be a vector of positive integers> h5write ("f.h5", "/a", 1, 1, 0.5)
%!error <h5write: STRIDE must be a vector of positive integers> h5write ("f.h5", "/a", 1, 1, 1, -1)
%!error <h5write: START, COUNT and STRIDE must have the same number of elements> h5write ("f.h5", "/a", 1, [1 1], 1)
%!error <h5write: START, COUNT and STRIDE must have the same number of elements> h5write ("f.h5", "/a", 1, 1, 1, [1 1])
