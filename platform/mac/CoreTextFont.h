// Platform fonts: a font loaded from a bundle resource, from memory or by family name is a CoreTextFont, a font
// descriptor with the font's bytes. The platform graphics context hands the bytes to the drawing back end and
// keeps, per font name, the descriptor and the font's em ratio in the process-wide font-descriptor cache, where
// the platform text field finds them.
#pragma once

#include "coretext/font_descriptor.h"
#include "core/LibString.h"
#include "graphics/resources/PlatformFont.h"

namespace plug {
namespace igraphics {

/// Style numbers of a font asked for by family.
enum EFontStyle
{
  kFontStyleNormal = 0,
  kFontStyleBold = 1,
  kFontStyleItalic = 2,
};

/// The cache's record of a font: its descriptor and units per em over (ascender - descender).
class CoreTextFontDescriptor : public FontDescriptor
{
public:
  CoreTextFontDescriptor(coretext::FontDescriptorRef descriptor, double emRatio)
    : mDescriptor(std::move(descriptor)), mEmRatio(emRatio)
  {
  }
  const coretext::FontDescriptorRef& GetDescriptor() const { return mDescriptor; }
  double GetEmRatio() const { return mEmRatio; }

private:
  coretext::FontDescriptorRef mDescriptor;
  double mEmRatio;
};

class CoreTextFont : public PlatformFont
{
public:
  /// The descriptor names a usable face of the bytes (the loaders below check it).
  CoreTextFont(coretext::FontDescriptorRef descriptor, coretext::FontBytes bytes, const char* styleName,
               bool system);

  const void* GetData() const override { return mBytes->data(); }
  int GetDataSize() const override { return static_cast<int>(mBytes->size()); }
  /// The face the descriptor names: for a font found by family, the face fontconfig matched.
  int GetFaceIdx() const override { return mDescriptor->mFaceIndex; }
  FontDescriptor* MakeDescriptor() const override;
  /// A copy of the bytes and the face to draw. A font found by family in a collection is the face whose style
  /// name string is the style asked for (-1 when no face has it); in a file of one face it is that face.
  std::unique_ptr<FontData> GetFontData() const override;

  const coretext::FontDescriptorRef& GetDescriptor() const { return mDescriptor; }
  /// "" for fonts from files and memory; "Bold", "Italic" or "Regular" for fonts found by family, as asked for.
  const char* GetStyleName() const { return mStyleName.Get(); }
  bool IsSystem() const { return mSystem; }
  /// Units per em over (ascender - descender) of the face.
  double EmRatio() const;

private:
  bool mSystem;
  coretext::FontDescriptorRef mDescriptor;
  coretext::FontBytes mBytes;
  LibString mStyleName;
};

// Every function below: [main thread]. Each returns null when the font cannot be found or read, or holds no face
// we can draw.
/// The resource fileName (extension "ttf") of the bundle, found as the platform finds every resource.
PlatformFontPointer LoadFontFromResource(const char* fontID, const char* fileName, const char* bundleID,
                                     const char* sharedSubPath);
/// The face of the family that the font service matches for the style (EFontStyle; other values: normal).
PlatformFontPointer LoadFontByName(const char* fontID, const char* familyName, int style);
/// A font from a copy of the bytes.
PlatformFontPointer LoadFontFromMemory(const char* fontID, const void* data, int dataSize);

/// Enters the font's descriptor in the font-descriptor cache under fontID; an entry already there is kept.
void CachePlatformFont(const char* fontID, const PlatformFont& font);
/// The cached record of a font name; null when none. Takes the cache's lock.
const CoreTextFontDescriptor* FindCachedFont(const char* fontID);

} // namespace igraphics
} // namespace plug
