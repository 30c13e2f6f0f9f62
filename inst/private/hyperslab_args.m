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
## @deftypefn  {} {[@var{start}, @var{count}, @var{stride}] =} hyperslab_args (@var{func}, @var{start}, @var{count}, @var{stride})
## @deftypefnx {} {[@var{start}, @var{count}, @var{stride}] =} hyperslab_args (@var{func}, @var{start}, @var{count}, @var{stride}, @var{dims})
## Check the hyperslab arguments of @code{h5read} and @code{h5write} (named
## @var{func} in the messages) and return them as double rows; an empty
## @var{stride} is all ones.  @var{start} and @var{stride} hold positive
## integers, @var{count} positive integers or @code{Inf}, all with the same
## number of entries.
##
## With @var{dims}, the extents of the dataset in Octave order (none for a
## scalar dataset), the hyperslab is also resolved against the dataset: a
## one-dimensional dataset takes one entry, or two that address it as a
## column (@code{[@var{s} 1]}) or as a row (@code{[1 @var{s}]}), reduced to
## one; otherwise there must be one entry per dimension.  An @code{Inf} in
## @var{count} becomes the number of elements from @var{start} with
## @var{stride} to the end of that dimension (1 for a scalar dataset, which
## the back-end then refuses).  A hyperslab that does not fit the dataset is
## refused with the identifier @code{MATLAB:imagesci:@var{func}:invalidSelection}.
## @end deftypefn

function [start, count, stride] = hyperslab_args (func, start, count, stride, dims)

  if (! (isnumeric (start) && isreal (start) && isvector (start)
         && all (start(:) >= 1 & start(:) < Inf & start(:) == fix (start(:)))))
    error ("%s: START must be a vector of positive integers", func);
  endif
  if (! (isnumeric (count) && isreal (count) && isvector (count)
         && all (count(:) >= 1 & count(:) == fix (count(:)))))
    error ("%s: COUNT must be a vector of positive integers or Inf", func);
  endif
  n = numel (start);
  if (isempty (stride))
    stride = ones (1, n);
  elseif (! (isnumeric (stride) && isreal (stride) && isvector (stride)
             && all (stride(:) >= 1 & stride(:) < Inf
                     & stride(:) == fix (stride(:)))))
    error ("%s: STRIDE must be a vector of positive integers", func);
  endif
  if (numel (count) != n || numel (stride) != n)
    error ("%s: START, COUNT and STRIDE must have the same number of elements",
           func);
  endif
  start = double (start(:).');
  count = double (count(:).');
  stride = double (stride(:).');
  if (nargin < 5)
    return;
  endif

  dims = double (dims(:).');
  rank = numel (dims);
  if (rank == 0)
    count(isinf (count)) = 1;
    return;
  endif
  if (rank == 1 && n == 2)
    ## The column or row form: the other entry addresses the single column
    ## or row, with a count of 1 preferred over Inf where both forms fit.
    single = (start == 1 & count == 1);
    whole = (start == 1 & isinf (count));
    if (single(2))
      keep = 1;
    elseif (single(1))
      keep = 2;
    elseif (whole(2))
      keep = 1;
    elseif (whole(1))
      keep = 2;
    else
      error (selection_id (func),
             "%s: START and COUNT index a one-dimensional dataset neither as a row nor as a column",
             func);
    endif
    start = start(keep);
    count = count(keep);
    stride = stride(keep);
  elseif (n != rank)
    error (selection_id (func),
           "%s: START, COUNT and STRIDE need one entry per dimension of the dataset (%d)",
           func, rank);
  endif
  open = isinf (count);
  if (any (start(open) > dims(open)))
    error (selection_id (func),
           "%s: START lies beyond the end of the dataset where COUNT is Inf", func);
  endif
  count(open) = floor ((dims(open) - start(open)) ./ stride(open)) + 1;

endfunction

## A selection that does not fit the dataset, as the back-end's refusals.
function id = selection_id (func)
  id = ["MATLAB:imagesci:" func ":invalidSelection"];
endfunction
