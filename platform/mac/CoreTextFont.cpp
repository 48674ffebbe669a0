#include "platform/mac/CoreTextFont.h"

#include <cstring>

#include "core/Paths.h"
#include "graphics/resources/FontFileReader.h"
#include "graphics/context/IGraphics.h"

namespace plug {
namespace igraphics {

namespace {

constexpr const char* kFontFileExtension = "ttf";

const char* StyleText(int style)
{
  switch (style)
  {
    case kFontStyleBold: return "Bold";
    case kFontStyleItalic: return "Italic";
    default: return "Regular";
  }
}

/// The first face of a collection whose style name string is `style`; -1 when a face without its tables ends the
/// search first.
int FaceWithStyle(const std::vector<uint8_t>& bytes, const char* style)
{
  for (int face = 0;; ++face)
  {
    FontFileReader reader(bytes.data(), bytes.size(), face);
    if (!reader.IsValid())
      return -1;
    if (reader.StyleName()[0] && std::strcmp(reader.StyleName(), style) == 0)
      return face;
  }
}

bool IsCollection(const std::vector<uint8_t>& bytes)
{
  return bytes.size() >= 4 && std::memcmp(bytes.data(), "ttcf", 4) == 0;
}

coretext::FontStyle ToFontStyle(int style)
{
  switch (style)
  {
    case kFontStyleBold: return coretext::FontStyle::kBold;
    case kFontStyleItalic: return coretext::FontStyle::kItalic;
    default: return coretext::FontStyle::kRegular;
  }
}

/// A file or memory font over the bytes, or null when face 0 is not usable.
PlatformFontPointer FontOverBytes(const coretext::FontBytes& bytes, const std::string& path)
{
  coretext::FontDescriptorRef descriptor = coretext::DescriptorForBytes(bytes, path);
  if (!descriptor)
    return nullptr;
  return std::make_unique<CoreTextFont>(std::move(descriptor), bytes, "", false);
}

} // namespace

CoreTextFont::CoreTextFont(coretext::FontDescriptorRef descriptor, coretext::FontBytes bytes,
                           const char* styleName, bool system)
  : mSystem(system), mDescriptor(std::move(descriptor)), mBytes(std::move(bytes)), mStyleName(styleName)
{
}

double CoreTextFont::EmRatio() const
{
  const coretext::FontMetrics& m = mDescriptor->mMetrics;
  // A usable face has a positive height (ReadFontFace refuses any other); 1 keeps a hand-made descriptor sane.
  const int height = m.mAscender - m.mDescender;
  return height > 0 ? double(m.mUnitsPerEm) / double(height) : 1.0;
}

FontDescriptor* CoreTextFont::MakeDescriptor() const { return new CoreTextFontDescriptor(mDescriptor, EmRatio()); }

std::unique_ptr<FontData> CoreTextFont::GetFontData() const
{
  auto data = std::make_unique<FontData>();
  data->mBytes = *mBytes;
  data->mFaceIdx = 0;
  // A file of one face holds only the face fontconfig matched, whatever the file calls its style ("Book" for
  // DejaVu Sans): looking for the style by name there could only lose it.
  if (mStyleName.Get()[0] && IsCollection(data->mBytes))
    data->mFaceIdx = FaceWithStyle(data->mBytes, mStyleName.Get());
  else if (!mStyleName.Get()[0])
    data->mFaceIdx = GetFaceIdx();
  return data;
}

PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileName, const char* bundleID,
                                     const char* sharedSubPath)
{
  if (!fileName || !fileName[0])
    return nullptr;
  LibString path;
  if (!LocateResourceFile(fileName, kFontFileExtension, path, bundleID, nullptr, sharedSubPath))
    return nullptr;
  return FontOverBytes(coretext::FontBytesFromFile(path.Get()), path.Get());
}

PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style)
{
  if (!familyName)
    return nullptr;
  coretext::FontDescriptorRef match = coretext::DescriptorForFamily(familyName, ToFontStyle(style));
  if (!match)
    return nullptr;
  coretext::FontBytes bytes = coretext::FontBytesFromFile(match->mPath);
  auto descriptor = std::make_shared<coretext::FontDescriptor>(*match);
  if (!bytes || !coretext::ReadFontFace(*bytes, descriptor->mFaceIndex, descriptor->mMetrics))
    return nullptr;
  return std::make_unique<CoreTextFont>(std::move(descriptor), std::move(bytes), StyleText(style), true);
}

PlatformFontPointer LoadFontFromMemory(const char* fontID, const void* data, int dataSize)
{
  if (dataSize <= 0)
    return nullptr;
  return FontOverBytes(coretext::FontBytesFromMemory(data, size_t(dataSize)), "");
}

void CachePlatformFont(const char* fontID, const PlatformFont& font)
{
  if (!fontID)
    return;
  StaticStorage<FontDescriptor>& cache = IGraphics::FontDescriptorCache();
  LibMutexLock lock(cache.Mutex());
  if (cache.Find(fontID, 1.0))
    return;
  if (FontDescriptor* descriptor = font.MakeDescriptor())
    cache.Add(descriptor, fontID, 1.0);
}

const CoreTextFontDescriptor* FindCachedFont(const char* fontID)
{
  if (!fontID)
    return nullptr;
  StaticStorage<FontDescriptor>& cache = IGraphics::FontDescriptorCache();
  LibMutexLock lock(cache.Mutex());
  return dynamic_cast<const CoreTextFontDescriptor*>(cache.Find(fontID, 1.0));
}

} // namespace igraphics
} // namespace plug
