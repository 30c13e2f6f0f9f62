## __h5walk__ and h5disp: files with links that do not resolve, hard links
## back to ancestors, and every kind of datatype, filter and fill value.

%!shared f, target
%! f = fixture ("walk_rich.h5");
%! target = fixture ("walk_target.h5");

## The node at PATH (link names below the top node, joined by "/").
%!function n = node_at (top, path)
%!  n = top;
%!  for name = strsplit (path, "/")
%!    if (! isempty (name{1}))
%!      kids = n.Children;
%!      n = kids{cellfun (@(c) strcmp (c.Name, name{1}), kids)};
%!    endif
%!  endfor
%!endfunction

## Fields of the walk's nodes: path, expression on the node N, expected value.
%!test
%! top = __h5walk__ (f, "/");
%! cases = {
%!   "",              "{N.Name, N.Type, N.Status}",        {"/", "group", "entered"}
%!   "dang",          "{N.Type, N.Target, N.Resolves}",    {"soft link", "/nowhere", false}
%!   "soft",          "{N.Target, N.Resolves, N.TargetType}", {"/g/d", true, "dataset"}
%!   "ext_absent",    "{N.Type, N.TargetFile, N.TargetPath, N.Resolves}", ...
%!                    {"external link", "tolvane_absent_file.h5", "/x", false}
%!   "ext_present",   "{N.TargetFile, N.TargetPath, N.Resolves, N.TargetType}", ...
%!                    {"walk_target.h5", "/data", true, "dataset"}
%!   "g/up",          "{N.Path, N.Status, numel(N.Children)}", {"/g/up", "ancestor", 0}
%!   "g/top",         "N.Status",                          "ancestor"
%!   "g",             "{N.Attributes.Name, N.Attributes.Value}", {"k", int32(2)}
%!   "filtered",      "{N.Layout, N.ChunkSize, N.Dataspace.MaxSize}", {"chunked", [10 5], [20 Inf]}
%!   "filtered",      "{[N.Filters.Id], N.Filters(2).Parameters, N.Filters(1).Name}", {[2 1 3], 6, "shuffle"}
%!   "filtered",      "{N.FillStatus, N.FillValue, N.FillBytes}", {"user", single(-1.5), uint8([0 0 192 191])}
%!   "lzf",           "{N.Filters.Id, N.Filters.Name, N.FillValue}", {32000, "lzf", int64(42)}
%!   "cfill",         "{N.FillValue, N.FillBytes}",        {[], uint8([2 1 7])}
%!   "sfill",         "N.FillValue",                       "ab"
%!   "nofill",        "{N.FillStatus, N.FillValue, N.FillBytes}", {"undefined", [], zeros(1, 0, "uint8")}
%!   "null",          "{N.Dataspace.ExtentType, N.Datatype.ByteOrder}", {"Empty", "LE"}
%!   "scalar",        "{N.Dataspace.ExtentType, N.ChunkSize}", {"Scalar", []}
%!   "dt",            "{N.Type, N.Datatype.Class, N.Attributes.Value}", {"datatype", "compound", "a committed type"}
%!   "typed",         "{N.Datatype.Members.Name}",         {"p", "q"}
%!   "types/compound", "{N.Datatype.Members.Offset}",      {0, 4, 12}
%!   "types/compound", "{N.Datatype.Members(2).Type.ByteOrder, N.Datatype.Members(2).Type.OctaveClass}", {"BE", "double"}
%!   "types/compound", "{N.Datatype.Members(3).Type.Members(2).Type.Length, N.Datatype.Members(3).Type.Members(2).Type.Padding}", {3, "nullpad"}
%!   "types/enum",    "{N.Datatype.Members.Name; N.Datatype.Members.Value}", {"BLUE", "GREEN", "RED"; int64(2), int64(1), int64(0)}
%!   "types/enum",    "{N.Datatype.BaseType.Class, N.Datatype.BaseType.Size, N.Datatype.BaseType.Sign}", {"int", 1, "signed"}
%!   "types/array",   "{N.Datatype.Dims, N.Datatype.BaseType.OctaveClass}", {[3 2], "single"}
%!   "types/vlen",    "{N.Datatype.Class, N.Datatype.BaseType.OctaveClass, N.FillValue}", {"vlen", "int32", []}
%!   "types/opaque",  "{N.Datatype.Tag, N.Datatype.Size}",  {"raw bytes", 4}
%!   "types/ref",     "N.Datatype.Kind",                   "object"
%!   "types/regref",  "N.Datatype.Kind",                   "region"
%!   "types/bitfield", "{N.Datatype.Class, N.Datatype.ByteOrder, N.Datatype.Precision}", {"bitfield", "BE", 16}
%!   "types/be",      "{N.Datatype.Sign, N.Datatype.ByteOrder}", {"unsigned", "BE"}
%!   "types/vstr",    "{N.Datatype.Length, N.Datatype.CharacterSet}", {"variable", "utf8"}
%!   "attrs",         "{N.Attributes.Name}", {"array", "compound", "enum", "many", "names", "null", "ref", "u8", "vlen"}
%!   "attrs",         "{N.Attributes([6 7]).Value}", {[], []}
%!   "attrs",         "{N.Attributes(2).Value.c.x, N.Attributes(3).Value, class(N.Attributes(9).Value)}", {3, {"GREEN"}, "cell"}
%!   "attrs",         "{N.Attributes(2).Datatype.Members(3).Type.Class, N.Attributes(7).Datatype.Kind}", {"compound", "object"}
%!   "attrs",         "{N.Attributes([4 5 8]).Value}", {0:19, {"x", "yy"}, uint8(200)}
%! };
%! for i = 1:rows (cases)
%!   N = node_at (top, cases{i,1});
%!   got = eval (cases{i,2});
%!   assert (isequal (got, cases{i,3}), "%s: %s gives %s", cases{i,1}, cases{i,2}, disp (got));
%! endfor

## Key lines of h5disp: each pattern matches a whole line of the output.
%!test
%! out = strsplit (evalc ("h5disp (f)"), "\n");
%! want = {
%!   "^Group '/'$"
%!   "^    Link 'dang' \\(dangling\\)$"
%!   "^        Target:  /nowhere$"
%!   "^    Link 'ext_absent' \\(dangling\\)$"
%!   "^        Type:  external link$"
%!   "^        Target file:  tolvane_absent_file.h5$"
%!   "^    Link 'ext_present'$"
%!   "^        Target path:  /data \\(dataset\\)$"
%!   "^        Target:  /g/d \\(dataset\\)$"
%!   "^        Group '/g/up' \\(a group shown above: not entered again\\)$"
%!   "^        MaxSize:  20xInf$"
%!   "^        Datatype:   H5T_IEEE_F32LE \\(single\\)$"
%!   "^        ChunkSize:  10x5$"
%!   "^        Filters:  shuffle, deflate\\(6\\), fletcher32$"
%!   "^        FillValue:  -1.5$"
%!   "^        Filters:  lzf \\(id 32000( \\d+)*\\)$"
%!   "^        FillValue:  0x020107$"
%!   "^        FillValue:  'ab'$"
%!   "^        FillValue:  undefined$"
%!   "^        Size:  empty$"
%!   "^    Datatype 'dt'$"
%!   "^            'about':  'a committed type'$"
%!   "^                Member 'b' \\(offset 4\\):  H5T_IEEE_F64BE \\(double\\)$"
%!   "^                    Member 'y' \\(offset 1\\):  H5T_STRING$"
%!   "^                Base Type:  H5T_STD_I8LE \\(int8\\)$"
%!   "^                Member 'BLUE':  2$"
%!   "^            Datatype:   H5T_ARRAY$"
%!   "^                Size:  3x2$"
%!   "^                Base Type:  H5T_STD_I32LE \\(int32\\)$"
%!   "^                Tag:  'raw bytes'$"
%!   "^            Datatype:   H5T_STD_REF_OBJ$"
%!   "^            Datatype:   H5T_STD_REF_DSETREG$"
%!   "^            FillValue:  not shown \\(H5T_VLEN\\)$"
%!   "^            Datatype:   H5T_STD_B16BE$"
%!   "^            Datatype:   H5T_STD_U16BE \\(uint16\\)$"
%!   "^            'compound':  scalar H5T_COMPOUND$"
%!   "^            'array':  2 H5T_ARRAY$"
%!   "^            'many':  20 H5T_IEEE_F64LE \\(double\\)$"
%!   "^            'null':  empty H5T_IEEE_F64LE \\(double\\)$"
%!   "^            'vlen':  1 H5T_VLEN$"
%!   "^            'u8':  200$"
%! };
%! for i = 1:numel (want)
%!   assert (any (! cellfun (@isempty, regexp (out, want{i}, "once"))), "no line matches %s", want{i});
%! endfor

## A location that is a link: followed when it resolves, shown when not.
%!test
%! cases = {
%!   "/soft",         {"Dataset 'soft'", "    Size:  3x2"}
%!   "/ext_present",  {"Dataset 'ext_present'", "    Size:  3"}
%!   "/dang",         {"Link 'dang' (dangling)", "    Type:  soft link"}
%!   "/ext_absent",   {"Link 'ext_absent' (dangling)", "    Type:  external link"}
%!   "/g/up/",        {"Group '/g/up/'", "    Attributes:"}
%!   "/dt",           {"Datatype 'dt'", "    Datatype:   H5T_COMPOUND"}
%! };
%! for i = 1:rows (cases)
%!   out = strsplit (evalc ("h5disp (f, cases{i,1})"), "\n");
%!   assert (isequal (out(2:3), cases{i,2}), "%s: %s", cases{i,1}, strjoin (out, "\n"));
%! endfor

## h5info still refuses the file; h5disp describes it and leaves no file open.
%!test
%! fail ("h5info (f)");
%! evalc ("h5disp (f)");
%! __h5walk__ (f, "/ext_absent");
%! __h5walk__ (f, "/ext_present");
%! assert ([open_fds(f), open_fds(target)], [0 0]);

## Groups nested deeper than functions may recurse are shown.
%!test
%! out = evalc ("h5disp (fixture ('info_deep.h5'))");
%! assert (! isempty (regexp (out, "\n {4004}Dataset 'leaf'\n", "once")));

## Groups nested deeper than the walk goes are listed, not entered.
%!test
%! n = __h5walk__ (fixture ("faults_deep.h5"), "/");
%! depth = 0;
%! while (strcmp (n.Status, "entered"))
%!   n = n.Children{1};
%!   depth++;
%! endwhile
%! assert ({n.Status, numel(n.Children)}, {"depth limit", 0});
%! assert (depth > 80);

%!error <^h5disp: location '/nothing' does not exist$> __h5walk__ (f, "/nothing")
%!error <^h5disp: location '/dang/x' does not exist$> __h5walk__ (f, "/dang/x")
%!error <^h5disp: dataset location should be specified as a full pathname with leading '/'$> __h5walk__ (f, "g")
%!error <^Unable to open file> __h5walk__ ([f ".missing"], "/")
%!error <^__h5walk__: wrong # of args$> __h5walk__ (f)
%!error <^__h5walk__: wrong # of args$> __h5walk__ (f, "/", "/")
%!assert (exist ("__h5walk__"), 3)
%!assert (get_help_text ("__h5walk__"),
%!        "__h5walk__: backend for h5disp\nUsers should not use this directly. Use h5disp.m instead")
