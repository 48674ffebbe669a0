// The preset list of the plug-in base: its bytes, round trip and name bound; filling, restoring and making presets;
// parameter ranges and groups; the processor base's extra channel connections.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/IPluginBase.h"
#include "core/IPluginProcessor.h"

using plug::IPluginBase;
using plug::IStateChunk;

namespace {
/// A plug-in base with three parameters that records its notifications.
class ThreeParams : public IPluginBase
{
public:
  explicit ThreeParams(int nPresets = 1) : IPluginBase(3, nPresets)
  {
    GetParam(0)->InitDouble("a", 0.5, 0, 1, 0.01);
    GetParam(1)->InitDouble("b", 2, -10, 10, 0.1);
    GetParam(2)->InitInt("c", 3, 1, 5);
  }
  using IPluginBase::FormatVersion;
  using IPluginBase::VersionOf;
  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  void OnParamChange(int idx, plug::EParamChangeSource source, int) override
  {
    notified.push_back({idx, source});
  }
  std::vector<std::pair<int, int>> notified;
};

void SetAll(ThreeParams& p, double a, double b, double c)
{
  p.GetParam(0)->Set(a);
  p.GetParam(1)->Set(b);
  p.GetParam(2)->Set(c);
}
} // namespace

TEST(PresetList, ChunkBytesOfTwoSlots)
{
  ThreeParams p(2);
  plug::IPresetSlot* a = p.GetPresetSlot(0);
  a->mInitialized = true;
  a->SetName("A");
  a->mChunk.PutBytes("0123456789abcdef", 16);
  p.GetPresetSlot(1)->SetName("");
  IStateChunk c;
  ASSERT_TRUE(p.SerializePresets(c));
  const std::string expected = std::string("\1\0\0\0A\1", 6) + "0123456789abcdef" + std::string("\0\0\0\0\0", 5);
  ASSERT_EQ(c.Size(), int(expected.size()));
  EXPECT_EQ(std::memcmp(c.GetData(), expected.data(), expected.size()), 0);
}

TEST(PresetList, RoundTripRestoresNamesAndStates)
{
  ThreeParams p(2);
  SetAll(p, 0.1, 1.0, 2);
  p.FillEmptyPresets();
  p.ModifyCurrentPreset("first");
  IStateChunk c;
  ASSERT_TRUE(p.SerializePresets(c));

  ThreeParams q(2);
  EXPECT_EQ(q.UnserializePresets(c, 0), c.Size());
  EXPECT_STREQ(q.GetPresetName(0), "first");
  EXPECT_STREQ(q.GetPresetName(1), "Empty");
  EXPECT_DOUBLE_EQ(q.GetParam(0)->Value(), 0.1);

  // A plug-in without presets has an empty list, and reads one back.
  ThreeParams none(0);
  IStateChunk empty;
  ASSERT_TRUE(none.SerializePresets(empty));
  EXPECT_EQ(none.UnserializePresets(empty, 0), empty.Size());
}

TEST(PresetList, LongNamesAreCutTo255Bytes)
{
  ThreeParams p(1);
  IStateChunk c;
  c.PutStr(std::string(400, 'n').c_str());
  const uint8_t flag = 1;
  c.Put(&flag);
  const double v[3] = {0.3, 0.4, 2.0};
  for (double d : v)
    c.Put(&d);
  EXPECT_EQ(p.UnserializePresets(c, 0), c.Size());
  EXPECT_EQ(std::strlen(p.GetPresetName(0)), 255u);
  p.ModifyCurrentPreset(std::string(300, 'm').c_str());
  EXPECT_EQ(std::strlen(p.GetPresetName(0)), 255u);
}

// Until its class says otherwise a plug-in has no identity, version or host, keeps its state as parameters, and
// the first preset is current.
TEST(Presets, APlugInStartsWithoutIdentityHostOrStateChunks)
{
  const ThreeParams p(2);
  EXPECT_FALSE(p.DoesStateChunks());
  EXPECT_EQ(p.GetHost(), -1);
  EXPECT_EQ((std::vector<int>{p.GetUniqueID(), p.GetMakerCode(), p.GetPluginVersion(false), p.GetHostVersion(false),
                              p.GetCurrentPresetIdx()}),
            (std::vector<int>{0, 0, 0, 0, 0}));
  EXPECT_STREQ(p.GetPluginName(), "");
  EXPECT_STREQ(p.GetMakerName(), "");
}

TEST(Presets, FillEmptyPresetsNamesTheRestAndStoresTheSameState)
{
  ThreeParams p(3);
  p.GetPresetSlot(1)->mInitialized = true;
  p.GetPresetSlot(1)->SetName("mine");
  p.FillEmptyPresets();
  EXPECT_STREQ(p.GetPresetName(0), "Empty");
  EXPECT_STREQ(p.GetPresetName(1), "mine");
  EXPECT_STREQ(p.GetPresetName(2), "Empty");
  EXPECT_EQ(p.GetPresetSlot(0)->mChunk.Size(), 24);
  EXPECT_EQ(std::memcmp(p.GetPresetSlot(0)->mChunk.GetData(), p.GetPresetSlot(2)->mChunk.GetData(), 24), 0);
  EXPECT_EQ(p.GetPresetSlot(1)->mChunk.Size(), 0);
}

TEST(Presets, RestoringOutOfRangeFailsAndKeepsTheIndex)
{
  ThreeParams p(2);
  p.FillEmptyPresets();
  EXPECT_FALSE(p.RestorePreset(-1));
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  EXPECT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);
  EXPECT_FALSE(p.RestorePresetByName(""));
  EXPECT_FALSE(p.RestorePresetByName("Nothing by this name"));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);
  EXPECT_TRUE(p.RestorePresetByName("Empty"));
}

TEST(Presets, MakePresetTakesIntsForIntegerParameters)
{
  ThreeParams p(2);
  p.MakePreset("made", 0.75, -1.5, 4);
  SetAll(p, 0.25, 7.0, 2);
  p.MakePresetFromNamedParams("named", 1, 2, 5);
  ASSERT_TRUE(p.RestorePreset(0));
  EXPECT_DOUBLE_EQ(p.GetParam(0)->Value(), 0.75);
  EXPECT_DOUBLE_EQ(p.GetParam(1)->Value(), -1.5);
  EXPECT_DOUBLE_EQ(p.GetParam(2)->Value(), 4.0);
  ASSERT_TRUE(p.RestorePreset(1));
  EXPECT_DOUBLE_EQ(p.GetParam(2)->Value(), 5.0);
  EXPECT_DOUBLE_EQ(p.GetParam(0)->Value(), 0.25) << "unnamed parameters take the values current when it was made";
  EXPECT_DOUBLE_EQ(p.GetParam(1)->Value(), 7.0);
}

// Ranges are named from their first count; groups act on their own members only.
TEST(ParamRangesAndGroups, NamesCountFromTheirStartAndGroupsKeepToThemselves)
{
  ThreeParams p;
  p.InitParamRange(1, 2, 5, "Band %d", 0.5, 0, 1, 0.01, "", 0, "Bands");
  EXPECT_STREQ(p.GetParam(1)->GetName(), "Band 5");
  EXPECT_STREQ(p.GetParam(2)->GetName(), "Band 6");
  for (int i = 0; i < 3; ++i)
    p.GetParam(i)->Set(0.9);
  p.DefaultParamValues("Bands");
  EXPECT_EQ(p.GetParam(0)->Value(), 0.9);
  EXPECT_EQ(p.GetParam(1)->Value(), 0.5);
  EXPECT_EQ(p.GetParam(2)->Value(), 0.5);
  plug::LibString version;
  ThreeParams::FormatVersion(0x00010203, version);
  EXPECT_STREQ(version.Get(), "v1.2.3");
  ThreeParams::FormatVersion(0x7FFFFEFD, version);
  EXPECT_STREQ(version.Get(), "v32767.254.253");
  EXPECT_EQ(ThreeParams::VersionOf(0x7FFFFEFD, true), 32794930); // each part counted whole in the decimal form too
}

TEST(Presets, RestoringAnEmptySlotNamesItTheNextUserPreset)
{
  ThreeParams p(3);
  ASSERT_TRUE(p.RestorePreset(0));
  ASSERT_TRUE(p.RestorePreset(2));
  EXPECT_STREQ(p.GetPresetName(0), "user preset 1");
  EXPECT_STREQ(p.GetPresetName(2), "user preset 2");
  // A slot without a name is not found by an empty name.
  p.GetPresetSlot(1)->SetName("");
  EXPECT_FALSE(p.RestorePresetByName(""));
  EXPECT_FALSE(p.RestorePresetByName(nullptr));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 2);
  EXPECT_STREQ(p.GetPresetName(1), "");
}

TEST(Presets, MakePresetFromBlobDecodesTheStateBytes)
{
  ThreeParams p(1);
  p.MakePresetFromBlob("blob", "AAAAAAAA0D8AAAAAAAAIwAAAAAAAABBA", 24); // 0.25, -3.0, 4.0
  ASSERT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.GetParam(0)->Value(), 0.25);
  EXPECT_EQ(p.GetParam(1)->Value(), -3.0);
  EXPECT_EQ(p.GetParam(2)->Value(), 4.0);
}

// A flag other than 0 or 1, or a list whose only slot is empty (no state to restore), is refused unchanged.
TEST(PresetList, AFlagOtherThanZeroOrOneIsRefusedWithNothingChanged)
{
  for (uint8_t flag : {2, 0})
  {
    ThreeParams p(1);
    p.GetPresetSlot(0)->SetName("kept");
    IStateChunk c;
    c.PutStr("new");
    c.Put(&flag);
    for (double d : {0.3, 0.4, 2.0})
      c.Put(&d);
    EXPECT_EQ(p.UnserializePresets(c, 0), -1) << int(flag);
    EXPECT_STREQ(p.GetPresetName(0), "kept");
    EXPECT_EQ(p.GetParam(0)->Value(), 0.5);
  }
}

// A slot whose stored state cannot be read, or an empty slot when the present state cannot be written, is refused.
TEST(Presets, RestoringFailsAndKeepsTheIndexWhenTheStateCannotBeReadOrWritten)
{
  struct Unwritable : ThreeParams
  {
    Unwritable() : ThreeParams(3) {}
    bool SerializeState(IStateChunk& chunk) const override { return writable && ThreeParams::SerializeState(chunk); }
    bool writable = true;
  } p;
  ASSERT_TRUE(p.RestorePreset(0));
  p.GetPresetSlot(1)->mInitialized = true;
  p.GetPresetSlot(1)->mChunk.PutBytes("abc", 3);
  EXPECT_FALSE(p.RestorePreset(1));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
  p.writable = false;
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_EQ(p.GetCurrentPresetIdx(), 0);
}

// Pruning runs in a process of its own so that a slot taken from past the end fails the test rather than ending it.
TEST(Presets, PruningDropsTheEmptySlotsAndKeepsTheOrderOfTheRest)
{
  EXPECT_EXIT(
      {
        ThreeParams p(5);
        for (int i : {1, 3, 4})
        {
          p.GetPresetSlot(i)->mInitialized = true;
          p.GetPresetSlot(i)->SetName(std::to_string(i).c_str());
        }
        p.PruneUninitialisedPresets();
        const bool kept = p.NPresets() == 3 && std::strcmp(p.GetPresetName(0), "1") == 0 &&
                          std::strcmp(p.GetPresetName(1), "3") == 0 && std::strcmp(p.GetPresetName(2), "4") == 0;
        std::exit(kept ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

namespace {
std::string ReadAndRemove(const std::string& path)
{
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "r"))
  {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0)
      text.append(buf, n);
    std::fclose(f);
  }
  std::remove(path.c_str());
  return text;
}

IStateChunk ChunkOf(const std::string& bytes)
{
  IStateChunk c;
  c.PutBytes(bytes.data(), int(bytes.size()));
  return c;
}
} // namespace

// The source dumps print the current preset as the code that makes it again; the blob encodes the state bytes in
// standard base64, padded, and decodes back to the same bytes.
TEST(Presets, DumpsPrintTheCodeThatMakesTheCurrentPresetAgain)
{
  const std::string path = ::testing::TempDir() + "preset_dump_" + std::to_string(::getpid()) + ".txt";
  ThreeParams p(1);
  SetAll(p, 0.25, -3.0, 4);
  p.ModifyCurrentPreset("cur");
  p.DumpMakePresetSrc(path.c_str());
  const char* const names[] = {"kA", "kB", "kC"};
  p.DumpMakePresetFromNamedParamsSrc(path.c_str(), names);
  p.DumpPresetBlob(path.c_str());
  EXPECT_EQ(ReadAndRemove(path), "MakePreset(\"cur\", 0.250000, -3.000000, 4);\n"
                                 "  MakePresetFromNamedParams(\"cur\", 3,\n    kA, 0.250000,\n    kB, -3.000000,\n"
                                 "    kC, 4);\n"
                                 "MakePresetFromBlob(\"cur\", \"AAAAAAAA0D8AAAAAAAAIwAAAAAAAABBA\", 24);\n");

  const std::pair<std::string, std::string> blobs[] = {{"abcd", "YWJjZA=="}, {"abcde", "YWJjZGU="}, {"\xff\xfe\x01", "//4B"}};
  for (const auto& [bytes, text] : blobs)
  {
    ThreeParams q(2);
    q.MakePresetFromChunk("odd", ChunkOf(bytes));
    q.DumpPresetBlob(path.c_str());
    EXPECT_EQ(ReadAndRemove(path), "MakePresetFromBlob(\"odd\", \"" + text + "\", " + std::to_string(bytes.size()) + ");\n");
    q.MakePresetFromBlob("back", text.c_str(), int(bytes.size()));
    const IStateChunk& back = q.GetPresetSlot(1)->mChunk;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(back.GetData()), size_t(back.Size())), bytes) << text;
  }
  // Decoding stops at the first character outside the alphabet and leaves the bytes after it zero; a blob of no
  // bytes still takes a slot.
  ThreeParams cut(2);
  cut.MakePresetFromBlob("cut", "YW!jYWJj", 4);
  cut.MakePresetFromBlob("none", "", 0);
  const IStateChunk& decoded = cut.GetPresetSlot(0)->mChunk;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(decoded.GetData()), size_t(decoded.Size())),
            std::string("a\0\0\0", 4));
  EXPECT_TRUE(cut.GetPresetSlot(1)->mInitialized);
  EXPECT_STREQ(cut.GetPresetName(1), "none");

  // Without a current preset there is nothing to dump: no file is made. The dump runs in a process of its own so
  // that a fault ends only that process and the missing file is still checked here.
  EXPECT_EXIT(
      {
        ThreeParams none(0);
        none.DumpPresetBlob(path.c_str());
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_NE(::access(path.c_str(), F_OK), 0) << "a dump file was made";
  ReadAndRemove(path);
}

// Presets made in code take the free slots in order and stop when none is left.
TEST(Presets, MadePresetsFillTheFreeSlotsInOrder)
{
  ThreeParams p(4);
  SetAll(p, 0.75, 1.0, 2);
  p.MakeDefaultPreset("default", 2);
  p.MakePresetFromChunk("chunk", ChunkOf("xyz"));
  p.MakeDefaultPreset(nullptr, 3);
  p.MakePresetFromChunk("none left", ChunkOf("q"));
  const char* expected[] = {"default", "default", "chunk", "Empty"};
  for (int i = 0; i < 4; ++i)
  {
    EXPECT_STREQ(p.GetPresetName(i), expected[i]) << i;
    EXPECT_TRUE(p.GetPresetSlot(i)->mInitialized) << i;
  }
  EXPECT_EQ(p.GetPresetSlot(2)->mChunk.Size(), 3);
  SetAll(p, 0, 0, 1);
  ASSERT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.GetParam(0)->Value(), 0.75);
  EXPECT_EQ(p.GetParam(1)->Value(), 1.0);
  EXPECT_EQ(p.GetParam(2)->Value(), 2.0);
}

// A default preset made without a name or a count takes one slot, named as a filled slot, and holds the present
// values; the next preset made takes the slot after it.
TEST(Presets, ADefaultPresetMadeWithoutArgumentsTakesOneSlot)
{
  ThreeParams p(3);
  SetAll(p, 0.25, -1.0, 4);
  p.MakeDefaultPreset();
  EXPECT_STREQ(p.GetPresetName(0), ThreeParams::kFilledSlotName);
  EXPECT_TRUE(p.GetPresetSlot(0)->mInitialized);
  EXPECT_FALSE(p.GetPresetSlot(1)->mInitialized);
  p.MakePresetFromChunk("next", ChunkOf("q"));
  EXPECT_STREQ(p.GetPresetName(1), "next");
  SetAll(p, 0, 0, 1);
  ASSERT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.GetParam(2)->Value(), 4.0);
}

// With every slot taken, making a preset of any kind changes no slot.
TEST(Presets, MakingAPresetWithNoFreeSlotChangesNothing)
{
  ThreeParams p(1);
  p.MakePreset("first", 0.25, 1.0, 2);
  const std::vector<uint8_t> before(p.GetPresetSlot(0)->mChunk.GetData(),
                                    p.GetPresetSlot(0)->mChunk.GetData() + p.GetPresetSlot(0)->mChunk.Size());
  p.MakePreset("made", 0.75, -1.5, 4);
  p.MakePresetFromNamedParams("named", 1, 2, 5);
  p.MakePresetFromBlob("blob", "AAAAAAAA0D8AAAAAAAAIwAAAAAAAABBA", 24);
  EXPECT_STREQ(p.GetPresetName(0), "first");
  ThreeParams none(0); // nor for a plug-in without presets, whose present state cannot be stored either
  none.MakePreset("made", 0.75, -1.5, 4);
  none.ModifyCurrentPreset("stored");
  EXPECT_EQ(none.NPresets(), 0);
  EXPECT_FALSE(none.RestorePreset(0));
  EXPECT_EQ(std::vector<uint8_t>(p.GetPresetSlot(0)->mChunk.GetData(),
                                 p.GetPresetSlot(0)->mChunk.GetData() + p.GetPresetSlot(0)->mChunk.Size()),
            before);
}

// Ranges that run past the end of the parameter list act on the parameters that exist.
TEST(ParamRangesAndGroups, RangesPastTheLastParameterStopThere)
{
  ThreeParams p;
  p.InitParamRange(1, 4, 1, "Band %d", 0.5, 0, 1, 0.01, "", 0, "Bands");
  EXPECT_STREQ(p.GetParam(0)->GetName(), "a");
  EXPECT_STREQ(p.GetParam(2)->GetName(), "Band 2");
  p.GetParam(1)->Set(0.3);
  p.CloneParamRange(1, 2, 2, "Band", "Copy", nullptr);
  EXPECT_STREQ(p.GetParam(1)->GetName(), "Band 1");
  EXPECT_STREQ(p.GetParam(2)->GetName(), "Copy 1");
  EXPECT_EQ(p.GetParam(2)->Value(), 0.3);
}

// Cloning, copying and randomising act on the parameters named and no others.
TEST(ParamRangesAndGroups, CloneCopyAndRandomiseTouchOnlyTheirParameters)
{
  struct Six : IPluginBase
  {
    Six() : IPluginBase(6, 1)
    {
      GetParam(0)->InitDouble("Low gain", 0.5, 0, 1, 0.01, "dB", 0, "low");
      GetParam(1)->InitEnum("Low mode", 1, {"off", "on", "auto"}, 0, "low");
      for (int i = 2; i < 6; ++i)
        GetParam(i)->InitDouble("spare", 0.0, -1, 1, 0.01, "", 0, "spare");
      mVersion = 0x00010203;
    }
    void BeginInformHostOfParamChangeFromUI(int) override {}
    void EndInformHostOfParamChangeFromUI(int) override {}
  } p;
  p.GetParam(0)->Set(0.8);
  p.GetParam(1)->Set(2);
  p.CloneParamRange(0, 1, 2, "Low", "High", "high");
  EXPECT_STREQ(p.GetParam(2)->GetName(), "High gain");
  EXPECT_STREQ(p.GetParam(3)->GetName(), "High mode");
  EXPECT_STREQ(p.GetParam(3)->GetGroup(), "high");
  EXPECT_STREQ(p.GetParam(3)->GetDisplayTextForValue(2), "auto");
  EXPECT_EQ(p.GetParam(2)->Value(), 0.8);
  EXPECT_EQ(p.GetParam(3)->Value(), 2.0);
  EXPECT_STREQ(p.GetParam(4)->GetName(), "spare");
  // An empty search text replaces nothing: the copies keep their sources' names.
  p.CloneParamRange(0, 1, 4, "", "High", nullptr);
  EXPECT_STREQ(p.GetParam(4)->GetName(), "Low gain");
  EXPECT_STREQ(p.GetParam(5)->GetName(), "Low mode");
  p.CloneParamRange(2, 3, 4, nullptr, "x", nullptr);
  EXPECT_STREQ(p.GetParam(4)->GetName(), "High gain");
  for (int i : {4, 5})
    p.GetParam(i)->InitDouble("spare", 0.0, -1, 1, 0.01, "", 0, "spare");

  p.GetParam(2)->Set(0.1);
  p.GetParam(3)->Set(1);
  p.CopyParamValues("high", "low");
  EXPECT_EQ(p.GetParam(0)->Value(), 0.1);
  EXPECT_EQ(p.GetParam(1)->Value(), 1.0);
  p.CopyParamValues(0, 4, 2);
  EXPECT_EQ(p.GetParam(4)->Value(), 0.1);
  EXPECT_EQ(p.GetParam(5)->Value(), 1.0);

  std::srand(7);
  p.RandomiseParamValues(4, 5);
  p.RandomiseParamValues("low");
  EXPECT_EQ(p.GetParam(2)->Value(), 0.1);
  EXPECT_EQ(p.GetParam(3)->Value(), 1.0);
  for (int i : {0, 4, 5})
  {
    EXPECT_GT(p.GetParam(i)->GetNormalized(), 0.0) << i;
    EXPECT_LT(p.GetParam(i)->GetNormalized(), 1.0) << i;
  }
  EXPECT_NE(p.GetParam(4)->Value(), p.GetParam(5)->Value());
  // Without a range: every parameter, the first and the last included.
  p.DefaultParamValues();
  EXPECT_EQ(p.GetParam(0)->Value(), 0.5);
  EXPECT_EQ(p.GetParam(5)->Value(), 0.0);
  p.RandomiseParamValues();
  EXPECT_NE(p.GetParam(0)->Value(), 0.5);
  EXPECT_NE(p.GetParam(5)->Value(), 0.0);
  EXPECT_EQ(p.GetPluginVersion(true), 1230);
  EXPECT_EQ(p.GetPluginVersion(false), 0x00010203);
}

// A state that reads no bytes leaves the end of the list unknown: the list is refused with the names kept.
TEST(PresetList, AStateThatReadsNothingIsRefused)
{
  struct ReadsNothing : ThreeParams
  {
    int UnserializeState(const IStateChunk&, int pos) override { return pos; }
  } p;
  p.GetPresetSlot(0)->SetName("kept");
  IStateChunk c;
  c.PutStr("new");
  const uint8_t flag = 1;
  c.Put(&flag);
  EXPECT_EQ(p.UnserializePresets(c, 0), -1);
  EXPECT_STREQ(p.GetPresetName(0), "kept");
  p.GetPresetSlot(0)->mInitialized = true; // nor is a preset restored from it
  EXPECT_FALSE(p.RestorePreset(0));
}

// A plug-in whose whole state is a single byte restores a preset holding that byte.
TEST(Presets, AOneByteStateIsRestored)
{
  struct OneByte : ThreeParams
  {
    OneByte() : ThreeParams(2) {}
    bool SerializeState(IStateChunk& chunk) const override { return chunk.Put(&mode) > 0; }
    int UnserializeState(const IStateChunk& chunk, int pos) override { return chunk.Get(&mode, pos); }
    uint8_t mode = 0;
  } p;
  p.GetPresetSlot(1)->mInitialized = true;
  const uint8_t stored = 7;
  p.GetPresetSlot(1)->mChunk.Put(&stored);
  ASSERT_TRUE(p.RestorePreset(1));
  EXPECT_EQ(p.mode, 7);
  EXPECT_EQ(p.GetCurrentPresetIdx(), 1);
}

// The processor base before a host sets anything, its block sizes and beat length; the extra channels some hosts
// need: inputs from the third on unconnected, outputs from the third on connected, the first two of each side as
// they were.
TEST(Processor, StartingValuesBlockSizesBeatsAndExtraChannels)
{
  struct Processor : plug::IPluginProcessor
  {
    explicit Processor(const plug::IPluginConfig& config) : IPluginProcessor(config, 0) {}
    bool SendMidiMsg(const plug::IMidiMsg&) override { return true; }
    using IPluginProcessor::SetTimeInfo;
  };
  plug::IPluginConfig config;
  config.channelIOStr = "4-5";
  config.latency = 12;
  Processor p(config);
  EXPECT_EQ(p.GetSampleRate(), 44100.0);
  EXPECT_EQ(p.GetBlockSize(), 0);
  EXPECT_EQ(p.GetLatency(), 12);
  EXPECT_EQ(p.GetTailSize(), 0);
  EXPECT_FALSE(p.GetBypassed() || p.GetRenderingOffline() || p.DoesMIDIIn() || p.DoesMIDIOut());
  EXPECT_EQ(p.GetSamplesPerBeat(), 22050.0); // 120 beats a minute
  plug::IHostTimeInfo stopped;
  stopped.mTempo = 0.0;
  p.SetTimeInfo(stopped);
  EXPECT_EQ(p.GetSamplesPerBeat(), 0.0);
  p.SetBlockSize(64);
  p.SetBlockSize(0);
  EXPECT_EQ(p.GetBlockSize(), 0);
  p.SetBlockSize(-1);
  EXPECT_EQ(p.GetBlockSize(), 0);

  p.SetChannelConnections(plug::kInput, 0, 4, true);
  p.SetChannelConnections(plug::kOutput, 1, 1, true);
  p.SetExtraChannelConnections();
  auto connections = [&p](plug::ERoute direction) {
    std::string flags;
    for (int i = 0; i < p.MaxNChannels(direction); ++i)
      flags += p.IsChannelConnected(direction, i) ? '1' : '0';
    return flags;
  };
  EXPECT_EQ(connections(plug::kInput), "1100");
  EXPECT_EQ(connections(plug::kOutput), "01111");
}
