// State chunks through the loaded bundle: the round trip between two instances, the bytes of the chunk, and
// hostile chunks (oversized, bad lengths, another vendor's, foreign elements) that must change nothing. Random
// bytes and truncations are the fuzz target's.
#include <cstdint>
#include <cstring>
#include <string>

#include "loaded_bundle.h"

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
