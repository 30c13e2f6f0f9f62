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
## Display the structure of the HDF5 file @var{filename}, or of the group,
## dataset, committed datatype or link @var{loc} in it (the root group
## @qcode{"/"} by default).
##
## Groups are shown with their full path, their attributes and, in the order
## of their names, every link they hold: groups, datasets, committed
## datatypes, soft links and external links.  A soft link is shown with its
## target path, an external link with its target file and path; a link that
## does not resolve (its target is missing, or the external file is absent)
## is marked @qcode{"(dangling)"} and is not followed.  Links are never
## followed when walking the file; a hard link back to a group being shown
## is listed but not entered again, and so are groups nested too deep for
## the walk (some thousand levels, following the size of the stack).  When @var{loc} is itself a link that
## resolves, the object it leads to is shown.
##
## Each dataset is shown with its size and maximum size in Octave order
## (@code{Inf} for an unlimited dimension, @qcode{"scalar"}, or
## @qcode{"empty"} for a null dataspace), its datatype, its chunk size
## (@code{[]} when it is not chunked), its filters (deflate with its level,
## shuffle, fletcher32, and any other filter by name and HDF5 filter id with
## its parameters), its fill value and its attributes.
##
## Datatypes are named as HDF5 names them, with width and byte order
## (@qcode{"H5T_STD_I32LE"}, @qcode{"H5T_IEEE_F64BE"}, @qcode{"H5T_STD_B16BE"})
## and in parentheses the Octave class the data read as, when there is one.
## Strings show their length, padding and character set; compound types
## their members with byte offset and type; enumerations their base type and
## members with values; array types their extents and base type;
## variable-length types their base type; opaque types their length and tag;
## references their kind (@qcode{"H5T_STD_REF_OBJ"},
## @qcode{"H5T_STD_REF_DSETREG"}).
##
## Attribute values are shown when they are text or a vector of at most ten
## numbers, otherwise their size and datatype.  Fill values are shown as
## numbers or text when the type reads as such, otherwise as their bytes in
## the dataset's type.
##
## Example:
##
## @example
## @group
## h5create ("data.h5", "/temperature", [3 Inf], "ChunkSize", [3 64], ...
##           "Deflate", 4);
## h5writeatt ("data.h5", "/temperature", "units", "K");
## h5disp ("data.h5")
##   @print{} HDF5 data.h5
##   @print{} Group '/'
##   @print{}     Dataset 'temperature'
##   @print{}         Size:  3x0
##   @print{}         MaxSize:  3xInf
##   @print{}         Datatype:   H5T_IEEE_F64LE (double)
##   @print{}         ChunkSize:  3x64
##   @print{}         Filters:  deflate(4)
##   @print{}         FillValue:  0
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

  top = __h5walk__ (filename, loc);
  printf ("HDF5 %s\n", filename);
  ## Nodes still to show, the next one last, with their indentation: groups
  ## nest as deep as files do, deeper than Octave lets functions recurse.
  todo = {top, ""};
  while (! isempty (todo))
    [node, ind] = todo{end, :};
    todo(end, :) = [];
    children = show_node (node, ind);
    todo = [todo; flipud(children(:)), repmat({[ind "    "]}, numel (children), 1)];
  endwhile

endfunction

## Prints NODE and returns the nodes of the links it holds.
function children = show_node (node, ind)
  children = {};
  sub = [ind "    "];
  switch (node.Type)
    case "group"
      switch (node.Status)
        case "ancestor"
          printf ("%sGroup '%s' (a group shown above: not entered again)\n", ind, node.Path);
        case "depth limit"
          printf ("%sGroup '%s' (nested too deep: not entered)\n", ind, node.Path);
        otherwise
          printf ("%sGroup '%s'\n", ind, node.Path);
          show_attributes (node.Attributes, sub);
          children = node.Children;
      endswitch
    case "dataset"
      printf ("%sDataset '%s'\n", ind, node.Name);
      printf ("%sSize:  %s\n%sMaxSize:  %s\n", sub, space_text (node.Dataspace, "Size"), ...
              sub, space_text (node.Dataspace, "MaxSize"));
      show_type ("Datatype:   ", node.Datatype, sub);
      if (isempty (node.ChunkSize))
        printf ("%sChunkSize:  []\n", sub);
      else
        printf ("%sChunkSize:  %s\n", sub, dims_text (node.ChunkSize));
      endif
      printf ("%sFilters:  %s\n", sub, filters_text (node.Filters));
      printf ("%sFillValue:  %s\n", sub, fill_text (node));
      show_attributes (node.Attributes, sub);
    case "datatype"
      printf ("%sDatatype '%s'\n", ind, node.Name);
      show_type ("Datatype:   ", node.Datatype, sub);
      show_attributes (node.Attributes, sub);
    case {"soft link", "external link", "user-defined link"}
      printf ("%sLink '%s'%s\n%sType:  %s", ind, node.Name, dangling (node), ...
              sub, node.Type);
      switch (node.Type)
        case "soft link"
          printf ("\n%sTarget:  %s%s\n", sub, node.Target, target_type (node));
        case "external link"
          printf ("\n%sTarget file:  %s\n%sTarget path:  %s%s\n", sub, ...
                  node.TargetFile, sub, node.TargetPath, target_type (node));
        otherwise
          printf (" (class %d)\n", node.LinkClass);
      endswitch
    otherwise
      printf ("%sObject '%s'\n", ind, node.Name);
  endswitch
endfunction

function s = dangling (link)
  s = "";
  if (! link.Resolves)
    s = " (dangling)";
  endif
endfunction

function s = target_type (link)
  s = "";
  if (link.Resolves)
    s = [" (" link.TargetType ")"];
  endif
endfunction

function show_attributes (a, ind)
  if (isempty (a))
    return;
  endif
  printf ("%sAttributes:\n", ind);
  for i = 1:numel (a)
    printf ("%s    '%s':  %s\n", ind, a(i).Name, value_text (a(i)));
  endfor
endfunction

## Prints LABEL and the name of type T, then the lines describing its parts.
function show_type (label, t, ind)
  printf ("%s%s%s\n", ind, label, type_name (t));
  sub = [ind "    "];
  switch (t.Class)
    case {"int", "bitfield", "time"}
      if (isfield (t, "Precision") && (t.Precision != 8 * t.Size || t.Offset != 0))
        printf ("%sPrecision: %d bits at offset %d\n", sub, t.Precision, t.Offset);
      endif
    case "float"
      if (isfield (t, "Precision") && ! ieee_layout (t))
        printf ("%sPrecision: %d bits at offset %d (exponent %d, mantissa %d bits)\n", ...
                sub, t.Precision, t.Offset, t.ExponentBits, t.MantissaBits);
      endif
    case "string"
      if (ischar (t.Length))
        printf ("%sString Length: variable\n", sub);
      else
        printf ("%sString Length: %d\n", sub, t.Length);
      endif
      if (! isempty (t.Padding))
        printf ("%sPadding: H5T_STR_%s\n", sub, upper (t.Padding));
      endif
      if (! isempty (t.CharacterSet))
        printf ("%sCharacter Set: H5T_CSET_%s\n", sub, upper (t.CharacterSet));
      endif
    case "compound"
      if (isfield (t, "Members") && isempty (t.OctaveClass))
        for m = t.Members.'
          show_type (sprintf ("Member '%s' (offset %d):  ", m.Name, m.Offset), m.Type, sub);
        endfor
      endif
    case "enum"
      if (isfield (t, "Members") && isempty (t.OctaveClass))
        show_type ("Base Type:  ", t.BaseType, sub);
        for m = t.Members.'
          printf ("%sMember '%s':  %s\n", sub, m.Name, num2str (m.Value));
        endfor
      endif
    case "array"
      if (isfield (t, "Dims"))
        printf ("%sSize:  %s\n", sub, dims_text (t.Dims));
        show_type ("Base Type:  ", t.BaseType, sub);
      endif
    case "vlen"
      if (isfield (t, "BaseType"))
        show_type ("Base Type:  ", t.BaseType, sub);
      endif
    case "opaque"
      printf ("%sLength: %d\n", sub, t.Size);
      if (isfield (t, "Tag") && ! isempty (t.Tag))
        printf ("%sTag:  '%s'\n", sub, t.Tag);
      endif
  endswitch
endfunction

function tf = ieee_layout (t)
  layouts = [2 5 10; 4 8 23; 8 11 52; 16 15 112];
  tf = t.Precision == 8 * t.Size && t.Offset == 0 ...
       && ismember ([t.Size t.ExponentBits t.MantissaBits], layouts, "rows");
endfunction

## HDF5's name of type T, with the Octave class it reads as.
function s = type_name (t)
  bits = sprintf ("%d", 8 * t.Size);
  order = "";
  if (isfield (t, "ByteOrder") && any (strcmp (t.ByteOrder, {"LE", "BE"})))
    order = t.ByteOrder;
  endif
  switch (t.Class)
    case "int"
      if (strcmp (t.Sign, "unsigned"))
        s = ["H5T_STD_U" bits order];
      else
        s = ["H5T_STD_I" bits order];
      endif
    case "float"
      if (isfield (t, "Precision") && ieee_layout (t))
        s = ["H5T_IEEE_F" bits order];
      else
        s = "H5T_FLOAT";
      endif
    case "bitfield"
      s = ["H5T_STD_B" bits order];
    case "time"
      s = ["H5T_UNIX_D" bits order];
    case "reference"
      kinds = struct ("object", "H5T_STD_REF_OBJ", "region", "H5T_STD_REF_DSETREG", ...
                      "any", "H5T_STD_REF", "unknown", "H5T_REFERENCE");
      s = "H5T_REFERENCE";
      if (isfield (t, "Kind"))
        s = kinds.(t.Kind);
      endif
    case ""
      s = "unknown";
    otherwise
      s = ["H5T_" upper(t.Class)];
  endswitch
  if (! isempty (t.OctaveClass) && ! strcmp (t.OctaveClass, "string"))
    s = sprintf ("%s (%s)", s, t.OctaveClass);
  endif
endfunction

function s = space_text (space, field)
  switch (space.ExtentType)
    case "Simple"
      s = dims_text (double (space.(field)));
    case "Scalar"
      s = "scalar";
    otherwise
      s = "empty";
  endswitch
endfunction

function s = dims_text (d)
  s = strjoin (arrayfun (@num2str, d, "uniformoutput", false), "x");
endfunction

function s = filters_text (f)
  if (isempty (f))
    s = "none";
    return;
  endif
  parts = cell (1, numel (f));
  for i = 1:numel (f)
    switch (f(i).Id)
      case 1
        parts{i} = sprintf ("deflate(%d)", f(i).Parameters(1));
      case 2
        parts{i} = "shuffle";
      case 3
        parts{i} = "fletcher32";
      otherwise
        name = f(i).Name;
        if (isempty (name))
          name = "filter";
        endif
        parts{i} = sprintf ("%s (id %d%s)", name, f(i).Id, ...
                            sprintf (" %d", f(i).Parameters));
    endswitch
  endfor
  s = strjoin (parts, ", ");
endfunction

function s = fill_text (d)
  v = d.FillValue;
  if (strcmp (d.FillStatus, "undefined"))
    s = "undefined";
  elseif (ischar (v))
    s = ["'" v "'"];
  elseif (! isempty (v))
    s = num2str (v);
  elseif (! isempty (d.FillBytes))
    b = d.FillBytes;
    s = ["0x" sprintf("%02X", b(1:min (end, 32)))];
    if (numel (b) > 32)
      s = [s "..."];
    endif
  else
    s = ["not shown (" type_name(d.Datatype) ")"];
  endif
endfunction

## The value of attribute A, or its size and datatype when it is not shown.
function s = value_text (a)
  v = a.Value;
  if (ischar (v) && (rows (v) == 1 || isempty (v)))
    s = ["'" v "'"];
  elseif (iscellstr (v) && isvector (v) && numel (v) <= 10)
    s = ["{" strjoin(strcat ("'", v(:).', "'"), ", ") "}"];
  elseif ((isnumeric (v) || islogical (v)) && isvector (v) && numel (v) <= 10)
    s = strjoin (arrayfun (@num2str, v(:).', "uniformoutput", false), " ");
  else
    s = [space_text(a.Dataspace, "Size") " " type_name(a.Datatype)];
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
%!     "            Datatype:   H5T_STD_U8LE (uint8)"
%!     "            ChunkSize:  []"
%!     "            Filters:  none"
%!     "            FillValue:  0"
%!     "    Group '/b'"
%!     "        Attributes:"
%!     "            'n':  7"
%!     "        Dataset 'ext'"
%!     "            Size:  2x0"
%!     "            MaxSize:  2xInf"
%!     "            Datatype:   H5T_STD_I16LE (int16)"
%!     "            ChunkSize:  2x8"
%!     "            Filters:  none"
%!     "            FillValue:  0"
%!     "        Dataset 's'"
%!     "            Size:  scalar"
%!     "            MaxSize:  scalar"
%!     "            Datatype:   H5T_STRING"
%!     "                String Length: variable"
%!     "                Padding: H5T_STR_NULLTERM"
%!     "                Character Set: H5T_CSET_UTF8"
%!     "            ChunkSize:  []"
%!     "            Filters:  none"
%!     "            FillValue:  ''"
%!     "    Dataset 'l'"
%!     "        Size:  2x2x3"
%!     "        MaxSize:  2x2x3"
%!     "        Datatype:   H5T_ENUM (logical)"
%!     "        ChunkSize:  []"
%!     "        Filters:  none"
%!     "        FillValue:  0"
%!     "    Dataset 'x'"
%!     "        Size:  3x4"
%!     "        MaxSize:  3x4"
%!     "        Datatype:   H5T_IEEE_F64LE (double)"
%!     "        ChunkSize:  []"
%!     "        Filters:  none"
%!     "        FillValue:  0"
%!     "        Attributes:"
%!     "            'flags':  2x6 H5T_ENUM (logical)"
%!     "            'grid':  2x2 H5T_STD_I32LE (int32)"
%!     "            'scale':  0.5 2"
%!     "    Dataset 'z'"
%!     "        Size:  2x2"
%!     "        MaxSize:  2x2"
%!     "        Datatype:   H5T_COMPOUND (single complex)"
%!     "        ChunkSize:  []"
%!     "        Filters:  none"
%!     "        FillValue:  0+0i"
%!   };
%!   assert (strsplit (evalc ("h5disp (f)"), "\n"), [expected.', {""}]);
%!   assert (evalc ("h5disp (f, '/')"), evalc ("h5disp (f)"));
%!   assert (strsplit (evalc ("h5disp (f, '/b/ext')"), "\n"), ...
%!           [expected(1), regexprep(expected(19:25), "^        ", "").', {""}]);
%!   assert (strsplit (evalc ("h5disp (f, '/a')"), "\n"), ...
%!           [expected(1), regexprep(expected(6:15), "^    ", "").', {""}]);
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
%!   assert (out([6 13 14 15 16 23 24]), {
%!     "        Datatype:   H5T_STD_I32BE (int32)"
%!     "        Datatype:   H5T_STRING"
%!     "            String Length: 4"
%!     "            Padding: H5T_STR_NULLPAD"
%!     "            Character Set: H5T_CSET_ASCII"
%!     "        Datatype:   H5T_IEEE_F16LE"
%!     "        ChunkSize:  []"}.');
%!   assert (out(end-2:end-1), {"    Datatype 't'", "        Datatype:   H5T_STD_U16LE (uint16)"});
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

%!test
%! ## Faults are reported with the function's name.
%! f = [tempname() ".h5"];
%! unwind_protect
%!   h5create (f, "/x", 2);
%!   fail ("h5disp (f, '/nothing')", "h5disp: location '/nothing' does not exist");
%!   fail ("h5disp ([f '.missing'])", "Unable to open file");
%! unwind_protect_cleanup
%!   unlink (f);
%! end_unwind_protect

## Input validation
%!error <Invalid call> h5disp ()
%!error <called with too many inputs> h5disp ("f.h5", "/", "min")
%!error <h5disp: FILENAME must be a string> h5disp (1)
%!error <h5disp: LOC must be a string> h5disp ("f.h5", 1)
