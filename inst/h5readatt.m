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
## @deftypefn {} {@var{value} =} h5readatt (@var{filename}, @var{loc}, @var{attr})
## Read the attribute @var{attr} of the group, dataset or committed datatype
## @var{loc} in the HDF5 file @var{filename}.
##
## @var{loc} is the full path of the object, beginning with @qcode{"/"}; the
## root group is @qcode{"/"}.  A numeric or logical attribute
## reads as an array of its class, with its dimensions in Octave order (a
## one-dimensional attribute as a row vector).  A string attribute reads as a
## character row when it holds one string and as a cell array of strings
## otherwise; the NULs that pad fixed-length strings at their end are
## removed.  Attributes of the other datatype classes (compounds,
## enumerations, sequences, arrays, opaque data, bitfields, references) read
## as @code{h5read} reads datasets of them.
##
## Faults carry MATLAB's error identifiers, such as
## @code{MATLAB:imagesci:h5readatt:cannotOpenAttribute} for a missing
## attribute.
##
## Example:
##
## @example
## @group
## h5writeatt ("data.h5", "/", "title", "Run 12");
## h5writeatt ("data.h5", "/temperature", "scale", [0.5 2]);
## h5readatt ("data.h5", "/", "title")
##   @result{} Run 12
## h5readatt ("data.h5", "/temperature", "scale")
##   @result{} 0.5000   2.0000
## @end group
## @end example
##
## @seealso{h5writeatt, h5info, h5disp, h5read}
## @end deftypefn

function value = h5readatt (filename, loc, attr)

  if (nargin != 3)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5readatt: FILENAME must be a string");
  endif
  if (! ischar (loc) || ! isrow (loc))
    error ("h5readatt: LOC must be a string");
  endif
  if (! ischar (attr) || ! isrow (attr))
    error ("h5readatt: ATTR must be a string");
  endif

  try
    value = __h5readatt_any__ (filename, loc, attr);
  catch err
    h5_rethrow ("h5readatt", err);
  end_try_catch

endfunction

%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5create (f, "/g/d", [2 3]);
%!   values = {"text", {"a", "b"}, int16([1 2 3; 4 5 6]), 2.5, true, ...
%!             single([1+2i 3]), uint64(2^60)};
%!   for i = 1:numel (values)
%!     h5writeatt (f, "/", sprintf ("r%d", i), values{i});
%!     h5writeatt (f, "/g", sprintf ("g%d", i), values{i});
%!     h5writeatt (f, "/g/d", sprintf ("d%d", i), values{i});
%!   endfor
%!   for i = 1:numel (values)
%!     assert (h5readatt (f, "/", sprintf ("r%d", i)), values{i});
%!     assert (h5readatt (f, "/g", sprintf ("g%d", i)), values{i});
%!     assert (h5readatt (f, "/g/d", sprintf ("d%d", i)), values{i});
%!   endfor
%!   fail ("h5readatt (f, '/g', 'none')", "h5readatt: attribute none does not exist");
%!   fail ("h5readatt (f, '/x', 'a')", "h5readatt: location '/x' does not exist");
%!   fail ("h5readatt (f, 'g', 'a')", "leading '/'");
%!   fail ("h5readatt ([f '.missing'], '/', 'a')", "Unable to open file");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Attributes written by another program.
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5py_run (sprintf (["with h5py.File('%s', 'w') as F:\n" ...
%!     "  F.attrs['units'] = 'm/s'\n" ...
%!     "  F.attrs['big'] = np.array([[1, 2, 3], [4, 5, 6]], dtype='>i4')\n" ...
%!     "  F.attrs['names'] = np.array(['x', 'yz'], dtype=h5py.string_dtype())"], f));
%!   assert (h5readatt (f, "/", "units"), "m/s");
%!   assert (h5readatt (f, "/", "big"), int32 ([1 4; 2 5; 3 6]));
%!   assert (h5readatt (f, "/", "names"), {"x", "yz"});
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5readatt ()
%!error <Invalid call> h5readatt ("f.h5", "/")
%!error <called with too many inputs> h5readatt ("f.h5", "/", "a", 1)
%!error <h5readatt: FILENAME must be a string> h5readatt (1, "/", "a")
%!error <h5readatt: LOC must be a string> h5readatt ("f.h5", {"/"}, "a")
%!error <h5readatt: ATTR must be a string> h5readatt ("f.h5", "/", 1)
%!error <h5readatt: ATTR must be a string> h5readatt ("f.h5", "/", ["ab"; "cd"])
