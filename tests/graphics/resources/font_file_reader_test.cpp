// The font-file reader over the installed DejaVu and Roboto fonts, collections built from them, small fonts built
// here for the corner cases of the name table, and damaged and truncated files (each read from a buffer of its
// exact size, so the sanitizers see any read past its end).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/FontFileReader.h"

using plug::igraphics::FontFileReader;
using Bytes = std::vector<uint8_t>;

namespace {

const std::string kDejaVu = "/usr/share/fonts/truetype/dejavu/";
const std::string kRoboto = "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/";

Bytes ReadFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

void Put16(Bytes& b, size_t at, uint32_t v) { b[at] = uint8_t(v >> 8), b[at + 1] = uint8_t(v); }
void Put32(Bytes& b, size_t at, uint32_t v) { Put16(b, at, v >> 16), Put16(b, at + 2, v & 0xFFFF); }
uint32_t Get32(const Bytes& b, size_t at) { return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]; }

/// A collection of whole sfnt files: the header, each face's directory with its table offsets moved, then the
/// faces' bytes.
Bytes MakeCollection(const std::vector<Bytes>& faces, uint32_t version = 0x00010000)
{
  Bytes out(12 + 4 * faces.size());
  std::copy_n("ttcf", 4, out.begin());
  Put32(out, 4, version);
  Put32(out, 8, uint32_t(faces.size()));
  std::vector<size_t> dirs;
  for (const Bytes& face : faces)
  {
    const size_t dirSize = 12 + 16 * size_t(face[4] << 8 | face[5]);
    dirs.push_back(out.size());
    out.insert(out.end(), face.begin(), face.begin() + dirSize);
  }
  for (size_t i = 0; i < faces.size(); ++i)
  {
    const uint32_t base = uint32_t(out.size());
    Put32(out, 12 + 4 * i, uint32_t(dirs[i]));
    for (size_t r = dirs[i] + 12; r < dirs[i] + 12 + 16 * size_t(faces[i][4] << 8 | faces[i][5]); r += 16)
      Put32(out, r + 8, Get32(out, r + 8) + base);
    out.insert(out.end(), faces[i].begin(), faces[i].end());
  }
  return out;
}

struct NameRecord
{
  uint16_t platform, encoding, language, id;
  Bytes text;
};

Bytes UTF16(const std::u16string& s)
{
  Bytes b;
  for (char16_t c : s)
    b.insert(b.end(), {uint8_t(c >> 8), uint8_t(c)});
  return b;
}

/// A small sfnt: the given tables (head, hhea and name unless left out), units per em 1000 and macStyle 2.
Bytes MakeFont(const std::vector<NameRecord>& names, const std::vector<std::string>& tags = {"head", "hhea", "name"})
{
  Bytes name(6 + 12 * names.size());
  Put16(name, 2, uint16_t(names.size()));
  Put16(name, 4, uint16_t(name.size()));
  Bytes storage;
  for (size_t i = 0; i < names.size(); ++i)
  {
    const NameRecord& n = names[i];
    const uint32_t fields[6] = {n.platform, n.encoding, n.language, n.id, uint32_t(n.text.size()),
                                uint32_t(storage.size())};
    for (size_t k = 0; k < 6; ++k)
      Put16(name, 6 + 12 * i + 2 * k, fields[k]);
    storage.insert(storage.end(), n.text.begin(), n.text.end());
  }
  name.insert(name.end(), storage.begin(), storage.end());
  Bytes head(54);
  Put16(head, 18, 1000);
  Put16(head, 44, 2);

  Bytes out(12 + 16 * tags.size());
  Put32(out, 0, 0x00010000);
  Put16(out, 4, uint16_t(tags.size()));
  for (size_t i = 0; i < tags.size(); ++i)
  {
    const Bytes& table = tags[i] == "name" ? name : tags[i] == "head" ? head : Bytes(36);
    std::copy_n(tags[i].begin(), 4, out.begin() + 12 + 16 * i);
    Put32(out, 12 + 16 * i + 8, uint32_t(out.size()));
    Put32(out, 12 + 16 * i + 12, uint32_t(table.size()));
    out.insert(out.end(), table.begin(), table.end());
  }
  return out;
}

FontFileReader Read(const Bytes& b, int face = 0) { return FontFileReader(b.data(), b.size(), face); }

TEST(FontFileReader, ReadsTheInstalledFonts)
{
  struct Case
  {
    std::string path, family, style;
    uint16_t macStyle;
  };
  const Case cases[] = {
    {kDejaVu + "DejaVuSans.ttf", "DejaVu Sans", "Book", 0},
    {kDejaVu + "DejaVuSans-Bold.ttf", "DejaVu Sans", "Bold", 1},
    {kDejaVu + "DejaVuSerif-Italic.ttf", "DejaVu Serif", "Italic", 2},
    {kRoboto + "Roboto-Regular.ttf", "Roboto", "Regular", 0},
    {kRoboto + "Roboto-BoldItalic.ttf", "Roboto", "Bold Italic", 3},
  };
  for (const Case& c : cases)
  {
    const Bytes font = ReadFile(c.path);
    ASSERT_FALSE(font.empty()) << c.path;
    const FontFileReader r = Read(font);
    ASSERT_TRUE(r.IsValid()) << c.path;
    EXPECT_EQ(r.FamilyName(), c.family);
    EXPECT_EQ(r.StyleName(), c.style);
    EXPECT_EQ(r.MacStyle(), c.macStyle) << c.path;
    EXPECT_EQ(r.UnitsPerEm(), 2048);
    EXPECT_EQ(r.Data(), font.data());
    EXPECT_FALSE(Read(font, 1).IsValid()); // a single face has index 0 only
  }
}

TEST(FontFileReader, CollectionPicksTheFaceOfTheIndex)
{
  const Bytes ttc = MakeCollection({ReadFile(kDejaVu + "DejaVuSans.ttf"), ReadFile(kRoboto + "Roboto-Italic.ttf")});
  EXPECT_STREQ(Read(ttc, 0).FamilyName(), "DejaVu Sans");
  EXPECT_STREQ(Read(ttc, 1).FamilyName(), "Roboto");
  EXPECT_STREQ(Read(ttc, 1).StyleName(), "Italic");
  EXPECT_EQ(Read(ttc, 1).MacStyle(), 2);
  for (int bad : {2, -1, 1000000})
    EXPECT_FALSE(Read(ttc, bad).IsValid()) << bad;
  EXPECT_TRUE(Read(MakeCollection({MakeFont({})}, 0x00020000)).IsValid());
  EXPECT_FALSE(Read(MakeCollection({MakeFont({})}, 0x00030000)).IsValid());
}

TEST(FontFileReader, NamesFromWindowsUnicodeOrElseMacRoman)
{
  const NameRecord macFamily{1, 0, 0, 1, {'C', 'a', 'f', 0x8E}};
  // Only a Mac Roman family name: its bytes as they are; no style name: empty.
  FontFileReader r = Read(MakeFont({macFamily}));
  ASSERT_TRUE(r.IsValid());
  EXPECT_EQ(std::string(r.FamilyName()), "Caf\x8E");
  EXPECT_STREQ(r.StyleName(), "");
  EXPECT_EQ(r.UnitsPerEm(), 1000);
  EXPECT_EQ(r.FdscOffset(), 0u); // the optional table may be absent

  struct Case
  {
    Bytes windows;
    std::string expected;
  };
  Bytes odd = UTF16(u"AB");
  odd.push_back('C');
  const Case cases[] = {
    {UTF16(u"Zo\u00EB"), "Zo\xC3\xAB"},
    {odd, "AB"},                                              // the odd byte is dropped
    {UTF16(u"\U0001D11E"), "\xF0\x9D\x84\x9E"},               // a surrogate pair
    {UTF16(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx"}, // a lone surrogate
    {{}, "Caf\x8E"},                                          // empty: the Mac name is taken
    {{0}, "Caf\x8E"},
  };
  for (const Case& c : cases)
  {
    const FontFileReader w = Read(MakeFont({macFamily, {3, 1, 1033, 1, c.windows}, {3, 1, 1033, 2, UTF16(u"Bold")}}));
    EXPECT_EQ(w.FamilyName(), c.expected);
    EXPECT_STREQ(w.StyleName(), "Bold");
  }
  // Other languages and platforms are not read.
  EXPECT_STREQ(Read(MakeFont({{3, 1, 1031, 1, UTF16(u"De")}, {0, 3, 0, 1, UTF16(u"Uni")}})).FamilyName(), "");
}

TEST(FontFileReader, DamagedFilesGiveAnEmptyReader)
{
  const Bytes good = MakeFont({{3, 1, 1033, 1, UTF16(u"Fam")}});
  auto damaged = [&](size_t at, uint32_t value, bool wide) {
    Bytes b = good;
    wide ? Put32(b, at, value) : Put16(b, at, value);
    return b;
  };
  const size_t nameTable = Get32(good, 12 + 32 + 8);
  Bytes lostFace = MakeCollection({good});
  Put32(lostFace, 12, 0xFFFFFFF0);
  const std::vector<Bytes> cases = {
    {},
    Bytes{'t', 't', 'c', 'f'},
    Bytes{'w', 'O', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0},
    MakeFont({}, {"head", "name"}),             // no hhea
    damaged(4, 0xFFFF, false),                  // more table records than bytes
    damaged(12 + 8, 0xFFFFFFF0, true),          // head offset past the end
    damaged(12 + 12, 0xFFFFFFFF, true),         // head length past the end
    damaged(12 + 12, 40, true),                 // head too short for macStyle
    damaged(nameTable + 2, 5000, false),        // more name records than the table holds
    damaged(nameTable + 4, 0xFFFF, false),      // string storage past the table
    damaged(nameTable + 6 + 8, 0xFFFF, false),  // string length past the table
    lostFace,                                   // face directory past the end
  };
  for (size_t i = 0; i < cases.size(); ++i)
  {
    const FontFileReader r = Read(cases[i]);
    EXPECT_FALSE(r.IsValid()) << i;
    EXPECT_STREQ(r.FamilyName(), "") << i;
    EXPECT_EQ(r.UnitsPerEm(), 0) << i;
  }
  EXPECT_FALSE(FontFileReader(nullptr, 100, 0).IsValid());
}

TEST(FontFileReader, TruncatedFilesNeverReadPastTheirEnd)
{
  const Bytes fonts[] = {MakeFont({{3, 1, 1033, 1, UTF16(u"Fam")}, {1, 0, 0, 2, {'S'}}}),
                         MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}}), MakeFont({{1, 0, 0, 1, {'B'}}})})};
  for (int lastFace : {0, 1})
  {
    const Bytes& font = fonts[lastFace];
    ASSERT_TRUE(Read(font, lastFace).IsValid());
    for (size_t n = 0; n < font.size(); ++n)
    {
      const Bytes cut(font.begin(), font.begin() + n);
      Read(cut, 0);
      EXPECT_FALSE(Read(cut, lastFace).IsValid()) << n; // its last table is cut
    }
  }
  // A real font cut anywhere stays readable exactly while its head, hhea and name tables are whole.
  const Bytes dejavu = ReadFile(kDejaVu + "DejaVuSans.ttf");
  size_t needed = 0;
  for (size_t r = 12; r < 12 + 16 * size_t(dejavu[4] << 8 | dejavu[5]); r += 16)
    if (std::string(dejavu.begin() + r, dejavu.begin() + r + 4).find_first_of("hn") == 0)
      needed = std::max<size_t>(needed, Get32(dejavu, r + 8) + Get32(dejavu, r + 12));
  for (size_t n = 0; n < dejavu.size(); n += 997)
    EXPECT_EQ(Read(Bytes(dejavu.begin(), dejavu.begin() + n)).IsValid(), n >= needed) << n;
}

} // namespace
