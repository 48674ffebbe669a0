// State chunks and preset files from the outside world that must be refused whole: too deeply nested, values
// that do not read. A refused document changes nothing, answers 0, and is checked before the plug-in's lock
// (which the audio thread takes every block) is held.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_support.h"

namespace {

class LockableDrovik : public enginetest::TestDrovik
{
public:
  using Drovik::mMutex;
};

std::string Document(const std::string& params, const std::string& prefix = "")
{
  return prefix +
         "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>Vesquin</PluginVendor>\n"
         "<PluginName>Drovik</PluginName>\n<PluginVersion>v1.0.1</PluginVersion>\n<Preset name=\"Evil\">\n"
         "<Parameter>\n<Param name=\"Input Trim\" val=\"3\"/>\n" +
         params + "</Parameter>\n</Preset>\n</PresetXMLTree>\n";
}

/// The effect's state chunk around an XML text.
std::string Chunk(const std::string& xml)
{
  std::string c;
  auto u32 = [&c](uint32_t v) { c.append(reinterpret_cast<const char*>(&v), 4); };
  c += "RIFF";
  u32(uint32_t(28 + xml.size()));
  u32(1);
  c += "VQCMVQCS";
  u32(uint32_t(8 + xml.size()));
  u32(1);
  u32(uint32_t(xml.size()));
  return c + xml;
}

intptr_t SetChunk(Drovik& d, std::string chunk)
{
  vst2::Effect& e = d.GetEffect();
  return e.dispatcher(&e, vst2::effSetChunk, 1, intptr_t(chunk.size()), chunk.data(), 0.f);
}

std::vector<double> Values(const Drovik& d)
{
  std::vector<double> v;
  for (int i = 0; i < d.NParams(); ++i) v.push_back(d.GetParam(i)->Value());
  return v;
}

struct Hostile
{
  const char* what;
  std::string xml;
};

std::vector<Hostile> HostileDocuments()
{
  std::string deep, many;
  for (int i = 0; i < 100000; ++i) deep += "<a>"; // overflows an 8 MB stack in the XML library
  for (int i = 0; i < 300; ++i) many += "<b/>";
  return {
    {"deep nesting", Document(deep)},
    {"too many elements", Document(many)},
    {"no value", Document("<Param name=\"Output Trim\"/>\n")},
    {"empty value", Document("<Param name=\"Output Trim\" val=\"\"/>\n")},
    {"not a number", Document("<Param name=\"Output Trim\" val=\"loud\"/>\n")},
    {"out of range of a double", Document("<Param name=\"Output Trim\" val=\"1e999\"/>\n")},
    {"nan", Document("<Param name=\"Output Trim\" val=\"nan\"/>\n")},
  };
}

} // namespace

TEST(HostileState, RefusedChunksAndPresetFilesChangeNothing)
{
  LockableDrovik d;
  enginetest::Set(d, {{kOutputTrim, -2.0}, {kInputTrim, 1.0}});
  const std::vector<double> before = Values(d);
  const std::string path = std::string(d.DataFolder().Get()) + "/hostile.vqp";
  for (const Hostile& h : HostileDocuments())
  {
    EXPECT_EQ(SetChunk(d, Chunk(h.xml)), 0) << h.what;
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(h.xml.data(), 1, h.xml.size(), f);
    std::fclose(f);
    EXPECT_FALSE(d.LoadPresetFile(path.c_str())) << h.what;
    EXPECT_EQ(Values(d), before) << h.what;
    EXPECT_STRNE(d.GetPresetName(0), "Evil") << h.what;
  }
}

TEST(HostileState, AByteOrderMarkIsAccepted)
{
  LockableDrovik d;
  EXPECT_EQ(SetChunk(d, Chunk(Document("", "\xEF\xBB\xBF"))), 1);
  EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 3.0);
  const std::string path = std::string(d.DataFolder().Get()) + "/bom.vqp";
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  const std::string text = Document("<Param name=\"Output Trim\" val=\"-4\"/>\n", "\xEF\xBB\xBF");
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
  EXPECT_TRUE(d.LoadPresetFile(path.c_str()));
  EXPECT_EQ(d.GetParam(kOutputTrim)->Value(), -4.0);
}

TEST(HostileState, ADeeplyNestedDefaultPresetDoesNotStopTheNextInstance)
{
  std::string path;
  {
    LockableDrovik d;
    path = std::string(d.VST2DataFolder().Get()) + "/default.vqp";
  }
  const std::string xml = HostileDocuments()[0].xml;
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fwrite(xml.data(), 1, xml.size(), f);
  std::fclose(f);
  LockableDrovik d;
  EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 0.0);
  std::remove(path.c_str());
}

TEST(HostileState, AHostileChunkIsRefusedWithoutWaitingForTheAudioLock)
{
  LockableDrovik d;
  const std::string chunk = Chunk(HostileDocuments()[2].xml);
  d.mMutex.Lock(); // a block in progress
  auto done = std::async(std::launch::async, [&] { return SetChunk(d, chunk); });
  const bool finished = done.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  d.mMutex.Unlock();
  EXPECT_TRUE(finished);
  EXPECT_EQ(done.get(), 0);
}

TEST(HostileState, AnEmptyChunkReadsNothingAndIsAccepted)
{
  LockableDrovik d;
  enginetest::Set(d, {{kOutputTrim, -2.0}});
  const std::vector<double> before = Values(d);
  vst2::Effect& e = d.GetEffect();
  char unreadable = 0; // a read beyond its one byte would be caught by the sanitizers
  EXPECT_EQ(e.dispatcher(&e, vst2::effSetChunk, 1, 0, &unreadable, 0.f), 1);
  EXPECT_EQ(Values(d), before);
}
