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
## @deftypefn {} {} h5_rethrow (@var{func}, @var{err})
## Raise the error @var{err} of the module again, unchanged in its message,
## with the MATLAB identifier @code{MATLAB:imagesci:@var{func}:@var{what}}
## that its message classifies; an error that already has an identifier
## passes unchanged.  HDF5 failures and all that is not classified otherwise
## are @code{libraryError}.
## @end deftypefn

function h5_rethrow (func, err)

  if (isempty (err.identifier))
    ## The first pattern that matches the message names the kind of fault.
    persistent kinds = {
      ": location .* does not exist$",                 "DoesNotExist"
      ": attribute .* does not exist$",                "cannotOpenAttribute"
      " is not a Dataset$",                            "notADataset"
      "full pathname with leading '/'$",               "invalidLocation"
      ": location '.*' already exists$",               "datasetAlreadyExists"
      "Check that intermediate nodes are of type Group$", "cannotCreateDataset"
      ": hyperslab selection: ",                       "invalidSelection"
      ": incompatible dataset and octave data: ",      "incompatibleData"
      ": cannot reserve [0-9]+ bytes of disk space ",  "insufficientDiskSpace"
      ": the value has no elements to write$",         "emptyData"
      "Unsupported datatype|Unsupported Octave data|supported only to variable size", ...
                                                       "unsupportedDatatype"
    };
    what = "libraryError";
    for k = 1:rows (kinds)
      if (! isempty (regexp (err.message, kinds{k, 1}, "once")))
        what = kinds{k, 2};
        break;
      endif
    endfor
    if (strcmp (what, "DoesNotExist"))
      ## A dataset for the dataset functions, any object for attributes.
      if (any (strcmp (func, {"h5read", "h5write"})))
        what = "datasetDoesNotExist";
      else
        what = "locationDoesNotExist";
      endif
    endif
    err = struct ("message", err.message,
                  "identifier", ["MATLAB:imagesci:" func ":" what],
                  "stack", err.stack);
  endif
  rethrow (err);

endfunction
