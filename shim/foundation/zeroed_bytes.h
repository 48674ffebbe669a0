// A block of bytes that reads as zero from the start without being cleared: a large one is mapped fresh from the
// system, whose pages come zeroed when first touched, so making a frame-sized buffer costs nothing until it is
// written, and then only the part written. Small blocks come from the heap, cleared.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

namespace foundation {

class ZeroedBytes
{
public:
  ZeroedBytes() = default;
  /// Throws std::bad_alloc when the memory cannot be had.
  explicit ZeroedBytes(size_t size) : mSize(size)
  {
    if (size == 0)
      return;
    if (size >= kMappedFrom)
    {
      void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      mMapped = p != MAP_FAILED;
      mData = mMapped ? static_cast<uint8_t*>(p) : nullptr;
    }
    else
      mData = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!mData)
    {
      mSize = 0;
      throw std::bad_alloc();
    }
  }
  ~ZeroedBytes() { Release(); }
  ZeroedBytes(ZeroedBytes&& o) noexcept { *this = std::move(o); }
  ZeroedBytes& operator=(ZeroedBytes&& o) noexcept
  {
    if (this != &o)
    {
      Release();
      mData = std::exchange(o.mData, nullptr);
      mSize = std::exchange(o.mSize, 0);
      mMapped = std::exchange(o.mMapped, false);
    }
    return *this;
  }
  ZeroedBytes(const ZeroedBytes&) = delete;
  ZeroedBytes& operator=(const ZeroedBytes&) = delete;

  uint8_t* data() { return mData; }
  const uint8_t* data() const { return mData; }
  size_t size() const { return mSize; }
  bool empty() const { return mSize == 0; }
  uint8_t& operator[](size_t i) { return mData[i]; }
  const uint8_t& operator[](size_t i) const { return mData[i]; }

private:
  /// Blocks from this size on are mapped on their own.
  static constexpr size_t kMappedFrom = size_t(1) << 20;

  void Release()
  {
    if (mMapped)
      munmap(mData, mSize);
    else
      std::free(mData);
    mData = nullptr, mSize = 0, mMapped = false;
  }

  uint8_t* mData = nullptr;
  size_t mSize = 0;
  bool mMapped = false;
};

} // namespace foundation
