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
## one-dimensional dataset reads as a row vector and a scalar one as a single
## value.  A string dataset reads as a character row when it holds one string
## and as a cell array of strings otherwise.
##
## With @var{start} and @var{count} only a hyperslab is read: @var{start} is
## the 1-based index of its first element, @var{count} the number of elements
## per dimension, and @var{stride} (1 by default) the step between them.  They
## are vectors of doubles or integers with one entry per dimension of the
## dataset; a one-dimensional dataset takes one entry, or two that index it as
## the row it reads as (@code{[1 @var{s}]}) or as a column
## (@code{[@var{s} 1]}).  An
## @code{Inf} in @var{count} reads as many elements as fit from @var{start}
## with @var{stride} to the end of that dimension.
##
## Examples:
##
## @example
## @group
## x = h5read ("data.h5", "/temperature");
## ## rows 11 to 20 of every third column
## y = h5read ("data.h5", "/temperature", [11 1], [10 Inf], [1 3]);
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
    data = __h5read__ (filename, ds, [], [], []);
    return;
  endif

  ## The common hyperslab, finite START and COUNT without STRIDE, is checked
  ## in few steps: a vector converts to uint64 unchanged and without zeros
  ## exactly when it holds positive integers.  [1 s], [1 c] may be the row
  ## form of a one-dimensional dataset and takes the described way below.
  ## The back-end refuses fewer entries than the rank of the dataset; entries
  ## past the rank it does not use, and a result that does not have the shape
  ## of COUNT reveals them.
  if (nargin == 4 && ischar (filename) && isrow (filename) && ischar (ds)
      && isrow (ds) && isnumeric (start) && isnumeric (count)
      && isreal (start) && isreal (count) && isvector (start)
      && numel (count) == numel (start))
    us = uint64 (start);
    uc = uint64 (count);
    n = numel (us);
    if (all (us == start & us & uc == count & uc)
        && ! (n == 2 && us(1) == 1 && uc(1) == 1))
      data = __h5read__ (filename, ds, us, uc, []);
      if (ischar (data))
        return;
      endif
      sz = size (data);
      if (n == 2)
        fits = numel (sz) == 2 && sz(1) == uc(1) && sz(2) == uc(2);
      elseif (n == 1)
        fits = numel (sz) == 2 && sz(1) == 1 && sz(2) == uc;
      else
        expected = double (uc(:).');
        expected = expected(1:max ([2, find(expected != 1, 1, "last")]));
        fits = numel (sz) == numel (expected) && all (sz == expected);
      endif
      if (! fits)
        data = read_described (filename, ds, start, count, []);
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
  if (! (isnumeric (start) && isreal (start) && isvector (start)
         && all (start(:) >= 1 & start(:) < Inf & start(:) == fix (start(:)))))
    error ("h5read: START must be a vector of positive integers");
  endif
  if (! (isnumeric (count) && isreal (count) && isvector (count)
         && all (count(:) >= 1 & count(:) == fix (count(:)))))
    error ("h5read: COUNT must be a vector of positive integers or Inf");
  endif
  n = numel (start);
  if (nargin < 5)
    stride = [];
  elseif (! (isnumeric (stride) && isreal (stride) && isvector (stride)
             && all (stride(:) >= 1 & stride(:) < Inf
                     & stride(:) == fix (stride(:)))))
    error ("h5read: STRIDE must be a vector of positive integers");
  elseif (numel (stride) != n)
    error ("h5read: START, COUNT and STRIDE must have the same number of elements");
  endif
  if (numel (count) != n)
    error ("h5read: START, COUNT and STRIDE must have the same number of elements");
  endif

  if ((n == 2 && start(1) == 1 && count(1) == 1) || any (isinf (count(:))))
    data = read_described (filename, ds, start, count, stride);
    return;
  endif
  data = __h5read__ (filename, ds, uint64 (start), uint64 (count),
                     uint64 (stride));
  if (! ischar (data))
    if (n == 1)
      expected = [1 double(count)];
    else
      expected = double (count(:).');
      expected = expected(1:max ([2, find(expected != 1, 1, "last")]));
    endif
    sz = size (data);
    if (numel (sz) != numel (expected) || any (sz != expected))
      data = read_described (filename, ds, start, count, stride);
    endif
  endif

endfunction

## The hyperslab resolved against the rank and extents of the dataset.
function data = read_described (filename, ds, start, count, stride)
  start = double (start(:).');
  count = double (count(:).');
  if (isempty (stride))
    stride = ones (size (start));
  endif
  stride = double (stride(:).');

  ## When the dataset cannot be described (missing file or location, not a
  ## dataset), the back-end reports the fault in its own words.
  try
    info = h5info (filename, ds);
    is_dataset = isfield (info, "Dataspace");
  catch
    is_dataset = false;
  end_try_catch
  if (! is_dataset)
    count(isinf (count)) = 1;
    data = __h5read__ (filename, ds, uint64 (start), uint64 (count),
                       uint64 (stride));
    return;
  endif

  space = info.Dataspace;
  if (strcmp (space.ExtentType, "Simple"))
    dims = double (space.Size);
    rank = numel (dims);
    if (rank == 1 && numel (start) == 2)
      ## A one-dimensional dataset indexed as the row it reads as, or as a
      ## column.
      if (start(1) == 1 && (count(1) == 1 || isinf (count(1))))
        keep = 2;
      elseif (start(2) == 1 && (count(2) == 1 || isinf (count(2))))
        keep = 1;
      else
        error ("h5read: START and COUNT index a one-dimensional dataset neither as a row nor as a column");
      endif
      start = start(keep);
      count = count(keep);
      stride = stride(keep);
    elseif (numel (start) != rank)
      error ("h5read: START, COUNT and STRIDE need one entry per dimension of the dataset (%d)",
             rank);
    endif
    open = isinf (count);
    if (any (start(open) > dims(open)))
      error ("h5read: START lies beyond the end of the dataset where COUNT is Inf");
    endif
    count(open) = floor ((dims(open) - start(open)) ./ stride(open)) + 1;
  else
    count(isinf (count)) = 1;
  endif

  data = __h5read__ (filename, ds, uint64 (start), uint64 (count),
                     uint64 (stride));
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
%! assert (h5read (f, "/v"), int8 (1:10));
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
%! ## One-dimensional dataset: one entry, or the [1 s] row form.
%! v = int8 (1:10);
%! assert (h5read (f, "/v", 4, 3), v(4:6));
%! assert (h5read (f, "/v", 2, Inf, 3), v(2:3:10));
%! assert (h5read (f, "/v", [1 4], [1 3]), v(4:6));
%! assert (h5read (f, "/v", [1 7], [Inf Inf]), v(7:10));
%! assert (h5read (f, "/v", [1 1], [1 5], [1 2]), v(1:2:9));
%! assert (h5read (f, "/v", [3 1], [2 1]), v(3:4));
%! assert (h5read (f, "/v", [8 1], [Inf 1]), v(8:10));

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
