// A font opened by the platform: it yields the font's bytes for the back end and a descriptor for the
// process-wide font-descriptor cache.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace plug {
namespace igraphics {

/// The platform's record of an opened font, kept in the font-descriptor cache.
class FontDescriptor
{
public:
  virtual ~FontDescriptor() = default;
};

/// The bytes of a font as the renderer holds them (they must live as long as any renderer may use them), and the
/// face of them to draw; a face index below 0 means none.
struct FontData
{
  std::vector<uint8_t> mBytes;
  int mFaceIdx = 0;
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
  /// A copy of the bytes with the face to draw, owned by the caller: by default GetFaceIdx's face.
  virtual std::unique_ptr<FontData> GetFontData() const
  {
    auto data = std::make_unique<FontData>();
    const uint8_t* bytes = static_cast<const uint8_t*>(GetData());
    if (bytes && GetDataSize() > 0)
      data->mBytes.assign(bytes, bytes + GetDataSize());
    data->mFaceIdx = GetFaceIdx();
    return data;
  }
};

using PlatformFontPointer = std::unique_ptr<PlatformFont>;

} // namespace igraphics
} // namespace plug
