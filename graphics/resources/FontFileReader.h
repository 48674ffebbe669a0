// Reads what the platform needs to know of a font file's face: its family and style names, its style bits and its
// units per em. It understands sfnt files (TrueType, OpenType, "typ1") and collections ("ttcf"), and views the
// bytes without owning them. Every offset and count read from the file is checked against its length: a damaged
// file, an unknown format or a face that is not in the file gives an empty reader.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/LibString.h"

namespace plug {
namespace igraphics {

class FontFileReader
{
public:
  /// [any thread]
  FontFileReader(const void* data, size_t length, int faceIndex = 0);

  /// Whether the face was found and its required tables (head, name, hhea) read.
  bool IsValid() const { return mData != nullptr; }
  /// The face's table directory within the data, null for an empty reader.
  const uint8_t* Data() const { return mData; }
  /// Name id 1 and 2, UTF-8; empty when the face has no such name.
  const char* FamilyName() const { return mFamily.Get(); }
  const char* StyleName() const { return mStyle.Get(); }
  /// Style bits of the head table (bit 0 bold, bit 1 italic).
  uint16_t MacStyle() const { return mMacStyle; }
  uint16_t UnitsPerEm() const { return mUnitsPerEm; }
  /// Offsets of the tables from the start of the data; 0 when the face has none.
  uint32_t HeadOffset() const { return mHead; }
  uint32_t NameOffset() const { return mName; }
  uint32_t HheaOffset() const { return mHhea; }
  uint32_t FdscOffset() const { return mFdsc; }

private:
  /// A table of the face: its offset and length, checked to lie within the data.
  struct Table
  {
    uint32_t mOffset = 0;
    uint32_t mLength = 0;
  };

  bool SelectFace(int faceIndex);
  /// False when the directory holds a record that points outside the data.
  bool FindTable(const char* tag, Table& table) const;
  bool ReadHead(const Table& head);
  /// False when a record or its string lies outside the name table.
  bool ReadName(const Table& name, uint16_t nameID, LibString& out) const;
  void Clear();

  const uint8_t* mBase;
  size_t mLength;
  const uint8_t* mData = nullptr;
  uint32_t mHead = 0, mName = 0, mHhea = 0, mFdsc = 0;
  LibString mFamily;
  LibString mStyle;
  uint16_t mMacStyle = 0;
  uint16_t mUnitsPerEm = 0;
};

} // namespace igraphics
} // namespace plug
