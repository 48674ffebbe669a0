// Dispatcher requests at the edges of their arguments: program names outside the list or cut inside a character,
// pins and speaker arrangements, keys with their modifiers, the host's time info and the editor's SysEx.
#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "core/HostId.h"
#include "core/ReadableName.h"
#include "foundation/main_thread.h"
#include "foundation/run_loop.h"
#include "test_plug.h"

using testplug::FakeHost;
using testplug::TestPlug;

namespace {
intptr_t Call(TestPlug& p, int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr,
              float opt = 0.f)
{
  return p.GetEffect().dispatcher(&p.GetEffect(), opcode, index, value, ptr, opt);
}

/// A plug-in driven through a fake host that answers the requests the audio callbacks make.
struct HostedPlug
{
  FakeHost host;
  plug::InstanceInfo info;
  HostedPlug()
  {
    FakeHost::sCurrent = &host;
    info.mVSTHostCallback = FakeHost::Callback;
  }
  ~HostedPlug() { FakeHost::sCurrent = nullptr; }
  void ProcessOneBlock(TestPlug& p)
  {
    static float buf[2][16] = {};
    float* ptrs[2] = {buf[0], buf[1]};
    p.GetEffect().processReplacing(&p.GetEffect(), ptrs, ptrs, 16);
  }
};
} // namespace

TEST(DispatcherEdges, AProgramNameOutsideTheListIsEmpty)
{
  TestPlug p(plug::InstanceInfo{}, 0, 3);
  for (int index : {-1, 3, 1000})
  {
    char name[64];
    std::memset(name, 'x', sizeof(name));
    EXPECT_EQ(Call(p, vst2::effGetProgramNameIndexed, index, 0, name), 0) << index;
    EXPECT_STREQ(name, "") << index;
  }
}

// A speaker arrangement of n channels connects the first n channels of its side and disconnects the rest; more
// channels than the side has, or fewer than none, are refused and change nothing. The other side is untouched.
TEST(DispatcherEdges, SpeakerArrangementsConnectTheirChannelCountOnEachSide)
{
  for (plug::ERoute side : {plug::kInput, plug::kOutput})
    for (int n : {0, 1, 2, 3, -1})
    {
      TestPlug p(plug::InstanceInfo{}, 0);
      const int max = p.MaxNChannels(side);
      ASSERT_EQ(max, 2);
      const plug::ERoute other = side == plug::kInput ? plug::kOutput : plug::kInput;
      p.SetChannelConnections(side, 0, max, true);
      p.SetChannelConnections(other, 0, max, true);
      vst2::SpeakerArrangement arrangement{};
      arrangement.numChannels = n;
      const bool fits = n >= 0 && n <= max;
      const intptr_t value = side == plug::kInput ? reinterpret_cast<intptr_t>(&arrangement) : 0;
      void* ptr = side == plug::kOutput ? &arrangement : nullptr;
      EXPECT_EQ(Call(p, vst2::effSetSpeakerArrangement, 0, value, ptr), fits ? 1 : 0) << side << " " << n;
      for (int ch = 0; ch < max; ++ch)
      {
        EXPECT_EQ(p.IsChannelConnected(side, ch), !fits || ch < n) << side << " " << n << " channel " << ch;
        EXPECT_TRUE(p.IsChannelConnected(other, ch)) << side << " " << n << " channel " << ch;
      }
    }
}

// The host is shown both sides' arrangements: two channels each, stereo, with no speaker details; a side it asks
// nothing for is skipped.
TEST(DispatcherEdges, SpeakerArrangementsAreShownStereoOnBothSides)
{
  TestPlug p(plug::InstanceInfo{}, 0);
  vst2::SpeakerArrangement* in = nullptr;
  vst2::SpeakerArrangement* out = nullptr;
  ASSERT_EQ(Call(p, vst2::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);
  EXPECT_EQ(in->type, vst2::kArrangementStereo);
  EXPECT_EQ(out->type, vst2::kArrangementStereo);
  for (const vst2::SpeakerArrangement* side : {in, out})
  {
    const auto* bytes = reinterpret_cast<const char*>(side->speakers);
    EXPECT_EQ(std::count(bytes, bytes + sizeof side->speakers, 0), std::ptrdiff_t(sizeof side->speakers))
      << "no speaker details are claimed";
  }
  EXPECT_EQ(Call(p, vst2::effGetSpeakerArrangement, 0, 0, nullptr), 1);
}

// Names are made readable for the host: the last C1 control becomes a blank, and a name cut to the host's 24 bytes
// never ends inside a character.
TEST(DispatcherEdges, ProgramNamesAreReadableAndCutBetweenCharacters)
{
  const struct
  {
    std::string name, shown;
  } cases[] = {
    {"a\xC2\x9F" "b", "a b"},
    {std::string(22, 'n') + "\xC3\xA9", std::string(22, 'n')},
    {std::string(21, 'n') + "\xC3\xA9", std::string(21, 'n') + "\xC3\xA9"},
  };
  for (const auto& c : cases)
  {
    TestPlug p(plug::InstanceInfo{}, 0);
    Call(p, vst2::effSetProgramName, 0, 0, const_cast<char*>(c.name.c_str()));
    char shown[64];
    EXPECT_EQ(Call(p, vst2::effGetProgramNameIndexed, 0, 0, shown), 1) << c.name;
    EXPECT_EQ(std::string(shown), c.shown) << c.name;
  }
  TestPlug unnamed(plug::InstanceInfo{}, 0);
  unnamed.GetPresetSlot(0)->SetName("");
  char shown[64];
  EXPECT_EQ(Call(unnamed, vst2::effGetProgramNameIndexed, 0, 0, shown), 0) << "an empty name answers 0";
}

// The edges of what is shown as it is: controls and reordering marks just inside their ranges become blanks, their
// neighbours stay; the smallest and largest code points of each sequence length stay, overlong forms, surrogates,
// stray continuation bytes and cut sequences become one U+FFFD per byte.
TEST(DispatcherEdges, ReadableNamesAtTheEdgesOfEachRange)
{
  const std::string bad = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
    {"\x1f \x7e", "  \x7e"},
    {"\xC2\x9F\xC2\xA0", " \xC2\xA0"},
    {"\xD8\x9B\xD8\x9C\xD8\x9D", "\xD8\x9B \xD8\x9D"},
    {"\xE2\x80\x8D\xE2\x80\x8E\xE2\x80\x8F\xE2\x80\x90", "\xE2\x80\x8D  \xE2\x80\x90"},
    {"\xE2\x80\xA9\xE2\x80\xAA\xE2\x80\xAE\xE2\x80\xAF", "\xE2\x80\xA9  \xE2\x80\xAF"},
    {"\xE2\x81\xA5\xE2\x81\xA6\xE2\x81\xA9\xE2\x81\xAA", "\xE2\x81\xA5  \xE2\x81\xAA"},
    {"\xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xE0\xA0\x80\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"},
    {"\xED\x9F\xBF\xEE\x80\x80", "\xED\x9F\xBF\xEE\x80\x80"},
    {"\xC1\xBF", bad + bad},
    {"\xE0\x9F\xBF", bad + bad + bad},
    {"\xF0\x8F\xBF\xBF", bad + bad + bad + bad},
    {"\xED\xBF\xBF", bad + bad + bad},
    {"\xF5\x80\x80\x80", bad + bad + bad + bad},
    {"\x80" "a\xF8\x88" "b\xC3(", bad + "a" + bad + bad + "b" + bad + "("},
    {"a\xE2\x82", "a" + bad + bad},
  };
  for (const auto& [name, shown] : cases)
    EXPECT_EQ(plug::ReadableName(name), shown) << name;

  // A cut steps back to the start of the character it falls in; the buffer always ends in a terminator.
  const std::string name = "ab\xF0\x9F\x8E\xB9";
  const std::pair<int, std::string> cuts[] = {{7, name}, {6, "ab"}, {3, "ab"}, {2, "a"}, {1, ""}};
  for (const auto& [size, copied] : cuts)
  {
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    plug::CopyReadableName(buffer, size, name.c_str());
    EXPECT_EQ(std::string(buffer), copied) << size;
  }
  char untouched[2] = {'x', 0};
  plug::CopyReadableName(untouched, 0, "a");
  EXPECT_EQ(untouched[0], 'x');
  plug::CopyReadableName(untouched, 2, nullptr);
  EXPECT_EQ(untouched[0], 0);
}

// A host that sets an empty program name keeps the name the program had. Each name the host sets tells the plug-in
// that its list of programs changed; a call without a name does not.
TEST(DispatcherEdges, AnEmptyProgramNameKeepsTheNameThereWas)
{
  struct Listening : TestPlug
  {
    Listening() : TestPlug(plug::InstanceInfo{}, 0) {}
    int mListChanges = 0;
    void OnPresetListChanged() override { ++mListChanges; }
  } p;
  char warm[] = "Warm", empty[] = "";
  Call(p, vst2::effSetProgramName, 0, 0, warm);
  Call(p, vst2::effSetProgramName, 0, 0, empty);
  Call(p, vst2::effSetProgramName, 0, 0, nullptr);
  char shown[64];
  Call(p, vst2::effGetProgramName, 0, 0, shown);
  EXPECT_STREQ(shown, "Warm");
  EXPECT_EQ(p.mListChanges, 2);
}

// Two channels a side: the first pin carries the stereo pair, each pin is labelled from 1.
TEST(DispatcherEdges, PinPropertiesAndSpeakerArrangements)
{
  TestPlug p(plug::InstanceInfo{}, 0);
  const struct
  {
    int32_t opcode, index, flags;
    const char* label;
  } cases[] = {
    {vst2::effGetInputProperties, 0, vst2::kPinIsActive | vst2::kPinIsStereo, "Input 1"},
    {vst2::effGetInputProperties, 1, vst2::kPinIsActive, "Input 2"},
    {vst2::effGetOutputProperties, 0, vst2::kPinIsActive | vst2::kPinIsStereo, "Output 1"},
    {vst2::effGetOutputProperties, 1, vst2::kPinIsActive, "Output 2"},
  };
  for (const auto& c : cases)
  {
    vst2::PinProperties pin{};
    ASSERT_EQ(Call(p, c.opcode, c.index, 0, &pin), 1) << c.label;
    EXPECT_EQ(pin.flags, c.flags) << c.label;
    EXPECT_STREQ(pin.label, c.label);
  }
  vst2::PinProperties pin{};
  p.SetChannelLabel(plug::kInput, 1, "Side %d");
  Call(p, vst2::effGetInputProperties, 1, 0, &pin);
  EXPECT_STREQ(pin.label, "Side 2");
  p.SetChannelLabel(plug::kInput, 1, "Side %d", true); // counted from 0
  Call(p, vst2::effGetInputProperties, 1, 0, &pin);
  EXPECT_STREQ(pin.label, "Side 1");
  // Channels outside the list are not connected, have no label and take none.
  for (plug::ERoute side : {plug::kInput, plug::kOutput})
    for (int idx : {-1, 2})
    {
      p.SetChannelLabel(side, idx, "None %d");
      EXPECT_FALSE(p.IsChannelConnected(side, idx)) << side << " " << idx;
      EXPECT_STREQ(p.GetChannelLabel(side, idx), "") << side << " " << idx;
    }
  // A label longer than the host's field is cut to fit it, the field's end marker included.
  const std::string longLabel(70, 'w');
  p.SetChannelLabel(plug::kInput, 0, longLabel.c_str());
  Call(p, vst2::effGetInputProperties, 0, 0, &pin);
  EXPECT_EQ(std::string(pin.label), longLabel.substr(0, sizeof(pin.label) - 1));
  EXPECT_EQ(pin.flags, vst2::kPinIsActive | vst2::kPinIsStereo);
  vst2::SpeakerArrangement *in = nullptr, *out = nullptr;
  ASSERT_EQ(Call(p, vst2::effGetSpeakerArrangement, 0, reinterpret_cast<intptr_t>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, vst2::kArrangementStereo);
  EXPECT_EQ(out->type, vst2::kArrangementStereo);
  EXPECT_EQ(in->numChannels, 2);
}

// With three channels a side the third pin has no partner: only the first is marked as carrying a stereo pair,
// and neither side is called mono or stereo.
TEST(DispatcherEdges, AnOddLastPinIsNotMarkedStereoNorTheSideAStandardArrangement)
{
  plug::IPluginConfig c = TestPlug::Config(0);
  c.channelIOStr = "3-3";
  struct Three : plug::IPluginVST2
  {
    Three(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
  } p(plug::InstanceInfo{}, c);
  for (int32_t opcode : {vst2::effGetInputProperties, vst2::effGetOutputProperties})
    for (int index = 0; index < 3; ++index)
    {
      vst2::PinProperties pin{};
      ASSERT_EQ(p.GetEffect().dispatcher(&p.GetEffect(), opcode, index, 0, &pin, 0.f), 1) << opcode << " " << index;
      EXPECT_EQ(pin.flags, index == 0 ? vst2::kPinIsActive | vst2::kPinIsStereo : vst2::kPinIsActive)
        << opcode << " " << index;
    }
  vst2::SpeakerArrangement *in = nullptr, *out = nullptr;
  ASSERT_EQ(p.GetEffect().dispatcher(&p.GetEffect(), vst2::effGetSpeakerArrangement, 0,
                                     reinterpret_cast<intptr_t>(&in), &out, 0.f),
            1);
  ASSERT_TRUE(in && out);
  for (const vst2::SpeakerArrangement* side : {in, out})
  {
    EXPECT_EQ(side->type, vst2::kArrangementUserDefined);
    EXPECT_EQ(side->numChannels, 3);
  }
}

// The host's key (character, virtual key, modifier bits Shift 1, Alt 2, Command 4, Control 8) as the editor gets it,
// pressed and released alike; the character is the key's text.
TEST(DispatcherEdges, KeysReachTheEditorWithTheirCodesAndModifiers)
{
  struct KeyRecorder : TestPlug
  {
    KeyRecorder() : TestPlug(plug::InstanceInfo{}, 0) {}
    bool OnKeyDown(const plug::IKeyPress& key) override
    {
      keys.push_back(key);
      return true;
    }
    bool OnKeyUp(const plug::IKeyPress& key) override
    {
      keys.push_back(key);
      return false;
    }
    std::vector<plug::IKeyPress> keys;
  } p;
  const struct
  {
    int character;
    intptr_t vstKey;
    float modifiers;
    int virtualKey;
    bool shift, ctrl, alt;
  } cases[] = {
    {'a', 0, 0.f, 'A', false, false, false}, {0, 24, 0.f, 0x60, false, false, false}, // numeric pad 0
    {0, 40, 0.f, 0x70, false, false, false},                                          // F1
    {0, 51, 0.f, 0x7B, false, false, false},                                          // F12
    {'x', 0, 1.f, 'X', true, false, false},  {'x', 0, 2.f, 'X', false, false, true},
    {'x', 0, 4.f, 'X', false, false, false}, {'x', 0, 8.f, 'X', false, true, false},
  };
  for (const auto& c : cases)
  {
    p.keys.clear();
    EXPECT_EQ(Call(p, vst2::effEditKeyDown, c.character, c.vstKey, nullptr, c.modifiers), 1);
    EXPECT_EQ(Call(p, vst2::effEditKeyUp, c.character, c.vstKey, nullptr, c.modifiers), 0);
    ASSERT_EQ(p.keys.size(), 2u);
    const std::string text = c.character ? std::string(1, char(c.character)) : std::string();
    for (const plug::IKeyPress& k : p.keys)
    {
      EXPECT_EQ(k.mVirtualKey, c.virtualKey) << c.vstKey << " " << c.modifiers;
      EXPECT_EQ(std::string(k.mUtf8), text) << c.vstKey;
      EXPECT_EQ(k.mShift, c.shift) << c.modifiers;
      EXPECT_EQ(k.mCtrl, c.ctrl) << c.modifiers;
      EXPECT_EQ(k.mAlt, c.alt) << c.modifiers;
    }
  }
}

// A song position of 0 is a valid position; a tempo of 0 is none (the default 120 stays), as is a time signature
// over 0 (4/4 stays). Each field is read only under its own flag.
TEST(DispatcherEdges, TheHostsTimeInfoIsReadWhereItsFlagsSayValid)
{
  constexpr int kAll = vst2::kTimePpqPosValid | vst2::kTimeTempoValid | vst2::kTimeSignatureValid;
  const struct
  {
    double ppqPos, tempo, readPosition, readTempo;
    int denominator, readDenominator, flags;
  } cases[] = {{0.0, 90.0, 0.0, 90.0, 8, 8, kAll},
               {2.5, 0.0, 2.5, 120.0, 0, 4, kAll},
               {2.5, 90.0, -1.0, 90.0, 8, 4, vst2::kTimeTempoValid},
               {2.5, 90.0, 2.5, 120.0, 8, 4, vst2::kTimePpqPosValid},
               {2.5, 90.0, -1.0, 120.0, 8, 8, vst2::kTimeSignatureValid}};
  for (const auto& c : cases)
  {
    HostedPlug h;
    vst2::TimeInfo time{};
    time.ppqPos = c.ppqPos;
    time.tempo = c.tempo;
    time.timeSignatureNumerator = 3, time.timeSignatureDenominator = c.denominator;
    time.flags = c.flags;
    h.host.mTime = &time;
    TestPlug p(h.info, 0);
    h.ProcessOneBlock(p);
    EXPECT_EQ(p.GetTimeInfo().mPPQPos, c.readPosition) << c.ppqPos;
    EXPECT_EQ(p.GetTimeInfo().mTempo, c.readTempo) << c.tempo;
    EXPECT_EQ(p.GetTimeInfo().mDenominator, c.readDenominator) << c.denominator << " flags " << c.flags;
  }
}

// Bars, cycle, metre and transport: read under their flags, a negative bar or cycle position and a metre over
// nothing being none; the samples per beat follow the tempo read.
TEST(DispatcherEdges, BarsCycleMetreAndTransportOfTheHostsTimeInfo)
{
  constexpr int kAll = vst2::kTimeTempoValid | vst2::kTimeBarsValid | vst2::kTimeCyclePosValid |
                       vst2::kTimeSignatureValid | vst2::kTimeTransportPlaying | vst2::kTimeTransportCycleActive;
  const struct
  {
    double bar, cycleStart, cycleEnd;
    int numerator, flags;
    double readBar, readCycleStart;
    int readNumerator;
    bool playing, looping;
  } cases[] = {{8.0, 4.0, 12.0, 3, kAll, 8.0, 4.0, 3, true, true},
               {0.0, 0.0, 0.0, 0, kAll, 0.0, 0.0, 4, true, true},
               {-1.5, -2.0, 12.0, 3, kAll, -1.0, -1.0, 3, true, true},
               {8.0, 4.0, -2.0, 3, kAll, 8.0, -1.0, 3, true, true},
               {8.0, 4.0, 12.0, 3, vst2::kTimeTransportPlaying, -1.0, -1.0, 4, true, false},
               {8.0, 4.0, 12.0, 3, vst2::kTimeTransportCycleActive, -1.0, -1.0, 4, false, true}};
  for (const auto& c : cases)
  {
    HostedPlug h;
    vst2::TimeInfo time{};
    time.samplePos = 4410.0;
    time.tempo = 90.0;
    time.barStartPos = c.bar;
    time.cycleStartPos = c.cycleStart;
    time.cycleEndPos = c.cycleEnd;
    time.timeSignatureNumerator = c.numerator, time.timeSignatureDenominator = 8;
    time.flags = c.flags;
    h.host.mTime = &time;
    TestPlug p(h.info, 0);
    Call(p, vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
    h.ProcessOneBlock(p);
    const plug::IHostTimeInfo& t = p.GetTimeInfo();
    EXPECT_EQ(t.mSamplePos, 4410.0);
    EXPECT_EQ(t.mLastBar, c.readBar) << c.bar;
    EXPECT_EQ(t.mCycleStart, c.readCycleStart) << c.cycleStart << " " << c.cycleEnd;
    EXPECT_EQ(t.mCycleEnd, c.readCycleStart < 0 ? -1.0 : c.cycleEnd) << c.cycleStart << " " << c.cycleEnd;
    EXPECT_EQ(t.mNumerator, c.readNumerator) << c.numerator;
    EXPECT_EQ(t.mTransportIsRunning, c.playing) << c.flags;
    EXPECT_EQ(t.mTransportLoopEnabled, c.looping) << c.flags;
    EXPECT_DOUBLE_EQ(p.GetSamplesPerBeat(), (c.flags & vst2::kTimeTempoValid) ? 32000.0 : 24000.0) << c.flags;
  }
}

// Steps by parameter kind, each as its share of 0..1 with no integer range, for an unnamed host and for Ardour alike.
TEST(DispatcherEdges, ParameterPropertiesByKindForEveryHost)
{
  HostedPlug h;
  h.host.mProduct = "Ardour";
  TestPlug plain(h.info, 0), inArdour(h.info, 0);
  Call(inArdour, vst2::effOpen);
  ASSERT_EQ(inArdour.GetHost(), plug::kHostArdour);
  for (TestPlug* p : {&plain, &inArdour})
  {
    vst2::ParameterProperties gain{}, mode{};
    ASSERT_EQ(Call(*p, vst2::effGetParameterProperties, 0, 0, &gain), 1);
    ASSERT_EQ(Call(*p, vst2::effGetParameterProperties, 1, 0, &mode), 1);
    EXPECT_STREQ(gain.label, "Gain");
    EXPECT_EQ(gain.flags, vst2::kParamUsesFloatStep);
    EXPECT_FLOAT_EQ(gain.stepFloat, 0.5f / 24.f);
    EXPECT_EQ(mode.flags, vst2::kParamUsesFloatStep);
    EXPECT_FLOAT_EQ(mode.stepFloat, 0.5f);
    EXPECT_EQ(mode.minInteger, 0);
    EXPECT_EQ(mode.maxInteger, 0);
  }
  // A parameter with no range at all (no step, minimum and maximum the same) moves by the whole of 0..1.
  plain.GetParam(0)->InitDouble("Fixed", 3.0, 3.0, 3.0, 0.0);
  vst2::ParameterProperties fixed{};
  ASSERT_EQ(Call(plain, vst2::effGetParameterProperties, 0, 0, &fixed), 1);
  EXPECT_EQ(fixed.flags, vst2::kParamUsesFloatStep);
  EXPECT_EQ(fixed.stepFloat, 1.0f);
  EXPECT_EQ(fixed.smallStepFloat, 1.0f);
  EXPECT_EQ(fixed.largeStepFloat, 1.0f);
}

// A name as long as the short label's room is kept whole there; one letter longer, it is shortened.
TEST(DispatcherEdges, AParameterNameThatJustFitsTheShortLabelIsKeptWhole)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  vst2::ParameterProperties props{};
  ASSERT_EQ(sizeof(props.shortLabel), 8u);
  p.GetParam(0)->InitDouble("Drive 1", 0.0, -12.0, 12.0, 0.5, "dB");
  ASSERT_EQ(Call(p, vst2::effGetParameterProperties, 0, 0, &props), 1);
  EXPECT_STREQ(props.shortLabel, "Drive 1");
  p.GetParam(0)->InitDouble("Drive 12", 0.0, -12.0, 12.0, 0.5, "dB");
  ASSERT_EQ(Call(p, vst2::effGetParameterProperties, 0, 0, &props), 1);
  EXPECT_LT(std::strlen(props.shortLabel), 8u);
  EXPECT_STRNE(props.shortLabel, "Drive 1");
}

// A long name is shortened to the leading letters of its words, the room shared among the words still to come;
// blanks, slashes, dashes and underscores all part words.
TEST(DispatcherEdges, LongParameterNamesShareTheShortLabelAmongTheirWords)
{
  const std::pair<const char*, const char*> names[] = {
    {"a b c d e f g h i j", "abcdefg"},
    {"Drive 12", "Driv12"},
    {"Low-cut/high_shelf gain", "Locuhsg"},
    {"  spaced   out name", "spaouna"},
    {"Abcdefghij", "Abcdefg"},
    {"Wide stereo---", "Wideste"},
  };
  for (const auto& [name, shortLabel] : names)
  {
    TestPlug p(plug::InstanceInfo{}, 0);
    p.GetParam(0)->InitDouble(name, 0.0, -12.0, 12.0, 0.5, "dB");
    vst2::ParameterProperties props{};
    ASSERT_EQ(Call(p, vst2::effGetParameterProperties, 0, 0, &props), 1);
    EXPECT_STREQ(props.shortLabel, shortLabel) << name;
  }
}

// The build line names the plug-in, its version, the plug-in interface and the architecture.
TEST(DispatcherEdges, BuildInfoNamesThePlugInItsVersionAndInterface)
{
  TestPlug p(plug::InstanceInfo{}, 0);
  EXPECT_STREQ(p.GetAPIName(), "VST2");
  plug::LibString info;
  p.GetBuildInfo(info);
  EXPECT_EQ(std::string(info.Get()).rfind("Test version v1.2.3 VST2 (x64), built on ", 0), 0u) << info.Get();

  // A name set by the plug-in itself past the usual bound: the line stops at 256 characters.
  struct LongNamedPlug : TestPlug
  {
    LongNamedPlug() : TestPlug(plug::InstanceInfo{}, 0) { mPluginName.Set(std::string(300, 'n').c_str()); }
  } longNamed;
  longNamed.GetBuildInfo(info);
  EXPECT_EQ(std::string(info.Get()), std::string(256, 'n'));
}

// A block no longer than the block size, from a host whose process level stays the same, resets nothing; a
// longer block grows the block size and a change to or from offline rendering resets once.
TEST(DispatcherEdges, OnlyLongerBlocksAndOfflineChangesReset)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  Call(p, vst2::effSetBlockSize, 0, 16);
  const int resets = p.mResets;
  h.ProcessOneBlock(p);
  EXPECT_EQ(p.mResets, resets);
  EXPECT_EQ(p.GetBlockSize(), 16);
  Call(p, vst2::effSetBlockSize, 0, 8);
  h.ProcessOneBlock(p);
  EXPECT_EQ(p.GetBlockSize(), 16);
  EXPECT_EQ(p.mResets, resets + 2);
  h.host.mProcessLevel = 4;
  h.ProcessOneBlock(p);
  h.ProcessOneBlock(p);
  EXPECT_TRUE(p.GetRenderingOffline());
  EXPECT_EQ(p.mResets, resets + 3);
  h.host.mProcessLevel = 2;
  h.ProcessOneBlock(p);
  EXPECT_FALSE(p.GetRenderingOffline());
  EXPECT_EQ(p.mResets, resets + 4);
  // A block of no frames is no block: the host is asked nothing and its new process level is not read.
  h.host.mProcessLevel = 4;
  const size_t asked = h.host.mOpcodes.size();
  float* none[2] = {nullptr, nullptr};
  for (int32_t frames : {0, -16})
    p.GetEffect().processReplacing(&p.GetEffect(), none, none, frames);
  EXPECT_EQ(h.host.mOpcodes.size(), asked);
  EXPECT_FALSE(p.GetRenderingOffline());
  EXPECT_EQ(p.mResets, resets + 4);
}

// Bypass follows the host's value (0 is off); the gain reduction read by the host is 0 while bypassed.
TEST(DispatcherEdges, BypassAndTheGainReductionTheHostReads)
{
  struct Reducing : TestPlug
  {
    Reducing() : TestPlug(plug::InstanceInfo{}, 0) {}
    double GetGainReductionDb() override { return -6.0; }
  } p;
  const struct
  {
    intptr_t value;
    bool bypassed;
    float reduction;
  } cases[] = {{1, true, 0.f}, {0, false, -6.f}, {2, true, 0.f}, {-1, false, -6.f}};
  for (const auto& c : cases)
  {
    EXPECT_EQ(Call(p, vst2::effSetBypass, 0, c.value), 1);
    EXPECT_EQ(p.GetBypassed(), c.bypassed) << c.value;
    float reduction = 1.f;
    EXPECT_EQ(Call(p, vst2::effVendorSpecific, 0x50726553, 0x47526442, &reduction), 1);
    EXPECT_EQ(reduction, c.reduction) << c.value;
  }
}

// The rectangle answered is the editor's size; a resize of one side alone is a resize the host is asked for.
TEST(DispatcherEdges, TheEditorRectangleIsTheEditorsSize)
{
  HostedPlug h;
  plug::IPluginConfig c = TestPlug::Config(0);
  c.plugHasUI = true, c.plugWidth = 468, c.plugHeight = 450;
  struct WithEditor : plug::IPluginVST2
  {
    WithEditor(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
  } p(h.info, c);
  vst2::Rect* rect = nullptr;
  ASSERT_EQ(p.GetEffect().dispatcher(&p.GetEffect(), vst2::effEditGetRect, 0, 0, &rect, 0.f), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 468);
  EXPECT_EQ(rect->bottom, 450);
  p.EditorResize(468, 500);
  EXPECT_EQ(rect->bottom, 500);
  EXPECT_EQ(std::count(h.host.mOpcodes.begin(), h.host.mOpcodes.end(), int(vst2::audioMasterSizeWindow)), 1);

  // The size is given in the host's window units, once: a scale of one, of none or below none keeps it.
  const struct
  {
    double scale;
    int16_t right, bottom;
  } scales[] = {{1.0, 468, 450}, {0.0, 468, 450}, {-2.0, 468, 450}, {1.5, 702, 675}};
  for (const auto& s : scales)
  {
    WithEditor scaled(h.info, c);
    scaled.mHostWindowScaleFunc = [&s] { return s.scale; };
    for (int call = 0; call < 2; ++call)
    {
      ASSERT_EQ(scaled.GetEffect().dispatcher(&scaled.GetEffect(), vst2::effEditGetRect, 0, 0, &rect, 0.f), 1);
      EXPECT_EQ(rect->right, s.right) << s.scale;
      EXPECT_EQ(rect->bottom, s.bottom) << s.scale;
    }
  }
}

// Hosts known to want it get the inputs beyond the first pair unconnected and the outputs connected.
TEST(DispatcherEdges, ExtraChannelsForHostsThatWantThem)
{
  HostedPlug h;
  h.host.mProduct = "Adobe Audition";
  plug::IPluginConfig c = TestPlug::Config(0);
  c.channelIOStr = "4-4";
  struct Quad : plug::IPluginVST2
  {
    Quad(const plug::InstanceInfo& info, const plug::IPluginConfig& c) : plug::IPluginVST2(info, c) {}
  } p(h.info, c);
  p.GetEffect().dispatcher(&p.GetEffect(), vst2::effOpen, 0, 0, nullptr, 0.f);
  for (int ch = 0; ch < 4; ++ch)
  {
    EXPECT_EQ(p.IsChannelConnected(plug::kInput, ch), ch < 2) << ch;
    EXPECT_TRUE(p.IsChannelConnected(plug::kOutput, ch)) << ch;
  }
}

// Informing the host of every parameter sends each one's normalised value, in index order.
TEST(DispatcherEdges, TheHostCanBeToldOfEveryParameter)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  p.GetParam(0)->Set(6.0);
  p.GetParam(1)->Set(2.0);
  h.host.mAutomation.clear();
  p.InformHostOfAllParams();
  EXPECT_EQ(h.host.mAutomation, (std::vector<std::pair<int, float>>{{0, 0.75f}, {1, 1.0f}}));
}

// What a plug-in's callback throws stays in the plug-in: the host's call returns (the dispatcher answers 0) and a
// parameter the host set keeps its value.
TEST(DispatcherEdges, ExceptionsInThePluginNeverReachTheHost)
{
  struct Throwing : TestPlug
  {
    Throwing() : TestPlug(plug::InstanceInfo{}, 0) {}
    void OnParamChange(int, plug::EParamChangeSource, int) override { throw std::runtime_error("param"); }
    void ProcessBlock(double**, double**, int) override { throw std::runtime_error("block"); }
    bool OnKeyDown(const plug::IKeyPress&) override { throw std::runtime_error("key"); }
  } p;
  vst2::Effect& e = p.GetEffect();
  EXPECT_NO_THROW(e.setParameter(&e, 0, 0.75f));
  EXPECT_EQ(p.GetParam(0)->Value(), 6.0);
  float in[4] = {}, out[4] = {};
  float* ins[2] = {in, in};
  float* outs[2] = {out, out};
  EXPECT_NO_THROW(e.processReplacing(&e, ins, outs, 4));
  EXPECT_EQ(Call(p, vst2::effEditKeyDown, 'a', 0, nullptr, 0.f), 0);
}

// Without an editor there is nothing to resize: the host is not asked for a new window size.
TEST(DispatcherEdges, APluginWithoutAnEditorRefusesToResizeIt)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  EXPECT_FALSE(p.EditorResize(300, 200));
  EXPECT_EQ(std::count(h.host.mOpcodes.begin(), h.host.mOpcodes.end(), int(vst2::audioMasterSizeWindow)), 0);
}

TEST(DispatcherEdges, MidiSentToTheHostKeepsItsBytes)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  plug::IMidiMsg note;
  note.mStatus = 0x90, note.mData1 = 60, note.mData2 = 100;
  EXPECT_TRUE(p.SendMidiMsg(note));
  EXPECT_EQ(h.host.mMidiBytes, (std::vector<int>{0x90, 60, 100, 0}));
}

// The editor's MIDI and SysEx wait for the next block and reach the host in order, with their bytes and offsets,
// in event lists whose reserved field is zero.
TEST(DispatcherEdges, EditorMidiAndSysExReachTheHostOnTheNextBlock)
{
  HostedPlug h;
  TestPlug p(h.info, 0);
  plug::IMidiMsg on, off;
  on.mStatus = 0x90, on.mData1 = 60, on.mData2 = 100, on.mOffset = 2;
  off.mStatus = 0x80, off.mData1 = 61, off.mOffset = 5;
  p.SendMidiMsgFromUI(on);
  p.SendMidiMsgFromUI(off);
  const uint8_t dump[] = {0xF0, 0x01, 0x02, 0xF7};
  p.SendSysExMsgFromUI(plug::ISysExMsg{7, 4, dump});
  EXPECT_TRUE(h.host.mMidiBytes.empty());
  h.ProcessOneBlock(p);
  EXPECT_EQ(h.host.mMidiBytes, (std::vector<int>{0x90, 60, 100, 0, 0x80, 61, 0, 0}));
  EXPECT_EQ(h.host.mSysExBytes, (std::vector<int>{0xF0, 0x01, 0x02, 0xF7}));
  EXPECT_EQ(h.host.mEventFrames, (std::vector<int>{2, 5, 7}));
  EXPECT_EQ(h.host.mEventListsWithReservedSet, 0);
  h.ProcessOneBlock(p);
  EXPECT_EQ(h.host.mEventFrames.size(), 3u) << "each message is sent once";
}

// The editor's SysEx goes to the host on the next block when it fits in its queue entry (512 bytes), even empty;
// one of a negative size or beyond the entry never.
TEST(DispatcherEdges, EditorMessagesUpToTheirLimitsReachTheHost)
{
  for (int size : {512, 513, 0, -1})
  {
    HostedPlug h;
    TestPlug p(h.info, 0);
    const std::vector<uint8_t> bytes(size_t(std::max(size, 0)), 0x7f);
    p.SendSysExMsgFromUI(plug::ISysExMsg{0, size, bytes.data()});
    h.ProcessOneBlock(p);
    int sent = 0;
    for (int op : h.host.mOpcodes)
      sent += op == vst2::audioMasterProcessEvents;
    EXPECT_EQ(sent, size >= 0 && size <= 512 ? 1 : 0) << size;
  }
  // At most 32 MIDI messages and four SysEx wait for the next block; those sent beyond are dropped.
  HostedPlug h;
  TestPlug p(h.info, 0);
  std::vector<int> expected;
  for (int offset = 0; offset < 33; ++offset)
  {
    plug::IMidiMsg note;
    note.mStatus = 0x90, note.mData1 = 60, note.mOffset = offset;
    p.SendMidiMsgFromUI(note);
    if (offset < 32)
      expected.push_back(offset);
  }
  const uint8_t dump[] = {0xF0, 0xF7};
  for (int offset = 40; offset < 45; ++offset)
    p.SendSysExMsgFromUI(plug::ISysExMsg{offset, 2, dump});
  h.ProcessOneBlock(p);
  expected.insert(expected.end(), {40, 41, 42, 43});
  EXPECT_EQ(h.host.mEventFrames, expected);
}

// Without chunks, the values of the program left are kept in it; a sample rate of 0 is no rate; parameters are
// automatable; MIDI from the host arrives byte for byte.
TEST(DispatcherEdges, ProgramsSampleRateAutomationAndMidiFromTheHost)
{
  struct MidiRecorder : TestPlug
  {
    MidiRecorder() : TestPlug(plug::InstanceInfo{}, 0, 2) {}
    void ProcessMidiMsg(const plug::IMidiMsg& msg) override { midi.push_back(msg); }
    std::vector<plug::IMidiMsg> midi;
  } p;
  p.FillEmptyPresets();
  p.GetParam(0)->Set(3.0);
  Call(p, vst2::effSetProgram, 0, 1);
  Call(p, vst2::effSetProgram, 0, 0);
  EXPECT_EQ(p.GetParam(0)->Value(), 3.0);

  Call(p, vst2::effSetSampleRate, 0, 0, nullptr, 48000.f);
  Call(p, vst2::effSetSampleRate, 0, 0, nullptr, 0.f);
  EXPECT_EQ(p.GetSampleRate(), 48000.0);
  EXPECT_EQ(Call(p, vst2::effCanBeAutomated, 0), 1);

  vst2::MidiEvent note{};
  note.type = vst2::kEventMidi;
  note.deltaFrames = 5;
  note.midiData[0] = char(0x90), note.midiData[1] = 60, note.midiData[2] = 100;
  vst2::Events events{};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<vst2::Event*>(&note);
  EXPECT_EQ(Call(p, vst2::effProcessEvents, 0, 0, &events), 1);
  ASSERT_EQ(p.midi.size(), 1u);
  EXPECT_EQ(p.midi[0].mOffset, 5);
  EXPECT_EQ(p.midi[0].mStatus, 0x90);
  EXPECT_EQ(p.midi[0].mData1, 60);
  EXPECT_EQ(p.midi[0].mData2, 100);
}

// MIDI from the host goes on to the editor as well, on the framework timer's next tick.
TEST(DispatcherEdges, MidiFromTheHostReachesTheEditor)
{
  foundation::ManualClock clock;
  foundation::RunLoop::Main().UseManualClock(&clock);
  plug::IPluginConfig c = TestPlug::Config(0);
  c.plugHasUI = true;
  struct Editing : plug::IPluginVST2
  {
    explicit Editing(const plug::IPluginConfig& c) : plug::IPluginVST2(plug::InstanceInfo{}, c) { StartTicks(); }
    ~Editing() override { StopTimer(); }
    void SendMidiMsgToUI(const plug::IMidiMsg& msg) override { shown.push_back(msg.mData1); }
    std::vector<int> shown;
  } p(c);
  vst2::MidiEvent note{};
  note.type = vst2::kEventMidi;
  note.midiData[0] = char(0x90), note.midiData[1] = 60, note.midiData[2] = 100;
  struct
  {
    int32_t numEvents;
    intptr_t reserved;
    vst2::Event* events[1];
  } list{1, 0, {reinterpret_cast<vst2::Event*>(&note)}};
  EXPECT_EQ(p.GetEffect().dispatcher(&p.GetEffect(), vst2::effProcessEvents, 0, 0, &list, 0.f), 1);
  clock.Advance(0.020);
  foundation::RunLoop::Main().RunDueTimers();
  EXPECT_EQ(p.shown, std::vector<int>{60});
  foundation::RunLoop::Main().UseManualClock(nullptr);
}

// SysEx from the host reaches the plug-in with its offset and bytes, in order with the MIDI; empty slots and
// events of other kinds are passed over.
TEST(DispatcherEdges, SysExAndMidiFromTheHostArriveInTheirOrder)
{
  struct EventRecorder : TestPlug
  {
    EventRecorder() : TestPlug(plug::InstanceInfo{}, 0) {}
    void ProcessMidiMsg(const plug::IMidiMsg& msg) override
    {
      seen.push_back({msg.mOffset, {msg.mStatus, msg.mData1, msg.mData2}});
    }
    void ProcessSysEx(const plug::ISysExMsg& msg) override
    {
      seen.push_back({msg.mOffset, std::vector<int>(msg.mData, msg.mData + msg.mSize)});
    }
    std::vector<std::pair<int, std::vector<int>>> seen;
  } p;
  char dump[] = {char(0xF0), 0x7D, 0x01, char(0xF7)};
  vst2::SysExEvent sysEx{};
  sysEx.type = vst2::kEventSysEx;
  sysEx.deltaFrames = 3;
  sysEx.dumpBytes = 4;
  sysEx.sysexDump = dump;
  vst2::Event other{};
  other.type = 99;
  vst2::MidiEvent control{};
  control.type = vst2::kEventMidi;
  control.deltaFrames = 9;
  control.midiData[0] = char(0xB0), control.midiData[1] = 7, control.midiData[2] = 64;
  struct
  {
    int32_t numEvents;
    intptr_t reserved;
    vst2::Event* events[4];
  } list{4, 0, {reinterpret_cast<vst2::Event*>(&sysEx), nullptr, &other, reinterpret_cast<vst2::Event*>(&control)}};
  EXPECT_EQ(Call(p, vst2::effProcessEvents, 0, 0, &list), 1);
  using Seen = std::vector<std::pair<int, std::vector<int>>>;
  EXPECT_EQ(p.seen, (Seen{{3, {0xF0, 0x7D, 0x01, 0xF7}}, {9, {0xB0, 7, 64}}}));
}

// The state comparison takes values as equal within a hundred-thousandth (as 32-bit floats), read from the start
// index given.
TEST(DispatcherEdges, StateComparisonToleratesOnlyRoundingToFloat)
{
  TestPlug p(plug::InstanceInfo{}, 0);
  p.GetParam(0)->Set(1.5);
  p.GetParam(1)->Set(2);
  const struct
  {
    double values[3];
    int start;
    bool same;
  } cases[] = {
    {{1.5, 2, 0}, 0, true},           {{1.5 + 1e-6, 2, 0}, 0, true}, {{1.5 + 2e-5, 2, 0}, 0, false},
    {{1.5, 2 - 2e-5, 0}, 0, false},   {{9, 1.5, 2}, 1, true},        {{1.5, 2, 0}, 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(p.CompareState(c.values, c.start), c.same) << c.values[0] << " " << c.values[1] << " from " << c.start;
}

// The requests that may wait for a display prepare for it before they take the lock, and only opening an editor
// prepares to open one; an instance without an editor prepares nothing.
TEST(DispatcherEdges, OnlyEditorRequestsPrepareForADisplay)
{
  static std::vector<bool> prepared;
  prepared.clear();
  foundation::SetUnlockedPreparation([](bool mayOpenEditor) { prepared.push_back(mayOpenEditor); });
  TestPlug p(plug::InstanceInfo{}, 0);
  vst2::Rect* rect = nullptr;
  Call(p, vst2::effEditGetRect, 0, 0, &rect);
  Call(p, vst2::effEditOpen);
  EXPECT_TRUE(prepared.empty());
  p.SetHasUI(true);
  Call(p, vst2::effEditGetRect, 0, 0, &rect);
  Call(p, vst2::effEditOpen); // no window given: nothing opens
  for (int32_t opcode : {vst2::effEditIdle, vst2::effEditClose, vst2::effGetProgram, vst2::effCanBeAutomated})
    Call(p, opcode);
  foundation::SetUnlockedPreparation(nullptr);
  EXPECT_EQ(prepared, (std::vector<bool>{false, true}));
}

// A host that closes an instance from inside a call of the plug-in's, while an editor request of that instance is
// on its way to the lock, has the instance closed once that request gets there; the request answers nothing.
TEST(DispatcherEdges, AnInstanceClosedWhileItsEditorRequestPreparesIsClosedByThatRequest)
{
  static TestPlug* closing = nullptr;
  foundation::SetUnlockedPreparation([](bool) {
    foundation::MainThreadScope held; // as in a callback of the plug-in's, which runs under the lock
    vst2::Effect& e = closing->GetEffect();
    EXPECT_EQ(e.dispatcher(&e, vst2::effClose, 0, 0, nullptr, 0.f), 0);
  });
  const int before = TestPlug::sInstances;
  closing = new TestPlug(plug::InstanceInfo{}, 0);
  closing->SetHasUI(true);
  vst2::Rect* rect = nullptr;
  EXPECT_EQ(Call(*closing, vst2::effEditGetRect, 0, 0, &rect), 0);
  foundation::SetUnlockedPreparation(nullptr);
  EXPECT_EQ(TestPlug::sInstances, before);
}
