#include "graphics/resources/FontFileReader.h"

#include <cstring>
#include <string>

namespace plug {
namespace igraphics {

namespace {

constexpr size_t kTtcfHeaderSize = 12;
constexpr size_t kDirectoryHeaderSize = 12;
constexpr size_t kTableRecordSize = 16;
constexpr size_t kHeadSize = 54;
constexpr size_t kUnitsPerEmOffset = 18;
constexpr size_t kMacStyleOffset = 44;
constexpr size_t kNameHeaderSize = 6;
constexpr size_t kNameRecordSize = 12;
constexpr uint16_t kFamilyNameID = 1;
constexpr uint16_t kStyleNameID = 2;

struct NameChoice
{
  uint16_t mPlatform, mEncoding, mLanguage;
};
constexpr NameChoice kWindowsUnicodeEnglish{3, 1, 1033};
constexpr NameChoice kMacRoman{1, 0, 0};

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t U32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
bool TagIs(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

/// Whether [offset, offset + size) lies within length bytes (no overflow on the way).
bool Within(uint64_t offset, uint64_t size, uint64_t length) { return offset <= length && size <= length - offset; }

void AppendUTF8(std::string& out, uint32_t cp)
{
  if (cp < 0x80)
    out += char(cp);
  else if (cp < 0x800)
    out += {char(0xC0 | cp >> 6), char(0x80 | (cp & 0x3F))};
  else if (cp < 0x10000)
    out += {char(0xE0 | cp >> 12), char(0x80 | (cp >> 6 & 0x3F)), char(0x80 | (cp & 0x3F))};
  else
    out += {char(0xF0 | cp >> 18), char(0x80 | (cp >> 12 & 0x3F)), char(0x80 | (cp >> 6 & 0x3F)),
            char(0x80 | (cp & 0x3F))};
}

/// UTF-16 big-endian to UTF-8, up to the first NUL. A trailing odd byte is ignored; a surrogate without its
/// partner becomes U+FFFD.
std::string UTF16BEToUTF8(const uint8_t* p, size_t bytes)
{
  constexpr uint32_t kReplacement = 0xFFFD;
  std::string out;
  const size_t units = bytes / 2;
  for (size_t i = 0; i < units; ++i)
  {
    uint32_t cp = U16(p + 2 * i);
    if (cp == 0)
      break;
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units && U16(p + 2 * i + 2) >= 0xDC00 && U16(p + 2 * i + 2) < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (U16(p + 2 * ++i) - 0xDC00);
    else if (cp >= 0xD800 && cp < 0xE000)
      cp = kReplacement;
    AppendUTF8(out, cp);
  }
  return out;
}

} // namespace

FontFileReader::FontFileReader(const void* data, size_t length, int faceIndex)
  : mBase(static_cast<const uint8_t*>(data)), mLength(data ? length : 0)
{
  Table head, name, hhea, fdsc;
  const bool ok = SelectFace(faceIndex) && FindTable("head", head) && FindTable("name", name) &&
                  FindTable("hhea", hhea) && FindTable("fdsc", fdsc) && head.mLength && name.mLength &&
                  hhea.mLength && ReadHead(head) && ReadName(name, kFamilyNameID, mFamily) &&
                  ReadName(name, kStyleNameID, mStyle);
  if (!ok)
  {
    Clear();
    return;
  }
  mHead = head.mOffset, mName = name.mOffset, mHhea = hhea.mOffset, mFdsc = fdsc.mOffset;
}

bool FontFileReader::SelectFace(int faceIndex)
{
  if (mLength < 4 || faceIndex < 0)
    return false;
  uint64_t directory = 0;
  if (TagIs(mBase, "ttcf"))
  {
    if (mLength < kTtcfHeaderSize)
      return false;
    const uint32_t version = U32(mBase + 4);
    const uint64_t entry = kTtcfHeaderSize + 4 * uint64_t(faceIndex);
    if ((version != 0x00010000 && version != 0x00020000) || uint32_t(faceIndex) >= U32(mBase + 8) ||
        !Within(entry, 4, mLength))
      return false;
    directory = U32(mBase + entry);
  }
  else if (!(TagIs(mBase, "\x00\x01\x00\x00") || TagIs(mBase, "1\0\0\0") || TagIs(mBase, "OTTO") ||
             TagIs(mBase, "typ1")) ||
           faceIndex != 0)
  {
    return false;
  }
  if (!Within(directory, kDirectoryHeaderSize, mLength))
    return false;
  const uint16_t numTables = U16(mBase + directory + 4);
  if (!Within(directory + kDirectoryHeaderSize, uint64_t(numTables) * kTableRecordSize, mLength))
    return false;
  mData = mBase + directory;
  return true;
}

bool FontFileReader::FindTable(const char* tag, Table& table) const
{
  const uint16_t numTables = U16(mData + 4);
  for (uint16_t i = 0; i < numTables; ++i)
  {
    const uint8_t* record = mData + kDirectoryHeaderSize + size_t(i) * kTableRecordSize;
    if (!TagIs(record, tag))
      continue;
    table.mOffset = U32(record + 8);
    table.mLength = U32(record + 12);
    // A table that runs past the data marks the file as damaged.
    return Within(table.mOffset, table.mLength, mLength);
  }
  return true; // absent: length 0
}

bool FontFileReader::ReadHead(const Table& head)
{
  if (head.mLength < kHeadSize)
    return false;
  mUnitsPerEm = U16(mBase + head.mOffset + kUnitsPerEmOffset);
  mMacStyle = U16(mBase + head.mOffset + kMacStyleOffset);
  return true;
}

bool FontFileReader::ReadName(const Table& table, uint16_t nameID, LibString& out) const
{
  const uint8_t* name = mBase + table.mOffset;
  if (table.mLength < kNameHeaderSize)
    return false;
  const uint16_t count = U16(name + 2);
  const uint16_t storage = U16(name + 4);
  if (!Within(kNameHeaderSize, uint64_t(count) * kNameRecordSize, table.mLength))
    return false;

  // The string of the first record of the choice and the name id; false when it lies outside the table.
  auto find = [&](const NameChoice& choice, const uint8_t*& bytes, size_t& length) {
    bytes = nullptr;
    for (uint16_t i = 0; i < count; ++i)
    {
      const uint8_t* r = name + kNameHeaderSize + size_t(i) * kNameRecordSize;
      if (U16(r) != choice.mPlatform || U16(r + 2) != choice.mEncoding || U16(r + 4) != choice.mLanguage ||
          U16(r + 6) != nameID)
        continue;
      length = U16(r + 8);
      const uint64_t offset = uint64_t(storage) + U16(r + 10);
      if (!Within(offset, length, table.mLength))
        return false;
      bytes = name + offset;
      return true;
    }
    return true;
  };

  const uint8_t* bytes = nullptr;
  size_t length = 0;
  if (!find(kWindowsUnicodeEnglish, bytes, length))
    return false;
  if (bytes)
    out.Set(UTF16BEToUTF8(bytes, length).c_str());
  if (out.GetLength() > 0)
    return true;
  if (!find(kMacRoman, bytes, length))
    return false;
  if (bytes)
    out.Set(reinterpret_cast<const char*>(bytes), int(strnlen(reinterpret_cast<const char*>(bytes), length)));
  return true;
}

void FontFileReader::Clear()
{
  mData = nullptr;
  mHead = mName = mHhea = mFdsc = 0;
  mFamily.Set("");
  mStyle.Set("");
  mMacStyle = mUnitsPerEm = 0;
}

} // namespace igraphics
} // namespace plug
