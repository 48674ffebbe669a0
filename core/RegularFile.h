// Reading a small file the user or another program may have put in our data folders. Only a regular file is
// read, and only up to a size bound: a FIFO would block the reader for ever and a link to a device such as
// /dev/zero would never end.
#pragma once

#include <cstddef>
#include <string>

namespace plug {

/// The whole content of path when it is a regular file of at most maxBytes; false (out unchanged) for a missing,
/// unreadable, special or larger file. Never blocks on a FIFO. [any thread]
bool ReadRegularFile(const char* path, size_t maxBytes, std::string& out);

} // namespace plug
