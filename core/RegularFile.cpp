#include "core/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plug {

bool ReadRegularFile(const char* path, size_t maxBytes, std::string& out)
{
  if (!path) return false;
  // Opening without blocking: a FIFO without a writer would otherwise hold the open itself.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  // The file is closed however the read ends, also when its buffer cannot be allocated.
  struct Closer
  {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st;
  std::string text;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 && size_t(st.st_size) <= maxBytes;
  if (ok)
  {
    // The buffer is the file's size and one byte more, to see whether it grew while it is read; a growing file
    // is followed up to one byte beyond the bound.
    text.resize(size_t(st.st_size) + 1);
    size_t got = 0;
    for (;;)
    {
      if (got == text.size())
      {
        if (got > maxBytes) break;
        text.resize(std::min(maxBytes + 1, got * 2));
      }
      const ssize_t n = read(fd, text.data() + got, text.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
      {
        ok = n == 0;
        break;
      }
      got += size_t(n);
    }
    ok = ok && got <= maxBytes;
    text.resize(got);
  }
  if (ok) out.swap(text);
  return ok;
}

namespace {
constexpr mode_t kNewFileMode = 0644;

/// The permissions the written file should get: those of a regular file already at path, else kNewFileMode.
mode_t TargetMode(const char* path)
{
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISREG(st.st_mode))
    return st.st_mode & 07777;
  return kNewFileMode;
}
} // namespace

bool ReplaceFile(const char* path, const std::function<bool(std::FILE*)>& write)
{
  if (!path || !path[0] || !write) return false;
  std::string temporary(path);
  temporary += ".XXXXXX";
  const int fd = mkostemp(&temporary[0], O_CLOEXEC);
  if (fd < 0) return false;
  std::FILE* file = fdopen(fd, "wb");
  if (!file)
  {
    close(fd);
    unlink(temporary.c_str());
    return false;
  }
  bool ok = write(file);
  ok = std::fflush(file) == 0 && ok;
  ok = fchmod(fd, TargetMode(path)) == 0 && ok;
  ok = std::fclose(file) == 0 && ok;
  ok = ok && rename(temporary.c_str(), path) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

} // namespace plug
