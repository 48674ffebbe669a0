// The VST 2.x dispatcher and parameter callbacks driven like a host: guards on pointers and indices, bounded
// copies, chunks, programs, keys, host identification and the entry point.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/vst2/PluginEntry.h"
#include "golden_text.h"
#include "test_plug.h"

using testplug::FakeHost;
using testplug::TestPlug;

namespace {
bool gThrowOnCreate = false;
int gEntryLatency = 0;
int gEntryPresets = 1;

intptr_t Call(TestPlug& p, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
              float opt = 0.f)
{
  return p.GetEffect().dispatcher(&p.GetEffect(), opcode, index, value, ptr, opt);
}
} // namespace

namespace plug {
IPluginVST2* MakePlug(const InstanceInfo& info)
{
  if (gThrowOnCreate)
    throw std::runtime_error("construction failed");
  return new TestPlug(info, gEntryLatency, gEntryPresets);
}
} // namespace plug

TEST(Entry, NothingThrownLeavesTheEntryPoint)
{
  gThrowOnCreate = true;
  const int before = TestPlug::sInstances;
  EXPECT_EQ(plug::VSTEntry(nullptr), nullptr);
  EXPECT_EQ(TestPlug::sInstances, before);
  gThrowOnCreate = false;
}

// Null pointers from the host, and an effect with no instance behind it, are answered with 0.
TEST(Dispatcher, NullPointersAnswerZeroAndWriteNothing)
{
  TestPlug p({}, 0);
  for (int op : {vst2::effGetProgramName, vst2::effGetParamLabel, vst2::effGetParamDisplay, vst2::effGetParamName,
                 vst2::effGetVendorString, vst2::effGetProductString, vst2::effGetParameterProperties,
                 vst2::effGetEffectName, vst2::effGetChunk, vst2::effSetChunk, vst2::effEditGetRect,
                 vst2::effGetInputProperties, vst2::effCanDo, vst2::effGetProgramNameIndexed,
                 vst2::effProcessEvents, vst2::effGetMidiKeyName})
    EXPECT_EQ(Call(p, op, 0, 16, nullptr), 0) << "opcode " << op;
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 0x50726553, 0x47526442, nullptr), 0) << "gain-reduction query";
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 7, 0, nullptr), 0);
  vst2::Effect orphan = p.GetEffect();
  orphan.object = nullptr;
  for (vst2::Effect* effect : {static_cast<vst2::Effect*>(nullptr), &orphan})
    EXPECT_EQ(p.GetEffect().dispatcher(effect, vst2::effGetVstVersion, 0, 0, nullptr, 0.f), 0) << "no instance";
}

TEST(Dispatcher, UnknownOpcodesAndOutOfRangeIndicesAnswerZero)
{
  TestPlug p({}, 0);
  char text[256] = "untouched";
  for (int op : {-1, 9, 16, 21, 28, 30, 43, 46, 53, 57, 61, 67, 68, 70, 71, 72, 1000})
    EXPECT_EQ(Call(p, op, 0, 0, text), 0) << "opcode " << op;
  for (int idx : {-1, 2, 1 << 30})
  {
    EXPECT_EQ(Call(p, vst2::effGetParamName, idx, 0, text), 0);
    EXPECT_EQ(Call(p, vst2::effCanBeAutomated, idx), 0);
    EXPECT_EQ(Call(p, vst2::effString2Parameter, idx, 0, text), 0);
    EXPECT_EQ(p.GetEffect().getParameter(&p.GetEffect(), idx), 0.0f);
    p.GetEffect().setParameter(&p.GetEffect(), idx, 0.5f);
  }
  EXPECT_STREQ(text, "untouched");
  EXPECT_TRUE(p.mChanges.empty()) << "setParameter out of range notifies nobody";
  vst2::PinProperties pin{};
  EXPECT_EQ(Call(p, vst2::effGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(Call(p, vst2::effGetOutputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(Call(p, vst2::effSetProgram, 0, intptr_t(1) << 32), 0);
  EXPECT_EQ(Call(p, vst2::effGetProgram), 0);
}

TEST(Dispatcher, CopiesIntoHostBuffersAreBounded)
{
  static const std::string longName(200, 'L');
  plug::IPluginConfig c = TestPlug::Config(0);
  c.pluginName = longName.c_str();
  c.makerName = longName.c_str();
  c.productName = longName.c_str();
  struct LongPlug : plug::IPluginVST2
  {
    explicit LongPlug(const plug::IPluginConfig& c) : plug::IPluginVST2({}, c) {}
  } p(c);
  vst2::Effect& e = p.GetEffect();
  char buf[300];
  auto filled = [&](int op, int index = 0) {
    std::memset(buf, 'x', sizeof(buf));
    e.dispatcher(&e, op, index, 0, buf, 0.f);
    return std::strlen(buf);
  };
  for (const char* kept : {p.GetPluginName(), p.GetProductName(), p.GetMakerName()})
    EXPECT_EQ(std::strlen(kept), 128u) << "names are kept up to 128 bytes";
  EXPECT_EQ(filled(vst2::effGetEffectName), 31u);
  EXPECT_EQ(filled(vst2::effGetVendorString), 63u);
  p.ModifyCurrentPreset(longName.c_str());
  EXPECT_EQ(filled(vst2::effGetProgramName), 23u);
  EXPECT_EQ(filled(vst2::effGetProgramNameIndexed, 0), 23u);
  EXPECT_EQ(buf[24], 'x');
}

TEST(Dispatcher, StringToParameterStoresAndReportsTheConstrainedValue)
{
  struct Recorder : TestPlug
  {
    Recorder() : TestPlug({}, 0) {}
    void SendParamValueFromHost(int idx, double value, bool normalized) override
    {
      queued = value;
      queuedNormalized = normalized;
    }
    double queued = -99;
    bool queuedNormalized = true;
  } p;
  char text[] = "30";
  EXPECT_EQ(Call(p, vst2::effString2Parameter, 0, 0, text), 1);
  EXPECT_EQ(p.GetParam(0)->Value(), 12.0);
  EXPECT_EQ(p.queued, 12.0) << "the editor hears the value the parameter holds";
  EXPECT_FALSE(p.queuedNormalized);
  ASSERT_FALSE(p.mChanges.empty());
  EXPECT_EQ(p.mChanges.back().second, plug::kHost);
  EXPECT_EQ(Call(p, vst2::effString2Parameter, 0, 0, nullptr), 1);
}

TEST(Dispatcher, SetParameterGoesThroughTheShapeAndNotifies)
{
  TestPlug p({}, 0);
  vst2::Effect& e = p.GetEffect();
  e.setParameter(&e, 0, 0.75f);
  EXPECT_EQ(p.GetParam(0)->Value(), 6.0);
  EXPECT_EQ(e.getParameter(&e, 0), 0.75f);
  ASSERT_EQ(p.mChanges.size(), 1u);
  EXPECT_EQ(p.mChanges[0], std::make_pair(0, int(plug::kHost)));
}

TEST(Dispatcher, SetChunkWithoutBytesAnswersZero)
{
  TestPlug p({}, 0);
  char bytes[16] = {};
  EXPECT_EQ(Call(p, vst2::effSetChunk, 1, 0, bytes), 0);
  EXPECT_EQ(Call(p, vst2::effSetChunk, 1, -8, bytes), 0);
  EXPECT_EQ(Call(p, vst2::effSetChunk, 1, intptr_t(1) << 40, bytes), 0);
}

TEST(Dispatcher, FailedStateReadIsNotStoredAsTheCurrentPreset)
{
  TestPlug p({}, 0);
  p.FillEmptyPresets();
  plug::IStateChunk before;
  before.PutChunk(p.GetPresetSlot(0)->mChunk);
  // Header magic but cut short: read from position -1, which fails.
  const int32_t magic = vst2::kChunkMagic;
  EXPECT_EQ(Call(p, vst2::effSetChunk, 1, 4, const_cast<int32_t*>(&magic)), 0);
  // A state of one double where two are needed: the read fails after the first value.
  unsigned char partial[16];
  const int32_t header[2] = {vst2::kChunkMagic, 0x00010000};
  const double gain = 6.0;
  std::memcpy(partial, header, 8);
  std::memcpy(partial + 8, &gain, 8);
  EXPECT_EQ(Call(p, vst2::effSetChunk, 1, 16, partial), 0);
  const plug::IStateChunk& after = p.GetPresetSlot(0)->mChunk;
  ASSERT_EQ(after.Size(), before.Size());
  EXPECT_EQ(std::memcmp(after.GetData(), before.GetData(), size_t(after.Size())), 0);
}

TEST(Dispatcher, ProgramChunkRoundTripCarriesTheHeader)
{
  TestPlug a({}, 0), b({}, 0);
  a.GetParam(0)->Set(-4.5);
  a.GetParam(1)->Set(2);
  void* data = nullptr;
  const intptr_t size = Call(a, vst2::effGetChunk, 1, 0, &data);
  ASSERT_EQ(size, 8 + 16);
  int32_t header[2];
  std::memcpy(header, data, 8);
  EXPECT_EQ(header[0], 0x70666674);
  EXPECT_EQ(header[1], 0x00010000);
  EXPECT_EQ(Call(b, vst2::effSetChunk, 1, size, data), 1);
  EXPECT_EQ(b.GetParam(0)->Value(), -4.5);
  EXPECT_EQ(b.GetParam(1)->Value(), 2.0);
}

TEST(Dispatcher, BankChunkRoundTripRestoresPresetNames)
{
  TestPlug a({}, 0, 2), b({}, 0, 2);
  a.FillEmptyPresets();
  b.FillEmptyPresets();
  char name[] = "Bright";
  Call(a, vst2::effSetProgramName, 0, 0, name);
  void* data = nullptr;
  const intptr_t size = Call(a, vst2::effGetChunk, 0, 0, &data);
  ASSERT_GT(size, 8);
  EXPECT_EQ(Call(b, vst2::effSetChunk, 0, size, data), 1);
  EXPECT_STREQ(b.GetPresetName(0), "Bright");
}

TEST(Dispatcher, CanDoAnswersInOrder)
{
  TestPlug p({}, 0);
  const struct
  {
    const char* text;
    intptr_t answer;
  } cases[] = {
    {"receiveVstTimeInfo", 1}, {"receiveVstEvents", 0}, {"sendVstMidiEvent", 0}, {"bypass", 1},
    {"hasCockosExtensions", 0xbeef0000}, {"hasCockosViewAsConfig", 0xbeef0000},
    {"wantsChannelCountNotifications", 1}, {"supportsGainReductionInfo", 1}, {"offline", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Call(p, vst2::effCanDo, 0, 0, const_cast<char*>(c.text)), c.answer) << c.text;
}

// MIDI in and out are claimed, under both their names, only by a plug-in that has them.
TEST(Dispatcher, CanDoClaimsTheMidiDirectionsThePluginHas)
{
  struct Midi : plug::IPluginVST2
  {
    Midi(bool in, bool out) : plug::IPluginVST2(plug::InstanceInfo{}, Configured(in, out)) {}
    static plug::IPluginConfig Configured(bool in, bool out)
    {
      plug::IPluginConfig c = TestPlug::Config(0);
      c.plugDoesMidiIn = in;
      c.plugDoesMidiOut = out;
      return c;
    }
  };
  for (bool in : {false, true})
    for (bool out : {false, true})
    {
      Midi p(in, out);
      auto canDo = [&p](const char* text) {
        return p.GetEffect().dispatcher(&p.GetEffect(), vst2::effCanDo, 0, 0, const_cast<char*>(text), 0.f);
      };
      EXPECT_EQ(canDo("receiveVstEvents"), in) << in << out;
      EXPECT_EQ(canDo("receiveVstMidiEvent"), in) << in << out;
      EXPECT_EQ(canDo("sendVstEvents"), out) << in << out;
      EXPECT_EQ(canDo("sendVstMidiEvent"), out) << in << out;
    }
}

TEST(Dispatcher, VendorSpecificRequests)
{
  TestPlug p({}, 0);
  char text[64] = {};
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 7, 0, text, 1.0f), 0xbeef);
  EXPECT_STREQ(text, "12.0");
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 7, 9, text, 1.0f), 0xbeef) << "out of range still answers";
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 8, 1), 0) << "three-valued enum";
  char parsed[64] = "6";
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 27, 0, parsed), 0xbeef);
  EXPECT_STREQ(parsed, "0.75000000000000000");
  float gr = -1.f;
  EXPECT_EQ(Call(p, vst2::effVendorSpecific, 0x50726553, 0x47526442, &gr), 1);
  EXPECT_EQ(gr, 0.0f);
}

TEST(Dispatcher, OpenIdentifiesTheHostOnceAndNotifiesEveryParameter)
{
  FakeHost host;
  host.mProduct = "WaveLab Elements";
  host.mVendorVersion = 10203;
  FakeHost::sCurrent = &host;
  plug::InstanceInfo info;
  info.mVSTHostCallback = FakeHost::Callback;
  TestPlug p(info, 0);
  Call(p, vst2::effOpen);
  EXPECT_EQ(p.GetHost(), 32);
  EXPECT_EQ(p.GetHostVersion(false), (1 << 16) | (2 << 8) | 3);
  ASSERT_EQ(p.mChanges.size(), 2u);
  EXPECT_EQ(p.mChanges[0].second, plug::kReset);
  host.mProduct = "REAPER";
  Call(p, vst2::effOpen);
  EXPECT_EQ(p.GetHost(), 32) << "identified only once";
  FakeHost::sCurrent = nullptr;
}

TEST(Dispatcher, HostAnsweringNothingIdentifiesAsUnknown)
{
  TestPlug p({}, 0);
  Call(p, vst2::effOpen);
  EXPECT_EQ(p.GetHost(), 0);
  EXPECT_EQ(p.GetHostVersion(false), 0);
}

TEST(Dispatcher, OfflineRenderingResetsTheProcessor)
{
  FakeHost host;
  FakeHost::sCurrent = &host;
  plug::InstanceInfo info;
  info.mVSTHostCallback = FakeHost::Callback;
  TestPlug p(info, 0);
  static float buf[2][1024] = {};
  float* ptrs[2] = {buf[0], buf[1]};
  vst2::Effect& e = p.GetEffect();
  e.processReplacing(&e, ptrs, ptrs, 16);
  const int resets = p.mResets;
  host.mProcessLevel = 4;
  e.processReplacing(&e, ptrs, ptrs, 16);
  EXPECT_TRUE(p.GetRenderingOffline());
  EXPECT_EQ(p.mResets, resets + 1);
  e.processReplacing(&e, ptrs, ptrs, 1024);
  EXPECT_EQ(p.GetBlockSize(), 1024);
  FakeHost::sCurrent = nullptr;
}

// Every virtual key, and its neighbours outside the table, with the key code it gives (recorded in
// golden/virtual_keys.txt); keys 0 and 57 take the character's key, others ignore the character.
TEST(Keys, VirtualKeysMapToKeyCodes)
{
  std::string table;
  for (int key = -2; key <= 60; ++key)
  {
    char line[48];
    std::snprintf(line, sizeof(line), "%d: 0x%02x %d\n", key, plug::VSTKeyCode(key, 'a'), plug::VSTKeyCode(key, 0));
    table += line;
  }
  const std::string differences = goldentext::Compare(std::string(DROVIK_CORE_GOLDEN_DIR) + "/virtual_keys.txt", table);
  EXPECT_TRUE(differences.empty()) << differences;
  EXPECT_EQ(plug::VSTKeyCode(0, '7'), '7');
  // Printable characters without a key: digits and letters, small letters as capitals; other characters none.
  const std::pair<int, int> characters[] = {{'/', 0},   {'0', '0'}, {'9', '9'}, {':', 0},   {'@', 0},   {'A', 'A'},
                                            {'Z', 'Z'}, {'[', 0},   {'`', 0},   {'a', 'A'}, {'z', 'Z'}, {'{', 0}};
  for (const auto& [character, code] : characters)
    EXPECT_EQ(plug::VSTKeyCode(0, character), code) << char(character);
  // A key press carries one character: of a longer text the first four bytes are kept, of none an empty text.
  EXPECT_STREQ(plug::IKeyPress("\xF0\x9F\x8E\xB9x", 0).mUtf8, "\xF0\x9F\x8E\xB9");
  EXPECT_STREQ(plug::IKeyPress(nullptr, 0).mUtf8, "");
}

// What a plug-in leaves unset in its configuration it does not offer: no parameters, programs or channels, no
// editor, chunks or instrument, no latency, no identity; it is an effect. Fields it never uses stay zero.
TEST(Flags, AnUnsetConfigurationOffersNothing)
{
  plug::IPluginVST2 p({}, plug::IPluginConfig{});
  vst2::Effect& e = p.GetEffect();
  EXPECT_EQ(e.numParams, 0);
  EXPECT_EQ(e.numPrograms, 0);
  EXPECT_EQ(e.numInputs, 0);
  EXPECT_EQ(e.numOutputs, 0);
  EXPECT_EQ(e.initialDelay, 0);
  EXPECT_EQ(e.uniqueID, 0);
  EXPECT_EQ(e.version, 0);
  EXPECT_EQ(e.user, nullptr) << "the host's own field starts empty";
  EXPECT_EQ(e.reserved1 | e.reserved2 | e.realQualities | e.offQualities, 0);
  EXPECT_EQ(std::count(std::begin(e.future), std::end(e.future), 0), std::ptrdiff_t(sizeof e.future));
  EXPECT_EQ(e.flags & (vst2::kFlagHasEditor | vst2::kFlagProgramChunks | vst2::kFlagIsSynth), 0);
  EXPECT_EQ(e.dispatcher(&e, vst2::effGetPlugCategory, 0, 0, nullptr, 0.f), vst2::kCategoryEffect);
  EXPECT_EQ((std::vector<int>{p.GetMinWidth(), p.GetMaxWidth(), p.GetMinHeight(), p.GetMaxHeight()}),
            (std::vector<int>{0, 0, 0, 0}))
    << "editor size limits";
  int configIdx = 5;
  EXPECT_EQ(p.MaxNBuses(plug::kInput, &configIdx), 0);
  EXPECT_EQ(configIdx, -1);
  EXPECT_EQ(p.MaxNBuses(plug::kOutput), 0);
}

TEST(Flags, MonoConfigurationAndEditorFlag)
{
  TestPlug p({}, 0);
  EXPECT_EQ(p.GetEffect().flags & vst2::kFlagCanMono, vst2::kFlagCanMono);
  p.GetEffect().flags |= vst2::kFlagHasEditor;
  Call(p, vst2::effGetVstVersion);
  EXPECT_EQ(p.GetEffect().flags & vst2::kFlagHasEditor, 0) << "no editor: the flag is cleared on the next call";
}

TEST(Dispatcher, BankChunkWithAnOldHeaderIsReadAsAState)
{
  TestPlug a({}, 0), b({}, 0);
  a.GetParam(0)->Set(7.0);
  void* data = nullptr;
  const intptr_t size = Call(a, vst2::effGetChunk, 1, 0, &data);
  std::vector<unsigned char> bytes(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
  const int32_t oldVersion = 0x0000ffff;
  std::memcpy(bytes.data() + 4, &oldVersion, 4);
  EXPECT_EQ(Call(b, vst2::effSetChunk, 0, size, bytes.data()), 1);
  EXPECT_EQ(b.GetParam(0)->Value(), 7.0);
}

TEST(Dispatcher, ChunkWithoutTheHeaderIsReadFromTheStart)
{
  TestPlug b({}, 0);
  const double values[2] = {-2.5, 0.0};
  EXPECT_EQ(Call(b, vst2::effSetChunk, 1, sizeof(values), const_cast<double*>(values)), 1);
  EXPECT_EQ(b.GetParam(0)->Value(), -2.5);
}
