#include "core/IStateChunk.h"

#include <cstring>

namespace plug {

int IStateChunk::Resize(int n)
{
  const int old = Size();
  mBytes.Resize(n, true);
  if (Size() > old)
    std::memset(GetData() + old, 0, static_cast<size_t>(Size() - old));
  return Size();
}

int IStateChunk::PutBytes(const void* data, int size)
{
  const int old = Size();
  if (size <= 0)
    return old;
  const int64_t wanted = int64_t(old) + size;
  if (wanted > 0x7fffffff)
    return 0;
  mBytes.Resize(static_cast<int>(wanted), false);
  if (Size() != wanted)
    return 0;
  std::memcpy(GetData() + old, data, static_cast<size_t>(size));
  return Size();
}

int IStateChunk::GetBytes(void* data, int size, int startPos) const
{
  if (startPos < 0 || size < 0)
    return -1;
  const int64_t end = int64_t(startPos) + size;
  if (end > Size())
    return -1;
  if (size > 0)
    std::memcpy(data, GetData() + startPos, static_cast<size_t>(size));
  return static_cast<int>(end);
}

int IStateChunk::PutStr(const char* text)
{
  const int32_t len = text ? static_cast<int32_t>(std::strlen(text)) : 0;
  Put(&len);
  return PutBytes(text, len);
}

int IStateChunk::GetStr(LibString& text, int startPos) const
{
  int32_t len = 0;
  const int pos = Get(&len, startPos);
  if (pos < 0)
    return -1;
  if (len < 0)
    return -1;
  if (len == 0)
  {
    text.Set("");
    return pos;
  }
  const int64_t end = int64_t(pos) + len;
  if (end > Size())
    return -1;
  const char* bytes = reinterpret_cast<const char*>(GetData() + pos);
  const void* zero = std::memchr(bytes, 0, static_cast<size_t>(len));
  text.Set(bytes, zero ? static_cast<int>(static_cast<const char*>(zero) - bytes) : len);
  return static_cast<int>(end);
}

} // namespace plug
