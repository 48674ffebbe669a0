// Damaged faces are refused before the glyph readers see them; sound faces,
// small and large, are drawn.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "coretext/drawable_face.h"
#include "coretext/font_descriptor.h"
#include "tiny_font.h"

namespace
{

using tinyfont::Bytes;
using tinyfont::Face;
using tinyfont::Set16;

bool Drawable(const Bytes& b) { return coretext::FaceIsDrawable(b.data(), b.size(), 0); }

// Offsets within the tiny face's tables.
size_t Glyph(const Bytes& b, int index)
{
  return tinyfont::TableAt(b, "glyf") + tinyfont::Get32(b, tinyfont::TableAt(b, "loca") + 4 * index);
}
size_t CharacterMap(const Bytes& b) { return tinyfont::TableAt(b, "cmap") + 12; }
void Set32(Bytes& b, size_t at, uint32_t v) { Set16(b, at, v >> 16), Set16(b, at + 2, v & 0xffff); }

/// A chain of composites, each holding the next, ending in the triangle:
/// `levels` composites deep.
Face Nested(int levels)
{
  Face face;
  for (int i = 0; i < levels; ++i)
    face.glyphs.push_back(tinyfont::CompositeGlyph({{int16_t(face.glyphs.size() + 1), 0, 0}}));
  face.glyphs.back() = tinyfont::CompositeGlyph({{1, 0, 0}});
  return face;
}

struct Damage
{
  const char* what;
  std::function<Bytes()> make;
};

Bytes Patched(std::function<void(Bytes&)> patch, Face face = Face{})
{
  Bytes b = face.Build();
  patch(b);
  return b;
}

/// The face's table directory entry for the tag.
size_t Record(const Bytes& b, const char* tag)
{
  for (size_t at = 12;; at += 16)
    if (std::memcmp(&b[at], tag, 4) == 0)
      return at;
}
/// The face with the table's length in the directory cut by `by` bytes.
Bytes Shortened(const char* tag, uint32_t by)
{
  return Patched([&](Bytes& b) { Set32(b, Record(b, tag) + 12, tinyfont::Get32(b, Record(b, tag) + 12) - by); });
}

const Damage kDamages[] = {
    {"a head table too short", [] { return Shortened("head", 1); }},
    {"a maxp table too short", [] { return Shortened("maxp", 1); }},
    {"an hhea table too short", [] { return Shortened("hhea", 1); }},
    {"an hmtx table too short for its metrics", [] { return Shortened("hmtx", 1); }},
    {"a loca table too short for its glyphs", [] { return Shortened("loca", 1); }},
    {"no loca table", [] { return Patched([](Bytes& b) { b[Record(b, "loca")] = 'x'; }); }},
    {"no glyf table", [] { return Patched([](Bytes& b) { b[Record(b, "glyf")] = 'x'; }); }},
    {"an unknown location format", [] { return Patched([](Bytes& b) { Set16(b, tinyfont::TableAt(b, "head") + 50, 2); }); }},
    {"no glyphs", [] { return Patched([](Bytes& b) { Set16(b, tinyfont::TableAt(b, "maxp") + 4, 0); }); }},
    {"a table reaching past the file", [] { return Patched([](Bytes& b) { Set32(b, 12 + 16 * 1 + 12, 0x10000); }); }},
    {"loca offsets falling",
     [] { return Patched([](Bytes& b) { Set32(b, tinyfont::TableAt(b, "loca") + 4, 0x60); }); }},
    {"loca reaching past glyf",
     [] { return Patched([](Bytes& b) { Set32(b, tinyfont::TableAt(b, "loca") + 12, 0x1000); }); }},
    {"a contour end past the glyph's points",
     [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 1) + 10, 200); }); }},
    {"contour ends falling",
     []
     {
       Face f;
       f.glyphs[0] = tinyfont::SimpleGlyph({3, 1}, {{0, 0}, {0, 1}, {1, 1}, {1, 0}});
       return f.Build();
     }},
    {"instructions longer than the glyph", [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 1) + 12, 500); }); }},
    {"a turned-over box", [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 1) + 2, 2000); }); }},
    {"a last contour of one point off the curve",
     []
     {
       Face f;
       f.glyphs[1] = tinyfont::SimpleGlyph({2, 3}, {{0, 0}, {5, 9}, {9, 0}, {4, 4}});
       Bytes b = f.Build();
       b[Glyph(b, 1) + 10 + 4 + 2 + 3] = 0; // the fourth point's flag: off the curve
       return b;
     }},
    {"a glyph whose one contour is a point off the curve",
     []
     {
       Face f;
       f.glyphs[1] = tinyfont::SimpleGlyph({0}, {{4, 4}});
       Bytes b = f.Build();
       b[Glyph(b, 1) + 10 + 2 + 2] = 0; // its flag
       return b;
     }},
    {"a composite that holds itself", [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 12, 2); }); }},
    {"a component that is not in the face", [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 12, 9); }); }},
    {"composites nested nine deep", [] { return Nested(9).Build(); }},
    {"65 components",
     []
     {
       Face f;
       f.glyphs[2] = tinyfont::CompositeGlyph(std::vector<std::array<int16_t, 3>>(65, {1, 0, 0}));
       return f.Build();
     }},
    {"a component's scale cut off by the end of its glyph",
     [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 18, 0x0003 | 0x08); }); }},
    {"a component's x and y scales cut off by the end of its glyph",
     [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 18, 0x0003 | 0x40); }); }},
    {"a component's two-by-two matrix cut off by the end of its glyph",
     [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 18, 0x0003 | 0x80); }); }},
    {"a component moved out of coordinate range",
     [] { return Patched([](Bytes& b) { Set16(b, Glyph(b, 2) + 14, 32000); }); }},
    {"a character map format the readers cannot search",
     [] { return Patched([](Bytes& b) { Set16(b, CharacterMap(b), 2); }); }},
    {"search fields steering past the segments",
     [] { return Patched([](Bytes& b) { Set16(b, CharacterMap(b) + 10, 6), Set16(b, CharacterMap(b) + 8, 128); }); }},
    {"a glyph array offset pointing past the map",
     [] { return Patched([](Bytes& b) { Set16(b, CharacterMap(b) + 14 + 4 + 2 + 4 + 4, 0x4000); }); }},
    {"segment arrays reaching past the character map", [] { return Shortened("cmap", 1); }},
    {"a one-character segment whose glyph array offset points past the map",
     []
     {
       return Patched([](Bytes& b)
                      { Set16(b, CharacterMap(b) + 14, 'A'), Set16(b, CharacterMap(b) + 14 + 4 + 2 + 4 + 4, 0x4000); });
     }},
    {"kerning pairs past the table",
     [] { return Patched([](Bytes& b) { Set16(b, tinyfont::TableAt(b, "kern") + 10, 1000); }); }},
    {"no long horizontal metrics",
     [] { return Patched([](Bytes& b) { Set16(b, tinyfont::TableAt(b, "hhea") + 34, 0); }); }},
    {"more glyphs than metrics",
     []
     {
       return Patched(
           [](Bytes& b)
           { Set16(b, tinyfont::TableAt(b, "maxp") + 4, 40), Set16(b, tinyfont::TableAt(b, "hhea") + 34, 40); });
     }},
};

TEST(DrawableFace, DamagedFacesAreRefused)
{
  ASSERT_TRUE(Drawable(Face{}.Build()));
  for (const Damage& d : kDamages)
  {
    const Bytes b = d.make();
    EXPECT_FALSE(Drawable(b)) << d.what;
    coretext::FontMetrics metrics;
    EXPECT_FALSE(coretext::ReadFontFace(b, 0, metrics)) << d.what;
  }
}

/// A collection of `count` faces, every one of them the same tiny face, stored once after the collection header.
Bytes Collection(uint32_t count)
{
  Bytes face = Face{}.Build();
  const uint32_t headerSize = 12 + 4 * count;
  for (uint32_t t = 0, tables = uint32_t(face[4]) << 8 | face[5]; t < tables; ++t) // offsets count from the file start
    Set32(face, 12 + 16 * t + 8, tinyfont::Get32(face, 12 + 16 * t + 8) + headerSize);
  Bytes b = {'t', 't', 'c', 'f'};
  tinyfont::Put32(b, 0x00010000);
  tinyfont::Put32(b, count);
  for (uint32_t i = 0; i < count; ++i)
    tinyfont::Put32(b, headerSize);
  b.insert(b.end(), face.begin(), face.end());
  return b;
}

TEST(DrawableFace, FacesAreReadByTheirIndexWithinTheFile)
{
  coretext::FontMetrics single;
  ASSERT_TRUE(coretext::ReadFontFace(Face{}.Build(), 0, single));
  EXPECT_GT(single.mUnitsPerEm, 0);
  EXPECT_GT(single.mAscender, single.mDescender);
  for (int index : {-1, 1, 2})
  {
    coretext::FontMetrics metrics;
    EXPECT_FALSE(coretext::ReadFontFace(Face{}.Build(), index, metrics)) << "a lone face read as face " << index;
  }
  const Bytes collection = Collection(2);
  for (int index : {-1, 0, 1, 2, 3})
  {
    coretext::FontMetrics metrics;
    const bool read = coretext::ReadFontFace(collection, index, metrics);
    EXPECT_EQ(read, index == 0 || index == 1) << "face " << index << " of two";
    EXPECT_TRUE(!read || (metrics.mUnitsPerEm == single.mUnitsPerEm && metrics.mAscender == single.mAscender &&
                          metrics.mDescender == single.mDescender))
      << "face " << index << " of two";
  }
  coretext::FontMetrics metrics;
  for (size_t size : {0, 4, 8, 11}) // shorter than a header: nothing past the bytes given is read
    EXPECT_FALSE(coretext::ReadFontFace(Bytes(collection.begin(), collection.begin() + size), 0, metrics)) << size;
  const Bytes cut(collection.begin(), collection.begin() + 16); // the header names two faces but holds one offset
  EXPECT_FALSE(coretext::ReadFontFace(cut, 1, metrics));
  Bytes beyond = collection; // the second face's offset leaves less than a table directory's header
  Set32(beyond, 16, uint32_t(beyond.size() - 8));
  EXPECT_FALSE(coretext::ReadFontFace(beyond, 1, metrics));
  EXPECT_TRUE(coretext::ReadFontFace(beyond, 0, metrics));
}

TEST(DrawableFace, CompositesEightDeepOrOfSixtyFourComponentsAreDrawn)
{
  EXPECT_TRUE(Drawable(Nested(8).Build()));
  Face f;
  f.glyphs[2] = tinyfont::CompositeGlyph(std::vector<std::array<int16_t, 3>>(64, {1, 0, 0}));
  EXPECT_TRUE(Drawable(f.Build()));
  // Sixty-four of a glyph of 1022 points on one contour expand to 65536 vertices, the most; a point more is too many.
  for (const int points : {1022, 1023})
  {
    std::vector<std::pair<int16_t, int16_t>> outline;
    for (int i = 0; i < points; ++i)
      outline.emplace_back(int16_t(i % 1000), int16_t(i / 1000 * 500));
    f.glyphs[1] = tinyfont::SimpleGlyph({uint16_t(points - 1)}, outline);
    EXPECT_EQ(Drawable(f.Build()), points == 1022) << points << " points";
  }
}

// Character maps of every format the readers search are drawn while their arrays fit; one entry more than the
// map holds, or a map cut short, is refused, and so is a face whose only map is for a platform the readers pass
// over.
TEST(DrawableFace, CharacterMapsOfEachFormatAreDrawnWhileTheirEntriesFit)
{
  struct Format
  {
    const char* what;
    uint16_t encoding;
    Bytes subtable;
    size_t countAt; // the low byte of the field counting its entries or bytes
  };
  const Format formats[] = {
      {"bytes", 1, tinyfont::ByteMap(), 3},
      {"a run", 1, tinyfont::RunMap(), 9},
      {"groups", 10, tinyfont::GroupMap(), 15},
      {"groups, many to one", 10, tinyfont::GroupMap(13), 15},
  };
  for (const Format& m : formats)
  {
    Face f;
    f.characterMap = tinyfont::CharacterMap(3, m.encoding, m.subtable);
    EXPECT_TRUE(Drawable(f.Build())) << m.what;
    f.characterMap = tinyfont::CharacterMap(0, 3, m.subtable); // the Unicode platform
    EXPECT_TRUE(Drawable(f.Build())) << m.what << " on the Unicode platform";
    f.characterMap = tinyfont::CharacterMap(1, 0, m.subtable);
    EXPECT_FALSE(Drawable(f.Build())) << m.what << " on the Macintosh platform only";
    Bytes more = m.subtable;
    ++more[m.countAt];
    f.characterMap = tinyfont::CharacterMap(3, m.encoding, more);
    EXPECT_FALSE(Drawable(f.Build())) << m.what << " counting one more";
    f.characterMap = tinyfont::CharacterMap(3, m.encoding, m.subtable);
    f.characterMap.pop_back();
    EXPECT_FALSE(Drawable(f.Build())) << m.what << " cut by a byte";
  }
}

/// A face whose glyph 2 is a composite of one component, the triangle, with the flags given and the argument and
/// scale words after them.
Bytes OneComponent(uint16_t flags, const std::vector<int16_t>& words)
{
  Bytes g;
  tinyfont::Put16(g, 0xffff);
  for (int i = 0; i < 4; ++i)
    tinyfont::Put16(g, i < 2 ? 0 : 1000);
  tinyfont::Put16(g, flags), tinyfont::Put16(g, 1);
  for (int16_t w : words)
    tinyfont::Put16(g, uint16_t(w));
  Face f;
  f.glyphs[2] = g;
  return f.Build();
}

// Sound glyphs of less common shapes are drawn: a contour ending off the curve after points on it, components
// turned a quarter, scaled by one factor or two and placed by byte offsets (one after another too), and locations
// kept as 16-bit words. A quarter turn that takes a corner out of coordinate range is refused.
TEST(DrawableFace, UncommonButSoundGlyphsAreDrawn)
{
  Face offCurve;
  offCurve.glyphs[1] = tinyfont::SimpleGlyph({3}, {{0, 0}, {0, 2}, {3, 2}, {3, 0}});
  Bytes b = offCurve.Build();
  Set16(b, Glyph(b, 1) + 6, 3), Set16(b, Glyph(b, 1) + 8, 2); // its box: 0,0 .. 3,2
  b[Glyph(b, 1) + 10 + 2 + 2 + 3] = 0;                        // the last point: off the curve
  EXPECT_TRUE(Drawable(b)) << "a contour ending off the curve";

  constexpr int16_t kOne = 0x4000, kHalf = 0x2000;
  EXPECT_TRUE(Drawable(OneComponent(0x0083, {31000, 0, 0, kOne, -kOne, 0}))) << "a quarter turn near the edge";
  EXPECT_FALSE(Drawable(OneComponent(0x0083, {-32000, 0, 0, kOne, -kOne, 0}))) << "a quarter turn past the edge";
  EXPECT_TRUE(Drawable(OneComponent(0x0083, {0, 31000, 0, -kOne, kOne, 0}))) << "a quarter turn the other way";
  EXPECT_FALSE(Drawable(OneComponent(0x0083, {0, -32000, 0, -kOne, kOne, 0})))
    << "a quarter turn the other way past the edge";
  EXPECT_TRUE(Drawable(OneComponent(0x000a, {int16_t(0x7f80), kHalf}))) << "halved, placed by bytes";
  EXPECT_TRUE(Drawable(OneComponent(0x0022, {0x0102, 0x0002, 1, 0x0304}))) << "two components placed by bytes";
  EXPECT_TRUE(Drawable(OneComponent(0x0043, {31000, 31000, kHalf, kHalf}))) << "halved by two factors";
  EXPECT_FALSE(Drawable(OneComponent(0x0043, {32000, 0, kOne, kHalf}))) << "scaled by two factors past the edge";

  Face shortLocations;
  shortLocations.shortLocations = true;
  EXPECT_TRUE(Drawable(shortLocations.Build())) << "16-bit locations";
  Bytes falling = shortLocations.Build();
  Set16(falling, tinyfont::TableAt(falling, "loca") + 2, 0x21); // past the start of glyph 2
  EXPECT_FALSE(Drawable(falling)) << "16-bit locations falling";
  Bytes fallingFirst = shortLocations.Build();
  const size_t loca = tinyfont::TableAt(fallingFirst, "loca");
  fallingFirst[loca] = fallingFirst[loca + 4], fallingFirst[loca + 1] = fallingFirst[loca + 5]; // glyph 0 at glyph 2
  EXPECT_FALSE(Drawable(fallingFirst)) << "16-bit locations falling from the first";

  Face headerOnly;
  headerOnly.glyphs[0] = Bytes(10, 0); // no contours, an empty box
  EXPECT_TRUE(Drawable(headerOnly.Build())) << "a glyph of its header alone";
  headerOnly.glyphs[0] = Bytes(9, 0);
  EXPECT_FALSE(Drawable(headerOnly.Build())) << "a glyph shorter than its header";
}

/// A composite of the triangle (its box 0,0 .. 1000,1000) placed by `dx` and turned by a two-by-two matrix whose
/// x row is (xx, yx), in units of 1/16384, and whose y row is (0, 1).
Bytes TurnedTriangle(int16_t dx, int16_t xx, int16_t yx)
{
  Bytes g;
  tinyfont::Put16(g, 0xffff); // a composite
  for (int i = 0; i < 4; ++i)
    tinyfont::Put16(g, i < 2 ? 0 : 1000);
  for (int16_t v : {int16_t(0x0083), int16_t(1), dx, int16_t(0), xx, int16_t(0), yx, int16_t(0x4000)})
    tinyfont::Put16(g, uint16_t(v));
  Face f;
  f.glyphs[2] = g;
  return f.Build();
}

// A component is refused when any one corner of its part's box lands out of coordinate range, whichever corner it
// is; moved back in range, the same turn is drawn.
TEST(DrawableFace, AComponentWithOneCornerOutOfRangeIsRefused)
{
  constexpr int16_t kOne = 0x4000, kMinusOne = -0x4000;
  struct Corner
  {
    const char* which;
    int16_t dx, xx, yx, back;
  };
  const Corner corners[] = {
      {"the lower left", -32768, kOne, kOne, 1000},
      {"the upper right", 31000, kOne, kOne, -1000},
      {"the lower right", 32000, kOne, kMinusOne, -1000},
      {"the upper left", 32000, kMinusOne, kOne, -1000},
  };
  for (const Corner& c : corners)
  {
    EXPECT_FALSE(Drawable(TurnedTriangle(c.dx, c.xx, c.yx))) << c.which;
    EXPECT_TRUE(Drawable(TurnedTriangle(int16_t(c.dx + c.back), c.xx, c.yx))) << c.which;
  }
  EXPECT_FALSE(Drawable(TurnedTriangle(31767, kOne, 0))) << "a corner on the last coordinate";
  EXPECT_TRUE(Drawable(TurnedTriangle(31766, kOne, 0))) << "a corner one short of it";

  // The origin counts as a corner of every part, even one whose points all lie away from it: scaled by one and a
  // half, a part placed 21845 units below or left of the origin takes it to -32767.5, out of range; one unit less
  // keeps it in, though the part's own points stay in range either way.
  constexpr int16_t kOneAndAHalf = 0x6000;
  for (int axis = 0; axis < 2; ++axis)
    for (int16_t offset : {int16_t(-21845), int16_t(-21844)})
    {
      Face f;
      f.glyphs[1] = tinyfont::SimpleGlyph({2}, {{1, 1}, {500, 1000}, {1000, 1}});
      Bytes g;
      tinyfont::Put16(g, 0xffff);
      for (int i = 0; i < 4; ++i)
        tinyfont::Put16(g, i < 2 ? 0 : 1000);
      for (int16_t v : {int16_t(0x000b), int16_t(1), axis == 0 ? offset : int16_t(0), axis == 1 ? offset : int16_t(0),
                        kOneAndAHalf})
        tinyfont::Put16(g, uint16_t(v));
      f.glyphs[2] = g;
      EXPECT_EQ(Drawable(f.Build()), offset == -21844) << "placed " << offset << " along axis " << axis;
    }
}

// A face is read with the units per em of its head table and the ascender and descender of its horizontal header; a
// face without units per em, or whose ascender is not above its descender, is refused, and so gets no descriptor.
TEST(DrawableFace, AFaceIsReadWithTheMetricsOfItsTables)
{
  struct Metrics
  {
    uint16_t unitsPerEm;
    int16_t ascender, descender;
    bool read;
  };
  const Metrics cases[] = {{1000, 800, -200, true}, {2048, 1901, -483, true}, {16, 1, 0, true},
                           {0, 800, -200, false},   {1000, -200, -200, false}, {1000, -300, -200, false}};
  for (const Metrics& c : cases)
  {
    Bytes b = Face{}.Build();
    Set16(b, tinyfont::TableAt(b, "head") + 18, c.unitsPerEm);
    Set16(b, tinyfont::TableAt(b, "hhea") + 4, uint16_t(c.ascender));
    Set16(b, tinyfont::TableAt(b, "hhea") + 6, uint16_t(c.descender));
    const std::string what = std::to_string(c.unitsPerEm) + " " + std::to_string(c.ascender) + " " +
                             std::to_string(c.descender);
    coretext::FontMetrics metrics;
    ASSERT_EQ(coretext::ReadFontFace(b, 0, metrics), c.read) << what;
    const coretext::FontDescriptorRef descriptor =
      coretext::DescriptorForBytes(coretext::FontBytesFromMemory(b.data(), b.size()), "/fonts/tiny.ttf");
    ASSERT_EQ(descriptor != nullptr, c.read) << what;
    if (!c.read)
      continue;
    EXPECT_EQ(metrics.mUnitsPerEm, c.unitsPerEm) << what;
    EXPECT_EQ(metrics.mAscender, c.ascender) << what;
    EXPECT_EQ(metrics.mDescender, c.descender) << what;
    EXPECT_EQ(descriptor->mPath, "/fonts/tiny.ttf");
    EXPECT_EQ(descriptor->mFaceIndex, 0);
    EXPECT_EQ(descriptor->mMetrics.mUnitsPerEm, c.unitsPerEm) << what;
    EXPECT_EQ(descriptor->mMetrics.mAscender, c.ascender) << what;
    EXPECT_EQ(descriptor->mMetrics.mDescender, c.descender) << what;
  }
  EXPECT_EQ(coretext::DescriptorForBytes(nullptr, "/fonts/tiny.ttf"), nullptr);
}

// Font bytes are a whole file or a copy of memory; a missing or empty file, and no memory, give none.
TEST(DrawableFace, FontBytesAreTheWholeFileOrACopyOfTheMemory)
{
  const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"; // larger than one read
  std::ifstream in(path, std::ios::binary);
  const Bytes expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const coretext::FontBytes file = coretext::FontBytesFromFile(path);
  ASSERT_TRUE(file);
  EXPECT_TRUE(*file == expected);
  EXPECT_EQ(coretext::FontBytesFromFile("/nonexistent/font.ttf"), nullptr);
  const std::string empty = testing::TempDir() + "/empty_font.ttf";
  std::ofstream(empty).close();
  EXPECT_EQ(coretext::FontBytesFromFile(empty), nullptr);
  std::remove(empty.c_str());

  Bytes memory = Face{}.Build();
  const coretext::FontBytes copy = coretext::FontBytesFromMemory(memory.data(), memory.size());
  ASSERT_TRUE(copy);
  const Bytes before = memory;
  memory[0] ^= 0xff;
  EXPECT_TRUE(*copy == before) << "the copy changed with the memory";
  const coretext::FontBytes oneByte = coretext::FontBytesFromMemory(memory.data(), 1);
  ASSERT_TRUE(oneByte) << "a single byte is bytes too";
  EXPECT_EQ(oneByte->size(), 1u);
  EXPECT_EQ(coretext::FontBytesFromMemory(nullptr, 4), nullptr);
  EXPECT_EQ(coretext::FontBytesFromMemory(memory.data(), 0), nullptr);
}

TEST(DrawableFace, InstalledFontsAreDrawn)
{
  for (const char* path : {"/usr/share/fonts/truetype/roboto/unhinted/"
                           "RobotoTTF/Roboto-Regular.ttf",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"})
  {
    std::ifstream in(path, std::ios::binary);
    const Bytes b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(b.empty()) << path;
    EXPECT_TRUE(Drawable(b)) << path;
  }
}

} // namespace
