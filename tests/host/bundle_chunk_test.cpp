// State chunks through the loaded bundle: the round trip between two instances, the bytes of the chunk, and
// hostile chunks (oversized, bad lengths, another vendor's, foreign elements, very many attributes) that must
// change nothing. Random bytes and truncations are the fuzz target's.
#include <cstdint>
#include <cstring>
#include <string>

#include "loaded_bundle.h"
#include "user_preset_file.h"

using hosttest::Instance;
using Bytes = std::vector<unsigned char>;

namespace {
uint32_t U32(const Bytes& b, size_t at)
{
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

std::string Ascii(const Bytes& b, size_t at, size_t n) { return std::string(b.begin() + at, b.begin() + at + n); }

/// Sets several parameters away from their defaults.
void Tweak(const Instance& p)
{
  const float values[25] = {0.4f, 0.0f, 0.5f, 1.0f, 1.0f, 0.3f, 0.0f, 0.25f, 0.1f, 0.2f, 0.3f, 0.4f, 0.6f,
                            0.75f, 1.0f, 1.0f, 0.5f, 0.667f, 1.0f, 0.123f, 0.789f, 0.5f, 1.0f, 0.9f, 0.1f};
  for (int i = 0; i < 25; ++i)
    p.SetParam(i, values[i]);
}

/// A chunk whose XML payload is replaced by text (sizes and pads recomputed).
Bytes WithXml(const std::string& text)
{
  Bytes b(8);
  const int32_t header[2] = {0x70666674, 0x00010000};
  std::memcpy(b.data(), header, 8);
  auto put = [&b](uint32_t v) {
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    b.insert(b.end(), p, p + 4);
  };
  auto id = [&b](const char* s) { b.insert(b.end(), s, s + 4); };
  const uint32_t inner = 8 + uint32_t(text.size());
  id("RIFF");
  put(16 + inner + (inner & 1));
  put(1);
  id("VQCM");
  id("VQCS");
  put(inner);
  put(1);
  put(uint32_t(text.size()));
  b.insert(b.end(), text.begin(), text.end());
  if (inner & 1)
    b.push_back(0);
  return b;
}

std::string Document(const char* vendor, const char* product, const std::string& params)
{
  return std::string("<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>") + vendor +
         "</PluginVendor>\n<PluginName>" + product +
         "</PluginName>\n<PluginVersion>v1.0.1</PluginVersion>\n<Preset name=\"Evil\">\n<Parameter>\n" + params +
         "</Parameter>\n</Preset>\n</PresetXMLTree>\n";
}
} // namespace

TEST(BundleChunk, RoundTripBetweenTwoInstancesRestoresEveryValueAndThePresetName)
{
  Instance a, b;
  Tweak(a);
  char name[] = "Round trip";
  a.Call(vst2::effSetProgramName, 0, 0, name);
  const Bytes chunk = a.GetChunk();
  ASSERT_FALSE(chunk.empty());
  EXPECT_EQ(b.SetChunk(chunk), 1);
  const auto va = a.AllParams(), vb = b.AllParams();
  for (int i = 0; i < 25; ++i)
    EXPECT_NEAR(vb[i], va[i], 1e-6) << "parameter " << i;
  EXPECT_EQ(b.Text(vst2::effGetProgramName), "Round trip");
  for (int i = 0; i < 25; ++i)
    EXPECT_EQ(b.Text(vst2::effGetParamDisplay, i), a.Text(vst2::effGetParamDisplay, i)) << i;
}

TEST(BundleChunk, BankChunkRoundTripToo)
{
  Instance a, b;
  Tweak(a);
  const Bytes bank = a.GetChunk(0);
  ASSERT_FALSE(bank.empty());
  EXPECT_EQ(b.SetChunk(bank, 0), 1);
  EXPECT_NEAR(b.GetParam(19), a.GetParam(19), 1e-6);
}

TEST(BundleChunk, StartsWithTheFrameworkHeaderThenTheRiffLayout)
{
  Instance p;
  const Bytes c = p.GetChunk();
  ASSERT_GE(c.size(), 40u);
  EXPECT_EQ(U32(c, 0), 0x70666674u);
  EXPECT_EQ(U32(c, 4), 0x00010000u);
  EXPECT_EQ(Ascii(c, 8, 4), "RIFF");
  const uint32_t outer = U32(c, 12);
  EXPECT_EQ(U32(c, 16), 1u);
  EXPECT_EQ(Ascii(c, 20, 4), "VQCM");
  EXPECT_EQ(Ascii(c, 24, 4), "VQCS");
  const uint32_t inner = U32(c, 28);
  EXPECT_EQ(U32(c, 32), 1u);
  const uint32_t length = U32(c, 36);
  EXPECT_EQ(inner, 8 + length);
  EXPECT_EQ(outer, 16 + inner + (inner & 1));
  EXPECT_EQ(c.size(), 8 + 8 + outer);
  const std::string xml = Ascii(c, 40, length);
  EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n    <PluginVendor>Vesquin</PluginVendor>"
                      "\n    <PluginName>Drovik</PluginName>\n    <PluginVersion>v1.0.1</PluginVersion>\n"
                      "    <Preset name=\"Init\">\n        <Parameter>\n"
                      "            <Param name=\"GUI Scale\" val=\"1.000000\" />\n",
                      0),
            0u)
    << xml;
  EXPECT_NE(xml.find("<Param name=\"Output Trim\" val=\"0.000000\" />"), std::string::npos);
  if (inner & 1)
  {
    EXPECT_EQ(c.back(), 0);
  }
}

TEST(BundleChunk, OddAndEvenTextLengthsArePaddedToEvenSizes)
{
  Instance p;
  bool sawOdd = false, sawEven = false;
  for (const char* name : {"a", "ab"})
  {
    char buf[8];
    std::strcpy(buf, name);
    p.Call(vst2::effSetProgramName, 0, 0, buf);
    const Bytes c = p.GetChunk();
    const uint32_t length = U32(c, 36), outer = U32(c, 12);
    (length & 1 ? sawOdd : sawEven) = true;
    EXPECT_EQ(outer % 2, 0u);
    EXPECT_EQ(c.size(), 40 + length + (length & 1)) << name;
  }
  EXPECT_TRUE(sawOdd && sawEven);
}

class HostileChunk : public ::testing::Test
{
protected:
  void SetUp() override
  {
    Tweak(mPlug);
    mBefore = mPlug.AllParams();
    mBeforeName = mPlug.Text(vst2::effGetProgramName);
  }
  /// The chunk must change nothing: no value, not the preset name.
  void ExpectNothingChanged(const Bytes& chunk, const std::string& what)
  {
    mPlug.SetChunk(chunk);
    EXPECT_EQ(mPlug.AllParams(), mBefore) << what;
    EXPECT_EQ(mPlug.Text(vst2::effGetProgramName), mBeforeName) << what;
  }
  Instance mPlug;
  std::vector<float> mBefore;
  std::string mBeforeName;
};

TEST_F(HostileChunk, BadLengthsAndSizes)
{
  Instance other;
  Bytes c = other.GetChunk();
  for (uint32_t length : {0x7fffffffu, 0xffffffffu, 0x80000000u, 0xfffffff0u, uint32_t(c.size())})
  {
    Bytes bad = c;
    std::memcpy(bad.data() + 36, &length, 4);
    ExpectNothingChanged(bad, "text length " + std::to_string(length));
  }
  Bytes inner0 = c;
  std::memset(inner0.data() + 28, 0, 4);
  ExpectNothingChanged(inner0, "inner size 0 skips the chunk");
  EXPECT_EQ(mPlug.Call(vst2::effSetChunk, 1, -1, c.data()), 0);
}

TEST_F(HostileChunk, OversizedChunkWithGarbageBehind)
{
  Instance other;
  Bytes c = WithXml(Document("Someone", "Drovik", "<Param name=\"Input Trim\" val=\"3\" />\n"));
  c.resize(c.size() + 100000, 0xAB);
  ExpectNothingChanged(c, "another vendor, large tail");
}

TEST_F(HostileChunk, ForeignVendorOrProduct)
{
  const std::string params = "<Param name=\"Input Trim\" val=\"3\" />\n";
  ExpectNothingChanged(WithXml(Document("Someone", "Drovik", params)), "vendor");
  ExpectNothingChanged(WithXml(Document("Vesquin", "Other", params)), "product");
  ExpectNothingChanged(WithXml(Document("vesquin", "Drovik", params)), "vendor case");
}

TEST_F(HostileChunk, ForeignElementAfterSomeValuesAppliesNothing)
{
  ExpectNothingChanged(WithXml(Document("Vesquin", "Drovik",
                                        "<Param name=\"Input Trim\" val=\"3\" />\n<Evil />\n"
                                        "<Param name=\"Output Trim\" val=\"3\" />\n")),
                       "foreign element");
  ExpectNothingChanged(WithXml(Document("Vesquin", "Drovik", "<Param name=\"Input Trim\" val=\"3\"")),
                       "malformed");
}

TEST(BundleChunk, ValidValuesAreConstrainedAndOthersKept)
{
  Instance p;
  p.SetParam(23, 0.75f); // Input Trim +12 dB
  const Bytes c = WithXml(Document("Vesquin", "Drovik",
                                   "<Param name=\"Output Trim\" val=\"99\" />\n"
                                   "<Param name=\"Saturation Stages\" val=\"3.6\" />\n"
                                   "<Param name=\"No Such\" val=\"1\" />\n"));
  EXPECT_EQ(p.SetChunk(c), 1);
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 24), "24.0") << "clamped";
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 18), "4") << "rounded to the step";
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 23), "12.0") << "missing values are kept";
  EXPECT_EQ(p.Text(vst2::effGetProgramName), "Evil");
}

// A document within the size bound whose one element carries over a hundred thousand attributes is refused at
// once: read attribute by attribute it would hold the host half a minute and more.
TEST_F(HostileChunk, DocumentsWithVeryManyAttributesAreRefusedAtOnce)
{
  for (const auto& [what, text] : testsupport::UserPresetTextsWithVeryManyAttributes())
  {
    ASSERT_LE(text.size(), size_t(1) << 20) << what;
    const Bytes chunk = WithXml(text);
    EXPECT_EQ(mPlug.SetChunk(chunk), 0) << what;
    EXPECT_EQ(mPlug.AllParams(), mBefore) << what;
    EXPECT_EQ(mPlug.Text(vst2::effGetProgramName), mBeforeName) << what;
  }
}

// A value with anything after its number is no value: the whole document is refused, as a host sees it.
TEST_F(HostileChunk, ValuesWithTrailingTextAreRefusedWhole)
{
  for (const char* value : {"5abc", "0.5.5", "0x1p3", "1 2", "3dB", ""})
  {
    const Bytes c = WithXml(Document("Vesquin", "Drovik",
                                     "<Param name=\"Output Trim\" val=\"1\" />\n<Param name=\"Input Trim\" val=\"" +
                                         std::string(value) + "\" />\n"));
    EXPECT_EQ(mPlug.SetChunk(c), 0) << value;
    ExpectNothingChanged(c, value);
  }
  EXPECT_EQ(mPlug.SetChunk(WithXml(Document("Vesquin", "Drovik", "<Param name=\"Input Trim\" val=\" 5 \" />\n"))), 1);
  EXPECT_EQ(mPlug.Text(vst2::effGetParamDisplay, 23), "5.0");
}

// Bytes that hold no state of this plug-in answer 0, for program and bank alike; a valid chunk answers 1.
TEST_F(HostileChunk, ChunksNothingWasReadFromAnswerZero)
{
  const Bytes header = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  Bytes noise(300);
  for (size_t i = 0; i < noise.size(); ++i)
    noise[i] = static_cast<unsigned char>(i * 37 + 11);
  Bytes headerAndNoise = header;
  headerAndNoise.insert(headerAndNoise.end(), noise.begin(), noise.end());
  Bytes wrongVersion = Instance().GetChunk();
  wrongVersion[16] = 2;
  const std::pair<const char*, Bytes> cases[] = {
    {"random bytes", noise}, {"the framework header alone", header}, {"header and random bytes", headerAndNoise},
    {"one byte", Bytes{1}}, {"a wrong version", wrongVersion}};
  for (const auto& [what, bytes] : cases)
    for (int index : {1, 0})
    {
      EXPECT_EQ(mPlug.SetChunk(bytes, index), 0) << what << " at index " << index;
      EXPECT_EQ(mPlug.AllParams(), mBefore) << what;
      EXPECT_EQ(mPlug.Text(vst2::effGetProgramName), mBeforeName) << what;
    }
  EXPECT_EQ(mPlug.Call(vst2::effSetChunk, 1, 0, noise.data()), 0) << "an empty chunk";
  EXPECT_EQ(mPlug.SetChunk(Instance().GetChunk(), 1), 1);
  EXPECT_EQ(mPlug.SetChunk(Instance().GetChunk(0), 0), 1);
}

// A bank chunk is the framework header, then per program its name (length and bytes), a flag and its state: a
// damaged field refuses the bank, and the program keeps its name and values.
TEST_F(HostileChunk, ABankWithADamagedFieldChangesNothingNotEvenTheName)
{
  Instance other;
  char name[] = "Other";
  other.Call(vst2::effSetProgramName, 0, 0, name);
  const Bytes bank = other.GetChunk(0);
  const uint32_t nameLength = U32(bank, 8);
  ASSERT_EQ(nameLength, 5u);
  const size_t flagAt = 12 + nameLength;
  auto patched = [&](size_t at, std::vector<unsigned char> bytes) {
    Bytes b = bank;
    std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
    return b;
  };
  const std::pair<const char*, Bytes> cases[] = {
    {"name length huge", patched(8, {0xff, 0xff, 0xff, 0x7f})},
    {"name length negative", patched(8, {0xff, 0xff, 0xff, 0xff})},
    {"name length one more", patched(8, {6, 0, 0, 0})},
    {"name length one less", patched(8, {4, 0, 0, 0})},
    {"name length into the state", patched(8, {40, 0, 0, 0})},
    {"flag 0", patched(flagAt, {0})},
    {"flag 2", patched(flagAt, {2})},
    {"flag 0xFF", patched(flagAt, {0xff})},
    {"state id", patched(flagAt + 1, {'X'})},
    {"state cut", Bytes(bank.begin(), bank.begin() + long(flagAt) + 30)},
  };
  for (const auto& [what, bytes] : cases)
  {
    EXPECT_EQ(mPlug.SetChunk(bytes, 0), 0) << what;
    EXPECT_EQ(mPlug.AllParams(), mBefore) << what;
    EXPECT_EQ(mPlug.Text(vst2::effGetProgramName), mBeforeName) << what;
  }
  EXPECT_EQ(mPlug.SetChunk(bank, 0), 1);
  EXPECT_EQ(mPlug.Text(vst2::effGetProgramName), "Other");
}

// The host is told the name the preset menu shows: no control characters, no reordering marks, no broken UTF-8,
// and a cut to the host's 24-byte field that never splits a character.
TEST(BundleChunk, ProgramNamesReachTheHostReadable)
{
  const std::pair<std::string, std::string> cases[] = {
    {"A\x07" "B\x1b[1mC\xff" "D\xE2\x80\xAE" "E", "A B [1mC\xEF\xBF\xBD" "D E"},
    {"tab\there", "tab here"},
    {std::string(22, 'a') + "\xC3\xA9", std::string(22, 'a')},
    {"Gr\xC3\xBC\xC3\x9F" "e", "Gr\xC3\xBC\xC3\x9F" "e"},
  };
  for (const auto& [name, shown] : cases)
  {
    Instance p;
    const std::string document = "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>Vesquin"
                                 "</PluginVendor>\n<PluginName>Drovik</PluginName>\n<PluginVersion>v1.0.1"
                                 "</PluginVersion>\n<Preset name=\"" + name + "\">\n<Parameter>\n"
                                 "<Param name=\"Input Trim\" val=\"1\" />\n</Parameter>\n</Preset>\n</PresetXMLTree>\n";
    ASSERT_EQ(p.SetChunk(WithXml(document)), 1) << name;
    EXPECT_EQ(p.Text(vst2::effGetProgramName), shown) << name;
    EXPECT_EQ(p.Text(vst2::effGetProgramNameIndexed), shown) << name;
  }
}
