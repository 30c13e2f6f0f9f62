// Disk space set aside for one writing call.
//
// HDF5 keeps new metadata in memory and writes it when the file is flushed
// or closed.  A file system that runs full at that point leaves the library
// with a file it can neither write nor close, and the process dies when the
// library shuts down.  Reserving the space a call may need before the call
// changes anything turns that into a plain refusal.

#ifndef TOLVANE_HEADROOM_H
#define TOLVANE_HEADROOM_H

#include <cstdint>
#include <string>

namespace tolvane {

// Room for the metadata of one call: object headers, index nodes, heaps
// that double when they grow.
constexpr uint64_t metadata_headroom = uint64_t (1) << 20;

class headroom
{
public:
  headroom () = default;
  headroom (const headroom&) = delete;
  headroom& operator = (const headroom&) = delete;

  // Gives back what the call left unused, once HDF5 has closed the file.
  ~headroom ();

  // Sets BYTES aside past the end of FILENAME.  False, with lastError set,
  // when the file system or the file-size limit cannot take them; a file
  // system without reservations is checked for free space instead.
  bool reserve (const std::string& filename, uint64_t bytes);

  // For a file about to be created: the directory's file system has BYTES
  // free and the file-size limit allows them.
  static bool available_for_new (const std::string& filename, uint64_t bytes);

private:
  int m_fd = -1;
};

} // namespace tolvane

#endif
