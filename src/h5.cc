// tolvane::h5 -- implementation of the HDF5 handle layer.

#include "h5.h"

#include <cstring>

namespace tolvane {
namespace h5 {

// ---------------------------------------------------------------- exceptions

namespace {

struct innermost_error
{
  bool found = false;
  std::string major;
  std::string minor;
};

std::string
message_text (hid_t msg_id)
{
  H5E_type_t type;
  ssize_t len = H5Eget_msg (msg_id, &type, nullptr, 0);
  if (len <= 0)
    return std::string ();
  std::vector<char> buf (static_cast<std::size_t> (len) + 1, '\0');
  H5Eget_msg (msg_id, &type, buf.data (), buf.size ());
  return std::string (buf.data ());
}

herr_t
take_first (unsigned, const H5E_error2_t *err, void *data)
{
  auto *out = static_cast<innermost_error *> (data);
  if (! out->found)
    {
      out->found = true;
      out->major = message_text (err->maj_num);
      out->minor = message_text (err->min_num);
    }
  return 0;
}

} // namespace

std::string
error_text (const std::string& context)
{
  innermost_error err;
  hid_t stack = H5Eget_current_stack ();
  if (stack >= 0)
    {
      H5Ewalk2 (stack, H5E_WALK_UPWARD, take_first, &err);
      H5Eclose_stack (stack);
    }
  if (! err.found)
    return context + ": Unknown HDF5 error";
  return context + " (" + err.major + ") " + err.minor;
}

SilentErrors::SilentErrors ()
{
  H5Eget_auto2 (H5E_DEFAULT, &m_func, &m_data);
  H5Eset_auto2 (H5E_DEFAULT, nullptr, nullptr);
}

SilentErrors::~SilentErrors ()
{
  H5Eset_auto2 (H5E_DEFAULT, m_func, m_data);
}

// ------------------------------------------------------------------- handles

Object::Object (const Object& other) : m_id (other.m_id)
{
  if (isValid ())
    H5Iinc_ref (m_id);
}

Object&
Object::operator = (const Object& other)
{
  if (this != &other)
    {
      if (other.isValid ())
        H5Iinc_ref (other.m_id);
      release ();
      m_id = other.m_id;
    }
  return *this;
}

Object&
Object::operator = (Object&& other) noexcept
{
  if (this != &other)
    {
      release ();
      m_id = other.m_id;
      other.m_id = H5I_INVALID_HID;
    }
  return *this;
}

bool
Object::isValid () const
{
  return m_id >= 0 && H5Iis_valid (m_id) > 0;
}

void
Object::release ()
{
  if (isValid ())
    H5Idec_ref (m_id);
  m_id = H5I_INVALID_HID;
}

// ----------------------------------------------------------------- datatypes

DataTypeClass
DataType::getClass () const
{
  switch (H5Tget_class (m_id))
    {
    case H5T_TIME: return DataTypeClass::Time;
    case H5T_INTEGER: return DataTypeClass::Integer;
    case H5T_FLOAT: return DataTypeClass::Float;
    case H5T_STRING: return DataTypeClass::String;
    case H5T_BITFIELD: return DataTypeClass::BitField;
    case H5T_OPAQUE: return DataTypeClass::Opaque;
    case H5T_COMPOUND: return DataTypeClass::Compound;
    case H5T_REFERENCE: return DataTypeClass::Reference;
    case H5T_ENUM: return DataTypeClass::Enum;
    case H5T_VLEN: return DataTypeClass::VarLen;
    case H5T_ARRAY: return DataTypeClass::Array;
    default: return DataTypeClass::Invalid;
    }
}

std::size_t
DataType::getSize () const
{
  std::size_t size = H5Tget_size (m_id);
  if (size == 0)
    raise<DataTypeException> ("Unable to get the size of the datatype");
  return size;
}

StringType
DataType::asStringType () const
{
  if (H5Tget_class (m_id) != H5T_STRING)
    raise<DataTypeException> ("The datatype is not a string type");
  H5Iinc_ref (m_id);
  return StringType (m_id);
}

bool
DataType::operator == (const DataType& other) const
{
  htri_t eq = H5Tequal (m_id, other.m_id);
  if (eq < 0)
    raise<DataTypeException> ("Unable to compare the datatypes");
  return eq > 0;
}

bool
StringType::isVariableStr () const
{
  htri_t var = H5Tis_variable_str (m_id);
  if (var < 0)
    raise<DataTypeException> ("Unable to tell whether the string type is variable");
  return var > 0;
}

CharacterSet
StringType::getCharacterSet () const
{
  switch (H5Tget_cset (m_id))
    {
    case H5T_CSET_ASCII: return CharacterSet::Ascii;
    case H5T_CSET_UTF8: return CharacterSet::Utf8;
    case H5T_CSET_ERROR:
      raise<DataTypeException> ("Unable to get the character set of the string type");
    default: return CharacterSet::Other;
    }
}

StringPadding
StringType::getPadding () const
{
  switch (H5Tget_strpad (m_id))
    {
    case H5T_STR_NULLTERM: return StringPadding::NullTerminated;
    case H5T_STR_NULLPAD: return StringPadding::NullPadded;
    case H5T_STR_SPACEPAD: return StringPadding::SpacePadded;
    case H5T_STR_ERROR:
      raise<DataTypeException> ("Unable to get the padding of the string type");
    default: return StringPadding::Other;
    }
}

DataType
copy_of (hid_t predefined)
{
  hid_t id = H5Tcopy (predefined);
  if (id < 0)
    raise<DataTypeException> ("Unable to copy the datatype");
  return DataType (id);
}

namespace {

DataType
make_complex (hid_t real, std::size_t real_size)
{
  DataType type (H5Tcreate (H5T_COMPOUND, 2 * real_size));
  if (type.getId () < 0
      || H5Tinsert (type.getId (), "r", 0, real) < 0
      || H5Tinsert (type.getId (), "i", real_size, real) < 0)
    raise<DataTypeException> ("Unable to create the complex datatype");
  return type;
}

} // namespace

template <>
DataType
complex_type<double> ()
{
  return make_complex (H5T_NATIVE_DOUBLE, sizeof (double));
}

template <>
DataType
complex_type<float> ()
{
  return make_complex (H5T_NATIVE_FLOAT, sizeof (float));
}

DataType
create_enum_boolean ()
{
  DataType type (H5Tenum_create (H5T_NATIVE_SCHAR));
  signed char no = 0, yes = 1;
  if (type.getId () < 0
      || H5Tenum_insert (type.getId (), "FALSE", &no) < 0
      || H5Tenum_insert (type.getId (), "TRUE", &yes) < 0)
    raise<DataTypeException> ("Unable to create the boolean datatype");
  return type;
}

DataType
variable_length_string ()
{
  DataType type = copy_of (H5T_C_S1);
  if (H5Tset_size (type.getId (), H5T_VARIABLE) < 0
      || H5Tset_cset (type.getId (), H5T_CSET_UTF8) < 0)
    raise<DataTypeException> ("Unable to create the string datatype");
  return type;
}

DataType
fixed_length_string (std::size_t size, bool utf8)
{
  DataType type = copy_of (H5T_C_S1);
  if (H5Tset_size (type.getId (), size) < 0
      || H5Tset_strpad (type.getId (), H5T_STR_NULLTERM) < 0
      || H5Tset_cset (type.getId (), utf8 ? H5T_CSET_UTF8 : H5T_CSET_ASCII) < 0)
    raise<DataTypeException> ("Unable to create the string datatype");
  return type;
}

// ---------------------------------------------------------------- dataspaces

DataSpace::DataSpace (Kind kind)
  : Object (H5Screate (kind == dataspace_null ? H5S_NULL : H5S_SCALAR))
{
  if (m_id < 0)
    raise<DataSpaceException> ("Unable to create the dataspace");
}

DataSpace::DataSpace (const std::vector<hsize_t>& dims)
  : DataSpace (dims, dims)
{ }

DataSpace::DataSpace (const std::vector<hsize_t>& dims,
                      const std::vector<hsize_t>& maxdims)
{
  m_id = H5Screate_simple (static_cast<int> (dims.size ()), dims.data (),
                           maxdims.data ());
  if (m_id < 0)
    raise<DataSpaceException> ("Unable to create the simple dataspace");
}

H5S_class_t
DataSpace::getExtentType () const
{
  return H5Sget_simple_extent_type (m_id);
}

std::size_t
DataSpace::getNumberDimensions () const
{
  int rank = H5Sget_simple_extent_ndims (m_id);
  if (rank < 0)
    raise<DataSpaceException> ("Unable to get the rank of the dataspace");
  return static_cast<std::size_t> (rank);
}

std::vector<hsize_t>
DataSpace::getDimensions () const
{
  std::vector<hsize_t> dims (getNumberDimensions ());
  if (H5Sget_simple_extent_dims (m_id, dims.data (), nullptr) < 0)
    raise<DataSpaceException> ("Unable to get the extents of the dataspace");
  return dims;
}

std::vector<hsize_t>
DataSpace::getMaxDimensions () const
{
  std::vector<hsize_t> maxdims (getNumberDimensions ());
  if (H5Sget_simple_extent_dims (m_id, nullptr, maxdims.data ()) < 0)
    raise<DataSpaceException> ("Unable to get the maximum extents of the dataspace");
  return maxdims;
}

hssize_t
DataSpace::getSelectedElements () const
{
  hssize_t n = H5Sget_select_npoints (m_id);
  if (n < 0)
    raise<DataSpaceException> ("Unable to count the selected elements");
  return n;
}

DataSpace
DataSpace::clone () const
{
  DataSpace copy (H5Scopy (m_id));
  if (copy.getId () < 0)
    raise<DataSpaceException> ("Unable to copy the dataspace");
  return copy;
}

bool
DataSpace::getSelectBounds (std::vector<hsize_t>& start,
                            std::vector<hsize_t>& end) const
{
  int rank = H5Sget_simple_extent_ndims (m_id);
  if (rank <= 0 || H5Sget_select_npoints (m_id) <= 0)
    return false;
  start.assign (rank, 0);
  end.assign (rank, 0);
  return H5Sget_select_bounds (m_id, start.data (), end.data ()) >= 0;
}

DataSpace
DataSpace::selectHyperslab (const std::vector<hsize_t>& offset,
                            const std::vector<hsize_t>& count,
                            const std::vector<hsize_t>& stride) const
{
  DataSpace space = clone ();
  if (H5Sselect_hyperslab (space.getId (), H5S_SELECT_SET, offset.data (),
                           stride.data (), count.data (), nullptr) < 0)
    raise<DataSpaceException> ("Unable to select the hyperslab");
  return space;
}

// ------------------------------------------------------------ property lists

DataSetCreateProps::DataSetCreateProps ()
  : PropertyList (H5Pcreate (H5P_DATASET_CREATE))
{
  if (m_id < 0)
    raise<PropertyException> ("Unable to create the dataset creation properties");
}

void
DataSetCreateProps::setChunk (const std::vector<hsize_t>& dims)
{
  if (H5Pset_chunk (m_id, static_cast<int> (dims.size ()), dims.data ()) < 0)
    raise<PropertyException> ("Unable to set the chunk size");
}

void
DataSetCreateProps::setDeflate (unsigned level)
{
  if (H5Pset_deflate (m_id, level) < 0)
    raise<PropertyException> ("Unable to set the deflate filter");
}

void
DataSetCreateProps::setShuffle ()
{
  if (H5Pset_shuffle (m_id) < 0)
    raise<PropertyException> ("Unable to set the shuffle filter");
}

void
DataSetCreateProps::setFletcher32 ()
{
  if (H5Pset_fletcher32 (m_id) < 0)
    raise<PropertyException> ("Unable to set the Fletcher32 filter");
}

void
DataSetCreateProps::setFillValue (const DataType& type, const void *value)
{
  if (H5Pset_fill_value (m_id, type.getId (), value) < 0)
    raise<PropertyException> ("Unable to set the fill value");
}

// ---------------------------------------------------------------- attributes

DataType
Attribute::getDataType () const
{
  DataType type (H5Aget_type (m_id));
  if (type.getId () < 0)
    raise<AttributeException> ("Unable to get the datatype of the attribute");
  return type;
}

DataSpace
Attribute::getSpace () const
{
  DataSpace space (H5Aget_space (m_id));
  if (space.getId () < 0)
    raise<AttributeException> ("Unable to get the dataspace of the attribute");
  return space;
}

void
Attribute::read (const DataType& mem_type, void *buf) const
{
  if (H5Aread (m_id, mem_type.getId (), buf) < 0)
    raise<AttributeException> ("Unable to read attribute");
}

void
Attribute::write (const DataType& mem_type, const void *buf)
{
  if (H5Awrite (m_id, mem_type.getId (), buf) < 0)
    raise<AttributeException> ("Unable to write attribute");
}

namespace {

herr_t
collect_attribute_name (hid_t, const char *name, const H5A_info_t *, void *data)
{
  static_cast<std::vector<std::string> *> (data)->emplace_back (name);
  return 0;
}

} // namespace

std::vector<std::string>
Annotated::listAttributeNames () const
{
  std::vector<std::string> names;
  hsize_t idx = 0;
  if (H5Aiterate2 (m_id, H5_INDEX_NAME, H5_ITER_INC, &idx,
                   collect_attribute_name, &names) < 0)
    raise<AttributeException> ("Unable to list the attributes");
  return names;
}

bool
Annotated::hasAttribute (const std::string& name) const
{
  htri_t exists = H5Aexists (m_id, name.c_str ());
  if (exists < 0)
    raise<AttributeException> ("Unable to check for attribute \"" + name + "\":");
  return exists > 0;
}

Attribute
Annotated::getAttribute (const std::string& name) const
{
  Attribute attr (H5Aopen (m_id, name.c_str (), H5P_DEFAULT));
  if (attr.getId () < 0)
    raise<AttributeException> ("Unable to open the attribute \"" + name + "\":");
  return attr;
}

Attribute
Annotated::createAttribute (const std::string& name, const DataSpace& space,
                            const DataType& type)
{
  Attribute attr (H5Acreate2 (m_id, name.c_str (), type.getId (),
                              space.getId (), H5P_DEFAULT, H5P_DEFAULT));
  if (attr.getId () < 0)
    raise<AttributeException> ("Unable to create the attribute \"" + name + "\":");
  return attr;
}

void
Annotated::deleteAttribute (const std::string& name)
{
  if (H5Adelete (m_id, name.c_str ()) < 0)
    raise<AttributeException> ("Unable to delete attribute \"" + name + "\":");
}

std::string
Annotated::objectKey () const
{
#if H5_VERSION_GE(1, 12, 0)
  H5O_info2_t info;
  if (H5Oget_info3 (m_id, &info, H5O_INFO_BASIC) < 0)
    raise<ObjectException> ("Unable to get the object information");
  std::string key (reinterpret_cast<const char *> (&info.fileno),
                   sizeof (info.fileno));
  key.append (reinterpret_cast<const char *> (&info.token), sizeof (info.token));
#else
  H5O_info_t info;
  if (H5Oget_info2 (m_id, &info, H5O_INFO_BASIC) < 0)
    raise<ObjectException> ("Unable to get the object information");
  std::string key (reinterpret_cast<const char *> (&info.fileno),
                   sizeof (info.fileno));
  key.append (reinterpret_cast<const char *> (&info.addr), sizeof (info.addr));
#endif
  return key;
}

// ------------------------------------------------------------------ datasets

DataType
DataSet::getDataType () const
{
  DataType type (H5Dget_type (m_id));
  if (type.getId () < 0)
    raise<DataSetException> ("Unable to get the datatype of the dataset");
  return type;
}

DataSpace
DataSet::getSpace () const
{
  DataSpace space (H5Dget_space (m_id));
  if (space.getId () < 0)
    raise<DataSetException> ("Unable to get the dataspace of the dataset");
  return space;
}

PropertyList
DataSet::getCreatePropertyList () const
{
  PropertyList plist (H5Dget_create_plist (m_id));
  if (plist.getId () < 0)
    raise<PropertyException> ("Unable to get the creation properties of the dataset");
  return plist;
}

std::vector<hsize_t>
DataSet::getChunkDims (std::size_t rank) const
{
  PropertyList plist = getCreatePropertyList ();
  std::vector<hsize_t> chunk (rank, 0);
  int n = static_cast<int> (rank);
  if (H5Pget_layout (plist.getId ()) != H5D_CHUNKED
      || H5Pget_chunk (plist.getId (), n, chunk.data ()) != n)
    chunk.clear ();
  return chunk;
}

hsize_t
DataSet::getStorageSize () const
{
  return H5Dget_storage_size (m_id);
}

void
DataSet::resize (const std::vector<hsize_t>& dims)
{
  if (H5Dset_extent (m_id, dims.data ()) < 0)
    raise<DataSetException> ("Unable to resize the dataset");
}

void
DataSet::read (const DataType& mem_type, const DataSpace& mem_space,
               const DataSpace& file_space, void *buf) const
{
  if (H5Dread (m_id, mem_type.getId (), mem_space.getId (),
               file_space.getId (), H5P_DEFAULT, buf) < 0)
    raise<DataSetException> ("Unable to read the dataset");
}

void
DataSet::write (const DataType& mem_type, const DataSpace& mem_space,
                const DataSpace& file_space, const void *buf)
{
  if (H5Dwrite (m_id, mem_type.getId (), mem_space.getId (),
                file_space.getId (), H5P_DEFAULT, buf) < 0)
    raise<DataSetException> ("Unable to write the dataset");
}

// --------------------------------------------------------- groups and files

bool
Node::exist (const std::string& path) const
{
  // A missing parent or a parent that is not a group makes H5Lexists fail;
  // both mean that the path does not exist.
  return H5Lexists (m_id, path.c_str (), H5P_DEFAULT) > 0;
}

ObjectType
Node::getObjectType (const std::string& path) const
{
  Object obj (H5Oopen (m_id, path.c_str (), H5P_DEFAULT));
  if (obj.getId () < 0)
    raise<ObjectException> ("Unable to open \"" + path + "\":");
  switch (H5Iget_type (obj.getId ()))
    {
    case H5I_FILE: return ObjectType::File;
    case H5I_GROUP: return ObjectType::Group;
    case H5I_DATATYPE: return ObjectType::UserDataType;
    case H5I_DATASPACE: return ObjectType::DataSpace;
    case H5I_DATASET: return ObjectType::Dataset;
    case H5I_ATTR: return ObjectType::Attribute;
    default: return ObjectType::Other;
    }
}

Group
Node::getGroup (const std::string& path) const
{
  Group group (H5Gopen2 (m_id, path.c_str (), H5P_DEFAULT));
  if (group.getId () < 0)
    raise<GroupException> ("Unable to open the group \"" + path + "\":");
  return group;
}

DataSet
Node::getDataSet (const std::string& path) const
{
  DataSet dset (H5Dopen2 (m_id, path.c_str (), H5P_DEFAULT));
  if (dset.getId () < 0)
    raise<DataSetException> ("Unable to open the dataset \"" + path + "\":");
  return dset;
}

DataSet
Node::createDataSet (const std::string& path, const DataSpace& space,
                     const DataType& type, const DataSetCreateProps& props,
                     bool create_intermediate)
{
  PropertyList lcpl (H5Pcreate (H5P_LINK_CREATE));
  if (lcpl.getId () < 0
      || H5Pset_create_intermediate_group (lcpl.getId (),
                                           create_intermediate ? 1 : 0) < 0)
    raise<PropertyException> ("Unable to create the link creation properties");
  DataSet dset (H5Dcreate2 (m_id, path.c_str (), type.getId (), space.getId (),
                            lcpl.getId (), props.getId (), H5P_DEFAULT));
  if (dset.getId () < 0)
    raise<DataSetException> ("Unable to create the dataset \"" + path + "\":");
  return dset;
}

std::size_t
Node::getNumberObjects () const
{
  H5G_info_t info;
  if (H5Gget_info (m_id, &info) < 0)
    raise<GroupException> ("Unable to count the objects in the group");
  return static_cast<std::size_t> (info.nlinks);
}

std::string
Node::getObjectName (std::size_t index) const
{
  ssize_t len = H5Lget_name_by_idx (m_id, ".", H5_INDEX_NAME, H5_ITER_INC,
                                    index, nullptr, 0, H5P_DEFAULT);
  if (len < 0)
    raise<GroupException> ("Unable to get the name of an object in the group");
  std::vector<char> name (static_cast<std::size_t> (len) + 1, '\0');
  if (H5Lget_name_by_idx (m_id, ".", H5_INDEX_NAME, H5_ITER_INC, index,
                          name.data (), name.size (), H5P_DEFAULT) < 0)
    raise<GroupException> ("Unable to get the name of an object in the group");
  return std::string (name.data (), static_cast<std::size_t> (len));
}

File::File (const std::string& name, unsigned flags) : m_name (name)
{
  if (flags & Create)
    {
      unsigned access = (flags & ReadWrite) ? H5F_ACC_RDWR : H5F_ACC_RDONLY;
      m_id = H5Fopen (name.c_str (), access, H5P_DEFAULT);
      if (m_id >= 0)
        return;
      H5Eclear2 (H5E_DEFAULT);
      m_id = H5Fcreate (name.c_str (), H5F_ACC_EXCL, H5P_DEFAULT, H5P_DEFAULT);
      if (m_id < 0)
        raise<FileException> ("Unable to create file " + name);
      return;
    }
  unsigned access = (flags & ReadWrite) ? H5F_ACC_RDWR : H5F_ACC_RDONLY;
  m_id = H5Fopen (name.c_str (), access, H5P_DEFAULT);
  if (m_id < 0)
    raise<FileException> ("Unable to open file " + name);
}

void
File::flush ()
{
  if (H5Fflush (m_id, H5F_SCOPE_LOCAL) < 0)
    raise<FileException> ("Unable to flush file " + m_name);
}

} // namespace h5
} // namespace tolvane
