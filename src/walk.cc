// The walk behind h5disp.
//
// Links are listed by name.  Soft, external and user-defined links are only
// asked whether they resolve (HDF5's errors silenced by the caller's frame)
// and are never entered; hard links are opened and described.  A group met
// again by a hard link to one of its ancestors, or nested too deep, is
// listed but not entered.

#include "walk.h"

#include <octave/ov-complex.h>
#include <octave/ov-flt-complex.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "description.h"
#include "composite.h"
#include "exchange.h"
#include "info.h"

namespace tolvane {

namespace {

// Types nest (compound members, base types) at most this deep in a
// description; deeper ones are given by their class alone.
constexpr int max_type_depth = 32;
// Attributes of at most this many elements have their values read.
constexpr hssize_t max_attribute_elements = 4096;
// Fill values of at most this many bytes are read.
constexpr std::size_t max_fill_bytes = 65536;
// Link values (soft link paths, external file and path) are at most this long.
constexpr std::size_t max_link_value = 1 << 20;

#if H5_VERSION_GE(1, 12, 0)
using link_info_t = H5L_info2_t;
#else
using link_info_t = H5L_info_t;
#endif

// A second handle on the object OBJ holds, as the handle class T.
template <typename T>
T
share (const h5::Object& obj)
{
  H5Iinc_ref (obj.getId ());
  return T (obj.getId ());
}

// A string HDF5 allocated, copied and released; empty for none.
std::string
take_string (char *s)
{
  std::string out = s ? s : "";
  if (s)
    H5free_memory (s);
  return out;
}

std::string
byte_order (hid_t id)
{
  switch (H5Tget_order (id))
    {
    case H5T_ORDER_LE: return "LE";
    case H5T_ORDER_BE: return "BE";
    case H5T_ORDER_VAX: return "VAX";
    case H5T_ORDER_MIXED: return "mixed";
    default: return "none";
    }
}

// Rows of a struct array whose fields are the names of FIELDS with the
// cells of their values, one row per cell element.
octave_map
records (std::initializer_list<std::pair<const char *, Cell>> fields,
         octave_idx_type n)
{
  octave_map map (dim_vector (n, 1));
  for (const auto& [name, values] : fields)
    map.setfield (name, values);
  return map;
}

// A row of doubles from HDF5 extents, reversed into Octave order.
RowVector
octave_order (const std::vector<hsize_t>& extents)
{
  std::size_t n = extents.size ();
  RowVector row (n);
  for (std::size_t k = 0; k < n; k++)
    row(k) = static_cast<double> (extents[n - 1 - k]);
  return row;
}

octave_scalar_map type_at (const h5::DataType& type, int depth);

// The base type of an array, vlen or enumeration type.
h5::DataType
super_of (const h5::DataType& type)
{
  h5::DataType base (H5Tget_super (type.getId ()));
  if (base.getId () < 0)
    h5::raise<h5::DataTypeException> ("Unable to get the base type of the datatype");
  return base;
}

int
member_count (hid_t id)
{
  int n = H5Tget_nmembers (id);
  if (n < 0)
    h5::raise<h5::DataTypeException> ("Unable to count the members of the datatype");
  return n;
}

// Name, Offset and Type of each member of a compound type.
octave_map
compound_members (const h5::DataType& type, int depth)
{
  hid_t id = type.getId ();
  int n = member_count (id);
  Cell names (n, 1), offsets (n, 1), types (n, 1);
  for (int i = 0; i < n; i++)
    {
      names(i) = take_string (H5Tget_member_name (id, i));
      offsets(i) = static_cast<double> (H5Tget_member_offset (id, i));
      h5::DataType member (H5Tget_member_type (id, i));
      if (member.getId () < 0)
        h5::raise<h5::DataTypeException> ("Unable to get the type of a compound member");
      types(i) = type_at (member, depth + 1);
    }
  return records ({{"Name", names}, {"Offset", offsets}, {"Type", types}}, n);
}

// Name and Value of each member of an enumeration type over BASE.
octave_map
enum_members (const h5::DataType& type, const h5::DataType& base)
{
  hid_t id = type.getId ();
  int n = member_count (id);
  Cell names (n, 1), values (n, 1);
  bool is_signed = H5Tget_sign (base.getId ()) != H5T_SGN_NONE;
  std::vector<unsigned char> buf (std::max<std::size_t> (base.getSize (), 16));
  for (int i = 0; i < n; i++)
    {
      names(i) = take_string (H5Tget_member_name (id, i));
      std::fill (buf.begin (), buf.end (), 0);
      if (H5Tget_member_value (id, i, buf.data ()) < 0
          || H5Tconvert (base.getId (), is_signed ? H5T_NATIVE_LLONG : H5T_NATIVE_ULLONG,
                         1, buf.data (), nullptr, H5P_DEFAULT) < 0)
        h5::raise<h5::DataTypeException> ("Unable to get the value of an enumeration member");
      if (is_signed)
        values(i) = octave_int64 (*reinterpret_cast<long long *> (buf.data ()));
      else
        values(i) = octave_uint64 (*reinterpret_cast<unsigned long long *> (buf.data ()));
    }
  return records ({{"Name", names}, {"Value", values}}, n);
}

std::string
reference_kind (hid_t id)
{
  if (H5Tequal (id, H5T_STD_REF_OBJ) > 0)
    return "object";
  if (H5Tequal (id, H5T_STD_REF_DSETREG) > 0)
    return "region";
#if H5_VERSION_GE(1, 12, 0)
  if (H5Tequal (id, H5T_STD_REF) > 0)
    return "any";
#endif
  return "unknown";
}

// The description of TYPE, classified as INFO.
octave_scalar_map
type_at (const h5::DataType& type, const dtype_info_t& info, int depth)
{
  hid_t id = type.getId ();
  octave_scalar_map map;
  map.setfield ("Class", info.type_class);
  map.setfield ("OctaveClass", info.octave_class);
  map.setfield ("Size", static_cast<double> (type.getSize ()));
  if (depth >= max_type_depth)
    return map;
  const std::string& cls = info.type_class;
  if (cls == "int" || cls == "float" || cls == "bitfield" || cls == "time")
    {
      map.setfield ("ByteOrder", byte_order (id));
      map.setfield ("Precision", static_cast<double> (H5Tget_precision (id)));
      map.setfield ("Offset", static_cast<double> (H5Tget_offset (id)));
    }
  if (cls == "int")
    map.setfield ("Sign", info.sign);
  else if (cls == "float")
    {
      std::size_t spos = 0, epos = 0, esize = 0, mpos = 0, msize = 0;
      H5Tget_fields (id, &spos, &epos, &esize, &mpos, &msize);
      map.setfield ("ExponentBits", static_cast<double> (esize));
      map.setfield ("MantissaBits", static_cast<double> (msize));
    }
  else if (cls == "string")
    {
      if (info.size == all_ones)
        map.setfield ("Length", "variable");
      else
        map.setfield ("Length", static_cast<double> (info.size));
      map.setfield ("Padding", info.padding);
      map.setfield ("CharacterSet", info.char_set);
    }
  else if (cls == "compound")
    map.setfield ("Members", compound_members (type, depth));
  else if (cls == "enum")
    {
      h5::DataType base = super_of (type);
      map.setfield ("BaseType", type_at (base, depth + 1));
      map.setfield ("Members", enum_members (type, base));
    }
  else if (cls == "array")
    {
      int rank = H5Tget_array_ndims (id);
      if (rank < 0)
        h5::raise<h5::DataTypeException> ("Unable to get the rank of the array type");
      std::vector<hsize_t> dims (rank);
      if (rank > 0 && H5Tget_array_dims2 (id, dims.data ()) < 0)
        h5::raise<h5::DataTypeException> ("Unable to get the extents of the array type");
      map.setfield ("Dims", octave_order (dims));
      map.setfield ("BaseType", type_at (super_of (type), depth + 1));
    }
  else if (cls == "vlen")
    map.setfield ("BaseType", type_at (super_of (type), depth + 1));
  else if (cls == "opaque")
    map.setfield ("Tag", take_string (H5Tget_tag (id)));
  else if (cls == "reference")
    map.setfield ("Kind", reference_kind (id));
  return map;
}

octave_scalar_map
type_at (const h5::DataType& type, int depth)
{
  dtype_info_t info;
  info.assign (type);
  return type_at (type, info, depth);
}

octave_scalar_map
space_map (const h5::DataSpace& space)
{
  dspace_info_t info;
  info.assign (space);
  return info.oct_map ();
}

// The value of an attribute the module reads, of at most
// max_attribute_elements elements; [] for any other.
octave_value
attribute_value (const h5::Attribute& attr, const h5::DataType& type,
                 const h5::DataSpace& space)
{
  hssize_t n = H5Sget_simple_extent_npoints (space.getId ());
  if (n >= 0 && n <= max_attribute_elements)
    {
      try
        {
          // Composite values are read as h5read reads them, except those
          // holding references, which would read whole referenced datasets.
          data_exchange ex;
          ex.any_type = H5Tdetect_class (type.getId (), H5T_REFERENCE) == 0
                        && H5Tdetect_class (type.getId (), H5T_TIME) == 0;
          if (ex.assign (&attr))
            {
              octave_value v = ex.any_type ? read_any (ex, "h5disp")
                                           : ex.read_attribute ();
              if (v.is_defined ())
                return v;
            }
        }
      catch (const h5::Exception&)
        {
          H5Eclear2 (H5E_DEFAULT);
        }
    }
  return octave_value (Matrix ());
}

// Name, Datatype, Dataspace and Value of every attribute, in name order;
// no rows when LISTED is false.
octave_map
attribute_records (const h5::Annotated& obj, bool listed = true)
{
  std::vector<std::string> names;
  if (listed)
    names = obj.listAttributeNames ();
  octave_idx_type n = names.size ();
  Cell name (n, 1), type (n, 1), space (n, 1), value (n, 1);
  for (octave_idx_type i = 0; i < n; i++)
    {
      h5::Attribute attr = obj.getAttribute (names[i]);
      h5::DataType dt = attr.getDataType ();
      h5::DataSpace sp = attr.getSpace ();
      name(i) = names[i];
      type(i) = describe_type (dt);
      space(i) = space_map (sp);
      value(i) = attribute_value (attr, dt, sp);
    }
  return records ({{"Name", name}, {"Datatype", type}, {"Dataspace", space},
                   {"Value", value}}, n);
}

std::string
layout_name (H5D_layout_t layout)
{
  switch (layout)
    {
    case H5D_COMPACT: return "compact";
    case H5D_CONTIGUOUS: return "contiguous";
    case H5D_CHUNKED: return "chunked";
    case H5D_VIRTUAL: return "virtual";
    default: return "unknown";
    }
}

// Id, Name, Parameters and Optional of each filter of the pipeline.
octave_map
filter_records (const h5::PropertyList& dcpl)
{
  hid_t id = dcpl.getId ();
  int n = H5Pget_nfilters (id);
  if (n < 0)
    h5::raise<h5::PropertyException> ("Unable to count the filters of the dataset");
  Cell ids (n, 1), names (n, 1), params (n, 1), optional (n, 1);
  for (int i = 0; i < n; i++)
    {
      unsigned flags = 0, config = 0;
      unsigned values[32] = {0};
      std::size_t count = 32;
      char name[256] = {0};
      H5Z_filter_t filter = H5Pget_filter2 (id, i, &flags, &count, values,
                                            sizeof (name), name, &config);
      if (filter < 0)
        h5::raise<h5::PropertyException> ("Unable to get a filter of the dataset");
      RowVector p (std::min<std::size_t> (count, 32));
      for (octave_idx_type k = 0; k < p.numel (); k++)
        p(k) = values[k];
      ids(i) = static_cast<double> (filter);
      names(i) = std::string (name, strnlen (name, sizeof (name) - 1));
      params(i) = p;
      optional(i) = (flags & H5Z_FLAG_OPTIONAL) != 0;
    }
  return records ({{"Id", ids}, {"Name", names}, {"Parameters", params},
                   {"Optional", optional}}, n);
}

// The value in Octave's class CLS of a scalar read as a wider one.
octave_value
as_class (const octave_value& v, const std::string& cls)
{
  if (cls == "int8") return v.as_int8 ();
  if (cls == "uint8") return v.as_uint8 ();
  if (cls == "int16") return v.as_int16 ();
  if (cls == "uint16") return v.as_uint16 ();
  if (cls == "int32") return v.as_int32 ();
  if (cls == "uint32") return v.as_uint32 ();
  if (cls == "single") return v.as_single ();
  return v;
}

// The fill value as an Octave value, for types the module reads; [] for
// any other.
octave_value
decoded_fill (const h5::PropertyList& dcpl, const h5::DataType& type,
              const dtype_info_t& info, const std::vector<unsigned char>& bytes)
{
  hid_t plist = dcpl.getId ();
  const std::string& cls = info.octave_class;
  if (cls.empty ())
    return octave_value (Matrix ());
  if (cls == "string" && info.size == all_ones)
    {
      char *s = nullptr;
      if (H5Pget_fill_value (plist, type.getId (), &s) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      std::string text = s ? s : "";
      h5::DataSpace scalar (h5::DataSpace::dataspace_scalar);
#if H5_VERSION_GE(1, 12, 0)
      H5Treclaim (type.getId (), scalar.getId (), H5P_DEFAULT, &s);
#else
      H5Dvlen_reclaim (type.getId (), scalar.getId (), H5P_DEFAULT, &s);
#endif
      return octave_value (text);
    }
  if (cls == "string")
    {
      std::string text (bytes.begin (), bytes.end ());
      std::size_t end = (info.padding == "spacepad") ? text.find_last_not_of (' ') + 1
                                                     : text.find ('\0');
      return octave_value (text.substr (0, std::min (end, text.size ())));
    }
  if (cls == "logical")
    {
      signed char b = 0;
      if (H5Pget_fill_value (plist, h5traits<bool>::predType ().getId (), &b) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      return octave_value (b != 0);
    }
  if (cls == "double complex" || cls == "single complex")
    {
      Complex z;
      if (H5Pget_fill_value (plist, h5::complex_type<double> ().getId (), &z) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      // Complex values keep their class even when the imaginary part is 0.
      if (cls == "single complex")
        return octave_value (new octave_float_complex (FloatComplex (z)));
      return octave_value (new octave_complex (z));
    }
  if (info.type_class == "float")
    {
      double x = 0;
      if (H5Pget_fill_value (plist, H5T_NATIVE_DOUBLE, &x) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      return as_class (octave_value (x), cls);
    }
  if (info.sign == "unsigned")
    {
      unsigned long long u = 0;
      if (H5Pget_fill_value (plist, H5T_NATIVE_ULLONG, &u) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      return as_class (octave_value (octave_uint64 (u)), transfer_spec (cls));
    }
  long long s = 0;
  if (H5Pget_fill_value (plist, H5T_NATIVE_LLONG, &s) < 0)
    h5::raise<h5::PropertyException> ("Unable to get the fill value");
  return as_class (octave_value (octave_int64 (s)), transfer_spec (cls));
}

// FillStatus ("undefined", "default", "user"), FillValue (the value, or
// [] for types the module does not read) and FillBytes (the value's bytes
// in the dataset's type, for types without variable-length parts or
// references).
void
describe_fill (octave_scalar_map& node, const h5::PropertyList& dcpl,
               const h5::DataType& type, const dtype_info_t& info)
{
  H5D_fill_value_t status;
  if (H5Pfill_value_defined (dcpl.getId (), &status) < 0)
    h5::raise<h5::PropertyException> ("Unable to tell whether the dataset has a fill value");
  octave_value value = Matrix ();
  uint8NDArray bytes (dim_vector (1, 0));
  bool defined = (status == H5D_FILL_VALUE_DEFAULT
                  || status == H5D_FILL_VALUE_USER_DEFINED);
  hid_t id = type.getId ();
  std::size_t size = type.getSize ();
  if (defined && size <= max_fill_bytes && info.size != all_ones
      && H5Tdetect_class (id, H5T_VLEN) == 0
      && H5Tdetect_class (id, H5T_REFERENCE) == 0)
    {
      std::vector<unsigned char> buf (size, 0);
      if (H5Pget_fill_value (dcpl.getId (), id, buf.data ()) < 0)
        h5::raise<h5::PropertyException> ("Unable to get the fill value");
      bytes = uint8NDArray (dim_vector (1, size));
      for (std::size_t k = 0; k < size; k++)
        bytes(k) = buf[k];
      value = decoded_fill (dcpl, type, info, buf);
    }
  else if (defined && info.size == all_ones)
    value = decoded_fill (dcpl, type, info, {});
  const char *text = (status == H5D_FILL_VALUE_DEFAULT) ? "default"
                     : (status == H5D_FILL_VALUE_USER_DEFINED) ? "user"
                     : "undefined";
  node.setfield ("FillStatus", text);
  node.setfield ("FillValue", value);
  node.setfield ("FillBytes", bytes);
}

octave_scalar_map
describe_dataset (const h5::DataSet& dataset, octave_scalar_map node)
{
  h5::DataType type = dataset.getDataType ();
  h5::DataSpace space = dataset.getSpace ();
  h5::PropertyList dcpl = dataset.getCreatePropertyList ();
  dtype_info_t info;
  info.assign (type);
  node.setfield ("Type", "dataset");
  node.setfield ("Datatype", type_at (type, info, 0));
  node.setfield ("Dataspace", space_map (space));
  node.setfield ("Layout", layout_name (H5Pget_layout (dcpl.getId ())));
  RowVector chunk;
  if (space.getExtentType () == H5S_SIMPLE)
    chunk = octave_order (dataset.getChunkDims (space.getNumberDimensions ()));
  node.setfield ("ChunkSize", chunk.numel () ? octave_value (chunk)
                                             : octave_value (Matrix ()));
  node.setfield ("Filters", filter_records (dcpl));
  describe_fill (node, dcpl, type, info);
  node.setfield ("Attributes", attribute_records (dataset));
  return node;
}

#if H5_VERSION_GE(1, 12, 0)
herr_t
collect_link (hid_t, const char *name, const H5L_info2_t *, void *data)
#else
herr_t
collect_link (hid_t, const char *name, const H5L_info_t *, void *data)
#endif
{
  static_cast<std::vector<std::string> *> (data)->emplace_back (name);
  return 0;
}

std::vector<std::string>
link_names (const h5::Group& group)
{
  std::vector<std::string> names;
  hsize_t idx = 0;
#if H5_VERSION_GE(1, 12, 0)
  herr_t status = H5Literate2 (group.getId (), H5_INDEX_NAME, H5_ITER_INC, &idx,
                               collect_link, &names);
#else
  herr_t status = H5Literate (group.getId (), H5_INDEX_NAME, H5_ITER_INC, &idx,
                              collect_link, &names);
#endif
  if (status < 0)
    h5::raise<h5::GroupException> ("Unable to list the links of the group");
  return names;
}

std::string
kind_name (h5::ObjectType kind)
{
  switch (kind)
    {
    case h5::ObjectType::Group: return "group";
    case h5::ObjectType::Dataset: return "dataset";
    case h5::ObjectType::UserDataType: return "datatype";
    default: return "other";
    }
}

class walker
{
public:
  octave_scalar_map group_node (const h5::Group& group, const std::string& path,
                                octave_scalar_map node);
  octave_scalar_map link_node (const h5::Group& parent, const std::string& name,
                               const std::string& path, bool follow);

private:
  octave_scalar_map object_node (const h5::Group& parent, const std::string& name,
                                 octave_scalar_map node);

  std::set<std::string> m_on_path;
};

octave_scalar_map
walker::group_node (const h5::Group& group, const std::string& path,
                    octave_scalar_map node)
{
  node.setfield ("Type", "group");
  // A level of this walk takes about three times the stack of h5info's.
  static const std::size_t max_depth = path_entry::max_depth () / 3;
  std::optional<path_entry> entry;
  if (m_on_path.size () < max_depth)
    entry.emplace (m_on_path, group);
  bool enter = entry && entry->status () == path_entry::entered;
  bool ancestor = entry && entry->status () == path_entry::on_path;
  node.setfield ("Status", enter ? "entered" : ancestor ? "ancestor" : "depth limit");
  Cell children (0, 1);
  octave_map attributes = attribute_records (group, enter);
  if (enter)
    {
      std::vector<std::string> names = link_names (group);
      children = Cell (names.size (), 1);
      for (std::size_t i = 0; i < names.size (); i++)
        children(i) = link_node (group, names[i], h5_concat_path (path, names[i]),
                                 false);
    }
  node.setfield ("Attributes", attributes);
  node.setfield ("Children", children);
  return node;
}

octave_scalar_map
walker::object_node (const h5::Group& parent, const std::string& name,
                     octave_scalar_map node)
{
  h5::Object obj (H5Oopen (parent.getId (), name.c_str (), H5P_DEFAULT));
  if (obj.getId () < 0)
    h5::raise<h5::ObjectException> ("Unable to open \"" + name + "\":");
  std::string path = node.getfield ("Path").string_value ();
  switch (H5Iget_type (obj.getId ()))
    {
    case H5I_GROUP:
      return group_node (share<h5::Group> (obj), path, node);
    case H5I_DATASET:
      return describe_dataset (share<h5::DataSet> (obj), node);
    case H5I_DATATYPE:
      node.setfield ("Type", "datatype");
      node.setfield ("Datatype", describe_type (share<h5::DataType> (obj)));
      node.setfield ("Attributes", attribute_records (share<h5::Annotated> (obj)));
      return node;
    default:
      node.setfield ("Type", "other");
      return node;
    }
}

octave_scalar_map
walker::link_node (const h5::Group& parent, const std::string& name,
                   const std::string& path, bool follow)
{
  octave_scalar_map node;
  node.setfield ("Name", name);
  node.setfield ("Path", path);
  hid_t gid = parent.getId ();
  link_info_t info;
#if H5_VERSION_GE(1, 12, 0)
  herr_t status = H5Lget_info2 (gid, name.c_str (), &info, H5P_DEFAULT);
#else
  herr_t status = H5Lget_info (gid, name.c_str (), &info, H5P_DEFAULT);
#endif
  if (status < 0)
    h5::raise<h5::GroupException> ("Unable to get the link \"" + path + "\":");
  if (info.type == H5L_TYPE_HARD)
    return object_node (parent, name, node);

  // Asking whether the link resolves opens nothing that stays open; an
  // external file that is absent makes the call fail, which means no.
  htri_t exists = H5Oexists_by_name (gid, name.c_str (), H5P_DEFAULT);
  if (exists < 0)
    H5Eclear2 (H5E_DEFAULT);
  bool resolves = exists > 0;
  if (resolves && follow)
    return object_node (parent, name, node);

  std::vector<char> value;
  if (info.type == H5L_TYPE_SOFT || info.type == H5L_TYPE_EXTERNAL)
    {
      if (info.u.val_size > max_link_value)
        h5::raise<h5::GroupException> ("Unable to read the link \"" + path
                                       + "\": its value is too long");
      value.assign (info.u.val_size + 1, '\0');
      if (H5Lget_val (gid, name.c_str (), value.data (), info.u.val_size,
                      H5P_DEFAULT) < 0)
        h5::raise<h5::GroupException> ("Unable to read the link \"" + path + "\":");
    }
  if (info.type == H5L_TYPE_SOFT)
    {
      node.setfield ("Type", "soft link");
      node.setfield ("Target", std::string (value.data ()));
    }
  else if (info.type == H5L_TYPE_EXTERNAL)
    {
      unsigned flags = 0;
      const char *file = nullptr, *object = nullptr;
      if (H5Lunpack_elink_val (value.data (), info.u.val_size, &flags,
                               &file, &object) < 0)
        h5::raise<h5::GroupException> ("Unable to read the external link \"" + path + "\":");
      node.setfield ("Type", "external link");
      node.setfield ("TargetFile", std::string (file ? file : ""));
      node.setfield ("TargetPath", std::string (object ? object : ""));
    }
  else
    {
      node.setfield ("Type", "user-defined link");
      node.setfield ("LinkClass", static_cast<double> (info.type));
    }
  node.setfield ("Resolves", resolves);
  node.setfield ("TargetType", resolves ? kind_name (parent.getObjectType (name))
                                        : std::string ());
  return node;
}

} // namespace

octave_scalar_map
describe_type (const h5::DataType& type)
{
  return type_at (type, 0);
}

octave_scalar_map
walk_location (const h5::File& file, const std::string& location)
{
  walker w;
  std::string trimmed = location;
  while (trimmed.size () > 1 && trimmed.back () == '/')
    trimmed.pop_back ();
  if (trimmed == "/")
    {
      octave_scalar_map node;
      node.setfield ("Name", "/");
      node.setfield ("Path", location);
      return w.group_node (file.getGroup ("/"), location, node);
    }
  std::size_t slash = trimmed.rfind ('/');
  std::string parent = (slash == 0) ? "/" : trimmed.substr (0, slash);
  return w.link_node (file.getGroup (parent), trimmed.substr (slash + 1),
                      location, true);
}

} // namespace tolvane
