## Reading datasets with __h5read__: classes, shapes, byte order, odd integer
## widths, unsupported datatypes, and hyperslabs.  The fixture core.h5 holds
## the datasets; HDF5 extents (d1,...,dn) read as an Octave array dn x ... x d1.

%!shared f, X, A
%! f = fixture ("core.h5");
%! X = (0:4)' + 10 * (0:2);          # /shape/m35: HDF5 (3,5), element (i,j) = 10*i+j
%! A = reshape (0:23, [4 3 2]);      # /shape/a234: HDF5 (2,3,4) of 0..23

%!function check (got, want, what)
%!  try
%!    assert (got, want);
%!  catch err
%!    error ("%s: %s", what, err.message);
%!  end_try_catch
%!endfunction

## Every integer class: HDF5 [[lo,0,1],[2,3,hi]] reads as its 3x2 transpose.
%!test
%! for c = {"int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"}
%!   x = __h5read__ (f, ["/num/" c{1}], [], [], []);
%!   assert (x, [intmin(c{1}) 2; 0 3; 1 intmax(c{1})]);
%! endfor
%!assert (__h5read__ (f, "/num/double", [], [], []), [-1.5 Inf; 0 -Inf; 0.1 1e300])
%!assert (__h5read__ (f, "/num/single", [], [], []), single ([-1.5 Inf; 0 -Inf; 0.1 3.25]))
%!assert (__h5read__ (f, "/num/logical", [], [], []), [true false; false false; true true])
%!assert (__h5read__ (f, "/num/cdouble", [], [], []), [1+2i 4; -3.5i 5-6i; 0 -7+0.25i])
%!assert (__h5read__ (f, "/num/csingle", [], [], []), single ([1+2i 4; -3.5i 5-6i; 0 -7+0.25i]))
## A dataset of a committed datatype reads by that type.
%!assert (__h5read__ (f, "/g/typed", [], [], []), int32 ([1 3; 2 4]))

## Shapes.
%!assert (__h5read__ (f, "/shape/scalar", [], [], []), 3.5)
%!assert (__h5read__ (f, "/shape/r1", [], [], []), 0:6)
%!assert (__h5read__ (f, "/shape/r1one", [], [], []), 42)
%!assert (__h5read__ (f, "/shape/m35", [], [], []), X)
%!assert (__h5read__ (f, "/shape/a234", [], [], []), A)
%!assert (__h5read__ (f, "/shape/z05", [], [], []), zeros (5, 0, "int16"))
## An empty start reads the whole dataset whatever count and stride hold.
%!assert (__h5read__ (f, "/shape/m35", [], [99 99 99], [0 0]), X)

## Big-endian data arrive in native byte order.
%!assert (__h5read__ (f, "/be/i32", [], [], []), __h5read__ (f, "/num/int32", [], [], []))
%!assert (__h5read__ (f, "/be/f64", [], [], []), __h5read__ (f, "/num/double", [], [], []))

## Integers of 3, 5, 6 and 7 bytes read through the next wider class, each with
## its extremes: signed [lo -1 0 1 hi], unsigned [0 1 2 max-1 max].
%!test
%! for bits = [24 40 48 56]
%!   wide = "64";
%!   if (bits <= 32) wide = "32"; endif
%!   s = __h5read__ (f, sprintf ("/odd/int%d", bits), [], [], []);
%!   one = cast (1, ["int" wide]);
%!   hi = bitshift (one, bits - 1) - 1;
%!   assert (s, [-hi-1, -1, 0, 1, hi]);
%!   u = __h5read__ (f, sprintf ("/odd/uint%d", bits), [], [], []);
%!   top = bitshift (cast (1, ["uint" wide]), bits - 1) * 2 - 1;
%!   assert (u, [0 1 2 top-1 top]);
%! endfor

## Datatypes and dataspaces without an Octave class.
%!error <^h5read: dataset /bad/cnames: Unsupported datatype 'compound'$>
%! __h5read__ (f, "/bad/cnames", [], [], []);
%!error <^h5read: dataset /bad/cswapped: Unsupported datatype 'compound'$>
%! __h5read__ (f, "/bad/cswapped", [], [], []);
%!error <^h5read: dataset /bad/cpadded: Unsupported datatype 'compound'$>
%! __h5read__ (f, "/bad/cpadded", [], [], []);
%!error <^h5read: dataset /bad/cmixed: Unsupported datatype 'compound'$>
%! __h5read__ (f, "/bad/cmixed", [], [], []);
%!error <^h5read: dataset /bad/cbig: Unsupported datatype 'compound'$>
%! __h5read__ (f, "/bad/cbig", [], [], []);
%!error <^h5read: dataset /bad/boolu8: Unsupported datatype 'enum'$>
%! __h5read__ (f, "/bad/boolu8", [], [], []);
%!error <^h5read: dataset /bad/color: Unsupported datatype 'enum'$>
%! __h5read__ (f, "/bad/color", [], [], []);
%!error <^h5read: dataset /bad/f16: Unsupported datatype 'float'$>
%! __h5read__ (f, "/bad/f16", [], [], []);
%!error <^h5read: dataset /bad/int128: Unsupported datatype 'int'$>
%! __h5read__ (f, "/bad/int128", [], [], []);
%!error <^h5read: dataset /bad/opaque: Unsupported datatype 'opaque'$>
%! __h5read__ (f, "/bad/opaque", [], [], []);
%!error <^h5read: dataset /bad/vlen: Unsupported datatype 'vlen'$>
%! __h5read__ (f, "/bad/vlen", [], [], []);
%!error <^h5read: dataset /bad/array: Unsupported datatype 'array'$>
%! __h5read__ (f, "/bad/array", [], [], []);
%!error <^h5read: dataset /bad/reference: Unsupported datatype 'reference'$>
%! __h5read__ (f, "/bad/reference", [], [], []);
%!error <^h5read: dataset /bad/bitfield: Unsupported datatype 'bitfield'$>
%! __h5read__ (f, "/bad/bitfield", [], [], []);
%!error <^h5read: dataset /bad/time: Unsupported datatype 'time'$>
%! __h5read__ (f, "/bad/time", [], [], []);
%!error <^h5read: dataset /bad/null: Empty HDF5 dataspace$>
%! __h5read__ (f, "/bad/null", [], [], []);

## Hyperslabs: start (1-based), count, stride, all in Octave order.
%!test
%! cases = {
%!   "/shape/m35",   [2 1],   [3 2],   [],      X(2:4, 1:2)
%!   "/shape/m35",   [1 1],   [3 2],   [2 2],   X(1:2:5, 1:2:3)
%!   "/shape/m35",   [1 1],   [5 3],   [1 1],   X
%!   "/shape/m35",   [1 1],   [5 3],   [],      X
%!   "/shape/m35",   [5 3],   [1 1],   [],      X(5, 3)
%!   "/shape/m35",   [5 3],   [1 1],   [99 99], X(5, 3)
%!   "/shape/m35",   [2 2],   [2 2],   [3 1],   X([2 5], 2:3)
%!   "/shape/m35",   [1 2 7], [2 1 7], [1 1 7], X(1:2, 2)
%!   "/shape/r1",    [3],     [4],     [],      2:5
%!   "/shape/r1",    [1],     [3],     [3],     [0 3 6]
%!   "/shape/r1one", [1],     [1],     [],      42
%!   "/shape/a234",  [2 1 2], [2 3 1], [2 1 1], A(2:2:4, :, 2)
%!   "/shape/a234",  [1 3 1], [4 1 2], [],      A(:, 3, :)
%!   "/num/int16",   [2 2],   [2 1],   [],      int16([3; intmax("int16")])
%!   "/num/logical", [1 1],   [2 1],   [2 1],   [true; true]
%!   "/odd/int24",   [2],     [3],     [],      int32([-1 0 1])
%!   "/be/i32",      [1 2],   [3 1],   [],      int32([2; 3; intmax("int32")])
%! };
%! for i = 1:rows (cases)
%!   [loc, start, count, stride, want] = cases{i,:};
%!   got = __h5read__ (f, loc, start, count, stride);
%!   check (got, want, sprintf ("%s start %s", loc, mat2str (start)));
%! endfor

## Ending exactly on the last element is allowed, one element further is not.
%!error <^h5read: hyperslab selection: hyperslab selection beyond the dataset's size$>
%! __h5read__ (f, "/shape/m35", [5 3], [2 1], []);
%!error <^h5read: hyperslab selection: hyperslab selection beyond the dataset's size$>
%! __h5read__ (f, "/shape/m35", [1 1], [5 4], []);
%!error <^h5read: hyperslab selection: hyperslab selection beyond the dataset's size$>
%! __h5read__ (f, "/shape/m35", [3 2], [2 2], [3 1]);
%!error <^h5read: hyperslab selection: hyperslab selection beyond the dataset's size$>
%! __h5read__ (f, "/shape/r1", [2], [7], []);
%!error <^h5read: hyperslab selection: hyperslab selection beyond the dataset's size$>
%! __h5read__ (f, "/shape/z05", [1 1], [1 1], []);
%!error <^h5read: hyperslab selection: Hyperslab selection not possible for scalar datasets$>
%! __h5read__ (f, "/shape/scalar", [1], [1], []);
%!error <^h5read: hyperslab selection: Hyperslab selection not possible for scalar datasets$>
%! __h5read__ (f, "/shape/scalar", [1 1], [1 1], [1 1]);

## Malformed hyperslab arguments are refused with a message of their own: too
## few entries, a zero entry, or a last index beyond 2^64 - 1.
%!test
%! big = intmax ("uint64");
%! cases = {
%!   "too few start",   "/shape/m35",  [1],     [1 1],   []
%!   "too few count",   "/shape/m35",  [1 1],   [1],     []
%!   "too few stride",  "/shape/m35",  [1 1],   [1 1],   [1]
%!   "too few in 3-D",  "/shape/a234", [1 1],   [1 1],   []
%!   "zero start",      "/shape/m35",  [0 1],   [1 1],   []
%!   "zero count",      "/shape/m35",  [1 1],   [1 0],   []
%!   "zero stride",     "/shape/m35",  [1 1],   [2 1],   [0 1]
%!   "wrapping stride", "/shape/m35",  [1 1],   [1 2],   [1 big]
%!   "wrapping start",  "/shape/m35",  [big 1], [2 1],   []
%!   "wrapping count",  "/shape/m35",  [1 1],   [big 1], [2 1]
%! };
%! for i = 1:rows (cases)
%!   [what, loc, start, count, stride] = cases{i,:};
%!   try
%!     __h5read__ (f, loc, uint64 (start), uint64 (count), uint64 (stride));
%!     msg = "<no error>";
%!   catch err
%!     msg = err.message;
%!   end_try_catch
%!   assert (! isempty (regexp (msg, '^h5read: hyperslab selection: .+', "once")), ...
%!           "%s: %s", what, msg);
%!   if (i <= 7)
%!     assert (isempty (strfind (msg, "beyond the dataset's size")), ...
%!             "%s says nothing of its fault: %s", what, msg);
%!   endif
%! endfor
