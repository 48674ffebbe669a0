// A font opened by the platform: it yields the font's bytes for the back end and a descriptor for the
// process-wide font-descriptor cache.
#pragma once

#include <memory>

namespace plug {
namespace igraphics {

/// The platform's record of an opened font, kept in the font-descriptor cache.
class FontDescriptor
{
public:
  virtual ~FontDescriptor() = default;
};

class PlatformFont
{
public:
  virtual ~PlatformFont() = default;
  /// The font file's bytes (null and 0 when the platform has none).
  virtual const void* GetData() const = 0;
  virtual int GetDataSize() const = 0;
  /// Index of the face within a collection.
  virtual int GetFaceIdx() const { return 0; }
  /// A new descriptor for the cache, owned by the caller; null when the platform keeps none.
  virtual FontDescriptor* MakeDescriptor() const { return nullptr; }
};

using PlatformFontPtr = std::unique_ptr<PlatformFont>;

} // namespace igraphics
} // namespace plug
