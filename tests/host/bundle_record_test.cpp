// What a host learns from the loaded bundle without ever setting a sample rate or block size: its exports,
// the effect record, names, every parameter, programs, pins, speaker arrangements and can-do answers.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "loaded_bundle.h"

using hosttest::Bundle;
using hosttest::Instance;

TEST(BundleExports, OnlyTheTwoEntryPointsAreDefinedDynamicSymbols)
{
  const std::string command = std::string("nm -D --defined-only '") + Bundle::Path() + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::set<std::string> names;
  char line[512];
  while (fgets(line, sizeof(line), pipe))
  {
    char address[64], type[8], name[400];
    if (std::sscanf(line, "%63s %7s %399s", address, type, name) == 3)
      names.insert(name);
  }
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(names, (std::set<std::string>{"VSTPluginMain", "main"}));
}

TEST(BundleRecord, FieldsAsAHostReadsThem)
{
  Instance p;
  ASSERT_NE(p.Get(), nullptr);
  EXPECT_EQ(p->magic, 0x56737450);
  EXPECT_EQ(p->numParams, 25);
  EXPECT_EQ(p->numPrograms, 1);
  EXPECT_EQ(p->numInputs, 2);
  EXPECT_EQ(p->numOutputs, 2);
  EXPECT_EQ(p->flags, 0x1039);
  EXPECT_EQ(p->uniqueID, ('V' << 24) | ('Q' << 16) | ('7' << 8) | '0');
  EXPECT_EQ(p->version, 1010);
  EXPECT_EQ(p->initialDelay, 0);
  EXPECT_EQ(p->ioRatio, 1.0f);
  EXPECT_NE(p->processReplacing, nullptr);
  EXPECT_NE(p->processDoubleReplacing, nullptr);
  EXPECT_NE(p->process, nullptr);
}

TEST(BundleRecord, LegacyEntryGivesAnIndependentInstance)
{
  Instance a, b(hosttest::SilentHost, "main");
  ASSERT_TRUE(a.Get() && b.Get());
  EXPECT_NE(a.Get(), b.Get());
  EXPECT_EQ(b->uniqueID, a->uniqueID);
}

TEST(BundleRecord, NamesAndVersions)
{
  Instance p;
  EXPECT_EQ(p.Text(vst2::effGetEffectName), "Drovik");
  EXPECT_EQ(p.Text(vst2::effGetVendorString), "Vesquin");
  EXPECT_EQ(p.Text(vst2::effGetProductString), "Drovik");
  EXPECT_EQ(p.Call(vst2::effGetVendorVersion), 1010);
  EXPECT_EQ(p.Call(vst2::effGetVstVersion), 2400);
  EXPECT_EQ(p.Call(vst2::effGetPlugCategory), vst2::kCategoryEffect);
  EXPECT_EQ(p.Call(vst2::effGetTailSize), 0);
}

TEST(BundleParameters, NamesLabelsDefaultTextsAndNormalisedDefaults)
{
  const struct
  {
    const char* name;
    const char* label;
    const char* display;
    double normalised;
  } expected[25] = {
    {"GUI Scale", "", "1.00", 0.2},
    {"Toggle Tooltips", "", "On", 1.0},
    {"OS Off/2x/4x", "", "off", 0.0},
    {"ByPass Off/On", "", "off", 0.0},
    {"Clip Off/On", "", "off", 0.0},
    {"Clip Ceiling", "", "-0.1", 59.9 / 60.0},
    {"Meter Display Mode", "", "Out", 1.0},
    {"Meter Mode", "", "VU", 1.0},
    {"VU Reference", "dBFS", "-18", 0.5},
    {"EBU SL Reference", "dBFS", "-23", 13.0 / 36.0},
    {"EBU ML Reference", "dBFS", "-23", 13.0 / 36.0},
    {"RMS Reference", "dBFS", "-18", 0.5},
    {"PEAK Reference", "dBFS", "0", 1.0},
    {"Monitor Mode 0", "", "Stereo", 0.0},
    {"Monitor Mode 1", "", "Normal", 0.0},
    {"Saturation Off/On", "", "off", 0.0},
    {"Saturation Stereo Placement", "", "Stereo", 0.0},
    {"Saturation Mode", "", "clean", 0.0},
    {"Saturation Stages", "", "1", 0.0},
    {"Saturation Even Harmonics", "%", "0", 0.0},
    {"Saturation Odd Harmonics", "%", "0", 0.0},
    {"Saturation Fluctuation", "%", "0", 0.0},
    {"Hide Knob Overlay Text", "", "off", 0.0},
    {"Input Trim", "dB", "0.0", 0.5},
    {"Output Trim", "dB", "0.0", 0.5},
  };
  Instance p;
  for (int i = 0; i < 25; ++i)
  {
    EXPECT_EQ(p.Text(vst2::effGetParamName, i), expected[i].name) << i;
    EXPECT_EQ(p.Text(vst2::effGetParamLabel, i), expected[i].label) << i;
    EXPECT_EQ(p.Text(vst2::effGetParamDisplay, i), expected[i].display) << i;
    EXPECT_NEAR(p.GetParam(i), expected[i].normalised, 1e-6) << i;
    EXPECT_EQ(p.Call(vst2::effCanBeAutomated, i), i == 0 ? 0 : 1) << i;
  }
}

TEST(BundleParameters, DisplayTextsOfChosenValues)
{
  Instance p;
  p.SetParam(7, 0.0f);
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 7), "PEAK");
  p.SetParam(17, 1.0f);
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 17), "classic");
  p.SetParam(5, 0.0f);
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 5), "-60.0");
  p.SetParam(18, 0.5f);
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 18), "3");
  vst2::ParameterProperties props{};
  EXPECT_EQ(p.Call(vst2::effGetParameterProperties, 18, 0, &props), 1);
  EXPECT_EQ(props.minInteger, 1);
  EXPECT_EQ(props.maxInteger, 5);
}

TEST(BundleProtocol, CanDoAnswersInOrder)
{
  Instance p;
  const struct
  {
    const char* text;
    intptr_t answer;
  } cases[] = {
    {"receiveVstTimeInfo", 1}, {"receiveVstEvents", 0}, {"receiveVstMidiEvent", 0}, {"sendVstEvents", 0},
    {"sendVstMidiEvent", 0}, {"bypass", 1}, {"hasCockosExtensions", 0xbeef0000},
    {"hasCockosViewAsConfig", 0xbeef0000}, {"wantsChannelCountNotifications", 1},
    {"supportsGainReductionInfo", 1}, {"midiProgramNames", 0}, {"", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(p.Call(vst2::effCanDo, 0, 0, const_cast<char*>(c.text)), c.answer) << c.text;
}

TEST(BundleProtocol, ProgramNames)
{
  Instance p;
  EXPECT_EQ(p.Text(vst2::effGetProgramName), "Init");
  char name[64] = {};
  EXPECT_EQ(p.Call(vst2::effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "Init");
  EXPECT_EQ(p.Call(vst2::effGetProgramNameIndexed, 1, 0, name), 0);
  EXPECT_EQ(p.Call(vst2::effGetProgram), 0);
  char renamed[] = "Mine";
  p.Call(vst2::effSetProgramName, 0, 0, renamed);
  EXPECT_EQ(p.Text(vst2::effGetProgramName), "Mine");
}

TEST(BundleProtocol, PinsAndSpeakerArrangements)
{
  Instance p;
  vst2::PinProperties pin{};
  ASSERT_EQ(p.Call(vst2::effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(pin.flags, vst2::kPinIsActive | vst2::kPinIsStereo);
  ASSERT_EQ(p.Call(vst2::effGetOutputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 2");
  EXPECT_EQ(pin.flags, vst2::kPinIsActive);
  EXPECT_EQ(p.Call(vst2::effGetOutputProperties, 2, 0, &pin), 0);

  vst2::SpeakerArrangement* in = nullptr;
  vst2::SpeakerArrangement* out = nullptr;
  EXPECT_EQ(p.Call(vst2::effGetSpeakerArrangement, 0, intptr_t(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, vst2::kArrStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);

  vst2::SpeakerArrangement mono{}, tooMany{};
  mono.type = vst2::kArrMono;
  mono.numChannels = 1;
  tooMany.numChannels = 3;
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&mono), &mono), 1);
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&tooMany), &mono), 0);
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&mono), &tooMany), 0);
}

TEST(BundleProtocol, UnknownRequestsAndOutOfRangeIndicesAnswerZero)
{
  Instance p;
  char buf[256] = "unchanged";
  for (int op = -5; op < 100; ++op)
  {
    const bool handled = (op >= 0 && op <= 8) || (op >= 10 && op <= 15) || op == 22 || op == 23 || op == 24 ||
                         op == 25 || op == 26 || op == 27 || op == 29 || op == 33 || op == 34 || op == 35 ||
                         op == 42 || op == 44 || op == 45 || op == 47 || op == 48 || op == 49 || op == 50 ||
                         op == 51 || op == 52 || op == 56 || op == 58 || op == 59 || op == 60 || op == 66 ||
                         op == 69;
    if (!handled)
    {
      EXPECT_EQ(p.Call(op, 0, 0, buf), 0) << "opcode " << op;
    }
  }
  EXPECT_STREQ(buf, "unchanged");
  for (int idx : {-1, 25, 1000})
  {
    EXPECT_EQ(p.GetParam(idx), 0.0f);
    EXPECT_EQ(p.Call(vst2::effGetParamName, idx, 0, buf), 0);
    EXPECT_EQ(p.Call(vst2::effCanBeAutomated, idx), 0);
    EXPECT_EQ(p.Call(vst2::effGetParameterProperties, idx, 0, buf), 0);
  }
  EXPECT_STREQ(buf, "unchanged");
  const auto before = p.AllParams();
  p.SetParam(-1, 0.3f);
  p.SetParam(25, 0.3f);
  EXPECT_EQ(p.AllParams(), before);
}

TEST(BundleProtocol, OpenAndCloseFollowQueriesMadeBeforeOpen)
{
  Instance p;
  EXPECT_EQ(p.Text(vst2::effGetParamDisplay, 23), "0.0"); // before open
  EXPECT_EQ(p.Call(vst2::effOpen), 0);
  EXPECT_EQ(p.Call(vst2::effSetSampleRate, 0, 0, nullptr, 48000.f), 0);
  EXPECT_EQ(p.Call(vst2::effSetBlockSize, 0, 256), 0);
  EXPECT_EQ(p.Call(vst2::effMainsChanged, 0, 1), 0);
  vst2::Rect* rect = nullptr;
  EXPECT_EQ(p.Call(vst2::effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, 468);
  EXPECT_EQ(rect->bottom, 450);
  EXPECT_EQ(p.Call(vst2::effMainsChanged, 0, 0), 0);
}
