// tolvane::h5 -- a thin RAII layer over the HDF5 C API.
//
// Every HDF5 identifier is held by a handle object that takes another
// reference when copied and releases it when destroyed, so the file and all
// objects opened in it are closed on every way out of a call.  Failures of
// HDF5 calls become exceptions derived from h5::Exception whose text is the
// caller's context followed by the innermost entry of HDF5's error stack.

#ifndef TOLVANE_H5_H
#define TOLVANE_H5_H

#include <hdf5.h>

#include <complex>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#ifndef H5_VERSION_GE
#define H5_VERSION_GE(Maj, Min, Rel)                                          \
  (((H5_VERS_MAJOR == Maj) && (H5_VERS_MINOR == Min) &&                       \
    (H5_VERS_RELEASE >= Rel)) ||                                              \
   ((H5_VERS_MAJOR == Maj) && (H5_VERS_MINOR > Min)) || (H5_VERS_MAJOR > Maj))
#endif

namespace tolvane {
namespace h5 {

// ---------------------------------------------------------------- exceptions

class Exception : public std::exception
{
public:
  explicit Exception (std::string msg) : m_msg (std::move (msg)) { }
  const char *what () const noexcept override { return m_msg.c_str (); }

private:
  std::string m_msg;
};

#define TOLVANE_H5_EXCEPTION(Name)                                            \
  class Name : public Exception                                               \
  {                                                                           \
  public:                                                                     \
    using Exception::Exception;                                               \
  }

TOLVANE_H5_EXCEPTION (FileException);
TOLVANE_H5_EXCEPTION (GroupException);
TOLVANE_H5_EXCEPTION (DataSetException);
TOLVANE_H5_EXCEPTION (AttributeException);
TOLVANE_H5_EXCEPTION (DataTypeException);
TOLVANE_H5_EXCEPTION (DataSpaceException);
TOLVANE_H5_EXCEPTION (PropertyException);
TOLVANE_H5_EXCEPTION (ObjectException);

#undef TOLVANE_H5_EXCEPTION

// CONTEXT + " (" + major + ") " + minor of the innermost error on HDF5's
// stack, or CONTEXT + ": Unknown HDF5 error" when the stack is empty.
std::string error_text (const std::string& context);

template <typename E>
[[noreturn]] void
raise (const std::string& context)
{
  throw E (error_text (context));
}

// Switches HDF5's automatic error printing off for the lifetime of the
// object and restores the caller's setting afterwards.
class SilentErrors
{
public:
  SilentErrors ();
  ~SilentErrors ();
  SilentErrors (const SilentErrors&) = delete;
  SilentErrors& operator = (const SilentErrors&) = delete;

private:
  H5E_auto2_t m_func = nullptr;
  void *m_data = nullptr;
};

// ------------------------------------------------------------------- handles

class Object
{
public:
  Object () = default;
  explicit Object (hid_t id) : m_id (id) { }
  Object (const Object& other);
  Object (Object&& other) noexcept : m_id (other.m_id)
  { other.m_id = H5I_INVALID_HID; }
  Object& operator = (const Object& other);
  Object& operator = (Object&& other) noexcept;
  ~Object () { release (); }

  hid_t getId () const { return m_id; }
  bool isValid () const;

protected:
  void release ();
  hid_t m_id = H5I_INVALID_HID;
};

enum class ObjectType
{ File, Group, UserDataType, DataSpace, Dataset, Attribute, Other };

enum class DataTypeClass
{
  Time, Integer, Float, String, BitField, Opaque, Compound, Reference,
  Enum, VarLen, Array, Invalid
};

enum class CharacterSet { Ascii, Utf8, Other };
enum class StringPadding { NullTerminated, NullPadded, SpacePadded, Other };

class StringType;

class DataType : public Object
{
public:
  using Object::Object;

  DataTypeClass getClass () const;
  std::size_t getSize () const;
  StringType asStringType () const;
  bool operator == (const DataType& other) const;
  bool operator != (const DataType& other) const { return ! (*this == other); }
};

class StringType : public DataType
{
public:
  using DataType::DataType;

  bool isVariableStr () const;
  CharacterSet getCharacterSet () const;
  StringPadding getPadding () const;
};

// A copy of a predefined type, e.g. copy_of (H5T_NATIVE_DOUBLE).
DataType copy_of (hid_t predefined);
// The compound {"r", "i"} of two native reals, Octave's complex layout.
template <typename T> DataType complex_type ();
// The enumeration {"FALSE" = 0, "TRUE" = 1} over a native signed char.
DataType create_enum_boolean ();
// A variable-length UTF-8 string.
DataType variable_length_string ();
// A NUL-terminated string of SIZE bytes, ASCII or UTF-8.
DataType fixed_length_string (std::size_t size, bool utf8);

class DataSpace : public Object
{
public:
  enum Kind { dataspace_null, dataspace_scalar };
  static constexpr hsize_t UNLIMITED = H5S_UNLIMITED;

  using Object::Object;
  explicit DataSpace (Kind kind);
  explicit DataSpace (const std::vector<hsize_t>& dims);
  DataSpace (const std::vector<hsize_t>& dims,
             const std::vector<hsize_t>& maxdims);

  H5S_class_t getExtentType () const;
  std::size_t getNumberDimensions () const;
  std::vector<hsize_t> getDimensions () const;
  std::vector<hsize_t> getMaxDimensions () const;
  hssize_t getSelectedElements () const;
  // Corners of the selection's bounding box, in HDF5 order; false for a
  // dataspace without dimensions or selection.
  bool getSelectBounds (std::vector<hsize_t>& start,
                        std::vector<hsize_t>& end) const;
  DataSpace clone () const;

  // A copy of this dataspace with the regular hyperslab selected
  // (block 1 in every dimension).
  DataSpace selectHyperslab (const std::vector<hsize_t>& offset,
                             const std::vector<hsize_t>& count,
                             const std::vector<hsize_t>& stride) const;
};

class PropertyList : public Object
{
public:
  using Object::Object;
};

class DataSetCreateProps : public PropertyList
{
public:
  DataSetCreateProps ();
  void setChunk (const std::vector<hsize_t>& dims);
  void setDeflate (unsigned level);
  void setShuffle ();
  void setFletcher32 ();
  // VALUE points to one element of TYPE.
  void setFillValue (const DataType& type, const void *value);
};

class Attribute : public Object
{
public:
  using Object::Object;

  DataType getDataType () const;
  DataSpace getSpace () const;
  void read (const DataType& mem_type, void *buf) const;
  void write (const DataType& mem_type, const void *buf);
};

// Objects that carry attributes: groups, datasets and the file's root.
class Annotated : public Object
{
public:
  using Object::Object;

  std::vector<std::string> listAttributeNames () const;
  bool hasAttribute (const std::string& name) const;
  Attribute getAttribute (const std::string& name) const;
  Attribute createAttribute (const std::string& name, const DataSpace& space,
                             const DataType& type);
  void deleteAttribute (const std::string& name);

  // HDF5's identity of the object, equal for two links to one object.
  std::string objectKey () const;
};

class DataSet : public Annotated
{
public:
  using Annotated::Annotated;

  DataType getDataType () const;
  DataSpace getSpace () const;
  PropertyList getCreatePropertyList () const;
  // Chunk extents in HDF5 order when the dataset is chunked with RANK
  // dimensions; empty otherwise (also when HDF5 cannot tell).
  std::vector<hsize_t> getChunkDims (std::size_t rank) const;
  // Bytes of file space the dataset's elements occupy (0 before HDF5 has
  // allocated any).
  hsize_t getStorageSize () const;
  void resize (const std::vector<hsize_t>& dims);
  void read (const DataType& mem_type, const DataSpace& mem_space,
             const DataSpace& file_space, void *buf) const;
  void write (const DataType& mem_type, const DataSpace& mem_space,
              const DataSpace& file_space, const void *buf);
};

class Group;

// Groups and files: links, children and their kinds.
class Node : public Annotated
{
public:
  using Annotated::Annotated;

  bool exist (const std::string& path) const;
  ObjectType getObjectType (const std::string& path) const;
  Group getGroup (const std::string& path) const;
  DataSet getDataSet (const std::string& path) const;
  DataSet createDataSet (const std::string& path, const DataSpace& space,
                         const DataType& type,
                         const DataSetCreateProps& props,
                         bool create_intermediate = true);
  std::size_t getNumberObjects () const;
  std::string getObjectName (std::size_t index) const;
};

class Group : public Node
{
public:
  using Node::Node;
};

class File : public Node
{
public:
  enum : unsigned { ReadOnly = 0x00, ReadWrite = 0x01, Create = 0x10 };

  // ReadOnly and ReadWrite open an existing file.  Create alone first tries
  // to open an existing file read-only and otherwise creates it exclusively.
  File (const std::string& name, unsigned flags);

  // Writes everything HDF5 still holds in memory for the file, so that a
  // failure (a full file system, say) is reported by the call that caused it
  // and not lost when the file is closed.
  void flush ();

private:
  std::string m_name;
};

} // namespace h5
} // namespace tolvane

#endif
