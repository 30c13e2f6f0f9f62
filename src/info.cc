// File introspection.

#include "info.h"

#include <algorithm>

#include "exchange.h"

#include <sys/resource.h>

std::string
h5_concat_path (const std::string& parent, const std::string& name)
{
  std::string path = parent;
  if (path.empty () || path.back () != '/')
    path += '/';
  return path + name;
}

namespace tolvane {

namespace {

// The attributes as a struct with one field per name, in name order.  An
// attribute that cannot be represented shows as [], since a struct holding
// an undefined value cannot be displayed.
octave_value
attributes_struct (const std::map<std::string, octave_value>& attributes)
{
  std::map<std::string, octave_value> fields;
  for (const auto& [name, val] : attributes)
    fields[name] = val.is_defined () ? val : octave_value (Matrix ());
  return octave_value (fields);
}

// An Nx1 struct array with the field list NAMES, whose elements are the
// renderings of RECORDS.
template <typename Record>
octave_map
struct_array (const std::vector<Record>& records,
              std::initializer_list<const char *> names)
{
  string_vector keys (names.size ());
  octave_idx_type k = 0;
  for (const char *name : names)
    keys(k++) = name;
  octave_map array (dim_vector (records.size (), 1), keys);
  for (std::size_t i = 0; i < records.size (); i++)
    array.fast_elem_insert (i, records[i].oct_map ());
  return array;
}

} // namespace

// The walk, the rendering and Octave's own handling of the nested structs
// all recurse once per level, so the limit follows the size of the stack,
// leaving room to spare.  It is taken once, at the first walk.
namespace {

std::size_t
stack_depth_limit ()
{
  rlimit limit;
  uint64_t stack = uint64_t (8) << 20;
  if (getrlimit (RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    stack = limit.rlim_cur;
  return std::max<uint64_t> (256, std::min<uint64_t> (stack / 1536, 65536));
}

} // namespace

std::size_t
path_entry::max_depth ()
{
  static const std::size_t limit = stack_depth_limit ();
  return limit;
}

path_entry::path_entry (std::set<std::string>& on_path,
                        const h5::Annotated& group)
  : m_on_path (on_path)
{
  if (on_path.size () >= max_depth ())
    return;
  m_key = group.objectKey ();
  m_status = on_path.insert (m_key).second ? entered : path_entry::on_path;
}

path_entry::~path_entry ()
{
  if (m_status == entered)
    m_on_path.erase (m_key);
}

octave_scalar_map
named_dtype_info_t::oct_map () const
{
  octave_scalar_map map;
  map.setfield ("Name", name);
  return map;
}

void
dset_info_t::assign (const h5::DataSet& dataset, const std::string& path)
{
  name = path;
  dtype_info.assign (dataset.getDataType ());
  dspace_info.assign (dataset.getSpace ());
  if (dspace_info.extent_type == "Simple")
    {
      int n = static_cast<int> (dspace_info.dims.numel ());
      std::vector<hsize_t> chunk = dataset.getChunkDims (n);
      if (! chunk.empty ())
        {
          chunk_size = uint64NDArray (dim_vector (1, n));
          for (int j = 0; j < n; j++)
            chunk_size(j) = chunk[n - 1 - j];
        }
    }
  attributes = readAttributes (dataset);
}

octave_scalar_map
dset_info_t::oct_map () const
{
  std::map<std::string, octave_value> fields;
  fields["Name"] = name;
  fields["Datatype"] = dtype_info.oct_map ();
  fields["Dataspace"] = dspace_info.oct_map ();
  fields["ChunkSize"] = chunk_size;
  fields["Attributes"] = attributes_struct (attributes);
  return octave_scalar_map (fields);
}

void
group_info_t::assign (const h5::Group& group, const std::string& path)
{
  std::set<std::string> on_path;
  walk (group, path, on_path);
}

void
group_info_t::walk (const h5::Group& group, const std::string& path,
                    std::set<std::string>& on_path)
{
  name = path;
  path_entry entry (on_path, group);
  if (entry.status () == path_entry::too_deep)
    throw h5::GroupException ("Unable to describe the groups: they are nested more than "
                              + std::to_string (path_entry::max_depth ())
                              + " levels deep");
  if (entry.status () == path_entry::entered)
    {
      std::size_t n = group.getNumberObjects ();
      for (std::size_t i = 0; i < n; i++)
        {
          std::string link = group.getObjectName (i);
          std::string child_path = h5_concat_path (path, link);
          switch (group.getObjectType (link))
            {
            case h5::ObjectType::Group:
              {
                group_info_t child;
                child.walk (group.getGroup (link), child_path, on_path);
                groups.push_back (std::move (child));
              }
              break;

            case h5::ObjectType::Dataset:
              {
                dset_info_t child;
                child.assign (group.getDataSet (link), child_path);
                datasets.push_back (std::move (child));
              }
              break;

            case h5::ObjectType::UserDataType:
              datatypes.push_back (named_dtype_info_t {child_path});
              break;

            default:
              break;
            }
        }
    }
  attributes = readAttributes (group);
}

octave_scalar_map
group_info_t::oct_map () const
{
  std::map<std::string, octave_value> fields;
  fields["Name"] = name;
  fields["Groups"] = struct_array (groups, {"Name", "Groups", "Datasets",
                                            "Datatypes", "Attributes"});
  fields["Datasets"] = struct_array (datasets, {"Name", "Datatype", "Dataspace",
                                                "ChunkSize", "Attributes"});
  fields["Datatypes"] = struct_array (datatypes, {"Name"});
  fields["Attributes"] = attributes_struct (attributes);
  return octave_scalar_map (fields);
}

} // namespace tolvane
