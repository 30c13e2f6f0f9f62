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
## @deftypefn  {} {} h5disp (@var{filename})
## @deftypefnx {} {} h5disp (@var{filename}, @var{loc})
## Display the structure of the HDF5 file @var{filename}, or of the group or
## dataset @var{loc} in it (the root group @qcode{"/"} by default).
##
## Groups are shown with their full path, their attributes and, in the order
## of their names, the groups, datasets and committed datatypes they hold.
## Each dataset is shown with its size and maximum size in Octave order
## (@code{Inf} for an unlimited dimension), its datatype (the HDF5 class with
## its width, and in parentheses the Octave class it reads as; the byte order
## is not shown), its chunk size (@code{[]} when it is not chunked) and its
## attributes.  Attribute values are shown when they are text or a vector of
## at most ten numbers, otherwise their size and HDF5 class.  Filters and fill
## values are not shown.
##
## Example:
##
## @example
## @group
## h5create ("data.h5", "/temperature", [3 Inf], "ChunkSize", [3 64]);
## h5writeatt ("data.h5", "/temperature", "units", "K");
## h5disp ("data.h5")
##   @print{} HDF5 data.h5
##   @print{} Group '/'
##   @print{}     Dataset 'temperature'
##   @print{}         Size:  3x0
##   @print{}         MaxSize:  3xInf
##   @print{}         Datatype:   H5T_IEEE_F64 (double)
##   @print{}         ChunkSize:  3x64
##   @print{}         Attributes:
##   @print{}             'units':  'K'
## @end group
## @end example
##
## @seealso{h5info, h5read, h5readatt}
## @end deftypefn

function h5disp (filename, loc = "/")

  if (nargin < 1)
    print_usage ();
  endif
  if (! ischar (filename) || ! isrow (filename))
    error ("h5disp: FILENAME must be a string");
  endif
  if (! ischar (loc) || ! isrow (loc))
    error ("h5disp: LOC must be a string");
  endif

  info = h5info (filename, loc);
  printf ("HDF5 %s\n", filename);
  if (isfield (info, "Groups"))
    show_group (info, "");
  else
    show_dataset (info, "");
  endif

endfunction

function show_group (g, ind)
  printf ("%sGroup '%s'\n", ind, g.Name);
  show_attributes (g.Attributes, [ind "    "]);
  names = [{g.Groups.Name}, {g.Datasets.Name}, {g.Datatypes.Name}];
  kind = [ones(1, numel (g.Groups)), 2 * ones(1, numel (g.Datasets)), ...
          3 * ones(1, numel (g.Datatypes))];
  index = [1:numel(g.Groups), 1:numel(g.Datasets), 1:numel(g.Datatypes)];
  [~, order] = sort (names);
  for k = order
    switch (kind(k))
      case 1
        show_group (g.Groups(index(k)), [ind "    "]);
      case 2
        show_dataset (g.Datasets(index(k)), [ind "    "]);
      case 3
        printf ("%s    Datatype '%s'\n", ind, base_name (names{k}));
    endswitch
  endfor
endfunction

function show_dataset (d, ind)
  printf ("%sDataset '%s'\n", ind, base_name (d.Name));
  ind = [ind "    "];
  space = d.Dataspace;
  switch (space.ExtentType)
    case "Simple"
      printf ("%sSize:  %s\n", ind, dims_text (double (space.Size)));
      printf ("%sMaxSize:  %s\n", ind, dims_text (space.MaxSize));
    case "Scalar"
      printf ("%sSize:  scalar\n%sMaxSize:  scalar\n", ind, ind);
    otherwise
      printf ("%sSize:  empty\n%sMaxSize:  empty\n", ind, ind);
  endswitch
  type = d.Datatype;
  printf ("%sDatatype:   %s\n", ind, type_text (type));
  if (strcmp (type.Class, "string"))
    if (ischar (type.Size))
      printf ("%s    String Length: variable\n", ind);
    else
      printf ("%s    String Length: %d\n", ind, type.Size);
    endif
    if (isfield (type, "Pading"))
      printf ("%s    Padding: H5T_STR_%s\n", ind, upper (type.Pading));
    endif
    if (isfield (type, "charSet"))
      printf ("%s    Character Set: H5T_CSET_%s\n", ind, upper (type.charSet));
    endif
  endif
  if (isempty (d.ChunkSize))
    printf ("%sChunkSize:  []\n", ind);
  else
    printf ("%sChunkSize:  %s\n", ind, dims_text (double (d.ChunkSize)));
  endif
  show_attributes (d.Attributes, ind);
endfunction

function show_attributes (a, ind)
  names = fieldnames (a);
  if (isempty (names))
    return;
  endif
  values = struct2cell (a);
  printf ("%sAttributes:\n", ind);
  for i = 1:numel (names)
    printf ("%s    '%s':  %s\n", ind, names{i}, value_text (values{i}));
  endfor
endfunction

function s = base_name (path)
  path = regexprep (path, "(?<=.)/+$", "");
  s = path(find (path == "/", 1, "last") + 1:end);
  if (isempty (s))
    s = path;
  endif
endfunction

function s = dims_text (d)
  s = strjoin (arrayfun (@num2str, d, "uniformoutput", false), "x");
endfunction

function s = type_text (t)
  bits = "";
  if (isfield (t, "Size") && isnumeric (t.Size))
    bits = sprintf ("%d", 8 * t.Size);
  endif
  switch (t.Class)
    case "int"
      if (strcmp (t.Sign, "unsigned"))
        s = ["H5T_STD_U" bits];
      else
        s = ["H5T_STD_I" bits];
      endif
    case "float"
      s = ["H5T_IEEE_F" bits];
    case ""
      s = "unknown";
    otherwise
      s = ["H5T_" upper(t.Class)];
  endswitch
  if (! isempty (t.OctaveClass) && ! strcmp (t.OctaveClass, "string"))
    s = sprintf ("%s (%s)", s, t.OctaveClass);
  endif
endfunction

function s = value_text (v)
  if (ischar (v))
    s = ["'" v "'"];
  elseif (iscellstr (v))
    if (isvector (v) && numel (v) <= 10)
      s = ["{" strjoin(strcat ("'", v(:).', "'"), ", ") "}"];
    else
      s = [dims_text(size (v)) " H5T_STRING"];
    endif
  elseif (isempty (v))
    s = "[]";
  elseif ((isnumeric (v) || islogical (v)) && isvector (v) && numel (v) <= 10)
    s = strjoin (arrayfun (@num2str, v(:).', "uniformoutput", false), " ");
  elseif (islogical (v))
    s = [dims_text(size (v)) " H5T_ENUM"];
  elseif (iscomplex (v))
    s = [dims_text(size (v)) " H5T_COMPOUND"];
  elseif (isinteger (v))
    s = [dims_text(size (v)) " H5T_INTEGER"];
  else
    s = [dims_text(size (v)) " H5T_FLOAT"];
  endif
endfunction


%!test
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5create (f, "/x", [3 4]);
%!   h5create (f, "/b/ext", [2 Inf], "ChunkSize", [2 8], "Datatype", "int16");
%!   h5create (f, "/b/s", 1, "Datatype", "string");
%!   h5create (f, "/a/v", 5, "Datatype", "uint8");
%!   h5create (f, "/z", [2 2], "Datatype", "single complex");
%!   h5create (f, "/l", [2 2 3], "Datatype", "logical");
%!   h5writeatt (f, "/", "title", "Demo");
%!   h5writeatt (f, "/", "axes", {"x", "y"});
%!   h5writeatt (f, "/x", "scale", [0.5 2]);
%!   h5writeatt (f, "/x", "grid", int32 ([1 2; 3 4]));
%!   h5writeatt (f, "/x", "flags", true (2, 6));
%!   h5writeatt (f, "/b", "n", uint64 (7));
%!   h5py_run (sprintf ("h5py.File('%s', 'a')['a'].attrs['odd name'] = np.array([1.5, 2.5, 3.5])", f));
%!   expected = {
%!     ["HDF5 " f]
%!     "Group '/'"
%!     "    Attributes:"
%!     "        'axes':  {'x', 'y'}"
%!     "        'title':  'Demo'"
%!     "    Group '/a'"
%!     "        Attributes:"
%!     "            'odd name':  1.5 2.5 3.5"
%!     "        Dataset 'v'"
%!     "            Size:  5"
%!     "            MaxSize:  5"
%!     "            Datatype:   H5T_STD_U8 (uint8)"
%!     "            ChunkSize:  []"
%!     "    Group '/b'"
%!     "        Attributes:"
%!     "            'n':  7"
%!     "        Dataset 'ext'"
%!     "            Size:  2x0"
%!     "            MaxSize:  2xInf"
%!     "            Datatype:   H5T_STD_I16 (int16)"
%!     "            ChunkSize:  2x8"
%!     "        Dataset 's'"
%!     "            Size:  scalar"
%!     "            MaxSize:  scalar"
%!     "            Datatype:   H5T_STRING"
%!     "                String Length: variable"
%!     "                Padding: H5T_STR_NULLTERM"
%!     "                Character Set: H5T_CSET_UTF8"
%!     "            ChunkSize:  []"
%!     "    Dataset 'l'"
%!     "        Size:  2x2x3"
%!     "        MaxSize:  2x2x3"
%!     "        Datatype:   H5T_ENUM (logical)"
%!     "        ChunkSize:  []"
%!     "    Dataset 'x'"
%!     "        Size:  3x4"
%!     "        MaxSize:  3x4"
%!     "        Datatype:   H5T_IEEE_F64 (double)"
%!     "        ChunkSize:  []"
%!     "        Attributes:"
%!     "            'flags':  2x6 H5T_ENUM"
%!     "            'grid':  2x2 H5T_INTEGER"
%!     "            'scale':  0.5 2"
%!     "    Dataset 'z'"
%!     "        Size:  2x2"
%!     "        MaxSize:  2x2"
%!     "        Datatype:   H5T_COMPOUND (single complex)"
%!     "        ChunkSize:  []"
%!   };
%!   assert (strsplit (evalc ("h5disp (f)"), "\n"), [expected.', {""}]);
%!   assert (evalc ("h5disp (f, '/')"), evalc ("h5disp (f)"));
%!   assert (strsplit (evalc ("h5disp (f, '/b/ext')"), "\n"), ...
%!           [expected(1), regexprep(expected(17:21), "^        ", "").', {""}]);
%!   assert (strsplit (evalc ("h5disp (f, '/a')"), "\n"), ...
%!           [expected(1), regexprep(expected(6:13), "^    ", "").', {""}]);
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Types written by another program: widths, fixed strings, datatypes.
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5py_run (sprintf (["with h5py.File('%s', 'w') as F:\n" ...
%!     "  F['be'] = np.arange(3, dtype='>i4')\n" ...
%!     "  F['half'] = np.zeros(2, dtype='f2')\n" ...
%!     "  F['fix'] = np.array([b'ab', b'cd'], dtype='S4')\n" ...
%!     "  F['t'] = np.dtype('u2')"], f));
%!   out = strsplit (evalc ("h5disp (f)"), "\n");
%!   assert (out([6 11 12 13 14 19]), {
%!     "        Datatype:   H5T_STD_I32 (int32)"
%!     "        Datatype:   H5T_STRING"
%!     "            String Length: 4"
%!     "            Padding: H5T_STR_NULLPAD"
%!     "            Character Set: H5T_CSET_ASCII"
%!     "        Datatype:   H5T_IEEE_F16"}.');
%!   assert (out{end-1}, "    Datatype 't'");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Faults are reported by h5info.
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5create (f, "/x", 2);
%!   fail ("h5disp (f, '/nothing')", "h5info: location '/nothing' does not exist");
%!   fail ("h5disp ([f '.missing'])", "Unable to open file");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5disp ()
%!error <called with too many inputs> h5disp ("f.h5", "/", "min")
%!error <h5disp: FILENAME must be a string> h5disp (1)
%!error <h5disp: LOC must be a string> h5disp ("f.h5", 1)
