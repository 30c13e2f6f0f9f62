// Chunk pipeline: the filters deflate, shuffle and Fletcher32 applied by the
// module itself on a pool of worker threads, around H5Dread_chunk and
// H5Dwrite_chunk called from the calling thread.

#include "chunks.h"

#include <zlib.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tolvane {
namespace chunks {

report_t last_report;

unsigned
thread_count ()
{
  const char *env = std::getenv ("TOLVANE_NUM_THREADS");
  if (env && *env)
    {
      char *end = nullptr;
      long n = std::strtol (env, &end, 10);
      if (end && *end == '\0' && n >= 1)
        return static_cast<unsigned> (std::min (n, 256L));
    }
  long n = sysconf (_SC_NPROCESSORS_ONLN);
  return n >= 1 ? static_cast<unsigned> (std::min (n, 256L)) : 1;
}

namespace {

// Less decoded or encoded data than this goes through HDF5 alone: the
// threads would not pay for themselves.
constexpr uint64_t min_pipeline_bytes = 64 * 1024;

using bytes_t = std::unique_ptr<uint8_t[]>;

struct filter_t
{
  H5Z_filter_t id;
  std::vector<unsigned> cd;
};

// One dimension of a selection as the chunks see it.  For every chunk
// holding a selected element: its chunk index, the first selected index
// within it, the selected count and the first output index.
struct axis_t
{
  hsize_t start = 0, stride = 1, count = 0, extent = 0, chunk = 0;
  std::vector<hsize_t> index, local, n, out;
};

struct plan_t
{
  std::string name;
  std::size_t rank = 0;
  std::size_t esize = 0;
  bool swap = false;
  std::vector<filter_t> filters;
  std::vector<axis_t> axes;
  std::size_t chunk_elems = 1;
  std::size_t chunk_bytes = 0;
  std::vector<uint8_t> fill;     // one element in memory type
  bool fill_known = false;
  std::vector<hsize_t> out_stride; // elements, C order over the counts
};

struct fail : std::runtime_error
{
  using std::runtime_error::runtime_error;
};

bool
refuse (const std::string& why)
{
  last_report.reason = why;
  return false;
}

// Byte order handling of FILE_TYPE read as MEM_TYPE: 0 none, 1 swap, -1 a
// conversion the pipeline does not do.
int
order_relation (hid_t file_type, hid_t mem_type)
{
  if (H5Tequal (file_type, mem_type) > 0)
    return 0;
  H5T_class_t c = H5Tget_class (file_type);
  if ((c != H5T_INTEGER && c != H5T_FLOAT) || H5Tget_class (mem_type) != c
      || H5Tget_size (file_type) != H5Tget_size (mem_type))
    return -1;
  hid_t copy = H5Tcopy (file_type);
  if (copy < 0)
    return -1;
  bool same = H5Tset_order (copy, H5Tget_order (mem_type)) >= 0
              && H5Tequal (copy, mem_type) > 0;
  H5Tclose (copy);
  if (! same)
    return -1;
  return H5Tget_size (mem_type) > 1 ? 1 : 0;
}

std::string
dataset_name (hid_t id)
{
  ssize_t len = H5Iget_name (id, nullptr, 0);
  if (len <= 0)
    return "?";
  std::vector<char> name (len + 1, '\0');
  H5Iget_name (id, name.data (), name.size ());
  return std::string (name.data (), len);
}

// The plan of a transfer, or false when the pipeline does not apply.
bool
make_plan (const h5::DataSet& ds, const h5::DataSpace& selection,
           const h5::DataType& mem_type, bool writing, plan_t& p)
{
#if ! H5_VERSION_GE(1, 10, 5)
  (void) ds; (void) selection; (void) mem_type; (void) writing; (void) p;
  return refuse ("HDF5 before 1.10.5 has no chunk queries");
#else
  hid_t id = ds.getId ();
  h5::PropertyList dcpl = ds.getCreatePropertyList ();
  hid_t pl = dcpl.getId ();
  if (H5Pget_layout (pl) != H5D_CHUNKED)
    return refuse ("not chunked");
  int rank = H5Sget_simple_extent_ndims (selection.getId ());
  if (rank < 1)
    return refuse ("not a simple dataspace");
  p.rank = rank;
  std::vector<hsize_t> cdims = ds.getChunkDims (rank);
  if (cdims.empty ())
    return refuse ("no chunk extents");

  int nf = H5Pget_nfilters (pl);
  if (nf < 1 || nf > 32)
    return refuse ("no filters");
  bool deflate = false;
  for (int k = 0; k < nf; k++)
    {
      unsigned flags = 0, conf = 0;
      std::size_t ncd = 8;
      unsigned cd[8] = {0};
      char fname[64];
      H5Z_filter_t f = H5Pget_filter2 (pl, k, &flags, &ncd, cd, sizeof fname,
                                       fname, &conf);
      if (f != H5Z_FILTER_DEFLATE && f != H5Z_FILTER_SHUFFLE
          && f != H5Z_FILTER_FLETCHER32)
        return refuse ("a filter other than deflate, shuffle and fletcher32");
      if (f == H5Z_FILTER_DEFLATE)
        {
          if (deflate || ncd < 1 || cd[0] > 9)
            return refuse ("unusual deflate parameters");
          deflate = true;
        }
      if (f == H5Z_FILTER_SHUFFLE && (ncd < 1 || cd[0] < 1))
        return refuse ("shuffle without element size");
      p.filters.push_back ({f, std::vector<unsigned> (cd, cd + std::min<std::size_t> (ncd, 8))});
    }
  if (writing && ! deflate)
    return refuse ("no deflate filter");

  h5::DataType ftype = ds.getDataType ();
  int order = order_relation (ftype.getId (), mem_type.getId ());
  if (order < 0)
    return refuse ("a conversion other than byte order");
  p.swap = order == 1;
  p.esize = H5Tget_size (mem_type.getId ());
  if (p.esize < 1 || p.esize > 64)
    return refuse ("element size");

  // Selection: all, or a regular hyperslab of blocks of one.
  std::vector<hsize_t> dims (rank), start (rank, 0), stride (rank, 1),
                       count (rank), block (rank, 1);
  H5Sget_simple_extent_dims (selection.getId (), dims.data (), nullptr);
  H5S_sel_type st = H5Sget_select_type (selection.getId ());
  if (st == H5S_SEL_ALL)
    count = dims;
  else if (st == H5S_SEL_HYPERSLABS
           && H5Sis_regular_hyperslab (selection.getId ()) > 0)
    {
      if (H5Sget_regular_hyperslab (selection.getId (), start.data (),
                                    stride.data (), count.data (),
                                    block.data ()) < 0)
        return refuse ("hyperslab query failed");
      for (int d = 0; d < rank; d++)
        if (block[d] != 1)
          return refuse ("hyperslab blocks");
    }
  else
    return refuse ("selection");

  p.axes.resize (rank);
  p.chunk_elems = 1;
  for (int d = 0; d < rank; d++)
    {
      axis_t& a = p.axes[d];
      a.start = start[d];
      a.stride = stride[d];
      a.count = count[d];
      a.extent = dims[d];
      a.chunk = cdims[d];
      if (a.chunk < 1 || a.count < 1)
        return refuse ("empty");
      if (writing && a.stride != 1 && a.count > 1)
        return refuse ("strided write");
      p.chunk_elems *= a.chunk;
    }
  p.chunk_bytes = p.chunk_elems * p.esize;
  p.out_stride.assign (rank, 1);
  for (int d = rank - 2; d >= 0; d--)
    p.out_stride[d] = p.out_stride[d + 1] * count[d + 1];

  p.fill.assign (p.esize, 0);
  H5D_fill_value_t status;
  if (H5Pfill_value_defined (pl, &status) >= 0
      && status != H5D_FILL_VALUE_UNDEFINED)
    {
      H5D_fill_time_t when;
      p.fill_known = H5Pget_fill_time (pl, &when) >= 0
                     && when != H5D_FILL_TIME_NEVER
                     && H5Pget_fill_value (pl, mem_type.getId (),
                                           p.fill.data ()) >= 0;
    }
  p.name = dataset_name (id);
  return true;
#endif
}

// The chunks with selected elements along axis A (reads: all of them).
void
index_axis (axis_t& a)
{
  hsize_t last = a.start + (a.count - 1) * a.stride;
  for (hsize_t q = a.start / a.chunk; q <= last / a.chunk; q++)
    {
      hsize_t lo = q * a.chunk;
      hsize_t hi = std::min (lo + a.chunk, a.extent) - 1;
      hsize_t k = lo <= a.start ? 0 : (lo - a.start + a.stride - 1) / a.stride;
      hsize_t first = a.start + k * a.stride;
      if (k >= a.count || first > hi)
        continue;
      hsize_t kn = std::min (a.count - 1, (hi - a.start) / a.stride) - k + 1;
      a.index.push_back (q);
      a.local.push_back (first - lo);
      a.n.push_back (kn);
      a.out.push_back (k);
    }
}

// Per-dimension positions of job I in the grid of chunks.
void
job_coords (const plan_t& p, std::size_t i, std::vector<std::size_t>& at)
{
  at.resize (p.rank);
  for (std::size_t d = p.rank; d-- > 0; )
    {
      std::size_t m = p.axes[d].index.size ();
      at[d] = i % m;
      i /= m;
    }
}

// The message of a corrupt chunk of job position AT: the chunk is named by
// its first element, in Octave order and 1-based.
std::string
corrupt_message (const plan_t& p, const std::vector<std::size_t>& at,
                 const std::string& why)
{
  std::string s = "h5read: dataset " + p.name + ": corrupt chunk at (";
  for (std::size_t d = p.rank; d-- > 0; )
    {
      const axis_t& a = p.axes[d];
      s += std::to_string (a.index[at[d]] * a.chunk + 1);
      if (d > 0)
        s += ",";
    }
  return s + "): " + why;
}

// ------------------------------------------------------------ element moves

// Moves N elements between the Octave array ARR (contiguous) and chunk
// elements CI, CI + STEP, ... of CHUNK.  Shuffled chunks keep byte B of
// element J at B * PLANES + J; SWAP reverses the bytes of each element.
template <std::size_t ES, bool Gather, bool Shuffled, bool Swap>
void
move_run (uint8_t *arr, uint8_t *chunk, std::size_t ci, std::size_t step,
          std::size_t n, std::size_t es_rt, std::size_t planes)
{
  const std::size_t es = ES ? ES : es_rt;
  if (! Shuffled && ! Swap && step == 1)
    {
      if (Gather)
        std::memcpy (chunk + ci * es, arr, n * es);
      else
        std::memcpy (arr, chunk + ci * es, n * es);
      return;
    }
  for (std::size_t j = 0; j < n; j++)
    {
      std::size_t e = ci + j * step;
      uint8_t *a = arr + j * es;
      for (std::size_t b = 0; b < es; b++)
        {
          std::size_t ab = Swap ? es - 1 - b : b;
          uint8_t *c = Shuffled ? chunk + b * planes + e : chunk + e * es + b;
          if (Gather)
            *c = a[ab];
          else
            a[ab] = *c;
        }
    }
}

using run_fn = void (*) (uint8_t *, uint8_t *, std::size_t, std::size_t,
                         std::size_t, std::size_t, std::size_t);

template <bool Gather, bool Shuffled, bool Swap>
run_fn
pick_size (std::size_t es)
{
  switch (es)
    {
    case 1: return move_run<1, Gather, Shuffled, false>;
    case 2: return move_run<2, Gather, Shuffled, Swap>;
    case 4: return move_run<4, Gather, Shuffled, Swap>;
    case 8: return move_run<8, Gather, Shuffled, Swap>;
    default: return move_run<0, Gather, Shuffled, Swap>;
    }
}

run_fn
pick_run (std::size_t es, bool gather, bool shuffled, bool swap)
{
  if (gather)
    return swap ? pick_size<true, false, true> (es) : pick_size<true, false, false> (es);
  if (shuffled)
    return swap ? pick_size<false, true, true> (es) : pick_size<false, true, false> (es);
  return swap ? pick_size<false, false, true> (es) : pick_size<false, false, false> (es);
}

// Moves the selected part of the chunk of job position AT between CHUNK and
// the Octave array ARR.
void
move_chunk (const plan_t& p, const std::vector<std::size_t>& at,
            uint8_t *arr, uint8_t *chunk, run_fn run, std::size_t planes)
{
  std::size_t R = p.rank;
  std::vector<hsize_t> k (R, 0);
  const axis_t& last = p.axes[R - 1];
  std::size_t li = at[R - 1];
  for (;;)
    {
      std::size_t ci = 0, oi = 0;
      for (std::size_t d = 0; d < R; d++)
        {
          const axis_t& a = p.axes[d];
          std::size_t i = at[d];
          ci = ci * a.chunk + a.local[i] + k[d] * a.stride;
          oi += (a.out[i] + k[d]) * p.out_stride[d];
        }
      run (arr + oi * p.esize, chunk, ci, last.stride, last.n[li], p.esize,
           planes);
      std::size_t d = R - 1;
      for (;;)
        {
          if (d == 0)
            return;
          d--;
          if (++k[d] < p.axes[d].n[at[d]])
            break;
          k[d] = 0;
        }
    }
}

// --------------------------------------------------------------- filters

uint32_t
fletcher32 (const uint8_t *data, std::size_t len_bytes)
{
  std::size_t len = len_bytes / 2;
  uint32_t sum1 = 0, sum2 = 0;
  while (len)
    {
      std::size_t tlen = len > 360 ? 360 : len;
      len -= tlen;
      do
        {
          sum1 += (static_cast<uint32_t> (data[0]) << 8) | data[1];
          data += 2;
          sum2 += sum1;
        }
      while (--tlen);
      sum1 = (sum1 & 0xffff) + (sum1 >> 16);
      sum2 = (sum2 & 0xffff) + (sum2 >> 16);
    }
  if (len_bytes % 2)
    {
      sum1 += static_cast<uint32_t> (*data) << 8;
      sum2 += sum1;
      sum1 = (sum1 & 0xffff) + (sum1 >> 16);
      sum2 = (sum2 & 0xffff) + (sum2 >> 16);
    }
  sum1 = (sum1 & 0xffff) + (sum1 >> 16);
  sum2 = (sum2 & 0xffff) + (sum2 >> 16);
  return (sum2 << 16) | sum1;
}

// HDF5's shuffle of N bytes of elements of ES bytes; trailing bytes that
// make no whole element stay in place.
void
shuffle (const uint8_t *src, uint8_t *dst, std::size_t n, std::size_t es,
         bool inverse)
{
  std::size_t ne = es > 1 ? n / es : 0;
  for (std::size_t b = 0; b < es && ne > 0; b++)
    for (std::size_t i = 0; i < ne; i++)
      {
        if (inverse)
          dst[i * es + b] = src[b * ne + i];
        else
          dst[b * ne + i] = src[i * es + b];
      }
  std::memcpy (dst + ne * es, src + ne * es, n - ne * es);
}

// Per-worker scratch buffers of CAP bytes; the second one only once a
// filter needs it.
struct scratch_t
{
  bytes_t a, b;
  std::size_t cap = 0;
  void ensure (std::size_t n)
  {
    if (cap >= n)
      return;
    a.reset (new uint8_t[n]);
    b.reset ();
    cap = n;
  }
  // The scratch buffer that CUR is not.
  uint8_t *other (const uint8_t *cur)
  {
    if (cur == a.get ())
      {
        if (! b)
          b.reset (new uint8_t[cap]);
        return b.get ();
      }
    return a.get ();
  }
};

// Worker pool: PRE (i) and POST (i) run on the calling thread in the order
// of i, WORK (i, w) on worker w; at most WINDOW jobs are between their PRE
// and their POST.  The first failure of a worker is raised here after every
// worker has been joined.
void
run_jobs (std::size_t n, unsigned threads, std::size_t window,
          const std::function<void (std::size_t)>& pre,
          const std::function<void (std::size_t, unsigned)>& work,
          const std::function<void (std::size_t)>& post)
{
  std::mutex m;
  std::condition_variable cv_job, cv_done;
  std::deque<std::size_t> queue;
  std::vector<char> done (n, 0);
  bool stop = false, failed = false;
  std::string error;
  std::vector<std::thread> workers;

  struct joiner
  {
    std::function<void ()> f;
    ~joiner () { f (); }
  } join_all {[&] ()
  {
    {
      std::lock_guard<std::mutex> l (m);
      stop = true;
    }
    cv_job.notify_all ();
    for (std::thread& t : workers)
      if (t.joinable ())
        t.join ();
  }};

  auto worker = [&] (unsigned w)
  {
    for (;;)
      {
        std::size_t i;
        bool skip;
        {
          std::unique_lock<std::mutex> l (m);
          cv_job.wait (l, [&] { return stop || ! queue.empty (); });
          if (stop)
            return;
          i = queue.front ();
          queue.pop_front ();
          skip = failed;
        }
        std::string err;
        if (! skip)
          try
            {
              work (i, w);
            }
          catch (const std::exception& e)
            {
              err = e.what ();
              if (err.empty ())
                err = "failure in a worker thread";
            }
          catch (...)
            {
              err = "failure in a worker thread";
            }
        {
          std::lock_guard<std::mutex> l (m);
          if (! err.empty () && ! failed)
            {
              failed = true;
              error = err;
            }
          done[i] = 1;
        }
        cv_done.notify_all ();
      }
  };
  try
    {
      for (unsigned w = 0; w < threads; w++)
        workers.emplace_back (worker, w);
    }
  catch (const std::system_error& e)
    {
      if (workers.empty ())
        throw h5::DataSetException (std::string ("Unable to start worker threads: ") + e.what ());
    }

  std::size_t next_pre = 0, next_post = 0;
  while (next_post < n)
    {
      bool ready, bad;
      {
        std::lock_guard<std::mutex> l (m);
        ready = done[next_post];
        bad = failed;
      }
      if (bad)
        break;
      if (ready)
        {
          post (next_post++);
          continue;
        }
      if (next_pre < n && next_pre - next_post < window)
        {
          pre (next_pre);
          {
            std::lock_guard<std::mutex> l (m);
            queue.push_back (next_pre);
          }
          cv_job.notify_one ();
          next_pre++;
          continue;
        }
      std::unique_lock<std::mutex> l (m);
      cv_done.wait (l, [&] { return done[next_post] || failed; });
    }
  join_all.f ();
  join_all.f = [] () { };
  if (failed)
    throw h5::DataSetException (error);
}

std::size_t
job_count (plan_t& p)
{
  std::size_t jobs = 1;
  for (axis_t& a : p.axes)
    {
      index_axis (a);
      jobs *= a.index.size ();
    }
  return jobs;
}

void
chunk_offset (const plan_t& p, const std::vector<std::size_t>& at,
              std::vector<hsize_t>& off)
{
  off.resize (p.rank);
  for (std::size_t d = 0; d < p.rank; d++)
    off[d] = p.axes[d].index[at[d]] * p.axes[d].chunk;
}

} // namespace

// ------------------------------------------------------------------ reads

bool
read (const h5::DataSet& ds, const h5::DataSpace& selection,
      const h5::DataType& mem_type, void *buf)
{
  last_report = report_t ();
  unsigned threads = thread_count ();
  if (threads < 2)
    return refuse ("one thread");
  plan_t p;
  if (! make_plan (ds, selection, mem_type, false, p))
    return false;
#if H5_VERSION_GE(1, 10, 5)
  std::size_t jobs = job_count (p);
  if (jobs < 2 || jobs * p.chunk_bytes < min_pipeline_bytes)
    return refuse ("too small");

  // Where every stored chunk of the selection is, from the calling thread,
  // before anything is read.  A few stored chunks in a large grid are
  // listed from the chunk index; otherwise each chunk is looked up.
  hid_t id = ds.getId ();
  struct stored_t { std::size_t g; hsize_t size; unsigned mask; };
  std::vector<stored_t> stored;
  std::vector<std::size_t> at;
  std::vector<hsize_t> off (p.rank);
  std::size_t bound = p.chunk_bytes + p.chunk_bytes / 256 + 1024;
  auto keep = [&] (std::size_t g, unsigned mask, haddr_t addr, hsize_t size)
  {
    if (addr == HADDR_UNDEF || size == 0)
      return;
    if (size > bound)
      {
        job_coords (p, g, at);
        throw h5::DataSetException (corrupt_message (p, at, "stored size "
                                    + std::to_string (size) + " bytes for a chunk of "
                                    + std::to_string (p.chunk_bytes) + " bytes"));
      }
    stored.push_back ({g, size, mask});
  };
  hsize_t nstored = 0;
  h5::DataSpace all = ds.getSpace ();
  if (H5Dget_num_chunks (id, all.getId (), &nstored) < 0)
    h5::raise<h5::DataSetException> ("Unable to read the dataset");
  if (nstored < jobs / 16 && nstored <= 4096)
    {
      for (hsize_t k = 0; k < nstored; k++)
        {
          unsigned mask = 0;
          haddr_t addr = HADDR_UNDEF;
          hsize_t size = 0;
          if (H5Dget_chunk_info (id, all.getId (), k, off.data (), &mask,
                                 &addr, &size) < 0)
            h5::raise<h5::DataSetException> ("Unable to read the dataset");
          std::size_t g = 0;
          bool inside = true;
          for (std::size_t d = 0; d < p.rank && inside; d++)
            {
              const std::vector<hsize_t>& ix = p.axes[d].index;
              hsize_t q = off[d] / p.axes[d].chunk;
              auto it = std::lower_bound (ix.begin (), ix.end (), q);
              inside = it != ix.end () && *it == q;
              g = g * ix.size () + (it - ix.begin ());
            }
          if (inside)
            keep (g, mask, addr, size);
        }
      std::sort (stored.begin (), stored.end (),
                 [] (const stored_t& x, const stored_t& y) { return x.g < y.g; });
    }
  else
    for (std::size_t g = 0; g < jobs; g++)
      {
        job_coords (p, g, at);
        chunk_offset (p, at, off);
        unsigned mask = 0;
        haddr_t addr = HADDR_UNDEF;
        hsize_t size = 0;
        if (H5Dget_chunk_info_by_coord (id, off.data (), &mask, &addr, &size) < 0)
          h5::raise<h5::DataSetException> ("Unable to read the dataset");
        keep (g, mask, addr, size);
      }
  uint64_t filled = jobs - stored.size ();
  if (filled > 0 && ! p.fill_known)
    return refuse ("chunks never written without a fill value");

  // One raw chunk read ahead of the workers.
  std::size_t window = threads + 1;
  std::vector<bytes_t> slots (window);
  std::vector<std::size_t> slot_cap (window, 0);
  std::vector<scratch_t> scratch (threads);
  uint8_t *out = static_cast<uint8_t *> (buf);
  std::size_t n_filters = p.filters.size ();

  // Bytes each unmasked deflate must produce: what entered it on writing.
  auto inflated_size = [&] (unsigned mask, std::size_t f)
  {
    std::size_t s = p.chunk_bytes;
    for (std::size_t k = 0; k < f; k++)
      if (! (mask & (1u << k)) && p.filters[k].id == H5Z_FILTER_FLETCHER32)
        s += 4;
    return s;
  };

  auto pre = [&] (std::size_t i)
  {
    std::size_t s = i % window;
    if (slot_cap[s] < stored[i].size)
      {
        slots[s].reset (new uint8_t[stored[i].size]);
        slot_cap[s] = stored[i].size;
      }
    job_coords (p, stored[i].g, at);
    chunk_offset (p, at, off);
    uint32_t mask = 0;
#if H5_VERSION_GE(2, 0, 0)
    std::size_t nbytes = slot_cap[s];
    herr_t rc = H5Dread_chunk2 (id, H5P_DEFAULT, off.data (), &mask,
                                slots[s].get (), &nbytes);
#else
    herr_t rc = H5Dread_chunk (id, H5P_DEFAULT, off.data (), &mask,
                               slots[s].get ());
#endif
    if (rc < 0)
      h5::raise<h5::DataSetException> ("Unable to read the dataset");
    stored[i].mask = mask;
  };

  auto work = [&] (std::size_t i, unsigned w)
  {
    std::vector<std::size_t> pos;
    job_coords (p, stored[i].g, pos);
    auto corrupt = [&] (const std::string& why)
    {
      return fail (corrupt_message (p, pos, why));
    };
    scratch_t& sc = scratch[w];
    sc.ensure (p.chunk_bytes + 4 * n_filters + 64);
    uint8_t *cur = slots[i % window].get ();
    std::size_t size = stored[i].size;
    unsigned mask = stored[i].mask;
    bool fused = false;
    std::size_t planes = 0;
    // The filter applied last to the chunk's data before storing it.
    std::size_t first_active = n_filters;
    for (std::size_t f = 0; f < n_filters; f++)
      if (! (mask & (1u << f)))
        {
          first_active = f;
          break;
        }
    for (std::size_t f = n_filters; f-- > 0; )
      {
        if (mask & (1u << f))
          continue;
        const filter_t& flt = p.filters[f];
        if (flt.id == H5Z_FILTER_FLETCHER32)
          {
            if (size < 4)
              throw corrupt ("too short for its checksum");
            size -= 4;
            uint32_t sum = fletcher32 (cur, size);
            const uint8_t *c = cur + size;
            uint32_t stored_sum = c[0] | (c[1] << 8) | (c[2] << 16)
                                  | (static_cast<uint32_t> (c[3]) << 24);
            // Old HDF5 versions stored the two halves byte-swapped.
            uint32_t reversed = ((sum & 0x00ff00ffu) << 8) | ((sum >> 8) & 0x00ff00ffu);
            if (stored_sum != sum && stored_sum != reversed)
              throw corrupt ("Fletcher32 checksum mismatch");
          }
        else if (flt.id == H5Z_FILTER_DEFLATE)
          {
            std::size_t want = inflated_size (mask, f);
            uint8_t *dst = sc.other (cur);
            z_stream z;
            std::memset (&z, 0, sizeof z);
            if (inflateInit (&z) != Z_OK)
              throw corrupt ("zlib could not start");
            z.next_in = cur;
            z.avail_in = static_cast<uInt> (size);
            z.next_out = dst;
            z.avail_out = static_cast<uInt> (want);
            int rc = inflate (&z, Z_FINISH);
            std::string msg = z.msg ? z.msg : "";
            std::size_t got = want - z.avail_out;
            inflateEnd (&z);
            if (rc != Z_STREAM_END)
              {
                if (rc == Z_BUF_ERROR && z.avail_out == 0)
                  throw corrupt ("inflates to more than " + std::to_string (want) + " bytes");
                throw corrupt ("inflate failed" + (msg.empty () ? std::string () : " (" + msg + ")"));
              }
            if (got != want)
              throw corrupt ("inflates to " + std::to_string (got) + " bytes, not "
                             + std::to_string (want));
            cur = dst;
            size = got;
          }
        else
          {
            std::size_t es = flt.cd[0];
            if (f == first_active && es == p.esize && size == p.chunk_bytes)
              {
                fused = true;
                planes = p.chunk_elems;
              }
            else
              {
                uint8_t *dst = sc.other (cur);
                if (size > sc.cap)
                  throw corrupt ("too large");
                shuffle (cur, dst, size, es, true);
                cur = dst;
              }
          }
      }
    if (size != p.chunk_bytes)
      throw corrupt ("decodes to " + std::to_string (size) + " bytes, not "
                     + std::to_string (p.chunk_bytes));
    move_chunk (p, pos, out, cur, pick_run (p.esize, false, fused, p.swap), planes);
  };

  // Chunks never written: the whole output holds the fill value first, in
  // one slice per worker.
  if (filled > 0)
    {
      std::size_t total = 1;
      for (const axis_t& a : p.axes)
        total *= a.count;
      auto fill_part = [&] (std::size_t k, unsigned)
      {
        std::size_t lo = total * k / threads, hi = total * (k + 1) / threads;
        uint8_t *o = out + lo * p.esize;
        if (lo < hi)
          std::memcpy (o, p.fill.data (), p.esize);
        // Doubling copies of what is already filled.
        std::size_t done = 1, n = hi - lo;
        while (done < n)
          {
            std::size_t m = std::min (done, n - done);
            std::memcpy (o + done * p.esize, o, m * p.esize);
            done += m;
          }
      };
      run_jobs (threads, threads, threads, [] (std::size_t) { }, fill_part,
                [] (std::size_t) { });
    }
  run_jobs (stored.size (), threads, window, pre, work, [] (std::size_t) { });
  last_report.path = "threads";
  last_report.threads = threads;
  last_report.chunks = stored.size ();
  last_report.filled = filled;
  return true;
#else
  (void) buf;
  return false;
#endif
}

// ----------------------------------------------------------------- writes

bool
write (h5::DataSet& ds, const h5::DataSpace& selection,
       const h5::DataType& mem_type, const void *buf)
{
  last_report = report_t ();
  unsigned threads = thread_count ();
  if (threads < 2)
    return refuse ("one thread");
  plan_t p;
  if (! make_plan (ds, selection, mem_type, true, p))
    return false;

  // Along each dimension: a partial head, whole chunks, a partial tail.  An
  // edge chunk whose part inside the extent is covered counts as whole.
  std::size_t R = p.rank;
  std::vector<std::vector<std::pair<hsize_t, hsize_t>>> segs (R);
  std::vector<int> mid (R, -1);
  std::vector<axis_t> whole = p.axes;
  std::size_t jobs = 1;
  for (std::size_t d = 0; d < R; d++)
    {
      const axis_t& a = p.axes[d];
      hsize_t s = a.start, e = a.start + a.count;
      hsize_t b1 = (s + a.chunk - 1) / a.chunk * a.chunk;
      hsize_t b2 = (e == a.extent) ? e : e / a.chunk * a.chunk;
      if (b1 < b2)
        {
          if (s < b1)
            segs[d].push_back ({s, b1});
          mid[d] = segs[d].size ();
          segs[d].push_back ({b1, b2});
          if (b2 < e)
            segs[d].push_back ({b2, e});
          whole[d].start = b1;
          whole[d].count = b2 - b1;
        }
      else
        segs[d].push_back ({s, e});
      if (mid[d] < 0)
        jobs = 0;
    }
  if (jobs == 0)
    return refuse ("no whole chunk");
  plan_t wp = p;
  wp.axes = whole;
  jobs = job_count (wp);
  if (jobs < 2 || jobs * p.chunk_bytes < min_pipeline_bytes)
    return refuse ("too small");
  // Output positions of the whole chunks are relative to the selection.
  for (std::size_t d = 0; d < R; d++)
    for (hsize_t& o : wp.axes[d].out)
      o += whole[d].start - p.axes[d].start;
  wp.out_stride = p.out_stride;

  hid_t id = ds.getId ();
  std::size_t window = 2 * threads;
  std::vector<bytes_t> slots (window);
  std::vector<std::size_t> slot_size (window, 0);
  std::vector<uint32_t> slot_mask (window, 0);
  std::vector<scratch_t> scratch (threads);
  std::size_t cap = compressBound (p.chunk_bytes + 4 * p.filters.size ())
                    + 4 * p.filters.size () + 64;
  uint8_t *src = const_cast<uint8_t *> (static_cast<const uint8_t *> (buf));
  std::vector<std::size_t> at;
  std::vector<hsize_t> off;

  auto work = [&] (std::size_t i, unsigned w)
  {
    std::vector<std::size_t> pos;
    job_coords (wp, i, pos);
    scratch_t& sc = scratch[w];
    sc.ensure (cap);
    uint8_t *cur = sc.a.get ();
    // The parts of an edge chunk outside the extent hold the fill value.
    bool edge = false;
    for (std::size_t d = 0; d < R; d++)
      edge |= wp.axes[d].n[pos[d]] < wp.axes[d].chunk;
    if (edge)
      for (std::size_t e = 0; e < p.chunk_elems; e++)
        std::memcpy (cur + e * p.esize, p.fill.data (), p.esize);
    move_chunk (wp, pos, src, cur, pick_run (p.esize, true, false, p.swap), 0);
    std::size_t size = p.chunk_bytes;
    std::size_t s = i % window;
    if (! slots[s])
      slots[s].reset (new uint8_t[cap]);
    for (const filter_t& flt : p.filters)
      {
        uint8_t *dst = sc.other (cur);
        if (flt.id == H5Z_FILTER_SHUFFLE)
          {
            shuffle (cur, dst, size, flt.cd[0], false);
            cur = dst;
          }
        else if (flt.id == H5Z_FILTER_DEFLATE)
          {
            uLongf n = static_cast<uLongf> (cap);
            int rc = compress2 (dst, &n, cur, static_cast<uLong> (size),
                                static_cast<int> (flt.cd[0]));
            if (rc != Z_OK)
              throw fail ("h5write: dataset " + p.name + ": deflate failed");
            cur = dst;
            size = n;
          }
        else
          {
            if (size + 4 > cap)
              throw fail ("h5write: dataset " + p.name + ": chunk too large");
            uint32_t sum = fletcher32 (cur, size);
            for (int b = 0; b < 4; b++)
              cur[size + b] = static_cast<uint8_t> (sum >> (8 * b));
            size += 4;
          }
      }
    std::memcpy (slots[s].get (), cur, size);
    slot_size[s] = size;
    slot_mask[s] = 0;
  };

  auto post = [&] (std::size_t i)
  {
    std::size_t s = i % window;
    job_coords (wp, i, at);
    chunk_offset (wp, at, off);
    if (H5Dwrite_chunk (id, H5P_DEFAULT, slot_mask[s], off.data (),
                        slot_size[s], slots[s].get ()) < 0)
      h5::raise<h5::DataSetException> ("Unable to write the dataset");
  };

  run_jobs (jobs, threads, window, [] (std::size_t) { }, work, post);

  // The partial boxes, each with one H5Dwrite.
  std::vector<std::size_t> pick (R, 0);
  std::vector<hsize_t> count (R), mem_dims (R), mem_off (R), file_off (R);
  for (std::size_t d = 0; d < R; d++)
    mem_dims[d] = p.axes[d].count;
  h5::DataSpace mem_all (mem_dims);
  for (;;)
    {
      bool all_mid = true;
      for (std::size_t d = 0; d < R; d++)
        {
          const auto& sg = segs[d][pick[d]];
          all_mid &= static_cast<int> (pick[d]) == mid[d];
          file_off[d] = sg.first;
          count[d] = sg.second - sg.first;
          mem_off[d] = sg.first - p.axes[d].start;
        }
      if (! all_mid)
        {
          std::vector<hsize_t> one (R, 1);
          h5::DataSpace fs = selection.selectHyperslab (file_off, count, one);
          h5::DataSpace ms = mem_all.selectHyperslab (mem_off, count, one);
          ds.write (mem_type, ms, fs, buf);
        }
      std::size_t d = R;
      for (;;)
        {
          if (d == 0)
            goto partial_done;
          d--;
          if (++pick[d] < segs[d].size ())
            break;
          pick[d] = 0;
        }
    }
partial_done:
  last_report.path = "threads";
  last_report.threads = threads;
  last_report.chunks = jobs;
  return true;
}

} // namespace chunks
} // namespace tolvane
