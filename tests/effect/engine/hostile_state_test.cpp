// State chunks and preset files from the outside world: too deeply nested documents, documents with very many
// attributes and values that do not read are refused whole (nothing changes, the chunk answers 0), checked before
// the plug-in's lock (which the audio thread takes every block) is held; a byte-order mark is accepted, an empty
// chunk refused.
#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_support.h"
#include "user_preset_file.h"

namespace {

struct LockableDrovik : enginetest::TestDrovik
{
  using Drovik::mMutex;
  intptr_t SetChunk(std::string chunk)
  {
    return GetEffect().dispatcher(&GetEffect(), vst2::effSetChunk, 1, intptr_t(chunk.size()), chunk.data(), 0.f);
  }
  bool LoadFile(const std::string& text)
  {
    const std::string path = std::string(DataFolder().Get()) + "/input.vqp";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return LoadPresetFile(path.c_str());
  }
  std::vector<double> Values() const
  {
    std::vector<double> v;
    for (int i = 0; i < NParams(); ++i) v.push_back(GetParam(i)->Value());
    return v;
  }
};

std::string Document(const std::string& params, const std::string& prefix = "")
{
  return prefix + "<?xml version=\"1.0\" ?>\n<PresetXMLTree version=\"1\">\n<PluginVendor>Vesquin</PluginVendor>\n"
                  "<PluginName>Drovik</PluginName>\n<PluginVersion>v1.0.1</PluginVersion>\n<Preset name=\"Evil\">\n"
                  "<Parameter>\n<Param name=\"Input Trim\" val=\"3\"/>\n" +
         params + "</Parameter>\n</Preset>\n</PresetXMLTree>\n";
}

/// The effect's state chunk around an XML text.
std::string Chunk(const std::string& xml)
{
  std::string c = "RIFF";
  auto u32 = [&c](uint32_t v) { c.append(reinterpret_cast<const char*>(&v), 4); };
  u32(uint32_t(28 + xml.size()));
  u32(1);
  c += "VQCMVQCS";
  u32(uint32_t(8 + xml.size()));
  u32(1);
  u32(uint32_t(xml.size()));
  return c + xml;
}

std::string Repeated(const std::string& s, int n)
{
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

const std::string kNoValue = Document("<Param name=\"Output Trim\"/>\n");

} // namespace

TEST(HostileState, RefusedDocumentsChangeNothing)
{
  const std::string documents[] = {
    Document(Repeated("<a>", 100000)), // overflowed an 8 MB stack in the XML library
    Document(Repeated("<\x7F>", 100000)), // the library takes that byte for a letter too
    Document(Repeated("<b/>", 300)),   // more elements than any preset has
    Document("", Repeated("<!---->", 2000)), // more markup than any preset has
    kNoValue,
    Document("<Param name=\"Output Trim\" val=\"\"/>\n"),
    Document("<Param name=\"Output Trim\" val=\"loud\"/>\n"),
    Document("<Param name=\"Output Trim\" val=\"1e999\"/>\n"),
    Document("<Param name=\"Output Trim\" val=\"nan\"/>\n"),
    Document("<Param name=\"Output Trim\" val=\"inf\"/>\n"),
    Document("<Param name=\"Output Trim\" val=\"-infinity\"/>\n"),
  };
  LockableDrovik d;
  enginetest::Set(d, {{kOutputTrim, -2.0}, {kInputTrim, 1.0}});
  const std::vector<double> before = d.Values();
  for (const std::string& xml : documents)
  {
    EXPECT_EQ(d.SetChunk(Chunk(xml)), 0) << xml.substr(0, 300);
    EXPECT_FALSE(d.LoadFile(xml)) << xml.substr(0, 300);
    EXPECT_EQ(d.Values(), before);
    EXPECT_STRNE(d.GetPresetName(0), "Evil");
  }
}

// Blanks of every kind around a value, written out as character references, are taken.
TEST(HostileState, ValuesMayStandBetweenBlanksOfEveryKind)
{
  LockableDrovik d;
  EXPECT_TRUE(d.LoadFile(Document("<Param name=\"Output Trim\" val=\"&#13;&#10;&#9; -4&#32;&#9;&#13;\"/>\n")));
  EXPECT_EQ(d.GetParam(kOutputTrim)->Value(), -4.0);
  EXPECT_FALSE(d.LoadFile(Document("<Param name=\"Output Trim\" val=\"&#11;-3\"/>\n")));
  EXPECT_EQ(d.GetParam(kOutputTrim)->Value(), -4.0);
}

TEST(HostileState, AByteOrderMarkIsAcceptedAnEmptyChunkRefused)
{
  LockableDrovik d;
  EXPECT_EQ(d.SetChunk(Chunk(Document("", "\xEF\xBB\xBF"))), 1);
  EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 3.0);
  EXPECT_TRUE(d.LoadFile(Document("<Param name=\"Output Trim\" val=\"-4\"/>\n", "\xEF\xBB\xBF")));
  EXPECT_EQ(d.GetParam(kOutputTrim)->Value(), -4.0);
  const std::vector<double> before = d.Values();
  char unreadable = 0; // a read beyond its one byte would be caught by the sanitizers
  EXPECT_EQ(d.GetEffect().dispatcher(&d.GetEffect(), vst2::effSetChunk, 1, 0, &unreadable, 0.f), 0);
  EXPECT_EQ(d.Values(), before);
}

TEST(HostileState, ADeeplyNestedDefaultPresetDoesNotStopTheNextInstance)
{
  std::string path;
  {
    LockableDrovik d;
    path = std::string(d.VST2DataFolder().Get()) + "/default.vqp";
  }
  FILE* f = std::fopen(path.c_str(), "wb");
  const std::string xml = Document(Repeated("<a>", 100000));
  std::fwrite(xml.data(), 1, xml.size(), f);
  std::fclose(f);
  LockableDrovik d;
  EXPECT_EQ(d.GetParam(kInputTrim)->Value(), 0.0);
  std::remove(path.c_str());
}

TEST(HostileState, ARefusedChunkDoesNotWaitForTheAudioLock)
{
  LockableDrovik d;
  d.mMutex.Lock(); // a block in progress, held until the chunk is answered or the wait gives up
  auto done = std::async(std::launch::async, [&] { return d.SetChunk(Chunk(kNoValue)); });
  const bool finished = done.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
  d.mMutex.Unlock();
  EXPECT_TRUE(finished);
  EXPECT_EQ(done.get(), 0);
}

// A preset file with very many attributes, chosen from the menu or met by the rescan that a click on the preset
// name makes, is refused at once and changes nothing; a valid one beside it is listed.
TEST(HostileState, PresetFilesWithVeryManyAttributesAreRefusedAtOnce)
{
  LockableDrovik d;
  ASSERT_TRUE(d.LoadFile(testsupport::UserPresetText("Fine")));
  std::rename((std::string(d.DataFolder().Get()) + "/input.vqp").c_str(),
              (std::string(d.DataFolder().Get()) + "/Fine.vqp").c_str());
  const std::vector<double> before = d.Values();
  for (const auto& [what, text] : testsupport::UserPresetTextsWithVeryManyAttributes())
  {
    EXPECT_FALSE(d.LoadFile(text)) << what;
    d.RescanPresets(d.DataFolder().Get());
    ASSERT_EQ(d.NUserPresets(), 1) << what;
    EXPECT_STREQ(d.GetUserPreset(0)->mName, "Fine") << what;
    EXPECT_EQ(d.Values(), before) << what;
    EXPECT_STRNE(d.GetPresetName(0), "Flood") << what;
  }
}
