// A list of pointers over LibHeapBuf. Emptying it may delete the items (by a given function or delete).
#pragma once

#include <cstring>

#include "core/LibHeapBuf.h"

namespace plug {

template <class T>
class LibPtrList
{
public:
  explicit LibPtrList(int granularity = 4096) : mBuf(granularity) {}
  LibPtrList(const LibPtrList&) = delete;
  LibPtrList& operator=(const LibPtrList&) = delete;

  int GetSize() const { return mBuf.GetSize() / static_cast<int>(sizeof(T*)); }

  /// Item i, or null for an index out of range.
  T* Get(int i) const
  {
    if (i < 0 || i >= GetSize())
      return nullptr;
    return Items()[i];
  }

  /// Appends an item; the list stays unchanged when it cannot grow. Returns the item or null.
  T* Add(T* item)
  {
    const int bytes = (mBuf.GetSize() + static_cast<int>(sizeof(T*))) & ~(static_cast<int>(sizeof(T*)) - 1);
    void* p = mBuf.Resize(bytes, false);
    if (!p || mBuf.GetSize() != bytes)
      return nullptr;
    Items()[bytes / sizeof(T*) - 1] = item;
    return item;
  }

  /// Inserts an item at index i (a negative index counts as 0, one past the end appends), moving the later ones
  /// up. Returns the item, or null when the list cannot grow (the list is then unchanged).
  T* Insert(int i, T* item)
  {
    const int n = GetSize();
    if (!Add(item))
      return nullptr;
    i = i < 0 ? 0 : (i > n ? n : i);
    std::memmove(Items() + i + 1, Items() + i, sizeof(T*) * static_cast<size_t>(n - i));
    Items()[i] = item;
    return item;
  }

  /// Removes item i (not deleting it), moving the later ones down.
  void Delete(int i)
  {
    const int n = GetSize();
    if (i < 0 || i >= n)
      return;
    std::memmove(Items() + i, Items() + i + 1, sizeof(T*) * static_cast<size_t>(n - i - 1));
    mBuf.Resize((n - 1) * static_cast<int>(sizeof(T*)), false);
  }

  /// Empties the list, keeping the allocation. With deleteItems the items are released from the last to the
  /// first, by deleter when given, else by delete.
  void Clear(bool deleteItems = false, void (*deleter)(T*) = nullptr)
  {
    if (deleteItems)
    {
      for (int i = GetSize() - 1; i >= 0; --i)
      {
        T* item = Items()[i];
        mBuf.Resize(i * static_cast<int>(sizeof(T*)), false);
        if (deleter)
          deleter(item);
        else
          delete item;
      }
    }
    mBuf.Resize(0, false);
  }

  /// For items that own their storage (such as LibString): deletes each item, then empties the list.
  void EmptyAndDelete() { Clear(true); }

private:
  T** Items() const { return static_cast<T**>(mBuf.Get()); }
  LibHeapBuf mBuf;
};

} // namespace plug
