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
## @deftypefn  {} {} h5writeatt (@var{filename}, @var{loc}, @var{attr}, @var{value})
## @deftypefnx {} {} h5writeatt (@var{filename}, @var{loc}, @var{attr}, @var{value}, "TextEncoding", @var{enc})
## Write @var{value} as the attribute @var{attr} of the group or dataset
## @var{loc} in the existing HDF5 file @var{filename}.
##
## @var{loc} is the full path of the group or dataset, beginning with
## @qcode{"/"}; the root group is @qcode{"/"}.  An attribute of the same name
## is replaced, whatever its class and shape.
##
## A numeric or logical @var{value} is stored with its own class and shape.
## Text is stored as MATLAB stores it.  A character row becomes one
## fixed-length string (a scalar attribute) as long as its UTF-8 bytes (at
## least 1), NUL-terminated, in the ASCII character set when every byte is
## below 128 and in UTF-8 otherwise; @code{h5readatt} returns it as the same
## character row.  A character matrix of @var{m} rows becomes @var{m} such
## strings, one per row with the blanks that pad the rows removed (as
## @code{cellstr} does), each as long as the longest row, in a
## one-dimensional attribute that @code{h5readatt} returns as a 1-by-@var{m}
## cell array of strings.  A cell array of strings becomes one
## variable-length UTF-8 string per cell, in its shape.  Values without
## elements cannot be stored.
##
## The option @qcode{"TextEncoding"} may be @qcode{"system"}, the default
## described above, or @qcode{"UTF-8"}, which marks fixed-length strings as
## UTF-8 even when they are plain ASCII.
##
## Faults carry MATLAB's error identifiers, such as
## @code{MATLAB:imagesci:h5writeatt:locationDoesNotExist}.
##
## Example:
##
## @example
## @group
## h5writeatt ("data.h5", "/", "created_by", "simulation toolbox 1.4");
## h5writeatt ("data.h5", "/temperature", "units", "K");
## h5writeatt ("data.h5", "/temperature", "range", [250 320]);
## h5writeatt ("data.h5", "/", "axes", @{"x", "y", "z"@});
## @end group
## @end example
##
## @seealso{h5readatt, h5info, h5disp, h5write}
## @end deftypefn

function h5writeatt (filename, loc, attr, value, varargin)

  if (nargin != 4 && nargin != 6)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5writeatt: FILENAME must be a string");
  endif
  if (! ischar (loc) || ! isrow (loc))
    error ("h5writeatt: LOC must be a string");
  endif
  if (! ischar (attr) || ! isrow (attr))
    error ("h5writeatt: ATTR must be a string");
  endif
  if (! (isnumeric (value) || islogical (value) || ischar (value)
         || iscellstr (value)))
    error ("h5writeatt: VALUE must be numeric, logical or text");
  endif
  utf8 = false;
  if (nargin == 6)
    if (! ischar (varargin{1}) || ! strcmpi (varargin{1}, "TextEncoding"))
      if (ischar (varargin{1}))
        error ("h5writeatt: unknown option '%s'", varargin{1});
      endif
      error ("h5writeatt: option names must be strings");
    endif
    enc = varargin{2};
    if (! ischar (enc) || ! any (strcmpi (enc, {"UTF-8", "system"})))
      error ('h5writeatt: TextEncoding must be "UTF-8" or "system"');
    endif
    utf8 = strcmpi (enc, "UTF-8");
  endif

  try
    if (ischar (value))
      ## Fixed-length strings: a row is one, the rows of a matrix without
      ## the blanks that pad them one each.
      if (rows (value) > 1)
        value = cellstr (value);
      endif
      __h5writeatt_text__ (filename, loc, attr, value, utf8);
    else
      __h5writeatt__ (filename, loc, attr, value);
    endif
  catch err
    h5_rethrow ("h5writeatt", err);
  end_try_catch

endfunction


%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5create (f, "/d", 3);
%!   ## Text: a row, an empty row, a matrix by rows, cells of any shape.
%!   cases = {
%!     "one string ",         "one string "
%!     "",                    ""
%!     ["ab "; "cde"],        {"ab", "cde"}
%!     ["x"; "Grüße"],        {"x", "Grüße"}
%!     {"x", "y", "z"},       {"x", "y", "z"}
%!     {"p"; "q"},            {"p"; "q"}
%!     {"single"},            "single"
%!     "Grüße, ∂x",           "Grüße, ∂x"
%!   };
%!   for i = 1:rows (cases)
%!     h5writeatt (f, "/d", "t", cases{i, 1});
%!     assert (h5readatt (f, "/d", "t"), cases{i, 2});
%!   endfor
%!   ## Replacement by another class and shape; both encodings.
%!   h5writeatt (f, "/", "a", "text", "TextEncoding", "UTF-8");
%!   h5writeatt (f, "/", "a", uint8 ([1 2; 3 4]));
%!   assert (h5readatt (f, "/", "a"), uint8 ([1 2; 3 4]));
%!   h5writeatt (f, "/", "a", "plain", "textencoding", "system");
%!   assert (h5readatt (f, "/", "a"), "plain");
%!   h5writeatt (f, "/", "b", logical ([1 0 1]));
%!   assert (h5readatt (f, "/", "b"), logical ([1 0 1]));
%!   h5writeatt (f, "/", "u", "plain", "TextEncoding", "UTF-8");
%!   h5writeatt (f, "/", "e", "");
%!   h5writeatt (f, "/", "m", ["ab "; "cdef"]);
%!   h5writeatt (f, "/", "c", {"ab", "cdef"});
%!   ## Type of each: variable length, size, character set, padding, shape.
%!   out = h5py_run (sprintf (["F = h5py.File('%s', 'r')\n" ...
%!     "for o, n in (('/', 'a'), ('/', 'u'), ('/', 'e'), ('/d', 't'), ('/', 'm'), ('/', 'c')):\n" ...
%!     "  a = F[o].attrs.get_id(n)\n" ...
%!     "  t = a.get_type()\n" ...
%!     "  print(n, t.is_variable_str(), t.get_size() if not t.is_variable_str() else 0,\n" ...
%!     "        t.get_cset(), t.get_strpad(), a.shape)\n" ...
%!     "print(F.attrs['a'], F['d'].attrs['t'].decode(), F.attrs['b'].dtype, [bytes(x) for x in F.attrs['m']])"], f));
%!   assert (out, sprintf (["a False 5 0 0 ()\nu False 5 1 0 ()\ne False 1 0 0 ()\n" ...
%!                          "t False 13 1 0 ()\nm False 4 0 0 (2,)\nc True 0 1 0 (2, 1)\n" ...
%!                          "b'plain' Grüße, ∂x bool [b'ab', b'cdef']"]));
%!   fail ("h5writeatt (f, '/x', 'a', 1)", "h5writeatt: location '/x' does not exist");
%!   fail ("h5writeatt (f, 'd', 'a', 1)", "leading '/'");
%!   fail ("h5writeatt (f, '/d', 'a', [])", "h5writeatt: ");
%!   fail ("h5writeatt ([f '.missing'], '/', 'a', 1)", "Unable to open file");
%!   assert (isfile ([f '.missing']), false);
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5writeatt ()
%!error <Invalid call> h5writeatt ("f.h5", "/", "a")
%!error <Invalid call> h5writeatt ("f.h5", "/", "a", 1, "TextEncoding")
%!error <h5writeatt: FILENAME must be a string> h5writeatt (1, "/", "a", 1)
%!error <h5writeatt: LOC must be a string> h5writeatt ("f.h5", 1, "a", 1)
%!error <h5writeatt: ATTR must be a string> h5writeatt ("f.h5", "/", {"a"}, 1)
%!error <h5writeatt: VALUE must be numeric, logical or text> h5writeatt ("f.h5", "/", "a", struct ())
%!error <h5writeatt: VALUE must be numeric, logical or text> h5writeatt ("f.h5", "/", "a", {1})
%!error <h5writeatt: unknown option 'Encoding'> h5writeatt ("f.h5", "/", "a", "x", "Encoding", "UTF-8")
%!error <h5writeatt: option names must be strings> h5writeatt ("f.h5", "/", "a", "x", 1, "UTF-8")
%!error <h5writeatt: TextEncoding must be "UTF-8" or "system"> h5writeatt ("f.h5", "/", "a", "x", "TextEncoding", "latin1")
%!error <h5writeatt: TextEncoding must be "UTF-8" or "system"> h5writeatt ("f.h5", "/", "a", "x", "TextEncoding", 8)
