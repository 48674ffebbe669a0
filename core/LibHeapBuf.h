// A growable byte buffer with a growth granularity: the storage under every Lib container, state chunk and
// text of the framework. Uses malloc/realloc/free and never throws; a failed growth keeps the old contents.
#pragma once

namespace plug {

class LibHeapBuf
{
public:
  explicit LibHeapBuf(int granularity = 4096) : m_granul(granularity) {}
  LibHeapBuf(const LibHeapBuf& other);
  LibHeapBuf& operator=(const LibHeapBuf& other);
  LibHeapBuf(LibHeapBuf&& other) noexcept;
  LibHeapBuf& operator=(LibHeapBuf&& other) noexcept;
  ~LibHeapBuf();

  /// Sets the size in use to n bytes (negative counts as 0). Grows the allocation by half the request (at least
  /// the granularity) when needed; shrinks it only below a threshold when allowShrink is set.
  /// Returns the bytes, or null for size 0 or when nothing could be allocated for an empty buffer.
  void* Resize(int n, bool allowShrink = true);

  void* Get() const { return m_buf; }
  int GetSize() const { return m_size; }
  int GetAlloc() const { return m_alloc; }
  int GetGranularity() const { return m_granul; }

protected:
  void* m_buf = nullptr;
  int m_alloc = 0;
  int m_size = 0;
  int m_granul;
};

} // namespace plug
