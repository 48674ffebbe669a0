// Font descriptors: which font file and which face of it a font is, with the family and style it carries. A
// descriptor is made for a family and style through fontconfig, which substitutes a font it has for a family the
// machine lacks ("Verdana" becomes DejaVu Sans on Debian), or over font bytes the caller already holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace coretext {

/// The bytes of a font file, shared by everyone who holds them.
using FontBytes = std::shared_ptr<const std::vector<uint8_t>>;

/// What a face's horizontal header and head table say of its size, in font units.
struct FontMetrics
{
  int mUnitsPerEm = 0;
  int mAscender = 0;
  int mDescender = 0; // negative below the baseline
};

enum class FontStyle
{
  kRegular,
  kBold,
  kItalic,
};

struct FontDescriptor
{
  std::string mPath;   // the font file; "" for fonts made from memory
  int mFaceIndex = 0;  // the face within a collection
  std::string mFamily; // as fontconfig names the face ("" for fonts from files or memory)
  std::string mStyle;  // likewise ("Book", "Bold", ...)
  FontMetrics mMetrics;
};

using FontDescriptorRef = std::shared_ptr<const FontDescriptor>;

// Every function below: [any thread].

/// The whole file; null when it cannot be read or is empty.
FontBytes FontBytesFromFile(const std::string& path);
/// A copy of the bytes; null for no bytes.
FontBytes FontBytesFromMemory(const void* data, size_t size);

/// Whether the face of the bytes is a font we can draw: the face exists, its tables parse, its units per em are
/// positive and its ascender lies above its descender. Fills the metrics when it is.
bool ReadFontFace(const std::vector<uint8_t>& bytes, int faceIndex, FontMetrics& metrics);

/// A descriptor of face 0 of the bytes; null when that face is not usable.
FontDescriptorRef DescriptorForBytes(const FontBytes& bytes, const std::string& path);

/// The face fontconfig matches for the family and style, with the file, face index, family and style of the
/// match; null for an empty family or when fontconfig has no font file to offer.
FontDescriptorRef DescriptorForFamily(const std::string& family, FontStyle style);

} // namespace coretext
