// A process-wide cache of decoded resources keyed by name and scale, shared by every graphics context. Each
// cache counts the contexts that use it and is emptied when the last one goes; its recursive mutex guards every
// operation, and Find and Add expect the caller to hold it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "core/LibMutex.h"
#include "core/LibPtrList.h"
#include "core/LibString.h"

namespace plug {
namespace igraphics {

template <class T>
class StaticStorage
{
public:
  struct DataKey
  {
    size_t mHash = 0;
    LibString mName;
    double mScale = 1.0;
    T* mData = nullptr; // owned
  };

  StaticStorage() = default;
  ~StaticStorage() { Clear(); }
  StaticStorage(const StaticStorage&) = delete;
  StaticStorage& operator=(const StaticStorage&) = delete;

  /// The first entry of that name and scale, or null.
  T* Find(const char* name, double scale = 1.0) const
  {
    const size_t hash = Hash(name, scale);
    for (int i = 0; i < mKeys.GetSize(); ++i)
    {
      const DataKey* k = mKeys.Get(i);
      if (k->mHash == hash && k->mScale == scale && k->mName == name)
        return k->mData;
    }
    return nullptr;
  }

  /// Appends an entry that owns data.
  void Add(T* data, const char* name, double scale = 1.0)
  {
    DataKey* k = new DataKey;
    k->mHash = Hash(name, scale);
    k->mName.Set(name);
    k->mScale = scale;
    k->mData = data;
    mKeys.Add(k);
  }

  /// Whether an entry owns data.
  bool Holds(const T* data) const
  {
    for (int i = 0; i < mKeys.GetSize(); ++i)
      if (mKeys.Get(i)->mData == data)
        return true;
    return false;
  }

  /// Removes the first entry holding data and deletes its data.
  void Remove(T* data)
  {
    for (int i = 0; i < mKeys.GetSize(); ++i)
    {
      DataKey* k = mKeys.Get(i);
      if (k->mData == data)
      {
        mKeys.Delete(i);
        delete k->mData;
        delete k;
        return;
      }
    }
  }

  /// Deletes every entry and its data, from the last to the first.
  void Clear()
  {
    mKeys.Clear(true, [](DataKey* k) {
      delete k->mData;
      delete k;
    });
  }

  int Size() const { return mKeys.GetSize(); }

  /// One more (or one fewer) graphics context uses the cache; the last to go empties it. [main thread]
  void Retain()
  {
    LibMutexLock lock(mMutex);
    ++mCount;
  }
  void Release()
  {
    LibMutexLock lock(mMutex);
    if (--mCount == 0)
      Clear();
  }
  int Users() const { return mCount; }

  LibMutex& Mutex() { return mMutex; }

private:
  /// The hash of the key text: the name and the scale as "-%.1fx" (the suffix bounded by the name's length
  /// plus 6 characters, which no scale of 1 to 4 reaches).
  static size_t Hash(const char* name, double scale)
  {
    std::string key(name ? name : "");
    char suffix[32];
    std::snprintf(suffix, sizeof(suffix), "-%.1fx", scale);
    key.append(suffix, std::min(std::strlen(suffix), size_t(6) + key.size()));
    return std::hash<std::string>()(key);
  }

  int mCount = 0;
  LibMutex mMutex;
  LibPtrList<DataKey> mKeys{4096};
};

} // namespace igraphics
} // namespace plug
