// Disk space set aside for one writing call.

#include "headroom.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tolvane {

extern std::string lastError;

namespace {

bool
refuse (uint64_t bytes, const std::string& filename, int err)
{
  lastError = "cannot reserve " + std::to_string (bytes)
              + " bytes of disk space for " + filename + ": "
              + std::strerror (err);
  return false;
}

// The file-size limit of the process (ulimit -f) admits SIZE bytes.
bool
within_size_limit (uint64_t size)
{
  struct rlimit lim;
  if (getrlimit (RLIMIT_FSIZE, &lim) != 0 || lim.rlim_cur == RLIM_INFINITY)
    return true;
  return size <= static_cast<uint64_t> (lim.rlim_cur);
}

bool
has_free (const struct statvfs& fs, uint64_t bytes)
{
  long double avail = static_cast<long double> (fs.f_bavail) * fs.f_frsize;
  return avail >= static_cast<long double> (bytes);
}

} // namespace

bool
headroom::reserve (const std::string& filename, uint64_t bytes)
{
  int fd = open (filename.c_str (), O_WRONLY | O_CLOEXEC);
  if (fd < 0)
    return true;   // HDF5 has the file open for writing; nothing to check
  struct stat st;
  if (fstat (fd, &st) != 0 || ! S_ISREG (st.st_mode))
    {
      close (fd);
      return true;
    }
  uint64_t size = static_cast<uint64_t> (st.st_size);
  if (bytes > UINT64_MAX - size || ! within_size_limit (size + bytes))
    {
      close (fd);
      return refuse (bytes, filename, EFBIG);
    }
  // KEEP_SIZE allocates blocks past the end without changing the file's
  // length, so HDF5 sees the file exactly as before.
  if (bytes > 0 && fallocate (fd, FALLOC_FL_KEEP_SIZE,
                              static_cast<off_t> (size),
                              static_cast<off_t> (bytes)) != 0)
    {
      int err = errno;
      if (err == ENOSPC || err == EDQUOT || err == EFBIG)
        {
          close (fd);
          return refuse (bytes, filename, err);
        }
      struct statvfs fs;
      if (fstatvfs (fd, &fs) == 0 && ! has_free (fs, bytes))
        {
          close (fd);
          return refuse (bytes, filename, ENOSPC);
        }
    }
  if (m_fd >= 0)
    close (m_fd);
  m_fd = fd;
  return true;
}

bool
headroom::available_for_new (const std::string& filename, uint64_t bytes)
{
  if (! within_size_limit (bytes))
    return refuse (bytes, filename, EFBIG);
  std::size_t slash = filename.rfind ('/');
  std::string dir = (slash == std::string::npos) ? "."
                    : (slash == 0 ? "/" : filename.substr (0, slash));
  struct statvfs fs;
  if (statvfs (dir.c_str (), &fs) == 0 && ! has_free (fs, bytes))
    return refuse (bytes, filename, ENOSPC);
  return true;
}

headroom::~headroom ()
{
  if (m_fd < 0)
    return;
  // Truncating to the current length frees the blocks past the end.  Only
  // when nobody else has the file open through HDF5 (whose locks are
  // flock locks): a writer elsewhere may be using the space.
  if (flock (m_fd, LOCK_EX | LOCK_NB) == 0)
    {
      struct stat st;
      // A failed truncation only leaves the blocks allocated.
      if (fstat (m_fd, &st) == 0 && ftruncate (m_fd, st.st_size) != 0)
        st.st_size = 0;
      flock (m_fd, LOCK_UN);
    }
  close (m_fd);
}

} // namespace tolvane
