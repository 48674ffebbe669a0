// Reading a small file the user or another program may have put in our data folders, and writing one there. Only
// a regular file is read, and only up to a size bound: a FIFO would block the reader for ever and a link to a
// device such as /dev/zero would never end. A file is written whole beside its target and renamed over it, so a
// link planted at the target is replaced, never followed, and a failed write leaves the old file as it was.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace plug {

/// The whole content of path when it is a regular file of at most maxBytes; false (out unchanged) for a missing,
/// unreadable, special or larger file. Never blocks on a FIFO. [any thread]
bool ReadRegularFile(const char* path, size_t maxBytes, std::string& out);

/// Writes path through `write`, which fills the open stream it is given and answers whether it succeeded. The
/// stream is a new file in path's folder that is renamed over path only when writing, flushing and closing all
/// succeeded; otherwise it is removed and path is untouched. A regular file at path keeps its permissions; a new
/// file gets 0644. [any thread]
bool ReplaceFile(const char* path, const std::function<bool(std::FILE*)>& write);

} // namespace plug
