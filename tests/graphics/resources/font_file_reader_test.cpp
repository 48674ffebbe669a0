// The font-file reader over the installed DejaVu and Roboto fonts, a collection built from them, small fonts built
// here for the name table's cases, and damaged and cut files (read from buffers of their exact size, so the
// sanitizers see any read past the end).
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "child_process.h"
#include "graphics/resources/FontFileReader.h"
#include "text_golden.h"

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
uint32_t Get32(const Bytes& b, size_t at) { return uint32_t(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]); }
size_t DirectorySize(const Bytes& face) { return 12 + 16 * size_t(face[4] << 8 | face[5]); }

/// A collection: the header, each face's directory with its table offsets moved, then the faces' bytes.
Bytes MakeCollection(const std::vector<Bytes>& faces, uint32_t version = 0x00010000)
{
  Bytes out{'t', 't', 'c', 'f'};
  out.resize(12 + 4 * faces.size());
  Put32(out, 4, version);
  Put32(out, 8, uint32_t(faces.size()));
  std::vector<size_t> dirs;
  for (const Bytes& face : faces)
  {
    dirs.push_back(out.size());
    out.insert(out.end(), face.begin(), face.begin() + DirectorySize(face));
  }
  for (size_t i = 0; i < faces.size(); ++i)
  {
    Put32(out, 12 + 4 * i, uint32_t(dirs[i]));
    for (size_t r = dirs[i] + 12; r < dirs[i] + DirectorySize(faces[i]); r += 16)
      Put32(out, r + 8, Get32(out, r + 8) + uint32_t(out.size()));
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

/// A small sfnt with head (1000 units per em, macStyle 2), hhea and name tables (unless left out).
Bytes MakeFont(const std::vector<NameRecord>& names, const std::vector<std::string>& tags = {"head", "hhea", "name"})
{
  Bytes name(6 + 12 * names.size()), storage;
  Put16(name, 2, uint16_t(names.size()));
  Put16(name, 4, uint16_t(name.size()));
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

/// A copy of bytes that ends where an unreadable page begins: reading one byte past them stops the process, with
/// or without the sanitizers.
class BytesBeforeUnreadablePage
{
public:
  explicit BytesBeforeUnreadablePage(const Bytes& bytes)
    : mPageSize(size_t(sysconf(_SC_PAGESIZE))), mSize((bytes.size() / mPageSize + 2) * mPageSize)
  {
    mPages = static_cast<uint8_t*>(mmap(nullptr, mSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (mPages == MAP_FAILED || mprotect(mPages + mSize - mPageSize, mPageSize, PROT_NONE) != 0)
      std::abort();
    mData = mPages + mSize - mPageSize - bytes.size();
    std::memcpy(mData, bytes.data(), bytes.size());
  }
  ~BytesBeforeUnreadablePage() { munmap(mPages, mSize); }
  BytesBeforeUnreadablePage(const BytesBeforeUnreadablePage&) = delete;
  BytesBeforeUnreadablePage& operator=(const BytesBeforeUnreadablePage&) = delete;
  const uint8_t* Data() const { return mData; }

private:
  size_t mPageSize, mSize;
  uint8_t* mPages = nullptr;
  uint8_t* mData = nullptr;
};

TEST(FontFileReader, ReadsTheInstalledFonts)
{
  struct Case
  {
    std::string path, family, style;
    uint16_t macStyle;
  } const cases[] = {
    {kDejaVu + "DejaVuSans.ttf", "DejaVu Sans", "Book", 0},
    {kDejaVu + "DejaVuSerif-Italic.ttf", "DejaVu Serif", "Italic", 2},
    {kRoboto + "Roboto-BoldItalic.ttf", "Roboto", "Bold Italic", 3},
  };
  for (const Case& c : cases)
  {
    const Bytes font = ReadFile(c.path);
    const FontFileReader r = Read(font);
    ASSERT_TRUE(r.IsValid()) << c.path;
    EXPECT_EQ(r.FamilyName(), c.family);
    EXPECT_EQ(r.StyleName(), c.style);
    EXPECT_EQ(r.MacStyle(), c.macStyle) << c.path;
    EXPECT_EQ(r.UnitsPerEm(), 2048);
    EXPECT_FALSE(Read(font, 1).IsValid()); // a single face has index 0 only
  }
}

TEST(FontFileReader, CollectionPicksTheFaceOfTheIndex)
{
  // Read from the last face back, so each is found at its own place in the offset table.
  const Bytes three = MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}}), MakeFont({{1, 0, 0, 1, {'B'}}}),
                                      MakeFont({{1, 0, 0, 1, {'C'}}})});
  for (int face = 2; face >= 0; --face)
    EXPECT_EQ(std::string(Read(three, face).FamilyName()), std::string(1, char('A' + face))) << face;
  const Bytes ttc = MakeCollection({ReadFile(kDejaVu + "DejaVuSans.ttf"), ReadFile(kRoboto + "Roboto-Italic.ttf")});
  EXPECT_STREQ(Read(ttc, 0).FamilyName(), "DejaVu Sans");
  EXPECT_STREQ(Read(ttc, 1).FamilyName(), "Roboto");
  EXPECT_STREQ(Read(ttc, 1).StyleName(), "Italic");
  for (int bad : {2, -1})
    EXPECT_FALSE(Read(ttc, bad).IsValid()) << bad;
  // The count in the header bounds the index, though another face's offset follows the counted ones.
  Bytes counted = MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}}), MakeFont({{1, 0, 0, 1, {'B'}}})});
  Put32(counted, 8, 1);
  EXPECT_STREQ(Read(counted, 0).FamilyName(), "A");
  EXPECT_FALSE(Read(counted, 1).IsValid());
  EXPECT_TRUE(Read(MakeCollection({MakeFont({})}, 0x00020000)).IsValid());
  EXPECT_FALSE(Read(MakeCollection({MakeFont({})}, 0x00030000)).IsValid());
}

TEST(FontFileReader, NamesFromWindowsUnicodeElseMacRomanBytes)
{
  const NameRecord mac{1, 0, 0, 1, {'C', 'a', 'f', 0x8E}};
  const FontFileReader onlyMac = Read(MakeFont({mac}));
  ASSERT_TRUE(onlyMac.IsValid()); // no style name and no fdsc table are allowed
  EXPECT_EQ(std::string(onlyMac.FamilyName()), "Caf\x8E");
  EXPECT_STREQ(onlyMac.StyleName(), "");
  EXPECT_EQ(onlyMac.UnitsPerEm(), 1000);

  Bytes odd = UTF16(u"AB");
  odd.push_back('C');
  const std::pair<Bytes, std::string> cases[] = {
    {UTF16(u"Zo\u00EB"), "Zo\xC3\xAB"},
    {odd, "AB"},                                                          // odd byte dropped
    {UTF16(u"\U0001D11E"), "\xF0\x9D\x84\x9E"},                           // surrogate pair
    {UTF16(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx"}, // lone surrogate
    {UTF16(u"\u007F\u0080\u07FF\u0800\uFFFF"), "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF"}, // 1 to 3 bytes
    {UTF16(u"\U00010000\U0010FFFF"), "\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
    {UTF16({char16_t(0xDC00), char16_t(0xDC00), char16_t(0xDBFF)}), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    {{}, "Caf\x8E"},                                                      // empty: the Mac name
  };
  for (const auto& c : cases)
    EXPECT_EQ(Read(MakeFont({mac, {3, 1, 1033, 1, c.first}})).FamilyName(), c.second);
  EXPECT_STREQ(Read(MakeFont({{3, 1, 1031, 1, UTF16(u"De")}, {0, 3, 0, 1, UTF16(u"U")}})).FamilyName(), "");

  // The same face read under each kind of sfnt signature; an unknown one gives an empty reader.
  for (auto [tag, known] : {std::pair{"OTTO", true}, {"typ1", true}, {"OTTP", false}})
  {
    Bytes font = MakeFont({mac});
    std::copy_n(tag, 4, font.begin());
    EXPECT_STREQ(Read(font).FamilyName(), known ? "Caf\x8E" : "") << tag;
  }
}

TEST(FontFileReader, DamagedOrCutFilesGiveAnEmptyReader)
{
  const Bytes good = MakeFont({{3, 1, 1033, 1, UTF16(u"Fam")}, {1, 0, 0, 2, {'S'}}});
  const size_t name = Get32(good, 12 + 32 + 8);
  auto with = [&](size_t at, uint32_t value, bool wide) {
    Bytes b = good;
    wide ? Put32(b, at, value) : Put16(b, at, value);
    return b;
  };
  Bytes lostFace = MakeCollection({good});
  Put32(lostFace, 12, 0xFFFFFFF0);
  const Bytes cases[] = {
    Bytes{'t', 't', 'c', 'f'}, Bytes{'w', 'O', 'F', 'F', 0, 0, 0, 0, 0, 0, 0, 0},
    MakeFont({}, {"head", "name"}),   // no hhea
    with(4, 0xFFFF, false),           // more table records than bytes
    with(12 + 8, 0xFFFFFFF0, true),   // head past the end
    with(12 + 12, 40, true),          // head too short
    with(name + 2, 5000, false),      // more name records than the table holds
    with(name + 6 + 8, 0xFFFF, false), // string past the table
    lostFace,
  };
  for (const Bytes& b : cases)
  {
    const FontFileReader r = Read(b);
    EXPECT_FALSE(r.IsValid());
    EXPECT_STREQ(r.FamilyName(), "");
    EXPECT_EQ(r.UnitsPerEm(), 0);
  }
  // Cut anywhere, a face whose last table is cut is unreadable.
  const Bytes ttc = MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}}), good});
  for (int lastFace : {0, 1})
  {
    const Bytes& font = lastFace ? ttc : good;
    for (size_t n = 0; n < font.size(); ++n)
      EXPECT_FALSE(Read(Bytes(font.begin(), font.begin() + n), lastFace).IsValid()) << n;
  }
}


TEST(FontFileReader, EveryByteOfASmallFaceAndCollectionSetHighOrLowReadsAsItsReference)
{
  // A face with each kind of name record (Windows family, Mac family and style, a Windows style left empty) and
  // an fdsc table, and a collection of it after another face. Each byte is set to 0xFF and to 0x00 in turn; the
  // reference holds what the reader makes of every copy whose reading differs from the unchanged file's.
  const Bytes face = MakeFont({{1, 0, 0, 1, {'M', 'a', 'c'}},
                               {3, 1, 1033, 1, UTF16(u"Win\u00E9")},
                               {1, 0, 0, 2, {'S', 't', 'y', 0}},
                               {3, 1, 1033, 2, {}}},
                              {"fdsc", "head", "hhea", "name"});
  const Bytes ttc = MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}}), face});
  auto describe = [](const FontFileReader& r) {
    if (!r.IsValid())
      return std::string("invalid");
    return std::string(r.FamilyName()) + "|" + r.StyleName() + "|" + std::to_string(r.MacStyle()) + "|" +
           std::to_string(r.UnitsPerEm()) + "|" + std::to_string(r.HeadOffset()) + "," +
           std::to_string(r.NameOffset()) + "," + std::to_string(r.HheaOffset()) + "," +
           std::to_string(r.FdscOffset());
  };
  std::string out;
  for (int index : {0, 1})
  {
    const Bytes& font = index ? ttc : face;
    const std::string unchanged = describe(Read(font, index));
    out += "file " + std::to_string(index) + " " + std::to_string(font.size()) + " bytes: " + unchanged + "\n";
    for (size_t at = 0; at < font.size(); ++at)
      for (uint8_t value : {uint8_t(0xFF), uint8_t(0x00)})
      {
        Bytes changed = font;
        changed[at] = value;
        const std::string seen = describe(Read(changed, index));
        if (seen != unchanged)
          out += std::to_string(at) + "=" + std::to_string(value) + " " + seen + "\n";
      }
  }
  const std::string failure = graphicstest::CompareTextGolden("font_file_bytes", out);
  EXPECT_TRUE(failure.empty()) << failure;
}

TEST(FontFileReader, CollectionCutWithinItsHeaderIsRefusedWithoutReadingPastIt)
{
  // A collection of one face, whole and cut to every length from its tag to its whole 12-byte header (the face's
  // offset still missing). Each is read in a child process from bytes that end where an unreadable page begins,
  // so that a read past them fails this test instead of stopping the test program. A child inherits the failures
  // seen before it, so the cuts stop at the first that fails.
  const Bytes ttc = MakeCollection({MakeFont({{1, 0, 0, 1, {'A'}}})});
  testsupport::ExpectInChildProcess([&] {
    const BytesBeforeUnreadablePage whole(ttc);
    EXPECT_STREQ(FontFileReader(whole.Data(), ttc.size()).FamilyName(), "A");
  });
  for (size_t length = 4; length <= 12 && !HasFailure(); ++length)
  {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    testsupport::ExpectInChildProcess([&] {
      const BytesBeforeUnreadablePage cut(Bytes(ttc.begin(), ttc.begin() + std::ptrdiff_t(length)));
      const FontFileReader r(cut.Data(), length);
      EXPECT_FALSE(r.IsValid());
      EXPECT_EQ(r.Data(), nullptr);
      EXPECT_STREQ(r.FamilyName(), "");
      EXPECT_STREQ(r.StyleName(), "");
      EXPECT_EQ(r.UnitsPerEm() | r.MacStyle(), 0);
      EXPECT_EQ(r.HeadOffset() | r.NameOffset() | r.HheaOffset() | r.FdscOffset(), 0u);
    });
  }
}

} // namespace
