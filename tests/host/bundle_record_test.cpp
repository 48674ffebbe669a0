// What a host learns from the loaded bundle without ever setting a sample rate or block size: its exports,
// the effect record, names, programs, pins and speaker arrangements.
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
  EXPECT_EQ(in->type, vst2::kArrangementStereo);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->numChannels, 2);

  vst2::SpeakerArrangement mono{}, tooMany{};
  mono.type = vst2::kArrangementMono;
  mono.numChannels = 1;
  tooMany.numChannels = 3;
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&mono), &mono), 1);
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&tooMany), &mono), 0);
  EXPECT_EQ(p.Call(vst2::effSetSpeakerArrangement, 0, intptr_t(&mono), &tooMany), 0);
}

TEST(BundleProtocol, OutOfRangeIndicesAnswerZero)
{
  Instance p;
  char buf[256] = "unchanged";
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

// Closing the last instance lets go of what the view system holds; the back end asked for serves the next instance
// all the same, whose editor opens as the first one's did.
TEST(BundleProtocol, TheEditorOpensAgainInAnInstanceMadeAfterTheLastOneClosed)
{
  for (int instance = 0; instance < 2; ++instance)
  {
    Instance p;
    ASSERT_NE(p.Get(), nullptr);
    int parent = 0; // any window stands in for the host's on the headless back end
    EXPECT_EQ(p.Call(vst2::effEditOpen, 0, 0, &parent), 1) << "instance " << instance;
    p.Call(vst2::effEditClose);
  }
}
