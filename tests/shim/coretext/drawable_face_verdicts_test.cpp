// The drawable-face check over systematically damaged faces: the tiny face with its kerning table, with a
// positioning table of pair adjustments in both formats (the first over either kind of coverage), with a glyph of two
// contours, with character maps of the other formats, and with turned and scaled components and 16-bit locations.
// Every table is cut to every shorter length, and every byte of each face is changed four ways; the verdicts are
// written as digits and compared with golden/face_verdicts.txt (DROVIK_UPDATE_GOLDEN=1 rewrites it).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "coretext/drawable_face.h"
#include "golden_text.h"
#include "tiny_font.h"

namespace
{

using tinyfont::Bytes;
using tinyfont::Put16;
using tinyfont::Put32;

/// A positioning table (version 1.0) with two lookups: pair adjustments with a format 1 subtable (pair sets over a
/// list coverage, or a range one) and a format 2 subtable (class pairs over a range coverage), then a single
/// adjustment lookup that the check passes over.
Bytes PositioningTable(bool rangeCoverage)
{
  Bytes t;
  Put16(t, 1), Put16(t, 0), Put16(t, 0), Put16(t, 0), Put16(t, 10); // version, script, feature, lookup list
  // Lookup list at 10: two lookups.
  Put16(t, 2), Put16(t, 6), Put16(t, 110);
  // Lookup 1 at 16: pair adjustment, two subtables.
  Put16(t, 2), Put16(t, 0), Put16(t, 2), Put16(t, 10), Put16(t, 50);
  // Format 1 at 26: coverage at +20 (+14 for a range), x advance of the first glyph only, two pair sets at +28 and
  // +34.
  Put16(t, 1), Put16(t, rangeCoverage ? 14 : 20), Put16(t, 4), Put16(t, 0), Put16(t, 2), Put16(t, 28), Put16(t, 34);
  if (rangeCoverage) // range 1..2 from index 0, then padding
    Put16(t, 2), Put16(t, 1), Put16(t, 1), Put16(t, 2), Put16(t, 0), Put16(t, 0), Put16(t, 0);
  else // padding, then glyphs 1 and 2
    Put16(t, 0), Put16(t, 0), Put16(t, 0), Put16(t, 1), Put16(t, 2), Put16(t, 1), Put16(t, 2);
  Put16(t, 1), Put16(t, 2), Put16(t, uint16_t(-50)); // pair set: glyph 2 after, -50
  Put16(t, 1), Put16(t, 1), Put16(t, 30);
  // Format 2 at 66: coverage at +24, class definitions at +34 and +44, two classes by two.
  Put16(t, 2), Put16(t, 24), Put16(t, 4), Put16(t, 0), Put16(t, 34), Put16(t, 44), Put16(t, 2), Put16(t, 2);
  Put16(t, 0), Put16(t, 0), Put16(t, uint16_t(-20)), Put16(t, 10); // class values
  Put16(t, 2), Put16(t, 1), Put16(t, 1), Put16(t, 2), Put16(t, 0); // coverage: range 1..2 from index 0
  Put16(t, 1), Put16(t, 1), Put16(t, 2), Put16(t, 0), Put16(t, 1); // classes from glyph 1: 0, 1
  Put16(t, 2), Put16(t, 1), Put16(t, 1), Put16(t, 2), Put16(t, 1); // classes: range 1..2 is class 1
  // Lookup 2 at 120: single adjustment, no subtables.
  Put16(t, 1), Put16(t, 0), Put16(t, 0);
  return t;
}

/// The triangle three times: turned a quarter near the edge of coordinate range, halved and placed by bytes, and
/// scaled by two factors.
Bytes TurnedComposite()
{
  Bytes g;
  Put16(g, 0xffff);
  for (int i = 0; i < 4; ++i)
    Put16(g, i < 2 ? 0 : 1000);
  for (int v : {0x00a3, 1, 31000, 0, 0, 0x4000, -0x4000, 0, // word arguments, a two-by-two matrix, more to come
                0x002a, 1, 0x7f80, 0x2000,                  // byte arguments, one scale, more to come
                0x0043, 1, -100, 200, 0x4000, 0x2000})      // word arguments, two scales
    Put16(g, uint16_t(v));
  return g;
}

struct Table
{
  std::string tag;
  Bytes data;
};

std::vector<Table> Tables(const Bytes& face)
{
  std::vector<Table> out;
  const size_t count = size_t(face[4]) << 8 | face[5];
  for (size_t i = 0; i < count; ++i)
  {
    const size_t record = 12 + 16 * i;
    const size_t at = tinyfont::Get32(face, record + 8), length = tinyfont::Get32(face, record + 12);
    out.push_back({std::string(face.begin() + record, face.begin() + record + 4),
                   Bytes(face.begin() + at, face.begin() + at + length)});
  }
  return out;
}

/// The face written again from its tables, in the order given, each 4-byte aligned.
Bytes Assemble(const std::vector<Table>& tables)
{
  Bytes out;
  Put32(out, 0x00010000), Put16(out, uint16_t(tables.size())), Put16(out, 0), Put16(out, 0), Put16(out, 0);
  uint32_t at = uint32_t(12 + 16 * tables.size());
  for (const Table& t : tables)
  {
    out.insert(out.end(), t.tag.begin(), t.tag.end());
    Put32(out, 0), Put32(out, at), Put32(out, uint32_t(t.data.size()));
    at += uint32_t((t.data.size() + 3) & ~size_t(3));
  }
  for (const Table& t : tables)
  {
    out.insert(out.end(), t.data.begin(), t.data.end());
    out.resize((out.size() + 3) & ~size_t(3), 0);
  }
  return out;
}

char Verdict(const Bytes& face) { return coretext::FaceIsDrawable(face.data(), face.size(), 0) ? '1' : '0'; }

/// Every table cut to each length from 0 up to its own, one verdict per length, then every byte changed four
/// ways (all bits flipped, one more, one less, zero) as one hexadecimal digit of four verdicts.
std::string Verdicts(const char* name, const Bytes& face)
{
  std::string out = std::string("== ") + name + " " + Verdict(face) + "\n";
  const std::vector<Table> tables = Tables(face);
  for (size_t i = 0; i < tables.size(); ++i)
  {
    out += " cut " + tables[i].tag + " ";
    for (size_t length = 0; length < tables[i].data.size(); ++length)
    {
      std::vector<Table> cut = tables;
      cut[i].data.resize(length);
      out += Verdict(Assemble(cut));
    }
    out += "\n";
  }
  std::string digits;
  for (size_t at = 0; at < face.size(); ++at)
  {
    int bits = 0, k = 0;
    for (int change : {0x100, 1, -1, 0})
    {
      Bytes damaged = face;
      damaged[at] = uint8_t(change == 0x100 ? ~face[at] : change == 0 ? 0 : face[at] + change);
      bits |= (Verdict(damaged) == '1') << k++;
    }
    digits += "0123456789abcdef"[bits];
  }
  for (size_t at = 0; at < digits.size(); at += 64) out += " bytes " + digits.substr(at, 64) + "\n";
  return out;
}

TEST(DrawableFaceVerdicts, EveryCutAndChangedByteOfTheTinyFacesGivesTheRecordedVerdict)
{
  const Bytes kerned = tinyfont::Face{}.Build();
  std::vector<Table> tables = Tables(kerned);
  tables.insert(tables.begin(), Table{"GPOS", PositioningTable(false)});
  const Bytes positioned = Assemble(tables);
  tables.front().data = PositioningTable(true);
  const Bytes positionedOverARange = Assemble(tables);
  tinyfont::Face twoContours; // a glyph of a triangle and a lone point
  twoContours.glyphs.push_back(tinyfont::SimpleGlyph({2, 3}, {{0, 0}, {0, 500}, {500, 0}, {200, 200}}));
  twoContours.withKerning = false;
  std::string dump = Verdicts("kerned", kerned) + Verdicts("positioned", positioned) +
                     Verdicts("positioned over a range", positionedOverARange) +
                     Verdicts("two contours", twoContours.Build());
  const struct
  {
    const char* name;
    uint16_t platform, encoding;
    Bytes subtable;
  } maps[] = {
      {"a byte map", 0, 3, tinyfont::ByteMap()},
      {"a run map", 3, 1, tinyfont::RunMap()},
      {"a group map", 3, 10, tinyfont::GroupMap()},
  };
  for (const auto& m : maps)
  {
    tinyfont::Face face;
    face.withKerning = false;
    face.characterMap = tinyfont::CharacterMap(m.platform, m.encoding, m.subtable);
    dump += Verdicts(m.name, face.Build());
  }
  tinyfont::Face turned; // with 16-bit locations
  turned.glyphs[2] = TurnedComposite();
  turned.withKerning = false;
  turned.shortLocations = true;
  dump += Verdicts("turned components", turned.Build());
  const std::string differences =
    goldentext::Compare(std::string(DROVIK_FACE_GOLDEN) + "/face_verdicts.txt", dump);
  EXPECT_TRUE(differences.empty()) << differences;
}

} // namespace
