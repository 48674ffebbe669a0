// Files the tools write: what may be named as an output, checked before anything is read or made, and writing one
// whole or not at all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace host {

/// True when both paths lead to one file: the same name, a hard or symbolic link to it or another path to it, and
/// for a file not made yet, the same name in the same folder.
bool SameFile(const std::string& a, const std::string& b);

/// A file a command reads, with how a refusal names it: "the input file", "the plug-in's module", "the --chunk file".
struct NamedInput
{
  std::string role;
  std::string path;
};

/// Why `path` may not be written as an output, or "" when it may. It must be absent or a regular file that may be
/// written (a symbolic link is followed to its target; a read-only file is left alone, its owner meant it so),
/// and none of `inputs` under any name (entries with an empty path are skipped). A pipe, folder or device is
/// refused at once, before anything could wait on it.
std::string OutputRefusal(const std::string& path, const std::vector<NamedInput>& inputs);

/// Fills a new file through its descriptor, closing it; true when all was written, else `why` tells.
using FileFiller = std::function<bool(int descriptor, std::string& why)>;

/// Writes `path` whole or not at all: `fill` writes a new file beside it, which then takes its place. A file made
/// new gets 0666 less the creation mask; one that replaces a file gets that file's read, write and execute bits,
/// never its set-user-id, set-group-id or sticky bit. A symbolic link stays, its target is replaced. Only a regular
/// file or none is replaced.
bool WriteWhole(const std::string& path, const FileFiller& fill, std::string& error);

/// Writes `bytes` as the file `path`, whole or not at all (see WriteWhole).
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);

/// Writes a picture of `width` x `height` RGBA pixels (rows packed in `rgba`) as the PNG file `path`, whole or not
/// at all.
bool WritePngFile(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string& error);

} // namespace host
