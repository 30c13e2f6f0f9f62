## The module frame: registration, help texts, argument counts, the location
## rules as seen through __h5read__, and release of the file on every way out.

%!shared f
%! f = fixture ("core.h5");

## All functions come from the one module, with their help texts.
%!test
%! for name = {"__h5create__", "__h5read__", "__h5write__", "__h5readatt__", ...
%!             "__h5writeatt__", "h5info", "__h5dims__", "__h5writeatt_text__"}
%!   assert (exist (name{1}) == 3, "%s is not registered", name{1});
%! endfor

%!test
%! for base = {"h5create", "h5read", "h5write", "h5readatt", "h5writeatt"}
%!   name = ["__" base{1} "__"];
%!   want = sprintf ("%s: backend for %s\nUsers should not use this directly. Use %s.m instead", ...
%!                   name, base{1}, base{1});
%!   assert (get_help_text (name), want);
%! endfor

## Octave's get_help_text drops the first line (the texinfo marker) up to its
## line feed and reports the format instead.
%!test
%! lines = {"-*- texinfo -*- "
%!          "@deftypefn {Loadable Function} {@var{info}=} h5info (@var{filename}) "
%!          "@deftypefnx {Loadable Function} {@var{info}=} h5info (@var{filename}, @var{location}) "
%!          ""
%!          "Return information about the content of a HDF5 file."
%!          ""
%!          "@code{info = h5info(@var{filename})} returns information about an entire HDF5 file."
%!          ""
%!          "@code{info = h5info(@var{filename},@var{location})} returns information about the specified location in the HDF5 file."
%!          ""
%!          "The return value, @var{info}, is a structure with detailed information on the groups, datasets, and datatypes contained in the file."
%!          ""
%!          "@seealso{h5disp}"
%!          "@end deftypefn"};
%! [txt, fmt] = get_help_text ("h5info");
%! assert (txt, ["\n" strjoin(lines(2:end)', "\n")]);
%! assert (fmt, "texinfo");

## Argument counts are checked before anything else: the arguments below name a
## missing file and are of the wrong kinds, so only the count check can answer.
%!test
%! counts = {"__h5create__", 7; "__h5read__", 5; "__h5write__", 6;
%!           "__h5readatt__", 3; "__h5writeatt__", 4; "__h5dims__", 2;
%!           "__h5writeatt_text__", 5};
%! for i = 1:rows (counts)
%!   fn = str2func (counts{i,1});
%!   for n = [0, counts{i,2} - 1, counts{i,2} + 1]
%!     args = repmat ({struct()}, 1, n);
%!     args(1:min (n, 1)) = {"missing.h5"};
%!     try
%!       fn (args{:});
%!       msg = "<no error>";
%!     catch err
%!       msg = err.message;
%!     end_try_catch
%!     assert (strcmp (msg, [counts{i,1} ": wrong # of args"]), ...
%!             "%s with %d args: %s", counts{i,1}, n, msg);
%!   endfor
%! endfor
%!error <^Invalid call to h5info> h5info ()
%!error <^Invalid call to h5info> h5info ("missing.h5", "/", "/")

## The file is opened before the location is looked at.
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5read__ ("missing.h5", "no/leading/slash", [], [], []);
%!error <^Unable to open file missing\.h5 \(File accessibility\) Unable to open file$>
%! __h5read__ ("missing.h5", "/d", [1 1], [1 1], []);
## Arguments are converted before the file is opened.
%!test
%! for call = {@() __h5read__("missing.h5", "/d", struct(), [], [])
%!           @() __h5write__("missing.h5", "/d", 1, [], {}, [])
%!           @() __h5create__("missing.h5", true, "/d", [2 2], "double", [], struct())}'
%!   try
%!     call{1} ();
%!     msg = "<no error>";
%!   catch err
%!     msg = err.message;
%!   end_try_catch
%!   assert (! strcmp (msg, "<no error>") && ! strncmp (msg, "Unable to", 9), ...
%!           "%s: %s", func2str (call{1}), msg);
%! endfor
%!test
%! assert (! exist ("missing.h5", "file"));

## Location rules.
%!error <^h5read: dataset location should be specified as a full pathname with leading '/'$>
%! __h5read__ (f, "shape/m35", [], [], []);
%!error <^h5read: dataset location should be specified as a full pathname with leading '/'$>
%! __h5read__ (f, "", [], [], []);
%!error <^h5read: dataset location should be specified as a full pathname with leading '/'$>
%! __h5read__ (f, "nope/", [], [], []);
%!error <^h5read: location /nope does not exist$>
%! __h5read__ (f, "/nope", [], [], []);
%!error <^h5read: location /nope/x does not exist$>
%! __h5read__ (f, "/nope/x", [], [], []);
%!error <^h5read: location /shape/m35/x does not exist$>
%! __h5read__ (f, "/shape/m35/x", [], [], []);
%!error <^h5read: location /g/sub/x/ does not exist$>
%! __h5read__ (f, "/g/sub/x/", [], [], []);
%!error <^h5read: location '/g' is not a Dataset$>
%! __h5read__ (f, "/g", [], [], []);
%!error <^h5read: location '/g/' is not a Dataset$>
%! __h5read__ (f, "/g/", [], [], []);
%!error <^h5read: location '/' is not a Dataset$>
%! __h5read__ (f, "/", [], [], []);
%!error <^h5read: location '/named' is not a Dataset$>
%! __h5read__ (f, "/named", [], [], []);
## A dangling soft link exists as a link, but its object cannot be opened.
%!error <^Unable to open "/dangling": \([^)]+\) .+$>
%! __h5read__ (f, "/dangling", [], [], []);
%!assert (__h5read__ (f, "/soft", [], [], []), __h5read__ (f, "/shape/m35", [], [], []))
%!assert (__h5read__ (f, "/g/d", [], [], []), [1 3; 2 4])
%!assert (__h5read__ (f, "/shape/m35/", [], [], []), __h5read__ (f, "/shape/m35", [], [], []))

## __h5dims__: the extents in Octave order, none for a scalar; the location
## rules of the module.
%!test
%! assert (__h5dims__ (f, "/shape/m35"), uint64 (size (__h5read__ (f, "/shape/m35", [], [], []))));
%! assert (__h5dims__ (f, "/shape/scalar"), zeros (1, 0, "uint64"));
%!error <^__h5dims__: location '/g' is not a Dataset$> __h5dims__ (f, "/g")
%!error <^__h5dims__: location /nope does not exist$> __h5dims__ (f, "/nope")
%!error <^__h5dims__: dataset location should be specified as a full pathname with leading '/'$> __h5dims__ (f, "g")
%!error <^Unable to open file missing\.h5 > __h5dims__ ("missing.h5", "/d")

## No descriptor stays open on the file, whichever way a call ends.
%!test
%! calls = {@() __h5read__(f, "/shape/m35", [], [], [])
%!          @() __h5read__(f, "/shape/m35", [1 1], [2 2], [2 1])
%!          @() __h5read__(f, "shape/m35", [], [], [])
%!          @() __h5read__(f, "/nope/x", [], [], [])
%!          @() __h5read__(f, "/g", [], [], [])
%!          @() __h5read__(f, "/dangling", [], [], [])
%!          @() __h5read__(f, "/bad/cnames", [], [], [])
%!          @() __h5read__(f, "/bad/null", [], [], [])
%!          @() __h5read__(f, "/shape/m35", [9 9], [1 1], [])
%!          @() __h5read__(f, "/shape/scalar", [1 1], [1 1], [])
%!          @() __h5dims__(f, "/shape/m35")
%!          @() __h5dims__(f, "/shape/scalar")
%!          @() __h5dims__(f, "/g")
%!          @() __h5dims__(f, "/nope/x")};
%! for i = 1:numel (calls)
%!   try
%!     calls{i} ();
%!   catch
%!   end_try_catch
%!   assert (open_fds (f) == 0, "descriptor left open after %s", func2str (calls{i}));
%! endfor
