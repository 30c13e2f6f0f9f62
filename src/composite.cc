// Composite datatypes.  Every value is read through a reader: a function
// that transfers the whole selection, packed, in a memory type it is given.
// A compound member's reader wraps that memory type in a compound holding
// only the member, an array's base reader wraps it in the array type, so a
// numeric member or array element goes straight from HDF5 into the Octave
// array's storage.  Variable-length data are read once and their sequences
// converted from memory with H5Tconvert.

#include "composite.h"

#include <octave/Cell.h>
#include <octave/oct-map.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

namespace tolvane {

namespace {

constexpr int max_depth = 32;
constexpr uint64_t max_index = std::numeric_limits<octave_idx_type>::max ();
const char *const context_text = "Unable to read the data";

using reader_t = std::function<void (const h5::DataType&, void *)>;

struct read_context
{
  std::string prefix;
  h5::Object file;                  // the file, for dereferencing
  int depth = 0;
  std::vector<std::string> reading; // keys of the datasets being read
};

// Counts one level of type nesting or reference following.
class nesting
{
public:
  explicit nesting (read_context& c) : m_c (c)
  {
    if (m_c.depth >= max_depth)
      error ("%s: datatypes or references nested deeper than %d levels",
             m_c.prefix.c_str (), max_depth);
    m_c.depth++;
  }
  ~nesting () { m_c.depth--; }
  nesting (const nesting&) = delete;
  nesting& operator = (const nesting&) = delete;

private:
  read_context& m_c;
};

// DETAIL follows the class name, e.g. " of 2 bytes".
[[noreturn]] void
unsupported (const read_context& c, const std::string& type_class,
             const std::string& detail = "")
{
  error ("%s: unsupported datatype class '%s'%s", c.prefix.c_str (),
         type_class.c_str (), detail.c_str ());
}

h5::DataType
checked_type (hid_t id, const char *what)
{
  if (id < 0)
    h5::raise<h5::DataTypeException> (what);
  return h5::DataType (id);
}

// Elements of DIMS after the memory check for ELEM_SIZE bytes each.
octave_idx_type
checked_count (const dim_vector& dims, uint64_t elem_size)
{
  ensure_allocatable (dims, elem_size, context_text);
  return dims.safe_numel ();
}

// The shape of data whose elements carry extents EXT (HDF5 order) over a
// selection of shape SEL: EXT reversed, then the selection's dimensions,
// a rank-1 selection (1xN) as N and a single element as none.
dim_vector
extents_first (const std::vector<hsize_t>& ext, const dim_vector& sel)
{
  std::vector<uint64_t> d (ext.rbegin (), ext.rend ());
  if (sel.ndims () == 2 && sel(0) == 1)
    {
      if (sel(1) != 1)
        d.push_back (sel(1));
    }
  else
    for (int k = 0; k < sel.ndims (); k++)
      d.push_back (sel(k));
  while (d.size () < 2)
    d.push_back (1);
  dim_vector out;
  out.resize (d.size ());
  for (std::size_t k = 0; k < d.size (); k++)
    {
      if (d[k] > max_index)
        throw h5::DataSpaceException ("The datatype's extents are too large for Octave");
      out(k) = static_cast<octave_idx_type> (d[k]);
    }
  return out;
}

// A dataspace of N elements, for reclaiming and memory selections.
h5::DataSpace
line_space (hsize_t n)
{
  return h5::DataSpace (std::vector<hsize_t> {n});
}

// Frees the variable-length memory HDF5 allocated in a buffer of N elements
// of TYPE when the object goes, on every way out.  Every buffer has its own:
// HDF5 always converts variable-length data, also between equal types, into
// new memory.
class vlen_memory
{
public:
  vlen_memory (const h5::DataType& type, hsize_t n, void *buf)
    : m_type (type), m_n (n), m_buf (buf) { }
  ~vlen_memory ()
  {
    if (m_n > 0)
      reclaim_vlen (m_type, line_space (m_n), m_buf);
  }
  vlen_memory (const vlen_memory&) = delete;
  vlen_memory& operator = (const vlen_memory&) = delete;

private:
  h5::DataType m_type;
  hsize_t m_n;
  void *m_buf;
};

std::string
member_name (const h5::DataType& type, unsigned i)
{
  char *name = H5Tget_member_name (type.getId (), i);
  if (! name)
    h5::raise<h5::DataTypeException> ("Unable to get the name of a member");
  std::string out (name);
  H5free_memory (name);
  return out;
}

// The path of an open object, as HDF5 names it.
std::string
object_path (hid_t id)
{
  ssize_t len = H5Iget_name (id, nullptr, 0);
  if (len <= 0)
    return std::string ();
  std::vector<char> buf (static_cast<std::size_t> (len) + 1, '\0');
  H5Iget_name (id, buf.data (), buf.size ());
  return std::string (buf.data (), static_cast<std::size_t> (len));
}

// Length of a fixed-length string of SIZE bytes without its padding:
// trailing NULs, and for space padding trailing blanks as well.
std::size_t
unpadded_length (const char *p, std::size_t size, const std::string& padding)
{
  bool blanks = padding == "spacepad";
  while (size > 0 && (p[size - 1] == '\0' || (blanks && p[size - 1] == ' ')))
    size--;
  return size;
}

// A character row of LEN bytes at P; 0x0 when LEN is 0, as for "".
octave_value
char_row (const char *p, std::size_t len)
{
  charNDArray row (len ? dim_vector (1, len) : dim_vector (0, 0));
  std::memcpy (row.fortran_vec (), p, len);
  return octave_value (row, '\'');
}

octave_value read_value (const h5::DataType& type, const dim_vector& dims,
                         const reader_t& read, read_context& c);

// Strings of any kind as a cell array of shape DIMS; fixed-length strings
// without their padding.  Equal neighbours share one value.
Cell
read_string_cells (const h5::DataType& type, const dtype_info_t& info,
                   const dim_vector& dims, const reader_t& read)
{
  octave_idx_type n = checked_count (dims, sizeof (octave_value));
  Cell out (dims);
  if (n == 0)
    return out;
  h5::DataType mem = h5::copy_of (type.getId ());
  if (info.size == all_ones)
    {
      checked_count (dims, sizeof (char *));
      std::vector<char *> ptrs (n, nullptr);
      vlen_memory guard (mem, n, ptrs.data ());
      read (mem, ptrs.data ());
      for (octave_idx_type i = 0; i < n; i++)
        out(i) = octave_value (std::string (ptrs[i] ? ptrs[i] : ""), '\'');
      return out;
    }
  std::size_t size = info.size;
  checked_count (dims, size);
  std::vector<char> bytes (static_cast<std::size_t> (n) * size);
  read (mem, bytes.data ());
  const char *prev = nullptr;
  std::size_t prev_len = 0;
  for (octave_idx_type i = 0; i < n; i++)
    {
      const char *p = bytes.data () + i * size;
      std::size_t len = unpadded_length (p, size, info.padding);
      if (prev && len == prev_len && std::memcmp (p, prev, len) == 0)
        out(i) = out(i - 1);
      else
        out(i) = char_row (p, len);
      prev = p;
      prev_len = len;
    }
  return out;
}

octave_value
read_compound (const h5::DataType& type, const dim_vector& dims,
               const reader_t& read, read_context& c)
{
  int n = H5Tget_nmembers (type.getId ());
  if (n < 0)
    h5::raise<h5::DataTypeException> ("Unable to count the members of the compound");
  // A corrupted file can place members past the end of the element;
  // HDF5's conversion would then read past its buffers.
  std::size_t size = type.getSize ();
  std::vector<h5::DataType> members;
  for (int i = 0; i < n; i++)
    {
      members.push_back (checked_type (H5Tget_member_type (type.getId (), i),
                                       "Unable to get the type of a member"));
      std::size_t offset = H5Tget_member_offset (type.getId (), i);
      if (offset > size || members.back ().getSize () > size - offset)
        unsupported (c, "compound", " with members outside its elements");
    }
  octave_scalar_map fields;
  for (int i = 0; i < n; i++)
    {
      std::string name = member_name (type, i);
      const h5::DataType& member = members[i];
      reader_t only = [&read, &name] (const h5::DataType& mem, void *buf)
      {
        h5::DataType wrap (H5Tcreate (H5T_COMPOUND, mem.getSize ()));
        if (wrap.getId () < 0
            || H5Tinsert (wrap.getId (), name.c_str (), 0, mem.getId ()) < 0)
          h5::raise<h5::DataTypeException> ("Unable to create the member's memory type");
        read (wrap, buf);
      };
      fields.setfield (name, read_value (member, dims, only, c));
    }
  return octave_value (fields);
}

// Member names of the enumeration's values; '' for a value naming none.
// The values are read as stored and compared as bytes, so no conversion
// can map an unknown value onto a member.
octave_value
read_enum (const h5::DataType& type, const dim_vector& dims,
           const reader_t& read)
{
  std::size_t size = type.getSize ();
  int members = H5Tget_nmembers (type.getId ());
  if (members < 0)
    h5::raise<h5::DataTypeException> ("Unable to count the members of the enumeration");
  std::unordered_map<std::string, octave_value> names;
  std::vector<char> value (size);
  for (int i = 0; i < members; i++)
    {
      if (H5Tget_member_value (type.getId (), i, value.data ()) < 0)
        h5::raise<h5::DataTypeException> ("Unable to get the value of a member");
      names.emplace (std::string (value.data (), size),
                     octave_value (member_name (type, i), '\''));
    }
  octave_idx_type n = checked_count (dims, std::max (size, sizeof (octave_value)));
  Cell out (dims);
  if (n == 0)
    return octave_value (out);
  std::vector<char> raw (static_cast<std::size_t> (n) * size);
  read (h5::copy_of (type.getId ()), raw.data ());
  octave_value none = octave_value (std::string (), '\'');
  for (octave_idx_type i = 0; i < n; i++)
    {
      auto it = names.find (std::string (raw.data () + i * size, size));
      out(i) = (it == names.end ()) ? none : it->second;
    }
  return octave_value (out);
}

// Reads N elements of SRC held in memory at DATA, converted by HDF5.  The
// conversion runs in place in the destination when its elements are at
// least as wide as the source's; a narrowing one needs a wider buffer.
reader_t
from_memory (const h5::DataType& src, const void *data, std::size_t n)
{
  return [src, data, n] (const h5::DataType& dst, void *out)
  {
    std::size_t ss = src.getSize (), ds = dst.getSize ();
    checked_count (dim_vector (n, 2), std::max (ss, ds));
    std::vector<char> wide;
    char *buf = static_cast<char *> (out);
    if (ss > ds)
      {
        wide.resize (n * ss);
        buf = wide.data ();
      }
    std::vector<char> background (n * ds, '\0');
    std::memcpy (buf, data, n * ss);
    if (H5Tconvert (src.getId (), dst.getId (), n, buf,
                    background.data (), H5P_DEFAULT) < 0)
      h5::raise<h5::DataTypeException> ("Unable to convert the variable-length data");
    if (buf != out)
      std::memcpy (out, buf, n * ds);
  };
}

octave_value
read_vlen (const h5::DataType& type, const dim_vector& dims,
           const reader_t& read, read_context& c)
{
  h5::DataType base = checked_type (H5Tget_super (type.getId ()),
                                    "Unable to get the base type of the sequence");
  octave_idx_type n = checked_count (dims, std::max (sizeof (hvl_t), sizeof (octave_value)));
  Cell out (dims);
  if (n == 0)
    return octave_value (out);
  h5::DataType mem = h5::copy_of (type.getId ());
  std::vector<hvl_t> seqs (n, hvl_t {0, nullptr});
  vlen_memory guard (mem, n, seqs.data ());
  read (mem, seqs.data ());
  for (octave_idx_type i = 0; i < n; i++)
    {
      if (seqs[i].len > max_index || (seqs[i].len > 0 && ! seqs[i].p))
        throw h5::DataSpaceException ("A variable-length sequence is too long for Octave or has no data");
      octave_idx_type len = static_cast<octave_idx_type> (seqs[i].len);
      out(i) = read_value (base, dim_vector (len, 1),
                           from_memory (base, seqs[i].p, seqs[i].len), c);
    }
  return octave_value (out);
}

octave_value
read_array_type (const h5::DataType& type, const dim_vector& dims,
                 const reader_t& read, read_context& c)
{
  int rank = H5Tget_array_ndims (type.getId ());
  if (rank < 1 || rank > H5S_MAX_RANK)
    h5::raise<h5::DataTypeException> ("Unable to get the rank of the array type");
  std::vector<hsize_t> ext (rank);
  if (H5Tget_array_dims2 (type.getId (), ext.data ()) < 0)
    h5::raise<h5::DataTypeException> ("Unable to get the extents of the array type");
  h5::DataType base = checked_type (H5Tget_super (type.getId ()),
                                    "Unable to get the base type of the array");
  reader_t elements = [&read, &ext, rank] (const h5::DataType& mem, void *buf)
  {
    h5::DataType wrap (H5Tarray_create2 (mem.getId (), rank, ext.data ()));
    if (wrap.getId () < 0)
      h5::raise<h5::DataTypeException> ("Unable to create the array's memory type");
    read (wrap, buf);
  };
  return read_value (base, extents_first (ext, dims), elements, c);
}

octave_value read_dataset (h5::DataSet& ds, const h5::DataSpace *region,
                           read_context& c);

// What a dereferenced object gives: a dataset's data, the path of a group
// or committed datatype, [] for anything else or a failed dereference.
octave_value
object_value (hid_t id, const h5::DataSpace *region, read_context& c)
{
  if (id < 0)
    {
      H5Eclear2 (H5E_DEFAULT);
      return Matrix ();
    }
  h5::Object obj (id);
  switch (H5Iget_type (id))
    {
    case H5I_DATASET:
      {
        H5Iinc_ref (id);
        h5::DataSet ds (id);
        return read_dataset (ds, region, c);
      }
    case H5I_GROUP:
    case H5I_DATATYPE:
      return octave_value (object_path (id), '\'');
    default:
      return Matrix ();
    }
}

// The selected elements of a region reference: the region's dataspace
// SPACE_ID and dataset DATASET_ID, both taken over; [] when either failed.
octave_value
region_value (hid_t space_id, hid_t dataset_id, read_context& c)
{
  h5::DataSpace space (space_id);
  if (space_id < 0)
    {
      if (dataset_id >= 0)
        H5Idec_ref (dataset_id);
      H5Eclear2 (H5E_DEFAULT);
      return Matrix ();
    }
  return object_value (dataset_id, &space, c);
}

#if H5_VERSION_GE(1, 12, 0)
// References of the type HDF5 1.12 introduced, opened with H5Ropen_*.
octave_value
read_new_references (const dim_vector& dims, const reader_t& read,
                     read_context& c)
{
  octave_idx_type n = checked_count (dims, std::max (sizeof (H5R_ref_t), sizeof (octave_value)));
  Cell out (dims);
  if (n == 0)
    return octave_value (out);
  std::vector<H5R_ref_t> refs (n);
  std::memset (refs.data (), 0, n * sizeof (H5R_ref_t));
  read (h5::copy_of (H5T_STD_REF), refs.data ());
  struct destroy_all
  {
    std::vector<H5R_ref_t>& r;
    ~destroy_all () { for (H5R_ref_t& x : r) H5Rdestroy (&x); }
  } destroy {refs};
  for (octave_idx_type i = 0; i < n; i++)
    {
      H5R_type_t kind = H5Rget_type (&refs[i]);
      if (kind == H5R_OBJECT2)
        out(i) = object_value (H5Ropen_object (&refs[i], H5P_DEFAULT, H5P_DEFAULT),
                               nullptr, c);
      else if (kind == H5R_DATASET_REGION2)
        {
          hid_t space = H5Ropen_region (&refs[i], H5P_DEFAULT, H5P_DEFAULT);
          out(i) = region_value (space, H5Ropen_object (&refs[i], H5P_DEFAULT, H5P_DEFAULT), c);
        }
      else
        out(i) = Matrix ();
    }
  return octave_value (out);
}
#endif

octave_value
read_reference (const h5::DataType& type, const dim_vector& dims,
                const reader_t& read, read_context& c)
{
  bool obj = H5Tequal (type.getId (), H5T_STD_REF_OBJ) > 0;
  bool region = H5Tequal (type.getId (), H5T_STD_REF_DSETREG) > 0;
#if H5_VERSION_GE(1, 12, 0)
  // References of the earlier kinds keep their own memory types and the
  // functions that open them: HDF5 cannot convert them to the new type
  // outside a file, which a sequence of references read into memory needs.
  if (! obj && ! region && H5Tequal (type.getId (), H5T_STD_REF) > 0)
    return read_new_references (dims, read, c);
#endif
  if (! obj && ! region)
    unsupported (c, "reference");
  std::size_t size = obj ? sizeof (hobj_ref_t) : sizeof (hdset_reg_ref_t);
  octave_idx_type n = checked_count (dims, std::max (size, sizeof (octave_value)));
  Cell out (dims);
  if (n == 0)
    return octave_value (out);
  std::vector<char> refs (static_cast<std::size_t> (n) * size, '\0');
  read (h5::copy_of (obj ? H5T_STD_REF_OBJ : H5T_STD_REF_DSETREG), refs.data ());
  hid_t loc = c.file.getId ();
  for (octave_idx_type i = 0; i < n; i++)
    {
      void *ref = refs.data () + i * size;
      if (obj)
        {
          out(i) = object_value (H5Rdereference2 (loc, H5P_DEFAULT, H5R_OBJECT, ref),
                                 nullptr, c);
          continue;
        }
      hid_t space = H5Rget_region (loc, H5R_DATASET_REGION, ref);
      out(i) = region_value (space, H5Rdereference2 (loc, H5P_DEFAULT, H5R_DATASET_REGION, ref), c);
    }
  return octave_value (out);
}

// The value of data of TYPE and shape DIMS that READ transfers.
octave_value
read_value (const h5::DataType& type, const dim_vector& dims,
            const reader_t& read, read_context& c)
{
  nesting level (c);
  dtype_info_t info;
  info.assign (type);
  if (info.octave_class == "string")
    return octave_value (read_string_cells (type, info, dims, read));
  if (! info.octave_class.empty ())
    return read_numeric (info.octave_class, dims, context_text, read);

  switch (type.getClass ())
    {
    case h5::DataTypeClass::Compound:
      return read_compound (type, dims, read, c);
    case h5::DataTypeClass::Enum:
      return read_enum (type, dims, read);
    case h5::DataTypeClass::VarLen:
      return read_vlen (type, dims, read, c);
    case h5::DataTypeClass::Array:
      return read_array_type (type, dims, read, c);
    case h5::DataTypeClass::Reference:
      return read_reference (type, dims, read, c);
    case h5::DataTypeClass::Opaque:
      {
        h5::DataType mem = h5::copy_of (type.getId ());
        std::vector<hsize_t> bytes {type.getSize ()};
        return read_numeric ("uint8", extents_first (bytes, dims), context_text,
                             [&] (const h5::DataType&, void *buf) { read (mem, buf); });
      }
    case h5::DataTypeClass::BitField:
      {
        std::size_t size = type.getSize ();
        hid_t native = size == 1 ? H5T_NATIVE_B8 : size == 2 ? H5T_NATIVE_B16
                       : size == 4 ? H5T_NATIVE_B32 : size == 8 ? H5T_NATIVE_B64 : -1;
        if (native < 0 || ! sane_layout (type, size, false))
          unsupported (c, "bitfield");
        h5::DataType mem = h5::copy_of (native);
        return read_numeric ("uint" + std::to_string (size * 8), dims, context_text,
                             [&] (const h5::DataType&, void *buf) { read (mem, buf); });
      }
    default:
      // Number and string types land here only when their layout is one
      // Octave has no class for (a 2-byte float, say); the size tells which.
      if (info.size != 0 && info.size != all_ones)
        unsupported (c, info.type_class, " of " + std::to_string (info.size) + " bytes");
      unsupported (c, info.type_class.empty () ? "unknown" : info.type_class);
    }
}

// The value of a bound exchange: its selection or whole attribute.
octave_value
read_bound (data_exchange& ex, read_context& c)
{
  if (ex.dspace_info.extent_type == "Empty")
    return Matrix ();
  bool fixed_string = ex.type_spec == "string" && ex.dtype_info.size != all_ones;
  if (! ex.type_spec.empty () && ! fixed_string)
    {
      octave_value v = ex.dataset ? ex.read () : ex.read_attribute ();
      if (v.is_undefined ())
        error ("%s: %s", c.prefix.c_str (), lastError.c_str ());
      return v;
    }
  reader_t whole;
  if (ex.dataset)
    whole = [&ex] (const h5::DataType& mem, void *buf)
    {
      ex.dataset->read (mem, data_exchange::from_dim_vector (ex.octave_dims),
                        ex.dspace, buf);
    };
  else
    whole = [&ex] (const h5::DataType& mem, void *buf) { ex.attribute->read (mem, buf); };
  if (fixed_string)
    {
      Cell strings = read_string_cells (ex.dtype, ex.dtype_info, ex.octave_dims, whole);
      return strings.numel () == 1 ? strings(0) : octave_value (strings);
    }
  return read_value (ex.dtype, ex.octave_dims, whole, c);
}

// Keeps a dataset's key on the list of datasets being read while it is.
class reading_dataset
{
public:
  reading_dataset (read_context& c, const std::string& key) : m_c (c)
  { m_c.reading.push_back (key); }
  ~reading_dataset () { m_c.reading.pop_back (); }
  reading_dataset (const reading_dataset&) = delete;
  reading_dataset& operator = (const reading_dataset&) = delete;

private:
  read_context& m_c;
};

// A referenced dataset, whole or (REGION) its selected elements as a
// column.  A dataset that is already being read is a cycle of references.
octave_value
read_dataset (h5::DataSet& ds, const h5::DataSpace *region, read_context& c)
{
  nesting level (c);
  std::string path = object_path (ds.getId ());
  std::string key = ds.objectKey ();
  if (std::find (c.reading.begin (), c.reading.end (), key) != c.reading.end ())
    error ("%s: references form a cycle through dataset '%s'",
           c.prefix.c_str (), path.c_str ());
  reading_dataset mark (c, key);
  data_exchange ex;
  ex.any_type = true;
  if (! ex.assign (&ds))
    error ("%s: dataset %s: %s", c.prefix.c_str (), path.c_str (), lastError.c_str ());
  if (! region)
    return read_bound (ex, c);
  hssize_t n = region->getSelectedElements ();
  if (static_cast<uint64_t> (n) > max_index)
    throw h5::DataSpaceException ("The region is too large for Octave");
  reader_t selected = [&ds, region, n] (const h5::DataType& mem, void *buf)
  { ds.read (mem, line_space (n), *region, buf); };
  return read_value (ex.dtype, dim_vector (n, 1), selected, c);
}

} // namespace

octave_value
read_any (data_exchange& ex, const std::string& prefix)
{
  read_context c;
  c.prefix = prefix;
  hid_t loc = ex.dataset ? ex.dataset->getId ()
              : ex.attribute ? ex.attribute->getId () : H5I_INVALID_HID;
  c.file = h5::Object (H5Iget_file_id (loc));
  if (c.file.getId () < 0)
    h5::raise<h5::FileException> ("Unable to get the file of the data");
  if (ex.dataset)
    {
      reading_dataset mark (c, ex.dataset->objectKey ());
      return read_bound (ex, c);
    }
  return read_bound (ex, c);
}

} // namespace tolvane
