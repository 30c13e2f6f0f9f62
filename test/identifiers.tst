## MATLAB's error identifiers on the user-level functions: each fault the
## module reports comes with the identifier MATLAB:imagesci:FUNC:WHAT and
## with the module's message byte for byte.  Text attributes as C reads them.

%!shared f, bad
%! f = [tempname() ".h5"];
%! h5create (f, "/d", [2 3]);
%! h5create (f, "/v", 4, "Datatype", "uint8");
%! h5create (f, "/g/s", 1);
%! h5writeatt (f, "/d", "units", "m");
%! bad = [tempname() ".h5"];
%! fid = fopen (bad, "w");
%! fputs (fid, "not an HDF5 file");
%! fclose (fid);

## Each row: the user-level call, the back-end call that reports the same
## fault, the identifier.
%!test
%! m = [f ".missing"];
%! cases = {
%!   @() h5read (f, "/nothing"),          @() __h5read__ (f, "/nothing", [], [], []), "MATLAB:imagesci:h5read:datasetDoesNotExist"
%!   @() h5read (f, "/nothing", 1, 1),    @() __h5read__ (f, "/nothing", 1, 1, []),   "MATLAB:imagesci:h5read:datasetDoesNotExist"
%!   @() h5read (f, "/nothing", 1, Inf),  @() __h5read__ (f, "/nothing", 1, 1, []),   "MATLAB:imagesci:h5read:datasetDoesNotExist"
%!   @() h5read (m, "/d"),                @() __h5read__ (m, "/d", [], [], []),       "MATLAB:imagesci:h5read:libraryError"
%!   @() h5read (bad, "/d"),              @() __h5read__ (bad, "/d", [], [], []),     "MATLAB:imagesci:h5read:libraryError"
%!   @() h5read (f, "/g"),                @() __h5read__ (f, "/g", [], [], []),       "MATLAB:imagesci:h5read:notADataset"
%!   @() h5read (f, "d"),                 @() __h5read__ (f, "d", [], [], []),        "MATLAB:imagesci:h5read:invalidLocation"
%!   @() h5read (f, "/d", [3 1], [1 1]),  @() __h5read__ (f, "/d", [3 1], [1 1], []), "MATLAB:imagesci:h5read:invalidSelection"
%!   @() h5read (f, "/g/s", 1, 1),        @() __h5read__ (f, "/g/s", 1, 1, []),       "MATLAB:imagesci:h5read:invalidSelection"
%!   @() h5readatt (f, "/d", "none"),     @() __h5readatt__ (f, "/d", "none"),        "MATLAB:imagesci:h5readatt:cannotOpenAttribute"
%!   @() h5readatt (f, "/x", "units"),    @() __h5readatt__ (f, "/x", "units"),       "MATLAB:imagesci:h5readatt:locationDoesNotExist"
%!   @() h5readatt (m, "/", "a"),         @() __h5readatt__ (m, "/", "a"),            "MATLAB:imagesci:h5readatt:libraryError"
%!   @() h5write (f, "/nothing", 1),      @() __h5write__ (f, "/nothing", 1, [], [], []), "MATLAB:imagesci:h5write:datasetDoesNotExist"
%!   @() h5write (m, "/d", 1),            @() __h5write__ (m, "/d", 1, [], [], []),   "MATLAB:imagesci:h5write:libraryError"
%!   @() h5write (f, "/d", ones (3)),     @() __h5write__ (f, "/d", ones (3), [], [], []), "MATLAB:imagesci:h5write:incompatibleData"
%!   @() h5write (f, "/v", 1, 5, 1),      @() __h5write__ (f, "/v", uint8 (1), 5, 1, 1), "MATLAB:imagesci:h5write:invalidSelection"
%!   @() h5write (f, "/g", 1),            @() __h5write__ (f, "/g", 1, [], [], []),   "MATLAB:imagesci:h5write:notADataset"
%!   @() h5writeatt (f, "/x", "a", 1),    @() __h5writeatt__ (f, "/x", "a", 1),       "MATLAB:imagesci:h5writeatt:locationDoesNotExist"
%!   @() h5writeatt (f, "/x", "a", "t"),  @() __h5writeatt__ (f, "/x", "a", 1),       "MATLAB:imagesci:h5writeatt:locationDoesNotExist"
%!   @() h5writeatt (f, "/d", "a", []),   @() __h5writeatt__ (f, "/d", "a", []),      "MATLAB:imagesci:h5writeatt:emptyData"
%!   @() h5writeatt (m, "/", "a", 1),     @() __h5writeatt__ (m, "/", "a", 1),        "MATLAB:imagesci:h5writeatt:libraryError"
%!   @() h5create (f, "/d", 2),           @() __h5create__ (f, false, "/d", 2, "double", [], 0), "MATLAB:imagesci:h5create:datasetAlreadyExists"
%!   @() h5create (f, "/d/x", 2),         @() __h5create__ (f, false, "/d/x", 2, "double", [], 0), "MATLAB:imagesci:h5create:cannotCreateDataset"
%!   @() h5create (f, "x", 2),            @() __h5create__ (f, false, "x", 2, "double", [], 0), "MATLAB:imagesci:h5create:invalidLocation"
%!   @() h5create (bad, "/x", 2),         @() __h5create__ (bad, false, "/x", 2, "double", [], 0), "MATLAB:imagesci:h5create:libraryError"
%! };
%! wrong = {};
%! for k = 1:rows (cases)
%!   try
%!     cases{k, 2} ();
%!     want = "(no error)";
%!   catch e
%!     want = e.message;
%!   end_try_catch
%!   try
%!     cases{k, 1} ();
%!     got = {"(no error)", ""};
%!   catch e
%!     got = {e.message, e.identifier};
%!   end_try_catch
%!   if (! strcmp (got{1}, want) || ! strcmp (got{2}, cases{k, 3}))
%!     wrong{end+1} = sprintf ("%s: %s [%s], wanted %s [%s]", func2str (cases{k, 1}),
%!                             got{1}, got{2}, want, cases{k, 3});
%!   endif
%! endfor
%! assert (wrong, {});
%! assert (h5read (f, "/d"), zeros (2, 3));

## A hyperslab that the user level resolves against the dataset and refuses.
%!test
%! cases = {
%!   @() h5read (f, "/v", [2 2], [1 Inf]),  "h5read: START and COUNT index a one-dimensional dataset neither as a row nor as a column"
%!   @() h5read (f, "/d", [1 1 1], [1 1 Inf]), "h5read: START, COUNT and STRIDE need one entry per dimension of the dataset (2)"
%!   @() h5read (f, "/d", [3 1], [Inf 1]),  "h5read: START lies beyond the end of the dataset where COUNT is Inf"
%!   @() h5write (f, "/v", 1, [2 2], [1 1]), "h5write: START and COUNT index a one-dimensional dataset neither as a row nor as a column"
%!   @() h5write (f, "/d", 1, 1, 1),        "h5write: START, COUNT and STRIDE need one entry per dimension of the dataset (2)"
%! };
%! for k = 1:rows (cases)
%!   try
%!     cases{k, 1} ();
%!     error ("no error from %s", func2str (cases{k, 1}));
%!   catch e
%!     assert (e.message, cases{k, 2});
%!     assert (e.identifier, ["MATLAB:imagesci:" strtok(cases{k, 2}, ":") ":invalidSelection"]);
%!   end_try_catch
%! endfor

## Errors of the user-level checks keep their own identifiers.
%!test
%! try
%!   h5read (f);
%! catch e
%!   assert (e.identifier, "Octave:invalid-fun-call");
%! end_try_catch

## Text attributes as C reads them with H5LTget_attribute_string into a
## zero-filled buffer: the text whole, also empty, UTF-8 or replaced.
%!test
%! texts = {"plain", "", "trailing blank ", "Grüße, ∂x", repmat("x", 1, 200)};
%! what = {};
%! for k = 1:numel (texts)
%!   name = sprintf ("t%d", k);
%!   h5writeatt (f, "/g", name, "placeholder that is longer");
%!   h5writeatt (f, "/g", name, texts{k});
%!   what{end+1} = {"/g", name};
%! endfor
%! assert (c_read_text (f, what), texts);
%! for k = 1:numel (texts)
%!   assert (h5readatt (f, "/g", sprintf ("t%d", k)), texts{k});
%! endfor

%!test
%! unlink (f);
%! unlink (bad);
