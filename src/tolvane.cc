// tolvane: the Octave functions of the module, the location rules, and
// the frame that turns failures into Octave errors.

#include <octave/oct.h>
#include <octave/oct-map.h>

#include <string>

#include <unistd.h>

#include "composite.h"
#include "chunks.h"
#include "description.h"
#include "exchange.h"
#include "h5.h"
#include "headroom.h"
#include "info.h"
#include "walk.h"

namespace tolvane {

// A location is a full path: its first character is '/'.
bool
validLocation (const std::string& location)
{
  if (location.empty () || location[0] != '/')
    {
      lastError = "dataset location should be specified as a full pathname with leading '/'";
      return false;
    }
  return true;
}

// Every leading part of the path and the path itself exist.  Testing the
// parts one by one reports a path through a missing group as missing
// instead of as an HDF5 failure.
bool
locationExists (const h5::File& file, const std::string& location)
{
  std::size_t pos = location.find ('/', 1);
  while (pos != std::string::npos)
    {
      if (! file.exist (location.substr (0, pos)))
        return false;
      pos = location.find ('/', pos + 1);
    }
  std::size_t last = location.rfind ('/');
  std::size_t q = (last == std::string::npos) ? 0 : last + 1;
  if (q < location.size ())
    return file.exist (location);
  return true;
}

// No existing leading part of the path is anything but a group.
bool
canCreate (const h5::File& file, const std::string& location)
{
  std::size_t pos = location.find ('/', 1);
  while (pos != std::string::npos)
    {
      std::string part = location.substr (0, pos);
      if (! file.exist (part))
        return true;
      if (file.getObjectType (part) != h5::ObjectType::Group)
        return false;
      pos = location.find ('/', pos + 1);
    }
  return true;
}

namespace {

// Runs BODY with HDF5's error printing off and turns an HDF5 layer
// exception into an Octave error carrying its text alone.  Octave errors
// raised by BODY pass unchanged; every handle BODY opened is released on
// the way out.
template <typename Body>
void
run_guarded (Body&& body)
{
  std::string failure;
  {
    h5::SilentErrors silence;
    try
      {
        body ();
        return;
      }
    catch (const h5::Exception& e)
      {
        failure = e.what ();
      }
  }
  error ("%s", failure.c_str ());
}

// The common location checks of the entry functions: PREFIX is the
// function's message prefix, QUOTE_MISSING whether the missing-location
// message quotes the path.
void
check_location (const h5::File& file, const std::string& location,
                const char *prefix, bool quote_missing)
{
  if (! validLocation (location))
    error ("%s: %s", prefix, lastError.c_str ());
  if (! locationExists (file, location))
    {
      if (quote_missing)
        error ("%s: location '%s' does not exist", prefix, location.c_str ());
      error ("%s: location %s does not exist", prefix, location.c_str ());
    }
}

// Writes the attribute ATTNAME of the group or dataset LOCATION of FILENAME
// from the exchange that PREPARE binds to the value, replacing an attribute
// of that name, with the disk space set aside first and the file flushed.
template <typename Prepare>
void
write_attribute (const std::string& filename, const std::string& location,
                 const std::string& attname, Prepare&& prepare)
{
  run_guarded ([&] ()
  {
    headroom room;
    h5::File file (filename, h5::File::ReadWrite);
    check_location (file, location, "h5writeatt", true);

    data_exchange ex;
    prepare (ex);
    if (! room.reserve (filename, ex.attribute_need ()))
      error ("h5writeatt: %s", lastError.c_str ());

    switch (file.getObjectType (location))
      {
      case h5::ObjectType::Dataset:
        {
          h5::DataSet dataset = file.getDataSet (location);
          ex.write_as_attribute (dataset, attname);
        }
        break;
      case h5::ObjectType::Group:
        {
          h5::Group group = file.getGroup (location);
          ex.write_as_attribute (group, attname);
        }
        break;
      default:
        error ("h5writeatt: location has unsupported object type");
      }
    file.flush ();
  });
}

} // namespace

// The body of __h5read__ and __h5read_any__: ANY_TYPE reads every
// datatype class and null dataspaces through read_any.
octave_value_list
read_dataset_entry (const octave_value_list& args, const char *name,
                    bool any_type)
{
  if (args.length () != 5)
    error ("%s: wrong # of args", name);

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();
  uint64NDArray start = args(2).uint64_array_value ();
  uint64NDArray count = args(3).uint64_array_value ();
  uint64NDArray stride = args(4).uint64_array_value ();

  octave_value result;
  run_guarded ([&] ()
  {
    h5::File file (filename, h5::File::ReadOnly);
    check_location (file, location, "h5read", false);
    if (file.getObjectType (location) != h5::ObjectType::Dataset)
      error ("h5read: location '%s' is not a Dataset", location.c_str ());

    data_exchange ex;
    ex.any_type = any_type;
    h5::DataSet dataset = file.getDataSet (location);
    if (! ex.assign (&dataset))
      error ("h5read: dataset %s: %s", location.c_str (), lastError.c_str ());
    if (start.numel () > 0 && ! ex.selectHyperslab (start, count, stride, false))
      error ("h5read: hyperslab selection: %s", lastError.c_str ());
    result = any_type ? read_any (ex, "h5read") : ex.read ();
    if (result.is_undefined () && ! lastError.empty ())
      error ("h5read: %s", lastError.c_str ());
  });
  return octave_value_list (result);
}

// The body of __h5readatt__ and __h5readatt_any__: ANY_TYPE reads every
// datatype class and null dataspaces through read_any, and also the
// attributes of committed datatypes.
octave_value_list
read_attribute_entry (const octave_value_list& args, const char *name,
                      bool any_type)
{
  if (args.length () != 3)
    error ("%s: wrong # of args", name);

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();
  std::string attname = args(2).string_value ();

  octave_value result;
  run_guarded ([&] ()
  {
    h5::File file (filename, h5::File::ReadOnly);
    check_location (file, location, "h5readatt", true);
    auto read = [&] (const h5::Annotated& obj)
    {
      data_exchange ex;
      ex.any_type = any_type;
      return read_attr_with (obj, attname, ex, [any_type] (data_exchange& e)
                             {
                               return any_type ? read_any (e, "h5readatt")
                                               : e.read_attribute ();
                             });
    };
    h5::ObjectType kind = file.getObjectType (location);
    if (kind == h5::ObjectType::Dataset)
      result = read (file.getDataSet (location));
    else if (kind == h5::ObjectType::Group)
      result = read (file.getGroup (location));
    else if (kind == h5::ObjectType::UserDataType && any_type)
      {
        h5::Annotated type (H5Topen2 (file.getId (), location.c_str (), H5P_DEFAULT));
        if (type.getId () < 0)
          h5::raise<h5::DataTypeException> ("Unable to open the datatype \"" + location + "\":");
        result = read (type);
      }
    else
      error ("h5readatt: location has unsupported object type");
  });
  return octave_value_list (result);
}

} // namespace tolvane

using namespace tolvane;

// An installed package keeps the module in its architecture directory; pkg
// gathers these lines into the PKG_ADD beside it.

namespace {

// Options of h5create beyond the seven arguments of __h5create__.
struct create_extras
{
  bool shuffle = false;
  bool fletcher32 = false;
  octave_value fill;   // undefined or empty: HDF5's default fill value
};

// The body of __h5create__ and __h5create_ext__: ARGS holds the seven
// arguments of __h5create__.  Filters go in the order shuffle, deflate,
// Fletcher32, as h5py sets them.
void
create_dataset (const octave_value_list& args, const create_extras& extras)
{
  std::string filename = args(0).string_value ();
  bool create = args(1).bool_value ();
  std::string location = args(2).string_value ();
  uint64NDArray size = args(3).uint64_array_value ();
  std::string spec = args(4).string_value ();
  uint64NDArray chunk = args(5).uint64_array_value ();
  int deflate = args(6).int_value ();

  octave_idx_type n = size.numel ();
  if (chunk.numel () > 0 && chunk.numel () < n)
    error ("h5create: chunk size has %ld entries but the dataset size has %ld",
           static_cast<long> (chunk.numel ()), static_cast<long> (n));
  if (deflate < 0 || deflate > 9)
    error ("h5create: deflate level must be an integer from 0 to 9");
  if (deflate > 0 && chunk.numel () == 0)
    error ("h5create: deflate compression requires a chunked dataset");

  run_guarded ([&] ()
  {
    if (create && access (filename.c_str (), F_OK) != 0
        && ! headroom::available_for_new (filename, metadata_headroom))
      error ("h5create: %s", lastError.c_str ());
    headroom room;
    h5::File file (filename, create ? h5::File::Create : h5::File::ReadWrite);
    if (! room.reserve (filename, metadata_headroom))
      error ("h5create: %s", lastError.c_str ());
    if (! validLocation (location))
      error ("h5create: %s", lastError.c_str ());
    if (locationExists (file, location))
      error ("h5create: location '%s' already exists", location.c_str ());
    if (! canCreate (file, location))
      error ("h5create: location '%s' cannot be created. Check that intermediate nodes are of type Group",
             location.c_str ());

    h5::DataSpace space (h5::DataSpace::dataspace_scalar);
    bool scalar = (n == 1 && size(0).value () == 1)
                  || (n == 2 && size(0).value () == 1 && size(1).value () == 1);
    if (! scalar)
      {
        std::vector<hsize_t> extents (n), maxima (n);
        for (octave_idx_type k = 0; k < n; k++)
          {
            uint64_t s = size(k).value ();
            extents[n - 1 - k] = (s == tolvane::all_ones) ? 0 : s;
            maxima[n - 1 - k] = s;
          }
        space = h5::DataSpace (extents, maxima);
      }

    h5::DataSetCreateProps props;
    if (chunk.numel () > 0)
      {
        std::vector<hsize_t> dims (n);
        for (octave_idx_type k = 0; k < n; k++)
          dims[n - 1 - k] = chunk(k).value ();
        props.setChunk (dims);
      }
    if (extras.shuffle)
      props.setShuffle ();
    if (deflate > 0)
      props.setDeflate (static_cast<unsigned> (deflate));
    if (extras.fletcher32)
      props.setFletcher32 ();
    if (extras.fill.is_defined () && ! extras.fill.isempty ())
      {
        data_exchange fill;
        if (! fill.assign (extras.fill) || fill.type_spec != spec
            || fill.type_spec == "string" || extras.fill.numel () != 1)
          error ("h5create: FillValue must be a scalar of the class %s",
                 spec.c_str ());
        std::vector<char> bytes = fill.raw_elements ();
        props.setFillValue (fill.dtype, bytes.data ());
      }

    h5::DataType type = h5type_from_spec (spec);
    file.createDataSet (location, space, type, props, true);
    file.flush ();
  });
}

} // namespace

// PKG_ADD: autoload ("__h5create__", "tolvane.oct");
DEFUN_DLD (__h5create__, args, ,
           "__h5create__: backend for h5create\n"
           "Users should not use this directly. Use h5create.m instead")
{
  if (args.length () != 7)
    error ("__h5create__: wrong # of args");

  create_dataset (args, create_extras ());
  return octave_value_list ();
}

// PKG_ADD: autoload ("__h5read__", "tolvane.oct");
DEFUN_DLD (__h5read__, args, ,
           "__h5read__: backend for h5read\n"
           "Users should not use this directly. Use h5read.m instead")
{
  return read_dataset_entry (args, "__h5read__", false);
}

// PKG_ADD: autoload ("__h5dims__", "tolvane.oct");
DEFUN_DLD (__h5dims__, args, ,
           "__h5dims__: the extents of a dataset, for h5read and h5write\n"
           "Users should not use this directly.")
{
  if (args.length () != 2)
    error ("__h5dims__: wrong # of args");

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();

  // Octave order, one entry per dimension; none for a scalar or null
  // dataspace.
  uint64NDArray dims (dim_vector (1, 0));
  run_guarded ([&] ()
  {
    h5::File file (filename, h5::File::ReadOnly);
    check_location (file, location, "__h5dims__", false);
    if (file.getObjectType (location) != h5::ObjectType::Dataset)
      error ("__h5dims__: location '%s' is not a Dataset", location.c_str ());
    dspace_info_t info;
    info.assign (file.getDataSet (location).getSpace ());
    if (info.extent_type == "Simple")
      dims = info.dims;
  });
  return octave_value_list (octave_value (dims));
}

// PKG_ADD: autoload ("__h5write__", "tolvane.oct");
DEFUN_DLD (__h5write__, args, ,
           "__h5write__: backend for h5write\n"
           "Users should not use this directly. Use h5write.m instead")
{
  if (args.length () != 6)
    error ("__h5write__: wrong # of args");

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();
  octave_value value = args(2);
  uint64NDArray start = args(3).uint64_array_value ();
  uint64NDArray count = args(4).uint64_array_value ();
  uint64NDArray stride = args(5).uint64_array_value ();

  run_guarded ([&] ()
  {
    headroom room;
    h5::File file (filename, h5::File::ReadWrite);
    check_location (file, location, "h5write", false);
    if (file.getObjectType (location) != h5::ObjectType::Dataset)
      error ("h5write: location '%s' is not a Dataset", location.c_str ());

    data_exchange target;
    h5::DataSet dataset = file.getDataSet (location);
    if (! target.assign (&dataset))
      error ("h5write: dataset %s: %s", location.c_str (), lastError.c_str ());

    data_exchange source;
    if (! source.assign (value))
      error ("h5write: octave data: %s", lastError.c_str ());
    if (value.numel () == 0)
      error ("h5write: octave data: the value has no elements to write");
    if (source.type_spec == "string" && target.dtype_info.size != tolvane::all_ones)
      error ("h5write: export of string data is supported only to variable size HDF5 string datasets");

    if (start.numel () > 0 && ! target.selectHyperslab (start, count, stride, true))
      error ("h5write: hyperslab selection: %s", lastError.c_str ());
    // A selection that grows the dataset grows it even when the value then
    // does not fit; that growth needs room for its metadata only.
    bool fits = source.isCompatible (target);
    std::string mismatch = lastError;
    if (! room.reserve (filename, fits ? source.storage_need (target)
                                       : metadata_headroom))
      error ("h5write: %s", lastError.c_str ());
    target.extend ();
    if (! fits)
      error ("h5write: incompatible dataset and octave data: %s", mismatch.c_str ());
    source.write (target);
    file.flush ();
  });
  return octave_value_list ();
}

// PKG_ADD: autoload ("__h5readatt__", "tolvane.oct");
DEFUN_DLD (__h5readatt__, args, ,
           "__h5readatt__: backend for h5readatt\n"
           "Users should not use this directly. Use h5readatt.m instead")
{
  return read_attribute_entry (args, "__h5readatt__", false);
}

// PKG_ADD: autoload ("__h5writeatt__", "tolvane.oct");
DEFUN_DLD (__h5writeatt__, args, ,
           "__h5writeatt__: backend for h5writeatt\n"
           "Users should not use this directly. Use h5writeatt.m instead")
{
  if (args.length () != 4)
    error ("__h5writeatt__: wrong # of args");

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();
  std::string attname = args(2).string_value ();
  octave_value value = args(3);

  write_attribute (filename, location, attname, [&] (data_exchange& ex)
  {
    if (! ex.assign (value))
      error ("h5writeatt: data value val: %s", lastError.c_str ());
    if (value.numel () == 0)
      error ("h5writeatt: data value val: the value has no elements to write");
  });
  return octave_value_list ();
}

// PKG_ADD: autoload ("__h5writeatt_text__", "tolvane.oct");
DEFUN_DLD (__h5writeatt_text__, args, ,
           "__h5writeatt_text__: backend for h5writeatt of text as fixed-length strings\n"
           "Users should not use this directly. Use h5writeatt.m instead")
{
  if (args.length () != 5)
    error ("__h5writeatt_text__: wrong # of args");

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();
  std::string attname = args(2).string_value ();
  octave_value text = args(3);
  bool utf8 = args(4).bool_value ();

  // A character row is one string; the rows of a character matrix and the
  // cells of a cell array of strings are one string each.
  bool scalar = false;
  Array<std::string> strings;
  if (text.is_string () && text.ndims () == 2 && text.rows () <= 1)
    {
      scalar = true;
      strings = Array<std::string> (dim_vector (1, 1), text.string_value ());
    }
  else if (text.is_string () && text.ndims () == 2)
    {
      string_vector rows = text.string_vector_value ();
      strings = Array<std::string> (dim_vector (1, rows.numel ()));
      for (octave_idx_type i = 0; i < rows.numel (); i++)
        strings(i) = rows(i);
    }
  else if (text.iscellstr ())
    strings = text.cellstr_value ();
  else
    error ("__h5writeatt_text__: TEXT must be a character array or a cell array of strings");

  write_attribute (filename, location, attname, [&] (data_exchange& ex)
  {
    if (! ex.assign_text (strings, scalar, utf8))
      error ("h5writeatt: data value val: %s", lastError.c_str ());
  });
  return octave_value_list ();
}

// PKG_ADD: autoload ("h5info", "tolvane.oct");
DEFUN_DLD (h5info, args, ,
           "-*- texinfo -*- \n"
           "@deftypefn {Loadable Function} {@var{info}=} h5info (@var{filename}) \n"
           "@deftypefnx {Loadable Function} {@var{info}=} h5info (@var{filename}, @var{location}) \n"
           "\n"
           "Return information about the content of a HDF5 file.\n"
           "\n"
           "@code{info = h5info(@var{filename})} returns information about an entire HDF5 file.\n"
           "\n"
           "@code{info = h5info(@var{filename},@var{location})} returns information about the specified location in the HDF5 file.\n"
           "\n"
           "The return value, @var{info}, is a structure with detailed information on the groups, datasets, and datatypes contained in the file.\n"
           "\n"
           "@seealso{h5disp}\n"
           "@end deftypefn")
{
  int nargin = args.length ();
  if (nargin < 1 || nargin > 2 || ! args(0).is_string ())
    print_usage ();
  std::string filename = args(0).string_value ();
  std::string location = "/";
  if (nargin == 2)
    {
      if (! args(1).is_string ())
        print_usage ();
      location = args(1).string_value ();
    }

  octave_value result;
  run_guarded ([&] ()
  {
    h5::File file (filename, h5::File::ReadOnly);
    check_location (file, location, "h5info", true);
    switch (file.getObjectType (location))
      {
      case h5::ObjectType::Dataset:
        {
          dset_info_t info;
          info.assign (file.getDataSet (location), location);
          result = info.oct_map ();
        }
        break;
      case h5::ObjectType::Group:
        {
          group_info_t info;
          info.assign (file.getGroup (location), location);
          result = info.oct_map ();
        }
        break;
      default:
        error ("h5info: location '%s' has unsupported object type",
               location.c_str ());
      }
  });
  return octave_value_list (result);
}

// PKG_ADD: autoload ("__h5read_any__", "tolvane.oct");
DEFUN_DLD (__h5read_any__, args, ,
           "__h5read_any__: backend for h5read, every datatype class\n"
           "Users should not use this directly. Use h5read.m instead")
{
  return read_dataset_entry (args, "__h5read_any__", true);
}

// PKG_ADD: autoload ("__h5readatt_any__", "tolvane.oct");
DEFUN_DLD (__h5readatt_any__, args, ,
           "__h5readatt_any__: backend for h5readatt, every datatype class\n"
           "Users should not use this directly. Use h5readatt.m instead")
{
  return read_attribute_entry (args, "__h5readatt_any__", true);
}

// PKG_ADD: autoload ("__h5walk__", "tolvane.oct");
DEFUN_DLD (__h5walk__, args, ,
           "__h5walk__: backend for h5disp\n"
           "Users should not use this directly. Use h5disp.m instead")
{
  if (args.length () != 2)
    error ("__h5walk__: wrong # of args");

  std::string filename = args(0).string_value ();
  std::string location = args(1).string_value ();

  octave_value result;
  run_guarded ([&] ()
  {
    h5::File file (filename, h5::File::ReadOnly);
    check_location (file, location, "h5disp", true);
    result = walk_location (file, location);
  });
  return octave_value_list (result);
}

// PKG_ADD: autoload ("__h5create_ext__", "tolvane.oct");
DEFUN_DLD (__h5create_ext__, args, ,
           "__h5create_ext__: backend for h5create with the options Shuffle,\n"
           "Fletcher32 and FillValue (the last three arguments)\n"
           "Users should not use this directly. Use h5create.m instead")
{
  if (args.length () != 10)
    error ("__h5create_ext__: wrong # of args");

  create_extras extras;
  extras.shuffle = args(7).bool_value ();
  extras.fletcher32 = args(8).bool_value ();
  extras.fill = args(9);
  if ((extras.shuffle || extras.fletcher32) && args(5).isempty ())
    error ("h5create: the shuffle and Fletcher32 filters require a chunked dataset");
  create_dataset (args.slice (0, 7), extras);
  return octave_value_list ();
}

// PKG_ADD: autoload ("__h5chunks__", "tolvane.oct");
DEFUN_DLD (__h5chunks__, args, ,
           "__h5chunks__: how the last dataset read or write of the module\n"
           "moved its data: a struct with the fields path (\"threads\" or\n"
           "\"hdf5\"), threads, chunks, filled and reason.  For tests.")
{
  if (args.length () != 0)
    error ("__h5chunks__: wrong # of args");
  const chunks::report_t& r = chunks::last_report;
  octave_scalar_map m;
  m.assign ("path", r.path);
  m.assign ("threads", static_cast<double> (r.threads));
  m.assign ("chunks", static_cast<double> (r.chunks));
  m.assign ("filled", static_cast<double> (r.filled));
  m.assign ("reason", r.reason);
  m.assign ("max_threads", static_cast<double> (chunks::thread_count ()));
  return octave_value_list (octave_value (m));
}
