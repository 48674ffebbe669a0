#include "output_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stb/stb_image_write.h>

namespace host {
namespace {

constexpr int kMostLinks = 40; // as the kernel follows at most
constexpr mode_t kAccessBits = 0777; // read, write and execute for owner, group and others

/// The file a write to `path` lands on, from the root: symbolic links followed, and for a file not made yet its
/// folder's real path and its name. "" (errno set) when its folder cannot be found.
std::string Destination(const std::string& path, int links = 0)
{
  char real[PATH_MAX];
  if (realpath(path.c_str(), real)) return real;
  if (errno != ENOENT) return "";
  if (links > kMostLinks) {
    errno = ELOOP;
    return "";
  }
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  char target[PATH_MAX];
  const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  if (length >= 0) { // a link to a file not made yet
    const std::string to(target, size_t(length));
    return Destination(to[0] == '/' ? to : folder + "/" + to, links + 1);
  }
  if (name.empty() || name == "." || name == "..") {
    errno = EISDIR;
    return "";
  }
  if (!realpath(folder.c_str(), real)) return "";
  return std::string(real) + (std::strcmp(real, "/") == 0 ? "" : "/") + name;
}

std::string KindOf(mode_t mode)
{
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "not a regular file";
}

/// A file of our own beside path, made for writing (mode 0666 less the creation mask, as a plain file would
/// get); -1 when none can be made.
int MakeFileBeside(const std::string& path, std::string& made)
{
  for (int attempt = 0; attempt < 100; ++attempt) {
    made = path + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".part";
    const int fd = open(made.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

} // namespace

bool SameFile(const std::string& a, const std::string& b)
{
  struct stat first, second;
  if (stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0)
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  const std::string where = Destination(a);
  return !where.empty() && where == Destination(b);
}

std::string OutputRefusal(const std::string& path, const std::vector<NamedInput>& inputs)
{
  for (const NamedInput& input : inputs)
    if (!input.path.empty() && SameFile(input.path, path))
      return path + " is " + input.role + " " + input.path + " (the same file under this name): writing it would " +
             "destroy the input; name another file";
  const std::string destination = Destination(path);
  if (destination.empty()) return "cannot write " + path + ": " + std::strerror(errno);
  struct stat info;
  if (stat(destination.c_str(), &info) != 0) return "";
  if (!S_ISREG(info.st_mode))
    return "cannot write " + path + ": it is " + KindOf(info.st_mode) + ", not a file; name a file to write";
  if ((info.st_mode & 0222) == 0 || access(destination.c_str(), W_OK) != 0)
    return "cannot write " + path + ": it is read-only and is left as it is; make it writable or name another file";
  return "";
}

bool WriteWhole(const std::string& path, const FileFiller& fill, std::string& error)
{
  const std::string destination = Destination(path);
  struct stat existing;
  const bool exists = !destination.empty() && stat(destination.c_str(), &existing) == 0;
  if (destination.empty() || (exists && !S_ISREG(existing.st_mode))) {
    error = "cannot write " + path + ": " + (exists ? KindOf(existing.st_mode) : std::string(std::strerror(errno)));
    return false;
  }
  // Written beside the file it replaces (so that renaming it there moves no data) and renamed over it once whole:
  // a failed write leaves no file that could pass for a finished one.
  std::string temporary;
  const int fd = MakeFileBeside(destination, temporary);
  if (fd < 0) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  std::string why;
  // The replaced file's access bits carry over; the set-id and sticky bits do not: a new file gets no privileges.
  if (exists && fchmod(fd, existing.st_mode & kAccessBits) != 0) {
    why = std::strerror(errno);
    close(fd);
  } else if (fill(fd, why) && rename(temporary.c_str(), destination.c_str()) == 0) {
    return true;
  } else if (why.empty()) {
    why = std::strerror(errno);
  }
  unlink(temporary.c_str());
  error = "cannot write " + path + ": " + why;
  return false;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error)
{
  return WriteWhole(path, [&](int fd, std::string& why) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) break;
      done += size_t(wrote);
    }
    bool whole = done == bytes.size();
    if (!whole) why = std::strerror(errno);
    if (close(fd) != 0 && whole) {
      whole = false;
      why = std::strerror(errno);
    }
    return whole;
  }, error);
}

bool WritePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string& error)
{
  std::vector<uint8_t> png;
  const auto append = [](void* to, void* data, int size) {
    auto& bytes = *static_cast<std::vector<uint8_t>*>(to);
    bytes.insert(bytes.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
  };
  if (width <= 0 || height <= 0 || rgba.size() < size_t(width) * size_t(height) * 4 ||
      !stbi_write_png_to_func(append, &png, width, height, 4, rgba.data(), width * 4))
    return error = "the picture could not be coded as PNG", false;
  return WriteFileBytes(path, png, error);
}

} // namespace host
