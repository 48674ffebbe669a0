// A typed growable array over LibHeapBuf, for plain element types (copied bytewise, never constructed).
#pragma once

#include <type_traits>

#include "core/LibHeapBuf.h"

namespace plug {

template <class T>
class LibTypedBuf
{
  static_assert(std::is_trivially_copyable<T>::value, "LibTypedBuf holds plain values only");

public:
  explicit LibTypedBuf(int granularity = 4096) : mBuf(granularity) {}

  /// Sets the element count; returns the elements or null (count 0, or growth failed for an empty array).
  T* Resize(int count, bool allowShrink = true)
  {
    return static_cast<T*>(mBuf.Resize(count * static_cast<int>(sizeof(T)), allowShrink));
  }
  T* Get() const { return static_cast<T*>(mBuf.Get()); }
  int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T)); }

  /// Appends one element; false (array unchanged) when it could not grow.
  bool Add(const T& value)
  {
    const int n = GetSize();
    T* p = Resize(n + 1, false);
    if (!p || GetSize() != n + 1)
      return false;
    p[n] = value;
    return true;
  }

private:
  LibHeapBuf mBuf;
};

} // namespace plug
