## -*- texinfo -*-
## @deftypefn {} {@var{path} =} fixture (@var{name})
## Full path of the fixture file @var{name}, generated for this test run.
## @end deftypefn
function path = fixture (name)
  dir = getenv ("TOLVANE_FIXTURES");
  if (isempty (dir))
    error ("fixture: TOLVANE_FIXTURES is not set; run the tests with make check");
  endif
  path = fullfile (dir, name);
endfunction
