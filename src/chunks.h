// Chunk pipeline: reads and writes of chunked datasets whose filters are
// deflate, shuffle and Fletcher32, with the filters run on worker threads.
// HDF5 itself is called from the calling thread only; the workers run zlib
// and memory copies.  No thread outlives a call.

#ifndef TOLVANE_CHUNKS_H
#define TOLVANE_CHUNKS_H

#include <cstdint>
#include <string>

#include "h5.h"

namespace tolvane {
namespace chunks {

// Worker threads of a call: TOLVANE_NUM_THREADS when it is a positive
// integer, otherwise the number of online processors.  1 means no pool.
unsigned thread_count ();

// What the most recent read or write did: path "threads" or "hdf5", the
// workers used, the chunks decoded or encoded, the chunks read as fill
// value, and why the plain HDF5 path was taken.
struct report_t
{
  std::string path = "hdf5";
  unsigned threads = 0;
  uint64_t chunks = 0;
  uint64_t filled = 0;
  std::string reason;
};
extern report_t last_report;

// Reads SELECTION (all, or a regular hyperslab) of DS in MEM_TYPE into BUF,
// laid out in C order over the selection's counts.  False, with BUF
// untouched, when the call should go through H5Dread instead.  A corrupt
// chunk raises h5::DataSetException naming the dataset.
bool read (const h5::DataSet& ds, const h5::DataSpace& selection,
           const h5::DataType& mem_type, void *buf);

// Writes BUF (laid out as for read) into SELECTION of DS: whole chunks are
// encoded on the workers and stored with H5Dwrite_chunk, the rest goes
// through H5Dwrite.  False, with nothing written, when the whole call
// should go through H5Dwrite.
bool write (h5::DataSet& ds, const h5::DataSpace& selection,
            const h5::DataType& mem_type, const void *buf);

} // namespace chunks
} // namespace tolvane

#endif
