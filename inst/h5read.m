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
## @deftypefn  {} {@var{data} =} h5read (@var{filename}, @var{ds})
## @deftypefnx {} {@var{data} =} h5read (@var{filename}, @var{ds}, @var{start}, @var{count})
## @deftypefnx {} {@var{data} =} h5read (@var{filename}, @var{ds}, @var{start}, @var{count}, @var{stride})
## Read the dataset @var{ds} of the HDF5 file @var{filename}, whole or in part.
##
## @var{ds} is the full path of the dataset, beginning with @qcode{"/"}.  The
## result has the class of the dataset's elements (double, single, complex,
## an integer class or logical) and its shape in Octave order; a
## one-dimensional dataset of @var{n} elements reads as an @var{n}-by-1
## column, as in MATLAB, and a scalar one as a single value.  A string
## dataset reads as a character row when it holds one string and as a cell
## array of strings otherwise (a column for a one-dimensional dataset);
## fixed-length strings lose the NULs or blanks that pad them.
##
## Every other datatype class reads as in MATLAB: a compound as a struct with
## one field per member, each holding that member's values in the shape of
## the selection; an enumeration as a cell array of member names; a
## variable-length sequence as a cell array of columns; an array datatype as
## an array whose leading dimensions are the array's extents; opaque data as
## uint8 bytes; a bitfield as the unsigned integer class of its size; object
## and region references as a cell array of what they point to; a null
## dataspace as @code{[]}.  The time class is refused.
##
## With @var{start} and @var{count} only a hyperslab is read: @var{start} is
## the 1-based index of its first element, @var{count} the number of elements
## per dimension, and @var{stride} (1 by default) the step between them.  They
## are vectors of doubles or integers with one entry per dimension of the
## dataset; a one-dimensional dataset takes one entry (scalars), or two that
## index it as the column it reads as (@code{[@var{s} 1]}) or as a row
## (@code{[1 @var{s}]}).  An @code{Inf} in @var{count} reads as many elements
## as fit from @var{start} with @var{stride} to the end of that dimension.
##
## Faults carry MATLAB's error identifiers, such as
## @code{MATLAB:imagesci:h5read:datasetDoesNotExist} for a missing dataset and
## @code{MATLAB:imagesci:h5read:libraryError} for a file HDF5 cannot open.
##
## Examples:
##
## @example
## @group
## x = h5read ("data.h5", "/temperature");
## ## rows 11 to 20 of every third column
## y = h5read ("data.h5", "/temperature", [11 1], [10 Inf], [1 3]);
## ## elements 5 to the end of a one-dimensional dataset, as a column
## z = h5read ("data.h5", "/index", 5, Inf);
## @end group
## @end example
##
## Chunked datasets compressed with deflate (with or without the shuffle
## filter and Fletcher32 checksums) are decompressed on several threads, one
## per processor by default; the environment variable
## @env{TOLVANE_NUM_THREADS} sets their number, and
## @code{TOLVANE_NUM_THREADS=1} leaves all the work to the HDF5 library.  A
## chunk that fails to decompress or to match its checksum raises an error
## naming the dataset and the chunk.
##
## @seealso{h5write, h5create, h5info, h5disp}
## @end deftypefn

function data = h5read (filename, ds, start, count, stride)

  if (nargin == 2)
    if (! ischar (filename) || ! isrow (filename))
      error ("h5read: FILENAME must be a string");
    elseif (! ischar (ds) || ! isrow (ds))
      error ("h5read: DS must be a string");
    endif
    try
      data = __h5read_any__ (filename, ds, [], [], []);
    catch err
      h5_rethrow ("h5read", err);
    end_try_catch
    ## The back-end reads a one-dimensional dataset as a row; only a row
    ## (or a struct) makes the rank worth asking.
    if (isstruct (data) || (rows (data) == 1 && columns (data) != 1
                            && ndims (data) == 2 && ! ischar (data)))
      dims = __h5dims__ (filename, ds);
      if (numel (dims) == 1)
        data = as_column (data, double (dims));
      endif
    endif
    return;
  endif

  ## The common hyperslab, finite START and COUNT without STRIDE, is checked
  ## in few steps: a vector converts to uint64 unchanged and without zeros
  ## exactly when it holds positive integers.  [1 s], [1 c] may be the row
  ## form of a one-dimensional dataset and takes the described way below.
  if (nargin == 4 && ischar (filename) && isrow (filename) && ischar (ds)
      && isrow (ds) && isnumeric (start) && isnumeric (count)
      && isreal (start) && isreal (count) && isvector (start)
      && numel (count) == numel (start))
    us = uint64 (start);
    uc = uint64 (count);
    n = numel (us);
    if (all (us == start & us & uc == count & uc)
        && ! (n == 2 && us(1) == 1 && uc(1) == 1))
      try
        data = __h5read_any__ (filename, ds, us, uc, []);
      catch err
        h5_rethrow ("h5read", err);
      end_try_catch
      ## A result of the shape of a 2-D COUNT needs nothing more.
      sz = size (data);
      if (n == 2 && numel (sz) == 2 && sz(1) == uc(1) && sz(2) == uc(2))
        return;
      endif
      [data, ok] = oriented (data, double (us), double (uc));
      if (! ok)
        data = confirmed (data, filename, ds, start, count, []);
      endif
      return;
    endif
  endif

  if (nargin != 4 && nargin != 5)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5read: FILENAME must be a string");
  endif
  if (! ischar (ds) || ! isrow (ds))
    error ("h5read: DS must be a string");
  endif
  if (nargin < 5)
    stride = [];
  endif
  [start, count, stride] = hyperslab_args ("h5read", start, count, stride);

  if ((numel (start) == 2 && start(1) == 1 && count(1) == 1)
      || any (isinf (count)))
    data = read_described (filename, ds, start, count, stride);
    return;
  endif
  data = read_back_end (filename, ds, start, count, stride);
  [data, ok] = oriented (data, start, count);
  if (! ok)
    data = confirmed (data, filename, ds, start, count, stride);
  endif

endfunction

## A result whose shape does not show the selection (a struct, or elements
## of an array datatype before it) is the selection when the dataset's rank
## is the number of entries of COUNT; otherwise the hyperslab is resolved
## against the dataset and read again.
function data = confirmed (data, filename, ds, start, count, stride)
  try
    dims = __h5dims__ (filename, ds);
  catch
    dims = [];
  end_try_catch
  if (numel (count) < 2 || numel (dims) != numel (count))
    data = read_described (filename, ds, start, count, stride);
  endif
endfunction

## The result of a hyperslab read with finite START and COUNT given to the
## back-end as they are, and whether it is known to be the selection they
## describe.  The back-end refuses fewer entries than the rank of the
## dataset; entries past the rank it does not use, and a result that does
## not have the shape of COUNT reveals them.  One entry, or the column form
## [s 1], [c 1], reads a one-dimensional dataset, as a column.
function [data, ok] = oriented (data, start, count)
  ok = true;
  if (ischar (data))
    return;
  endif
  n = numel (count);
  if (n == 1)
    data = as_column (data, count);
    return;
  endif
  if (isstruct (data))
    ok = false;
    return;
  endif
  sz = size (data);
  if (n == 2)
    if (numel (sz) == 2 && sz(1) == count(1) && sz(2) == count(2))
      return;
    endif
    ok = (start(2) == 1 && count(2) == 1 && numel (sz) == 2 && sz(1) == 1
          && sz(2) == count(1));
    if (ok)
      data = as_column (data, count(1));
    endif
  else
    expected = count(1:max ([2, find(count != 1, 1, "last")]));
    ok = numel (sz) == numel (expected) && all (sz == expected);
  endif
endfunction

## The hyperslab resolved against the rank and extents of the dataset.
function data = read_described (filename, ds, start, count, stride)
  ## When the dataset cannot be described (missing file or location, not a
  ## dataset), the back-end reports the fault in its own words.
  try
    dims = __h5dims__ (filename, ds);
  catch
    dims = false;
  end_try_catch
  if (islogical (dims))
    count(isinf (count)) = 1;
  else
    [start, count, stride] = hyperslab_args ("h5read", start, count, stride,
                                             dims);
  endif
  data = read_back_end (filename, ds, start, count, stride);
  if (! islogical (dims) && numel (dims) == 1)
    data = as_column (data, count);
  endif
endfunction

function data = read_back_end (filename, ds, start, count, stride)
  try
    data = __h5read_any__ (filename, ds, uint64 (start), uint64 (count),
                       uint64 (stride));
  catch err
    h5_rethrow ("h5read", err);
  end_try_catch
endfunction

## A one-dimensional selection of N elements, which the back-end reads as a
## row, as a column: a row of N elements, a struct array of N, or a struct
## whose fields end in the 1xN shape of the selection.
function data = as_column (data, n)
  if (isstruct (data) && isscalar (data))
    for [v, k] = data
      sz = size (v);
      if (sz(end-1) == 1 && sz(end) == n)
        data.(k) = reshape (v, [sz(1:end-2) n 1]);
      endif
    endfor
  elseif (rows (data) == 1 && ndims (data) == 2 && ! ischar (data))
    data = reshape (data, n, 1);
  endif
endfunction

%!shared f, A
%! f = [tempname() ".h5"];
%! A = reshape (1:60, 5, 12);
%! h5create (f, "/A", [5 12]);
%! h5write (f, "/A", A);
%! h5create (f, "/v", 10, "Datatype", "int8");
%! h5write (f, "/v", int8 (1:10));
%! h5create (f, "/s", 1);
%! h5write (f, "/s", pi);
%! h5create (f, "/g/x", [2 2], "Datatype", "uint16");

%!test
%! ## Whole datasets: class and shape.
%! assert (h5read (f, "/A"), A);
%! assert (h5read (f, "/v"), int8 ((1:10).'));
%! assert (h5read (f, "/s"), pi);
%! assert (h5read (f, "/g/x"), zeros (2, 2, "uint16"));

%!test
%! ## Hyperslabs: double and integer vectors, strides, Inf counts.
%! cases = {
%!   {[2 3], [2 4]},                          A(2:3, 3:6)
%!   {int32([1 1]), uint8([5 12])},           A
%!   {[1 2], [3 3], [2 4]},                   A(1:2:5, 2:4:10)
%!   {[2 3], [Inf 2]},                        A(2:5, 3:4)
%!   {[2 3], [Inf Inf], [2 4]},               A(2:2:5, 3:4:12)
%!   {[5 12], [Inf Inf]},                     A(5, 12)
%!   {[1 1], [1 Inf], int16([1 5])},          A(1, 1:5:12)
%! };
%! for i = 1:rows (cases)
%!   args = cases{i, 1};
%!   assert (h5read (f, "/A", args{:}), cases{i, 2});
%! endfor

%!test
%! ## One-dimensional dataset: a column; one entry, or the [s 1] column form
%! ## or the [1 s] row form.
%! v = int8 ((1:10).');
%! cases = {
%!   {4, 3},                   v(4:6)
%!   {uint8(4), int16(3)},     v(4:6)
%!   {2, Inf, 3},              v(2:3:10)
%!   {1, Inf},                 v
%!   {[3 1], [2 1]},           v(3:4)
%!   {[8 1], [Inf 1]},         v(8:10)
%!   {[2 1], [3 1], [3 1]},    v(2:3:8)
%!   {[1 1], [Inf 1]},         v
%!   {[1 4], [1 3]},           v(4:6)
%!   {[1 7], [Inf Inf]},       v(7:10)
%!   {[1 1], [1 Inf]},         v
%!   {[1 1], [1 5], [1 2]},    v(1:2:9)
%!   {[1 1], [1 1]},           v(1)
%!   {10, 1},                  v(10)
%! };
%! for i = 1:rows (cases)
%!   args = cases{i, 1};
%!   assert (h5read (f, "/v", args{:}), cases{i, 2});
%! endfor

%!test
%! ## Shapes of one-dimensional datasets against 2-D ones of one row or
%! ## column; text; an empty unlimited one-dimensional dataset.
%! g = [tempname() ".h5"];
%! unwind_protect
%!   h5create (g, "/r", [1 4]);
%!   h5create (g, "/c", [4 1]);
%!   h5create (g, "/one", 4);
%!   h5create (g, "/u", Inf, "ChunkSize", 8);
%!   h5create (g, "/t", 3, "Datatype", "string");
%!   h5create (g, "/t1", 1, "Datatype", "string");
%!   h5write (g, "/r", 1:4);
%!   h5write (g, "/c", (1:4).');
%!   h5write (g, "/one", 1:4);
%!   h5write (g, "/t", {"a", "bb", "ccc"});
%!   h5write (g, "/t1", "single text");
%!   cases = {
%!     "/r",   {},             1:4
%!     "/c",   {},             (1:4).'
%!     "/one", {},             (1:4).'
%!     "/u",   {},             zeros(0, 1)
%!     "/t",   {},             {"a"; "bb"; "ccc"}
%!     "/t",   {2, 2},         {"bb"; "ccc"}
%!     "/t",   {2, 1},         "bb"
%!     "/t1",  {},             "single text"
%!     "/r",   {[1 2], [1 2]}, 2:3
%!     "/c",   {[2 1], [2 1]}, (2:3).'
%!   };
%!   for i = 1:rows (cases)
%!     args = cases{i, 2};
%!     assert (h5read (g, cases{i, 1}, args{:}), cases{i, 3});
%!   endfor
%! unwind_protect_cleanup
%!   unlink (g);
%! end_unwind_protect

%!test
%! ## Faults of the location and of the hyperslab come from the back-end.
%! fail ("h5read (f, '/nothing')", "h5read: location /nothing does not exist");
%! fail ("h5read (f, '/nothing', 1, 1)", "h5read: location /nothing does not exist");
%! fail ("h5read (f, '/g', [1 1], [1 1])", "h5read: location '/g' is not a Dataset");
%! fail ("h5read (f, 'A', [1 1], [1 1])", "leading '/'");
%! fail ("h5read ([f '.missing'], '/A', [1 1], [1 1])", "Unable to open file");
%! fail ("h5read (f, '/A', [5 1], [2 1])", "h5read: hyperslab selection: hyperslab selection beyond the dataset's size");
%! fail ("h5read (f, '/s', [1 1], [1 1])", "h5read: hyperslab selection: Hyperslab selection not possible for scalar datasets");

%!test
%! unlink (f);

## Input validation
%!error <Invalid call> h5read ()
%!error <Invalid call> h5read ("f.h5")
%!error <Invalid call> h5read ("f.h5", "/a", 1)
%!error <called with too many inputs> h5read ("f.h5", "/a", 1, 1, 1, 1)
%!error <h5read: FILENAME must be a string> h5read (1, "/a")
%!error <h5read: DS must be a string> h5read ("f.h5", 2)
%!error <h5read: START must be a vector of positive integers> h5read ("f.h5", "/a", 0, 1)
%!error <h5read: START must be a vector of positive integers> h5read ("f.h5", "/a", 1.5, 1)
%!error <h5read: START must be a vector of positive integers> h5read ("f.h5", "/a", Inf, 1)
%!error <h5read: START must be a vector of positive integers> h5read ("f.h5", "/a", [], 1)
%!error <h5read: START must be a vector of positive integers> h5read ("f.h5", "/a", "a", 1)
%!error <h5read: COUNT must be a vector of positive integers or Inf> h5read ("f.h5", "/a", 1, 0)
%!error <h5read: COUNT must be a vector of positive integers or Inf> h5read ("f.h5", "/a", 1, NaN)
%!error <h5read: COUNT must be a vector of positive integers or Inf> h5read ("f.h5", "/a", 1, -Inf)
%!error <h5read: STRIDE must be a vector of positive integers> h5read ("f.h5", "/a", 1, 1, 0)
%!error <h5read: STRIDE must be a vector of positive integers> h5read ("f.h5", "/a", 1, 1, Inf)
%!error <h5read: START, COUNT and STRIDE must have the same number of elements> h5read ("f.h5", "/a", [1 1], 1)
%!error <h5read: START, COUNT and STRIDE must have the same number of elements> h5read ("f.h5", "/a", [1 1], [1 1], 1)
%!test
%! g = [tempname() ".h5"];
%! unwind_protect
%!   h5create (g, "/m", [4 5 2]);
%!   h5create (g, "/v", 6);
%!   fail ("h5read (g, '/m', [1 1], [2 2])", "h5read: hyperslab selection: ");
%!   fail ("h5read (g, '/m', [1 1], [Inf 2])", "h5read: START, COUNT and STRIDE need one entry per dimension of the dataset \\(3\\)");
%!   fail ("h5read (g, '/v', [2 1 1], [1 1 3])", "h5read: START, COUNT and STRIDE need one entry per dimension of the dataset \\(1\\)");
%!   fail ("h5read (g, '/m', [1 2 1 1], [2 2 1 2])", "h5read: START, COUNT and STRIDE need one entry per dimension of the dataset \\(3\\)");
%!   fail ("h5read (g, '/m', [5 1 1], [Inf 1 1])", "h5read: START lies beyond the end of the dataset where COUNT is Inf");
%!   fail ("h5read (g, '/v', [2 2], [1 Inf])", "h5read: START and COUNT index a one-dimensional dataset neither as a row nor as a column");
%!   fail ("h5read (g, '/v', [1 2], [2 3])", "h5read: START and COUNT index a one-dimensional dataset neither as a row nor as a column");
%! unwind_protect_cleanup
%!   unlink (g);
%! end_unwind_protect
